// Sample stream packets under any settings a document can hold. Input: sample period index,
// over-sampling, output mask, ADC gain, micro-stepping (signed), then the packet.
#include "StreamSample.h"
#include "TalvexStreamInterpreter.h"

#include <QVector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 5)
        return 0;
    TalvexDriverSamplingConfiguration sampling;
    sampling.setValue(TalvexDriverSamplingConfiguration::SamplePeriod, int(data[0]));
    sampling.setValue(TalvexDriverSamplingConfiguration::OverSample, int(data[1]));
    TalvexDriverInputConfiguration input;
    input.setOutputMask(data[2]);
    input.setValue(TalvexDriverInputConfiguration::ADCGain, int(data[3]));
    TalvexDriverMotionConfiguration motion;
    motion.setValue(TalvexDriverMotionConfiguration::MicroStepping, int(qint8(data[4])));

    TalvexStreamInterpreter interpreter;
    interpreter.setConfigurations(sampling, input, motion);
    const QVector<quint8> packet(data + 5, data + size);
    StreamSample sample;
    interpreter.interpret(12.5, packet, sample);
    // The channels read their values from the packet's words: every one of them must lie inside it.
    for (int channel = 1; channel <= 8; channel <<= 1)
        sample.values(channel);
    return 0;
}
