#include "TalvexStreamInterpreter.h"

#include "USBByteHelpers.h"
#include "ValueConversions.h"

#include <cmath>

TalvexStreamInterpreter::TalvexStreamInterpreter()
{
    setConfigurations(TalvexDriverSamplingConfiguration(), TalvexDriverInputConfiguration(),
        TalvexDriverMotionConfiguration());
}

void TalvexStreamInterpreter::setConfigurations(const TalvexDriverSamplingConfiguration& sampling,
    const TalvexDriverInputConfiguration& input, const TalvexDriverMotionConfiguration& motion)
{
    // Taken once here rather than looked up in the property sets for every packet.
    m_mask = input.getOutputMask();
    m_timeStep = sampling.samplePeriod() / sampling.overSamplingFactor();
    m_resolution = input.adcResolution();
    m_microSteps = std::ldexp(1.0, variantToInt(motion.value(TalvexDriverMotionConfiguration::MicroStepping)));
}

void TalvexStreamInterpreter::interpret(double startTime, const QVector<quint8>& packet, StreamSample& sample)
{
    sample.clear();
    sample.setEndTime(startTime);
    // The packet comes from the board: a short or damaged one is dropped, not trusted.
    if (packet.count() < s_headSize)
        return;

    const quint8* bytes = packet.constData();
    const int announced = bytes[0];
    const int wordCount = qMin(announced, (packet.count() - s_headSize) / 2);

    const bool voltage = m_mask & VoltageChannel;
    const bool events = m_mask & EventsChannel;
    const bool quadrature = m_mask & QuadratureChannel;
    const bool steps = m_mask & StepsChannel;
    // Events and quadrature share one word.
    const bool counter = events || quadrature;
    const int groupSize = int(voltage) + int(counter) + int(steps);
    const int groups = groupSize > 0 ? wordCount / groupSize : 0;

    // The values stay in the packet's words, one group of them per time step: the voltage, the
    // counter and the steps, each where its channel is sent.
    sample.setWords(packet, groups, groupSize * 2, startTime, m_timeStep);
    int firstByte = s_headSize;
    if (voltage)
    {
        sample.setWordChannel(VoltageChannel, firstByte, true, m_resolution);
        firstByte += 2;
    }
    if (events)
        sample.setWordChannel(EventsChannel, firstByte, false, 1.0);
    if (quadrature)
        sample.setWordChannel(QuadratureChannel, firstByte, false, 1.0);
    if (counter)
        firstByte += 2;
    if (steps)
        sample.setWordChannel(StepsChannel, firstByte, false, 1.0);

    sample.setEndTime(startTime + groups * m_timeStep);
    sample.setLast(bytes[1] != 0);
    // The step counter at the packet start, in micro-steps of the current mode. It is the
    // board's signed position: a motor below its zero position sends it in two's complement,
    // which read unsigned would put the plot some 268 million full steps away.
    const qint32 sixteenths = qint32(loadUInt32(bytes + 2));
    sample.setScalar(StepsChannel, std::trunc(sixteenths * 0.0625) * m_microSteps);
}
