#include "TalvexDriverReplyDecoder.h"

#include "TalvexDocument.h"
#include "TalvexDriverCommRequest.h"
#include "ValueConversions.h"

namespace
{
typedef TalvexDriverCommRequest R;

USBResult refused(const QString& what, const QString& fault)
{
    return USBResult(QStringLiteral("The board sent %1 the studio cannot use. %2").arg(what, fault), 1);
}

QString microSteppingFault(int mode, const TalvexDriverDescriptor& descriptor)
{
    if (TalvexDriverMotionConfiguration::supportedMicroSteppings(descriptor).contains(mode))
        return QString();
    return QStringLiteral("The micro-stepping %1 is not one this model supports.").arg(mode);
}
}

USBResult TalvexDriverReplyDecoder::store(TalvexDocument& document, const TalvexDriverDescriptor& descriptor,
    const USBVersion& firmwareVersion, quint8 opcode, const QVector<quint8>& data)
{
    auto isReplyOf = [&](int action) {
        return opcode == R::commandCode(descriptor, action)
            && data.count() == R::expectedReplyLength(descriptor, firmwareVersion, action) && !data.isEmpty();
    };
    if (isReplyOf(R::GetInputConfiguration))
    {
        const TalvexDriverInputConfiguration input(data, descriptor, firmwareVersion);
        const QString fault = input.settingFault();
        if (!fault.isEmpty())
            return refused(QStringLiteral("an input configuration"), fault);
        *document.inputConfiguration() = input;
    }
    else if (isReplyOf(R::GetMotionConfiguration))
    {
        const TalvexDriverMotionConfiguration motion(data, descriptor);
        const QString fault =
            microSteppingFault(variantToInt(motion.value(TalvexDriverMotionConfiguration::MicroStepping)), descriptor);
        if (!fault.isEmpty())
            return refused(QStringLiteral("a motion configuration"), fault);
        *document.motionConfiguration() = motion;
    }
    else if (isReplyOf(R::GetMotorConfiguration))
    {
        *document.motorConfiguration() = TalvexDriverMotorConfiguration(data, descriptor, firmwareVersion);
    }
    else if (isReplyOf(R::GetMotorState))
    {
        const TalvexDriverMotorInfo info(data);
        const QString fault = microSteppingFault(info.getMicroStepMode(), descriptor);
        if (!fault.isEmpty())
            return refused(QStringLiteral("a motor state"), fault);
        *document.motorInfo() = info;
    }
    else if (isReplyOf(R::GetSamplingConfiguration))
    {
        const TalvexDriverSamplingConfiguration sampling(data);
        const QString fault = sampling.settingFault();
        if (!fault.isEmpty())
            return refused(QStringLiteral("a sampling configuration"), fault);
        *document.samplingConfiguration() = sampling;
    }
    else if (isReplyOf(R::GetAdvancedMotorMoveConfiguration))
    {
        *document.advancedMotorMoveConfiguration() = TalvexDriverAdvancedMotorMoveConfiguration(data);
    }
    else if (isReplyOf(R::GetPWMSettings))
    {
        *document.pwmSettings() = TalvexDriverPWMSettings(data, descriptor, firmwareVersion);
    }
    return USBResult();
}
