#pragma once

#include "PlotUSBDataStream.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverSamplingConfiguration.h"

// Decodes the board's stream packets of sampled data: a 6-byte head (sample-word count,
// last-packet flag, motor step counter in sixteenths of a full step) and the 16-bit words of
// the channels that the input configuration's output mask enables, one group per time step.
class TalvexStreamInterpreter : public PlotUSBDataStream::IStreamInterpreter
{
public:
    // Channel bits of the decoded samples.
    enum Channel
    {
        VoltageChannel = 1,
        EventsChannel = 2,
        QuadratureChannel = 4,
        StepsChannel = 8
    };

    static constexpr int s_headSize = 6;

    TalvexStreamInterpreter();

    void setConfigurations(const TalvexDriverSamplingConfiguration& sampling,
        const TalvexDriverInputConfiguration& input, const TalvexDriverMotionConfiguration& motion);

    // Only whole groups are decoded, so every channel of a packet has the same length, and
    // never more words than the packet holds, whatever its head says. The sample keeps the
    // packet and its channels read their values from the packet's words: nothing is copied.
    void interpret(double startTime, const QVector<quint8>& packet, StreamSample& sample) override;

private:
    // What the packets are decoded with, from the configurations last set (defaults until then).
    int m_mask;
    double m_timeStep;
    double m_resolution;
    // Micro-steps per full step.
    double m_microSteps;
};
