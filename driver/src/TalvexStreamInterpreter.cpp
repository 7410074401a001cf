#include "TalvexStreamInterpreter.h"

#include "ValueConversions.h"

#include <cmath>

namespace
{
inline quint16 wordAt(const char* bytes, int index)
{
    return quint16(quint8(bytes[index]) | (quint16(quint8(bytes[index + 1])) << 8));
}

inline quint32 longAt(const char* bytes, int index)
{
    return quint32(wordAt(bytes, index)) | (quint32(wordAt(bytes, index + 2)) << 16);
}
}

void TalvexStreamInterpreter::setConfigurations(const TalvexDriverSamplingConfiguration& sampling,
    const TalvexDriverInputConfiguration& input, const TalvexDriverMotionConfiguration& motion)
{
    m_samplingConfiguration = sampling;
    m_inputConfiguration = input;
    m_motionConfiguration = motion;
}

StreamSample TalvexStreamInterpreter::interpret(double startTime, const QByteArray& packet)
{
    StreamSample sample;
    sample.setEndTime(startTime);
    // The packet comes from the board: a short or damaged one is dropped, not trusted.
    if (packet.count() < s_headSize)
        return sample;

    const char* bytes = packet.constData();
    const int announced = quint8(bytes[0]);
    const int wordCount = qMin(announced, (packet.count() - s_headSize) / 2);

    const int mask = m_inputConfiguration.getOutputMask();
    const bool voltage = mask & 0x1;
    const bool counter = mask & 0x6;
    const bool steps = mask & 0x8;
    const int groupSize = int(voltage) + int(counter) + int(steps);
    const int groups = groupSize > 0 ? wordCount / groupSize : 0;

    const double timeStep = m_samplingConfiguration.samplePeriod() / m_samplingConfiguration.overSamplingFactor();
    const double resolution = m_inputConfiguration.adcResolution();

    QVector<double> keys(groups);
    QVector<double> voltages(voltage ? groups : 0);
    QVector<double> counters(counter ? groups : 0);
    QVector<double> stepCounts(steps ? groups : 0);
    int index = s_headSize;
    for (int g = 0; g < groups; ++g)
    {
        keys[g] = startTime + g * timeStep;
        if (voltage)
        {
            voltages[g] = qint16(wordAt(bytes, index)) * resolution;
            index += 2;
        }
        if (counter)
        {
            counters[g] = wordAt(bytes, index);
            index += 2;
        }
        if (steps)
        {
            stepCounts[g] = wordAt(bytes, index);
            index += 2;
        }
    }

    if (voltage)
    {
        sample.setKeys(VoltageChannel, keys);
        sample.setValues(VoltageChannel, voltages);
    }
    if (mask & 0x2)
    {
        sample.setKeys(EventsChannel, keys);
        sample.setValues(EventsChannel, counters);
    }
    if (mask & 0x4)
    {
        sample.setKeys(QuadratureChannel, keys);
        sample.setValues(QuadratureChannel, counters);
    }
    if (steps)
    {
        sample.setKeys(StepsChannel, keys);
        sample.setValues(StepsChannel, stepCounts);
    }

    sample.setEndTime(startTime + groups * timeStep);
    sample.setLast(bytes[1] != 0);
    // The step counter at the packet start, in micro-steps of the current mode. It is the
    // board's signed position: a motor below its zero position sends it in two's complement,
    // which read unsigned would put the plot some 268 million full steps away.
    const int microStepping = variantToInt(m_motionConfiguration.value(TalvexDriverMotionConfiguration::MicroStepping));
    const qint32 sixteenths = qint32(longAt(bytes, 2));
    sample.setScalar(StepsChannel, std::trunc(sixteenths * 0.0625) * std::ldexp(1.0, microStepping));
    return sample;
}
