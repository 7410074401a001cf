#include "TalvexDriverAdvancedMotorMoveConfiguration.h"

#include "StreamableVersionException.h"
#include "TalvexDriverBytes.h"
#include "USBByteHelpers.h"

TalvexDriverAdvancedMotorMoveConfiguration::TalvexDriverAdvancedMotorMoveConfiguration()
{
    setValue(BacklashCompensation, false);
    setValue(BacklashDirection, 0);
    setValue(BacklashSteps, 100);
    setValue(HomePosition, 1);
    setValue(AccurateHomeSearch, false);
    setValue(ZeroAtHome, false);
    setValue(HomeFastVelocity, 200);
    setValue(HomeSlowVelocity, 100);
}

TalvexDriverAdvancedMotorMoveConfiguration::TalvexDriverAdvancedMotorMoveConfiguration(const QVector<quint8>& data)
{
    Q_ASSERT_X(data.count() == 11, "src\\TalvexDriverAdvancedMotorMoveConfiguration", "data.count() == 11");
    if (data.count() != 11)
        return;
    setValue(BacklashCompensation, data[0] != 0);
    setValue(BacklashDirection, int(data[1]));
    setValue(BacklashSteps, int(readUInt16(data, 2)));
    setValue(HomePosition, int(data[4]));
    setValue(AccurateHomeSearch, data[5] != 0);
    setValue(ZeroAtHome, data[6] != 0);
    setValue(HomeFastVelocity, int(readUInt16(data, 7)));
    setValue(HomeSlowVelocity, int(readUInt16(data, 9)));
}

TalvexDriverAdvancedMotorMoveConfiguration::~TalvexDriverAdvancedMotorMoveConfiguration()
{
    m_observers.notify(&IChangeObserver::configurationDestroyed, this);
}

TalvexDriverAdvancedMotorMoveConfiguration& TalvexDriverAdvancedMotorMoveConfiguration::operator=(
    const TalvexDriverAdvancedMotorMoveConfiguration& other)
{
    Properties::operator=(other);
    m_observers.notify(&IChangeObserver::configurationChanged, this);
    return *this;
}

QByteArray TalvexDriverAdvancedMotorMoveConfiguration::toByteArray() const
{
    QVector<quint8> bytes;
    bytes.append(value(BacklashCompensation).toBool() ? 1 : 0);
    bytes.append(toByteField(value(BacklashDirection)));
    appendUInt16(bytes, toWordField(value(BacklashSteps)));
    bytes.append(toByteField(value(HomePosition)));
    bytes.append(value(AccurateHomeSearch).toBool() ? 1 : 0);
    bytes.append(value(ZeroAtHome).toBool() ? 1 : 0);
    appendUInt16(bytes, toWordField(value(HomeFastVelocity)));
    appendUInt16(bytes, toWordField(value(HomeSlowVelocity)));
    return bytesToByteArray(bytes);
}

void TalvexDriverAdvancedMotorMoveConfiguration::write(QDataStream& out) const
{
    out << qint32(1);
    Properties::write(out);
}

void TalvexDriverAdvancedMotorMoveConfiguration::read(QDataStream& in)
{
    StreamableVersionException::readVersion(in, {1}, "src\\TalvexDriverAdvancedMotorMoveConfiguration", 115);
    Properties::read(in);
    m_observers.notify(&IChangeObserver::configurationChanged, this);
}

StoredValueReader::Kind TalvexDriverAdvancedMotorMoveConfiguration::storedKind(int id) const
{
    return id >= BacklashCompensation && id <= HomeSlowVelocity ? StoredValueReader::Number : StoredValueReader::Absent;
}
