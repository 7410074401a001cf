#pragma once

#include <QVector>

class SimMotor;

// The sampling unit of a simulated driver board: one measurement run at a time, started by the
// sampling command and streamed to the host in packets with a 6-byte head (sample-word count,
// last-packet flag, motor step counter in sixteenths of a full step, little-endian) and the
// 16-bit words of the enabled channels, one group per board sample.
//
// Behaviour of this board where the real one is not documented:
// - The board samples at its own period (the first payload byte, a period index from 1 for
//   0.2 ms to 14 for 5 s) and takes as many samples as the payload's count says; with
//   over-sampling the host asks for the period and count already multiplied.
// - A group holds, each only while its bit of the output mask is set: the voltage (bit 0), one
//   counter word (bit 1 or 2: the event counter when bit 1 is set, else the quadrature counter)
//   and the step counter (bit 3).
// - Voltage: the input carries a 1 Hz sine of 1 V amplitude, on the board's own clock; the word
//   is the signed ADC count at the configured gain, clipped at the ADC's full scale. The
//   peak-peak ADC mode samples as the normal mode does.
// - Events: pulses on the event input (SimDriverFirmware::pulseEventInput) counted in 16 bits.
//   Quadrature: an encoder of 4 counts per full step on the motor shaft, 16 bits. Clearing the
//   counters sets both to 0.
// - Step counter word: micro-steps of the current mode moved since the run started, or since
//   the position was last zeroed, in 16 bits. The head carries the motor position in sixteenths
//   of a full step at the first sample of the packet (a negative one in two's complement).
// - A packet goes out when 120 words are filled, when its first sample is 20 ms old (so at
//   longer sample periods each sample goes out on its own, at the sample period) and when the
//   run ends. With no channel enabled only the last packet, without words, is sent.
// - Triggers: 0 starts at once, 1 at the next pulse on the event input, 2 when the motor next
//   starts a move. A run waiting for its trigger counts as a measurement in progress.
// - A run ends by itself after its count with a last packet; the stop command ends it at once
//   with a last packet holding what was sampled (none when nothing was). Without a run the stop
//   command sends nothing.
class SimStreamSampler
{
public:
    enum Trigger
    {
        Manual = 0,
        OnEvent = 1,
        OnMotorStart = 2
    };

    static constexpr int s_maxPacketWords = 120;
    static constexpr qint64 s_maxPacketAgeMicroseconds = 20000;

    // Waiting for its trigger or running.
    bool isBusy() const { return m_phase != Idle; }

    // Starts a run: boardPeriodMicroseconds and sampleCount from the sampling payload, the
    // output mask and ADC gain from the input configuration. The caller refuses a busy sampler.
    void start(qint64 boardPeriodMicroseconds, int sampleCount, int trigger, int outputMask, int adcGain,
        const SimMotor& motor);
    void stop(const SimMotor& motor);

    void pulseEvent(const SimMotor& motor);
    void motorStarted(const SimMotor& motor);
    void clearCounters(const SimMotor& motor);
    void positionZeroed();

    // One millisecond of the board's time, after the motor has moved in it.
    void advanceMillisecond(const SimMotor& motor);
    QVector<QVector<quint8>> takePackets();

private:
    enum Phase
    {
        Idle,
        Armed,
        Running
    };

    void begin(const SimMotor& motor);
    void takeSample(const SimMotor& motor, qint64 runMicroseconds);
    void flush(const SimMotor& motor, bool last);
    int groupSize() const;
    qint64 quadratureCount(const SimMotor& motor) const;

    Phase m_phase = Idle;
    int m_trigger = Manual;
    qint64 m_periodMicroseconds = 1000;
    int m_remaining = 0;
    int m_outputMask = 0;
    double m_countsPerVolt = 4000.0;

    qint64 m_boardMicroseconds = 0;
    qint64 m_runStartMicroseconds = 0;
    qint64 m_runMicroseconds = 0;
    qint64 m_nextSampleMicroseconds = 0;

    qint64 m_stepBase = 0;
    qint64 m_quadratureOrigin = 0;
    quint16 m_events = 0;

    QVector<quint8> m_words;
    int m_groups = 0;
    qint64 m_packetStartMicroseconds = 0;
    quint32 m_packetSteps = 0;
    QVector<QVector<quint8>> m_packets;
};
