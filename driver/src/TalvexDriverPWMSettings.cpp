#include "TalvexDriverPWMSettings.h"

#include "StreamableVersionException.h"
#include "USBByteHelpers.h"
#include "ValueConversions.h"

namespace
{
bool sendsMode1(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion)
{
    return descriptor == TalvexDriverDescriptor::s_model1_2 && firmwareVersion.getMajor() >= 4;
}
}

TalvexDriverPWMSettings::TalvexDriverPWMSettings()
{
    setValue(PWM1DutyCycle, 0);
    setValue(PWM1DutyCycleLimit, 100);
    setValue(PWM1Mode, 0);
    setValue(PWM2DutyCycle, 0);
    setValue(PWM2DutyCycleLimit, 100);
    setValue(PWM2Mode, 0);
}

TalvexDriverPWMSettings::TalvexDriverPWMSettings(const QVector<quint8>& data,
    const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion)
    : TalvexDriverPWMSettings()
{
    if (descriptor == TalvexDriverDescriptor::s_model10_1 && firmwareVersion >= USBVersion(1, 1))
    {
        Q_ASSERT_X(data.count() == 1, "src\\TalvexDriverPWMSettings", "data.count() == 1");
        if (data.count() == 1)
            setValue(PWM1DutyCycle, int(data[0]));
    }
    else if (descriptor == TalvexDriverDescriptor::s_model27_1)
    {
        Q_ASSERT_X(data.count() == 2, "src\\TalvexDriverPWMSettings", "data.count() == 2");
        if (data.count() == 2)
        {
            setValue(PWM1DutyCycle, int(data[0]));
            setValue(PWM2DutyCycle, int(data[1]));
        }
    }
}

QByteArray TalvexDriverPWMSettings::toByteArray(const TalvexDriverDescriptor& descriptor,
    const USBVersion& firmwareVersion) const
{
    QVector<quint8> bytes;
    bytes.append(quint8(variantToInt(value(PWM1DutyCycle))));
    if (sendsMode1(descriptor, firmwareVersion))
        bytes.append(quint8(variantToInt(value(PWM1Mode))));
    if (descriptor == TalvexDriverDescriptor::s_model27_1)
        bytes.append(quint8(variantToInt(value(PWM2DutyCycle))));
    return bytesToByteArray(bytes);
}

void TalvexDriverPWMSettings::write(QDataStream& out) const
{
    out << qint32(1);
    Properties::write(out);
}

void TalvexDriverPWMSettings::read(QDataStream& in)
{
    StreamableVersionException::readVersion(in, {1}, "src\\TalvexDriverPWMSettings", 112);
    m_limitsSuspended = true;
    try
    {
        Properties::read(in);
    }
    catch (...)
    {
        m_limitsSuspended = false;
        throw;
    }
    const QList<QPair<int, int>> defaults = {
        {PWM1Mode, 0}, {PWM1DutyCycleLimit, 100}, {PWM2DutyCycle, 0}, {PWM2Mode, 0}, {PWM2DutyCycleLimit, 100}};
    for (const auto& entry : defaults)
        if (!contains(entry.first))
            setValue(entry.first, entry.second);
    m_limitsSuspended = false;
    applyLimits();
}

void TalvexDriverPWMSettings::valueChanged(int)
{
    if (!m_limitsSuspended)
        applyLimits();
}

void TalvexDriverPWMSettings::applyLimits()
{
    if (variantToInt(value(PWM1DutyCycle)) > variantToInt(value(PWM1DutyCycleLimit)))
        setValue(PWM1DutyCycle, value(PWM1DutyCycleLimit));
    if (variantToInt(value(PWM2DutyCycle)) > variantToInt(value(PWM2DutyCycleLimit)))
        setValue(PWM2DutyCycle, value(PWM2DutyCycleLimit));
}
