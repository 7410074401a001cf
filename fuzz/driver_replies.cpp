// The reply data of the board's read actions, for every model: decoded into a document as the
// dispatcher does, then used the way the tabs and plots use them. Input: model, firmware
// version (two bytes), action, then the reply data (cut or padded to the action's length).
#include "FuzzSupport.h"
#include "TalvexDocument.h"
#include "TalvexDriverCommRequest.h"
#include "TalvexDriverMeasurement.h"
#include "TalvexDriverReplyDecoder.h"

namespace
{
typedef TalvexDriverCommRequest R;

const TalvexDriverDescriptor s_models[] = {TalvexDriverDescriptor::s_model1_1, TalvexDriverDescriptor::s_model1_2,
    TalvexDriverDescriptor::s_model10_1, TalvexDriverDescriptor::s_model27_1};

void useDocument(TalvexDocument& document, const TalvexDriverDescriptor& model, const USBVersion& version)
{
    TalvexDriverSamplingConfiguration* sampling = document.samplingConfiguration();
    sampling->samplePeriod();
    sampling->maximumSampleCount();
    sampling->toByteArray();
    sampling->validate();
    TalvexDriverInputConfiguration* input = document.inputConfiguration();
    input->adcRange();
    input->adcGainText();
    input->toByteArray(model, version);
    TalvexDriverMotionConfiguration* motion = document.motionConfiguration();
    motion->microSteppingFactor();
    motion->validate(model);
    motion->toByteArray(model);
    document.motorConfiguration()->validate(model);
    document.motorConfiguration()->toByteArray(model, version);
    document.advancedMotorMoveConfiguration()->toByteArray();
    document.pwmSettings()->toByteArray(model, version);
    TalvexDriverMotorInfo* info = document.motorInfo();
    info->stateName();
    info->errorDescription();
    info->microStepPosition(model);
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    // Documents load the user's settings when made: made once, and brought back to their
    // defaults for every input so that a finding does not depend on the inputs before it.
    static TalvexDocument s_document;
    static const TalvexDocument s_defaults;
    s_document = s_defaults;
    *s_document.advancedMotorMoveConfiguration() = TalvexDriverAdvancedMotorMoveConfiguration();
    *s_document.pwmSettings() = TalvexDriverPWMSettings();
    *s_document.motorInfo() = TalvexDriverMotorInfo();
    const TalvexDriverDescriptor model = s_models[data[0] % 4];
    const USBVersion version(data[1], data[2]);
    const int action = data[3] % R::s_actionCount;
    QVector<quint8> reply(data + 4, data + size);
    const int length = R::expectedReplyLength(model, version, action);
    if (length == 0 || !R::isSupported(model, action))
        return 0;
    reply.resize(length);

    if (action == R::MeasureSupply)
    {
        const TalvexDriverMeasurement measurement(reply, model);
        measurement.supplyKindName();
        return 0;
    }
    TalvexDriverReplyDecoder::store(s_document, model, version, R::commandCode(model, action), reply);
    useDocument(s_document, model, version);
    return 0;
}
