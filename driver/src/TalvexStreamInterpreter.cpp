#include "TalvexStreamInterpreter.h"

#include "ValueConversions.h"

#include <algorithm>
#include <cmath>

namespace
{
inline quint16 wordAt(const quint8* bytes, int index)
{
    return quint16(bytes[index] | (quint16(bytes[index + 1]) << 8));
}

inline quint32 longAt(const quint8* bytes, int index)
{
    return quint32(wordAt(bytes, index)) | (quint32(wordAt(bytes, index + 2)) << 16);
}

// Where the words of one group go; a channel that is not sent has no target.
struct GroupTargets
{
    double* keys;
    double* voltages;
    double* counters;
    double* stepCounts;
};

// The group loop for one combination of channels, so that the loop tests none of them.
template <bool voltage, bool counter, bool steps>
void decodeGroups(const quint8* word, int groups, double startTime, double timeStep, double resolution,
    const GroupTargets& targets)
{
    for (int g = 0; g < groups; ++g)
    {
        targets.keys[g] = startTime + g * timeStep;
        if (voltage)
        {
            targets.voltages[g] = qint16(wordAt(word, 0)) * resolution;
            word += 2;
        }
        if (counter)
        {
            targets.counters[g] = wordAt(word, 0);
            word += 2;
        }
        if (steps)
        {
            targets.stepCounts[g] = wordAt(word, 0);
            word += 2;
        }
    }
}

typedef void (*GroupDecoder)(const quint8*, int, double, double, double, const GroupTargets&);

// By voltage (bit 0), counter (bit 1) and steps (bit 2).
const GroupDecoder s_groupDecoders[8] = {decodeGroups<false, false, false>, decodeGroups<true, false, false>,
    decodeGroups<false, true, false>, decodeGroups<true, true, false>, decodeGroups<false, false, true>,
    decodeGroups<true, false, true>, decodeGroups<false, true, true>, decodeGroups<true, true, true>};
}

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
    m_microStepping = variantToInt(motion.value(TalvexDriverMotionConfiguration::MicroStepping));
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

    // Every enabled channel gets the same keys: one array for all of them.
    sample.resizeChannels(m_mask & (VoltageChannel | EventsChannel | QuadratureChannel | StepsChannel), groups);
    GroupTargets targets;
    targets.keys = sample.commonKeyData();
    targets.voltages = voltage ? sample.valueData(VoltageChannel) : nullptr;
    targets.counters = events ? sample.valueData(EventsChannel) : quadrature ? sample.valueData(QuadratureChannel) : nullptr;
    targets.stepCounts = steps ? sample.valueData(StepsChannel) : nullptr;
    if (groups > 0)
        s_groupDecoders[int(voltage) | int(counter) << 1 | int(steps) << 2](
            bytes + s_headSize, groups, startTime, m_timeStep, m_resolution, targets);
    if (events && quadrature)
        std::copy(targets.counters, targets.counters + groups, sample.valueData(QuadratureChannel));

    sample.setEndTime(startTime + groups * m_timeStep);
    sample.setLast(bytes[1] != 0);
    // The step counter at the packet start, in micro-steps of the current mode. It is the
    // board's signed position: a motor below its zero position sends it in two's complement,
    // which read unsigned would put the plot some 268 million full steps away.
    const qint32 sixteenths = qint32(longAt(bytes, 2));
    sample.setScalar(StepsChannel, std::trunc(sixteenths * 0.0625) * std::ldexp(1.0, m_microStepping));
}
