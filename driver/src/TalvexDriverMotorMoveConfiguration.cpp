#include "TalvexDriverMotorMoveConfiguration.h"

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
    if (descriptor == TalvexDriverDescriptor::s_model1_1 && m_mode == BackAndForth)
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
    move = TalvexDriverMotorMoveConfiguration(mode, direction, stepCount);
    return in;
}
