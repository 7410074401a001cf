#include "TalvexDriverMotorInfo.h"
#include "TalvexDriverModel.h"

#include "USBByteHelpers.h"

#include <cmath>

namespace
{
bool isMoving(int state)
{
    return state >= TalvexDriverMotorInfo::FirstMoving && state <= TalvexDriverMotorInfo::LastMoving;
}

const QString s_supplyDescription =
    QStringLiteral("The supply voltage is either too low or too high.\nEnsure that the supply voltage is between 24V and 110V.");
}

TalvexDriverMotorInfo::TalvexDriverMotorInfo(const QVector<quint8>& data)
{
    Q_ASSERT_X(data.count() == 14, "src\\TalvexDriverMotorInfo", "data.count() == 14");
    if (data.count() != 14)
        return;
    m_remainingSteps = readUInt32(data, 0);
    m_position = qint32(readUInt32(data, 4));
    m_microStepMode = data[8];
    m_statusByte9 = data[9];
    m_statusByte10 = data[10];
    m_state = data[11];
    m_limitFlags = data[12];
    m_errorCode = data[13];
}

TalvexDriverMotorInfo::~TalvexDriverMotorInfo()
{
    m_observers.notify(&IChangeObserver::infoDestroyed, this);
}

TalvexDriverMotorInfo& TalvexDriverMotorInfo::operator=(const TalvexDriverMotorInfo& other)
{
    m_remainingSteps = other.m_remainingSteps;
    m_microStepMode = other.m_microStepMode;
    m_statusByte9 = other.m_statusByte9;
    m_statusByte10 = other.m_statusByte10;
    m_state = other.m_state;
    m_limitFlags = other.m_limitFlags;
    m_errorCode = other.m_errorCode;
    m_position = other.m_position;
    m_observers.notify(&IChangeObserver::stateChanged, this);
    return *this;
}

double TalvexDriverMotorInfo::microStepPosition(const TalvexDriverDescriptor& descriptor) const
{
    // The board counts in its finest micro-step: 1/128 of a full step on (27,1), else 1/16.
    const int finestMode = TalvexDriverModel::finestReportedMicroStepping(descriptor);
    if (m_microStepMode < 0 || m_microStepMode > finestMode)
        return 0.0;
    return std::ldexp(double(m_position), m_microStepMode - finestMode);
}

QString TalvexDriverMotorInfo::stateName() const
{
    if (m_state == Hold || m_state == Off)
    {
        QString name = m_state == Hold ? QStringLiteral("Hold") : QStringLiteral("Off");
        const bool atStart = m_limitFlags & AtStart;
        const bool atEnd = m_limitFlags & AtEnd;
        if (atStart && atEnd)
            name += QStringLiteral(" (at start and end)");
        else if (atStart)
            name += QStringLiteral(" (at start)");
        else if (atEnd)
            name += QStringLiteral(" (at end)");
        return name;
    }
    if (m_state == InvalidSupplyVoltage)
        return QStringLiteral("Invalid supply voltage");
    if (m_state == Error)
        return errorName();
    if (isMoving(m_state))
        return QStringLiteral("Moving");
    return QStringLiteral("Unknown state");
}

QString TalvexDriverMotorInfo::errorName() const
{
    switch (m_errorCode)
    {
    case 0:
        return QStringLiteral("No error");
    case 100:
        return QStringLiteral("Motor busy");
    case 101:
        return QStringLiteral("Motor is off");
    case 102:
        return QStringLiteral("Motor phase A over-current");
    case 103:
        return QStringLiteral("Motor phase B over-current");
    case 104:
        return QStringLiteral("Motor short-circuit");
    case 105:
        return QStringLiteral("Motor driver over-temperature");
    case 106:
        return QStringLiteral("Motor at start");
    case 107:
        return QStringLiteral("Motor at end");
    case 108:
        return QStringLiteral("Invalid supply voltage");
    case 112:
        return QStringLiteral("Motor overload");
    default:
        return QStringLiteral("Unknown problem");
    }
}

QString TalvexDriverMotorInfo::errorDescription() const
{
    if (m_state == Hold)
        return QStringLiteral("The motor is in a static hold-state.");
    if (m_state == Off)
        return QStringLiteral("The motor is off.");
    if (m_state == InvalidSupplyVoltage)
        return s_supplyDescription;
    if (isMoving(m_state))
        return QStringLiteral("The motor is busy moving.");
    if (m_state != Error)
        return QStringLiteral("Unknown state");
    switch (m_errorCode)
    {
    case 0:
        return QStringLiteral("No error");
    case 100:
        return QStringLiteral("The motor was busy. Stop the motor first.");
    case 101:
        return QStringLiteral("The motor must first be turned on.");
    case 102:
    case 103:
        return QStringLiteral("Make sure that the motor is correctly connected.");
    case 104:
        return QStringLiteral("A short circuit was connected to either phase A or phase B.");
    case 105:
        return QStringLiteral("The driver must first cool down before it can be used again.");
    case 106:
        return QStringLiteral(
            "There was an attempt to move the motor in a backward direction.\nHowever, it has reached the start limit.");
    case 107:
        return QStringLiteral(
            "There was an attempt to move the motor in a forward direction.\nHowever, it has reached the end limit.");
    case 108:
        return s_supplyDescription;
    case 112:
        return QStringLiteral("Motor overload. Reduce the motor current.");
    default:
        return QStringLiteral("Unknown problem");
    }
}
