#include "SimMotor.h"

#include "SimFirmwareStatus.h"
#include "USBByteHelpers.h"

#include <cmath>

namespace
{
using namespace SimFirmwareStatus;

const int s_forward = 1;
const int s_backward = -1;
const double s_defaultLimitFullSteps = 1000.0;

// Move modes and directions of the move command.
const int s_continuousMove = 0;
const int s_backAndForthMove = 3;
const int s_backwardDirection = 1;
}

SimMotor::SimMotor(int finestMode)
    : m_finestMode(finestMode)
{
    setLimitPositions(-s_defaultLimitFullSteps, s_defaultLimitFullSteps);
}

void SimMotor::configure(const Settings& settings)
{
    m_settings = settings;
}

void SimMotor::setLimitPositions(double startFullSteps, double endFullSteps)
{
    m_startLimit = qint64(std::llround(std::ldexp(startFullSteps, m_finestMode)));
    m_endLimit = qint64(std::llround(std::ldexp(endFullSteps, m_finestMode)));
}

quint8 SimMotor::turnOn()
{
    if (m_state == s_error)
        return quint8(m_errorCode);
    if (m_state == s_off)
        m_state = s_hold;
    return s_ok;
}

quint8 SimMotor::turnOff()
{
    m_activity = Idle;
    m_state = s_off;
    m_errorCode = 0;
    return s_ok;
}

quint8 SimMotor::stop()
{
    if (isMoving())
        hold();
    return s_ok;
}

quint8 SimMotor::checkCanMove() const
{
    if (m_state == s_error)
        return quint8(m_errorCode);
    if (m_state == s_off)
        return s_turnedOff;
    if (isMoving())
        return s_busy;
    if (isLimitActive(s_backward) && isLimitActive(s_forward))
        return s_bothLimits;
    return s_ok;
}

quint8 SimMotor::move(int mode, int direction, quint32 stepCount)
{
    const quint8 refusal = checkCanMove();
    if (refusal != s_ok)
        return refusal;
    const int sense = direction == s_backwardDirection ? s_backward : s_forward;
    if (isLimitActive(sense))
        return sense == s_backward ? s_atStart : s_atEnd;
    const qint64 velocity = velocityOf(sense);
    m_legUnits = qint64(stepCount) * unitsPerMicroStep();
    m_remainingUnits = m_legUnits;
    if (mode == s_continuousMove)
        start(Continuous, sense, velocity);
    else if (m_legUnits > 0)
        start(mode == s_backAndForthMove ? BackAndForth : Counted, sense, velocity);
    return s_ok;
}

quint8 SimMotor::moveHome()
{
    const quint8 refusal = checkCanMove();
    if (refusal != s_ok)
        return refusal;
    const int sense = m_settings.homePosition == 2 ? s_forward : s_backward;
    if (!(sense == s_forward ? m_settings.endLimitWired : m_settings.startLimitWired))
        return s_motionOutOfRange;
    start(HomeSearch, sense, m_settings.homeFastVelocity);
    afterStep();
    return s_ok;
}

quint8 SimMotor::zeroPosition()
{
    if (isMoving())
        return s_busy;
    m_origin = m_physical;
    return s_ok;
}

void SimMotor::injectFault(int errorCode)
{
    m_activity = Idle;
    m_state = s_error;
    m_errorCode = errorCode;
}

void SimMotor::start(Activity activity, int direction, qint64 fullStepsPerSecond)
{
    m_activity = activity;
    m_state = 8 + int(activity) - int(Continuous);
    m_direction = direction;
    m_unitsPerSecond = fullStepsPerSecond * (qint64(1) << m_finestMode);
    m_remainder = 0;
}

void SimMotor::advance(qint64 milliseconds)
{
    if (!isMoving())
        return;
    const qint64 travel = m_unitsPerSecond * milliseconds + m_remainder;
    qint64 distance = travel / 1000;
    m_remainder = travel % 1000;
    while (distance > 0 && isMoving())
    {
        qint64 step = distance;
        if (m_activity == Counted || m_activity == BackAndForth)
            step = qMin(step, m_remainingUnits);
        else if (m_activity == HomeApproach)
            step = 1;
        const qint64 toLimit = unitsToLimit(m_direction);
        if (toLimit >= 0)
            step = qMin(step, toLimit);
        if (step == 0 && m_activity == HomeApproach)
        {
            // The switch ahead is pressed too: the motor cannot back off the home switch.
            hold();
            break;
        }
        m_physical += m_direction * step;
        m_remainingUnits -= step;
        distance -= step;
        afterStep();
    }
}

void SimMotor::afterStep()
{
    if (m_activity == HomeApproach)
    {
        // Backing off: the switch behind the motor has released.
        if (!isLimitActive(-m_direction))
            finishHome();
        return;
    }
    if (isLimitActive(m_direction))
    {
        if (m_activity != HomeSearch)
            hold();
        else if (m_settings.accurateHomeSearch)
            start(HomeApproach, -m_direction, m_settings.homeSlowVelocity);
        else
            finishHome();
        return;
    }
    if (m_remainingUnits > 0)
        return;
    if (m_activity == Counted)
        hold();
    else if (m_activity == BackAndForth)
    {
        start(BackAndForth, -m_direction, velocityOf(-m_direction));
        m_remainingUnits = m_legUnits;
    }
}

void SimMotor::finishHome()
{
    if (m_settings.zeroAtHome)
        m_origin = m_physical;
    hold();
}

void SimMotor::hold()
{
    m_activity = Idle;
    m_state = s_hold;
    m_remainingUnits = 0;
}

qint64 SimMotor::velocityOf(int direction) const
{
    return direction == s_backward ? m_settings.backwardVelocity : m_settings.forwardVelocity;
}

bool SimMotor::isLimitActive(int direction) const
{
    return unitsToLimit(direction) == 0;
}

qint64 SimMotor::unitsToLimit(int direction) const
{
    if (direction == s_backward && m_settings.startLimitWired)
        return qMax<qint64>(0, m_physical - m_startLimit);
    if (direction == s_forward && m_settings.endLimitWired)
        return qMax<qint64>(0, m_endLimit - m_physical);
    return -1;
}

qint64 SimMotor::unitsPerMicroStep() const
{
    return qint64(1) << qBound(0, m_finestMode - m_settings.microStepping, m_finestMode);
}

int SimMotor::limitFlags() const
{
    return (isLimitActive(s_backward) ? 1 : 0) | (isLimitActive(s_forward) ? 2 : 0);
}

QVector<quint8> SimMotor::stateReply() const
{
    QVector<quint8> reply;
    const bool counting = m_activity == Counted || m_activity == BackAndForth;
    const qint64 perMicroStep = unitsPerMicroStep();
    appendUInt32(reply, counting ? quint32((m_remainingUnits + perMicroStep - 1) / perMicroStep) : 0);
    appendUInt32(reply, quint32(qint32(m_physical - m_origin)));
    reply.append(quint8(m_settings.microStepping));
    reply.append(counting ? 1 : 0);
    reply.append(0);
    reply.append(quint8(m_state));
    reply.append(quint8(limitFlags()));
    reply.append(quint8(m_errorCode));
    return reply;
}
