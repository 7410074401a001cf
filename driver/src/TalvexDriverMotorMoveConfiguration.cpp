#include "TalvexDriverMotorMoveConfiguration.h"
#include "TalvexDriverModel.h"

#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"
#include "USBByteHelpers.h"

TalvexDriverMotorMoveConfiguration::TalvexDriverMotorMoveConfiguration(int mode, int direction, int stepCount)
    : m_mode(mode)
    , m_direction(direction)
    , m_stepCount(stepCount)
{
}

QByteArray TalvexDriverMotorMoveConfiguration::toByteArray(const TalvexDriverDescriptor& descriptor)
{
    int features = 0;
    TalvexDriverModel::motionFeatures(descriptor, features);
    if (m_mode == BackAndForth && !(features & TalvexDriverModel::BackAndForthMove))
        m_mode = Continuous;
    QVector<quint8> bytes;
    bytes.append(quint8(m_mode));
    bytes.append(quint8(m_direction));
    appendUInt32(bytes, quint32(m_stepCount));
    return bytesToByteArray(bytes);
}

QDataStream& operator<<(QDataStream& out, const TalvexDriverMotorMoveConfiguration& move)
{
    out << qint32(1) << qint32(move.m_mode) << qint32(move.m_direction) << qint32(move.m_stepCount);
    return out;
}

QDataStream& operator>>(QDataStream& in, TalvexDriverMotorMoveConfiguration& move)
{
    StreamableVersionException::readVersion(in, {1}, "src\\TalvexDriverMotorMoveConfiguration", 17);
    qint32 mode = 0;
    qint32 direction = 0;
    qint32 stepCount = 0;
    in >> mode >> direction >> stepCount;
    StreamableUnexpectedContentsException::checkStatus(in);
    // Mode and direction travel as bytes.
    if (mode < 0 || mode > 0xFF || direction < 0 || direction > 0xFF)
        throw StreamableUnexpectedContentsException(
            QString("The move mode %1 or direction %2 is out of range. The file is corrupted.").arg(mode).arg(direction));
    move = TalvexDriverMotorMoveConfiguration(mode, direction, stepCount);
    return in;
}
