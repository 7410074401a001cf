#include "SimStreamSampler.h"

#include "SimMotor.h"
#include "USBByteHelpers.h"

#include <cmath>

namespace
{
const double s_pi = 3.14159265358979323846;
const double s_amplitudeVolts = 1.0;
const double s_frequencyHertz = 1.0;
// The ADC's full scale in counts at every gain.
const double s_fullScaleCounts = 8188.0;
const double s_voltsPerCountAtGain1 = 0.00025;
const int s_quadratureCountsPerStepMode = 2; // 2^2 counts per full step

qint64 floorShift(qint64 value, int bits)
{
    return bits >= 0 ? (value >> bits) : value * (qint64(1) << -bits);
}

quint32 sixteenthsOf(const SimMotor& motor)
{
    return quint32(qint32(floorShift(motor.getPosition(), motor.getFinestMode() - 4)));
}
}

void SimStreamSampler::start(qint64 boardPeriodMicroseconds, int sampleCount, int trigger, int outputMask,
    int adcGain, const SimMotor& motor)
{
    m_periodMicroseconds = qMax<qint64>(1, boardPeriodMicroseconds);
    m_remaining = sampleCount;
    m_trigger = trigger;
    m_outputMask = outputMask & 0xF;
    m_countsPerVolt = std::ldexp(1.0 / s_voltsPerCountAtGain1, adcGain);
    m_phase = Armed;
    if (trigger == Manual)
        begin(motor);
}

void SimStreamSampler::stop(const SimMotor& motor)
{
    if (m_phase == Idle)
        return;
    flush(motor, true);
    m_phase = Idle;
}

void SimStreamSampler::pulseEvent(const SimMotor& motor)
{
    ++m_events;
    if (m_phase == Armed && m_trigger == OnEvent)
        begin(motor);
}

void SimStreamSampler::motorStarted(const SimMotor& motor)
{
    if (m_phase == Armed && m_trigger == OnMotorStart)
        begin(motor);
}

void SimStreamSampler::clearCounters(const SimMotor& motor)
{
    m_events = 0;
    m_quadratureOrigin += quadratureCount(motor);
}

void SimStreamSampler::positionZeroed()
{
    // The position now counts from here, and so does the step counter.
    m_stepBase = 0;
}

void SimStreamSampler::advanceMillisecond(const SimMotor& motor)
{
    m_boardMicroseconds += 1000;
    if (m_phase != Running)
        return;
    if (m_groups > 0 && groupSize() > 0 && m_runMicroseconds - m_packetStartMicroseconds >= s_maxPacketAgeMicroseconds)
        flush(motor, false);
    const qint64 end = m_runMicroseconds + 1000;
    while (m_remaining > 0 && m_nextSampleMicroseconds < end)
    {
        takeSample(motor, m_nextSampleMicroseconds);
        m_nextSampleMicroseconds += m_periodMicroseconds;
        --m_remaining;
        // The run's last samples go out in its last packet.
        if (m_remaining > 0 && groupSize() > 0 && m_words.count() / 2 + groupSize() > s_maxPacketWords)
            flush(motor, false);
    }
    m_runMicroseconds = end;
    if (m_remaining == 0)
    {
        flush(motor, true);
        m_phase = Idle;
    }
}

QVector<QVector<quint8>> SimStreamSampler::takePackets()
{
    QVector<QVector<quint8>> packets;
    packets.swap(m_packets);
    return packets;
}

void SimStreamSampler::begin(const SimMotor& motor)
{
    m_phase = Running;
    m_runStartMicroseconds = m_boardMicroseconds;
    m_runMicroseconds = 0;
    m_nextSampleMicroseconds = 0;
    m_stepBase = motor.getPosition();
    m_words.clear();
    m_groups = 0;
}

void SimStreamSampler::takeSample(const SimMotor& motor, qint64 runMicroseconds)
{
    if (m_groups == 0)
    {
        m_packetStartMicroseconds = runMicroseconds;
        m_packetSteps = sixteenthsOf(motor);
    }
    ++m_groups;
    if (m_outputMask & 0x1)
    {
        const double seconds = (m_runStartMicroseconds + runMicroseconds) / 1e6;
        const double volts = s_amplitudeVolts * std::sin(2.0 * s_pi * s_frequencyHertz * seconds);
        const double counts = qBound(-s_fullScaleCounts, std::round(volts * m_countsPerVolt), s_fullScaleCounts);
        appendUInt16(m_words, quint16(qint16(counts)));
    }
    if (m_outputMask & 0x6)
        appendUInt16(m_words, (m_outputMask & 0x2) ? m_events : quint16(quadratureCount(motor)));
    if (m_outputMask & 0x8)
    {
        const int shift = motor.getFinestMode() - motor.getMicroStepping();
        appendUInt16(m_words, quint16(floorShift(motor.getPosition() - m_stepBase, shift)));
    }
}

void SimStreamSampler::flush(const SimMotor& motor, bool last)
{
    if (m_groups == 0)
        m_packetSteps = sixteenthsOf(motor);
    QVector<quint8> packet;
    packet.reserve(6 + m_words.count());
    packet.append(quint8(m_words.count() / 2));
    packet.append(last ? 1 : 0);
    appendUInt32(packet, m_packetSteps);
    packet += m_words;
    m_packets.append(packet);
    m_words.clear();
    m_groups = 0;
}

int SimStreamSampler::groupSize() const
{
    return ((m_outputMask & 0x1) ? 1 : 0) + ((m_outputMask & 0x6) ? 1 : 0) + ((m_outputMask & 0x8) ? 1 : 0);
}

qint64 SimStreamSampler::quadratureCount(const SimMotor& motor) const
{
    return floorShift(motor.getPhysicalPosition(), motor.getFinestMode() - s_quadratureCountsPerStepMode)
        - m_quadratureOrigin;
}
