#include "TalvexDriverMotionConfiguration.h"

#include "TalvexDriverCommRequest.h"
#include "TalvexDriverModel.h"
#include "StreamableVersionException.h"
#include "TalvexDriverBytes.h"
#include "USBByteHelpers.h"
#include "ValueConversions.h"

#include <cmath>

namespace
{
// The 11-byte layout (with backward velocity) of the later models; 8 bytes otherwise.
bool hasLongLayout(const TalvexDriverDescriptor& descriptor)
{
    return TalvexDriverCommRequest::expectedReplyLength(descriptor, USBVersion(),
               TalvexDriverCommRequest::GetMotionConfiguration)
        == 11;
}

// Velocities travel in 16-bit fields: (27,1) could otherwise run faster at full step than
// the board can be told.
const int s_maximumVelocity = 0xFFFF;

quint16 toVelocityField(const QVariant& value)
{
    return quint16(qBound(0, variantToInt(value), s_maximumVelocity));
}

const qint64 s_minimumAcceleration = 1;
const qint64 s_maximumAcceleration = 10000000;
}

TalvexDriverMotionConfiguration::TalvexDriverMotionConfiguration()
{
    setValue(MicroStepping, 0);
    setValue(Velocity, 200);
    setValue(Acceleration, 1000u);
    setValue(BackwardVelocity, 200);
    setValue(SeparateBackwardVelocity, false);
    setValue(AccelerationMethod, 1);
    setValue(StoredFlag, false);
}

TalvexDriverMotionConfiguration::TalvexDriverMotionConfiguration(const QVector<quint8>& data,
    const TalvexDriverDescriptor& descriptor)
{
    const bool longLayout = hasLongLayout(descriptor);
    Q_ASSERT_X(data.count() == (longLayout ? 11 : 8), "src\\TalvexDriverMotionConfiguration",
        longLayout ? "data.count() == 11" : "data.count() == 8");
    if (data.count() != (longLayout ? 11 : 8))
        return;
    setValue(MicroStepping, int(data[0]));
    setValue(Velocity, int(readUInt16(data, 1)));
    if (longLayout)
    {
        setValue(BackwardVelocity, int(readUInt16(data, 3)));
        setValue(Acceleration, uint(readUInt32(data, 5)));
        setValue(AccelerationMethod, int(data[9]));
        setValue(SeparateBackwardVelocity, int(data[10]));
    }
    else
    {
        setValue(Acceleration, uint(readUInt32(data, 3)));
        setValue(AccelerationMethod, int(data[7]));
        setValue(BackwardVelocity, value(Velocity));
        setValue(SeparateBackwardVelocity, false);
    }
}

TalvexDriverMotionConfiguration::~TalvexDriverMotionConfiguration()
{
    m_observers.notify(&IChangeObserver::configurationDestroyed, this);
}

TalvexDriverMotionConfiguration& TalvexDriverMotionConfiguration::operator=(const TalvexDriverMotionConfiguration& other)
{
    Properties::operator=(other);
    m_observers.notify(&IChangeObserver::configurationChanged, this);
    return *this;
}

QByteArray TalvexDriverMotionConfiguration::toByteArray(const TalvexDriverDescriptor& descriptor) const
{
    const bool longLayout = hasLongLayout(descriptor);
    QVector<quint8> bytes;
    bytes.append(toByteField(value(MicroStepping)));
    appendUInt16(bytes, toVelocityField(value(Velocity)));
    if (longLayout)
        appendUInt16(bytes, toVelocityField(value(BackwardVelocity)));
    appendUInt32(bytes, toLongField(value(Acceleration)));
    bytes.append(toByteField(value(AccelerationMethod)));
    if (longLayout)
        bytes.append(variantToInt(value(SeparateBackwardVelocity)) != 0 ? 1 : 0);
    return bytesToByteArray(bytes);
}

TalvexDriverMotionConfiguration::ValidationMessages TalvexDriverMotionConfiguration::validate(
    const TalvexDriverDescriptor& descriptor)
{
    ValidationMessages messages;
    validateVelocity(Velocity, descriptor, messages);
    int features = 0;
    TalvexDriverModel::motionFeatures(descriptor, features);
    if ((features & TalvexDriverModel::SeparateBackwardVelocity) && value(SeparateBackwardVelocity).toBool())
        validateVelocity(BackwardVelocity, descriptor, messages);
    return messages;
}

