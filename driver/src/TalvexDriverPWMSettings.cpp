#include "TalvexDriverPWMSettings.h"

#include "TalvexDriverBytes.h"
#include "TalvexDriverModel.h"
#include "StreamableVersionException.h"
#include "USBByteHelpers.h"
#include "ValueConversions.h"

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
    const int dutyCycles = TalvexDriverModel::readablePWMDutyCycles(descriptor, firmwareVersion);
    if (dutyCycles == 1)
    {
        Q_ASSERT_X(data.count() == 1, "src\\TalvexDriverPWMSettings", "data.count() == 1");
        if (data.count() == 1)
            setValue(PWM1DutyCycle, int(data[0]));
    }
    else if (dutyCycles == 2)
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
    bytes.append(toByteField(value(PWM1DutyCycle)));
    if (TalvexDriverModel::hasPWMMode(descriptor, firmwareVersion))
        bytes.append(toByteField(value(PWM1Mode)));
    if (TalvexDriverModel::writablePWMDutyCycles(descriptor) > 1)
        bytes.append(toByteField(value(PWM2DutyCycle)));
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

StoredValueReader::Kind TalvexDriverPWMSettings::storedKind(int id) const
{
    return id >= PWM1DutyCycle && id <= PWM2Mode ? StoredValueReader::Number : StoredValueReader::Absent;
}
