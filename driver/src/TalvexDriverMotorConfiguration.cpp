#include "TalvexDriverMotorConfiguration.h"
#include "TalvexDriverModel.h"

#include "StreamableVersionException.h"
#include "TalvexDriverCommRequest.h"
#include "TalvexDriverBytes.h"
#include "USBByteHelpers.h"
#include "ValueConversions.h"

#include <cmath>

namespace
{
// The 11-byte form with the low-inductance flag, wherever the board answers with 11 bytes.
bool hasLongLayout(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion)
{
    return TalvexDriverCommRequest::expectedReplyLength(descriptor, firmwareVersion,
               TalvexDriverCommRequest::GetMotorConfiguration)
        == 11;
}

// Degrees and millimetres travel as thousandths, rounded: 1.005 must not become 1004.
quint16 toThousandths(const QVariant& value)
{
    return quint16(qBound(0.0, std::round(variantToDouble(value) * 1000.0), 65535.0));
}
}

TalvexDriverMotorConfiguration::TalvexDriverMotorConfiguration()
{
    setValue(StepDegrees, 1.8);
    setValue(MotorCurrent, 200);
    setValue(PayloadWord, 10);
    setValue(DriveType, 0);
    setValue(Pitch, 5.0);
    setValue(ReducedHoldCurrent, true);
    setValue(LowInductance, false);
}

TalvexDriverMotorConfiguration::TalvexDriverMotorConfiguration(const QVector<quint8>& data,
    const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion)
{
    const bool longLayout = hasLongLayout(descriptor, firmwareVersion);
    Q_ASSERT_X(data.count() == (longLayout ? 11 : 10), "src\\TalvexDriverMotorConfiguration",
        longLayout ? "data.count() == 11" : "data.count() == 10");
    if (data.count() != (longLayout ? 11 : 10))
        return;
    setValue(StepDegrees, readUInt16(data, 0) / 1000.0);
    setValue(MotorCurrent, int(readUInt16(data, 2)));
    setValue(PayloadWord, int(readUInt16(data, 4)));
    setValue(ReducedHoldCurrent, data[6] != 0);
    setValue(DriveType, int(data[7]));
    setValue(Pitch, readUInt16(data, 8) / 1000.0);
    setValue(LowInductance, longLayout && data[10] != 0);
}

TalvexDriverMotorConfiguration::~TalvexDriverMotorConfiguration()
{
    m_observers.notify(&IChangeObserver::configurationDestroyed, this);
}

TalvexDriverMotorConfiguration& TalvexDriverMotorConfiguration::operator=(const TalvexDriverMotorConfiguration& other)
{
    Properties::operator=(other);
    m_observers.notify(&IChangeObserver::configurationChanged, this);
    return *this;
}

QByteArray TalvexDriverMotorConfiguration::toByteArray(const TalvexDriverDescriptor& descriptor,
    const USBVersion& firmwareVersion) const
{
    QVector<quint8> bytes;
    appendUInt16(bytes, toThousandths(value(StepDegrees)));
    appendUInt16(bytes, toWordField(value(MotorCurrent)));
    appendUInt16(bytes, toWordField(value(PayloadWord)));
    bytes.append(value(ReducedHoldCurrent).toBool() ? 1 : 0);
    bytes.append(toByteField(value(DriveType)));
    appendUInt16(bytes, toThousandths(value(Pitch)));
    if (hasLongLayout(descriptor, firmwareVersion))
        bytes.append(value(LowInductance).toBool() ? 1 : 0);
    return bytesToByteArray(bytes);
}

TalvexDriverMotorConfiguration::ValidationMessages TalvexDriverMotorConfiguration::validate(
    const TalvexDriverDescriptor& descriptor)
{
    ValidationMessages messages;
    auto correct = [this, &messages](int current, const QString& text) {
        setValue(MotorCurrent, current);
        notifyValidationMessage(MotorCurrent, text);
        messages.append(qMakePair(text, 1));
    };
    if (variantToInt(value(MotorCurrent)) < minimumCurrent())
        correct(minimumCurrent(), QStringLiteral("The minimum current is %1 mA.").arg(minimumCurrent()));
    const int maximum = maximumCurrent(descriptor);
    if (variantToInt(value(MotorCurrent)) > maximum)
        correct(maximum, QStringLiteral("The maximum current is %1 mA.").arg(maximum));
    return messages;
}

int TalvexDriverMotorConfiguration::maximumCurrent(const TalvexDriverDescriptor& descriptor)
{
    return TalvexDriverModel::maximumMotorCurrent(descriptor);
}

int TalvexDriverMotorConfiguration::minimumCurrent()
{
    return 50;
}

bool TalvexDriverMotorConfiguration::hasLowInductanceSetting(const TalvexDriverDescriptor& descriptor,
    const USBVersion& firmwareVersion)
{
    return TalvexDriverModel::hasLowInductanceSetting(descriptor, firmwareVersion);
}

void TalvexDriverMotorConfiguration::write(QDataStream& out) const
{
    out << qint32(1);
    Properties::write(out);
}

void TalvexDriverMotorConfiguration::read(QDataStream& in)
{
    StreamableVersionException::readVersion(in, {1}, "src\\TalvexDriverMotorConfiguration", 197);
    Properties::read(in);
    if (!contains(LowInductance))
        setValue(LowInductance, false);
    m_observers.notify(&IChangeObserver::configurationChanged, this);
}

StoredValueReader::Kind TalvexDriverMotorConfiguration::storedKind(int id) const
{
    return id >= StepDegrees && id <= LowInductance ? StoredValueReader::Number : StoredValueReader::Absent;
}