void TalvexDriverMotionConfiguration::validateVelocity(int id, const TalvexDriverDescriptor& descriptor,
    ValidationMessages& messages)
{
    const double factor = std::pow(2.0, variantToInt(value(MicroStepping)));
    const int maximum = TalvexDriverModel::maximumSpeed(descriptor);
    int velocity = variantToInt(value(id));
    const double rate = factor * velocity;
    if (rate > maximum || velocity > s_maximumVelocity)
    {
        // In double first: a stored micro-stepping far below 0 makes the quotient too large for an int.
        velocity = int(qMin(maximum / factor, double(s_maximumVelocity)));
        correct(id, velocity, QStringLiteral("The motor speed was too high."), messages);
    }
    else if (rate < 1)
    {
        velocity = 1;
        correct(id, velocity, QStringLiteral("The motor speed was too low."), messages);
    }
    if (variantToInt(value(AccelerationMethod)) == 1)
        validateAcceleration(velocity, messages);
}

// Keeps the ramp-up between 1 ms and 10 s, then within the board's absolute range.
void TalvexDriverMotionConfiguration::validateAcceleration(int velocity, ValidationMessages& messages)
{
    const qint64 acceleration = variantToInt(value(Acceleration));
    const qint64 lowest = qint64(double(velocity));
    const qint64 highest = qint64(double(velocity) * 10000.0);
    if (acceleration == 0)
    {
        correct(Acceleration, uint(lowest), QStringLiteral("Zero acceleration is not allowed."), messages);
        return;
    }
    const double rampUpTime = double(velocity) / double(acceleration) * 10.0;
    if (acceleration < lowest)
        correct(Acceleration, uint(lowest),
            QStringLiteral("The ramp-ump time of %1 s was more than 10 s. The acceleration was increased.")
                .arg(rampUpTime, 0, 'g', 6),
            messages);
    else if (acceleration > highest)
        correct(Acceleration, uint(highest),
            QStringLiteral("The ramp-up time of %1 ms was less than 1 ms.\nConsider using step acceleration.")
                .arg(rampUpTime * 1000.0, 0, 'g', 6),
            messages);
    if (acceleration < s_minimumAcceleration)
        correct(Acceleration, uint(s_minimumAcceleration),
            QStringLiteral("The absolute minimum acceleration is 0.1 steps/s^2."), messages);
    else if (acceleration > s_maximumAcceleration)
        correct(Acceleration, uint(s_maximumAcceleration),
            QStringLiteral("The absolute maximum acceleration is 1000000 steps/s^2."), messages);
}

void TalvexDriverMotionConfiguration::correct(int id, const QVariant& corrected, const QString& text,
    ValidationMessages& messages)
{
    setValue(id, corrected);
    notifyValidationMessage(id, text);
    messages.append(qMakePair(text, 1));
}

double TalvexDriverMotionConfiguration::microSteppingFactor() const
{
    const int mode = variantToInt(value(MicroStepping));
    return mode >= 1 && mode <= 7 ? double(1 << mode) : 1.0;
}

QSet<int> TalvexDriverMotionConfiguration::supportedMicroSteppings(const TalvexDriverDescriptor& descriptor)
{
    QSet<int> modes;
    for (int mode = 0; mode <= TalvexDriverModel::maximumMicroStepping(descriptor); ++mode)
        modes.insert(mode);
    return modes;
}

void TalvexDriverMotionConfiguration::write(QDataStream& out) const
{
    out << qint32(3);
    Properties::write(out);
}

void TalvexDriverMotionConfiguration::read(QDataStream& in)
{
    const qint32 version = StreamableVersionException::readVersion(in, {1, 2, 3}, "src\\TalvexDriverMotionConfiguration", 271);
    Properties::read(in);
    if (version == 1)
    {
        setValue(BackwardVelocity, value(Velocity));
        setValue(SeparateBackwardVelocity, false);
    }
    if (version < 3)
        setValue(StoredFlag, false);
    m_observers.notify(&IChangeObserver::configurationChanged, this);
}

StoredValueReader::Kind TalvexDriverMotionConfiguration::storedKind(int id) const
{
    return id >= MicroStepping && id <= StoredFlag ? StoredValueReader::Number : StoredValueReader::Absent;
}
