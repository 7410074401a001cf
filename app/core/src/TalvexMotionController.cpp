#include "TalvexMotionController.h"

#include "TalvexDocument.h"
#include "TalvexDriverMotorMoveConfiguration.h"
#include "ValueConversions.h"

#include <algorithm>
#include <cmath>

namespace
{
typedef TalvexDriverCommRequest R;
typedef TalvexDriverMotorMoveConfiguration Move;
typedef TalvexDriverMotorInfo Info;

const int s_pollInterval = 200;
// The most micro-steps one move may take, as the step count's own check says.
const double s_maximumSteps = 1000000000.0;
}

TalvexMotionController::TalvexMotionController(TalvexDocument* document,
    const boost::shared_ptr<TalvexRequestDispatcher>& dispatcher, QObject* requester, QObject* parent)
    : QObject(parent)
    , m_pDocument(document)
    , m_pDispatcher(dispatcher)
    , m_commands(dispatcher.get(), requester)
{
    connect(&m_pollTimer, &QTimer::timeout, this, &TalvexMotionController::pollMotorState);
    m_pDispatcher->addResultObserver(this);
}

TalvexMotionController::~TalvexMotionController()
{
    m_pDispatcher->removeResultObserver(this);
}

void TalvexMotionController::startMotorStatePolling()
{
    m_pollTimer.start(s_pollInterval);
}

void TalvexMotionController::pollMotorState()
{
    keep(m_commands.getMotorState());
}

void TalvexMotionController::forgetDocument()
{
    m_pDocument = nullptr;
}

TalvexMotionController::Controls TalvexMotionController::motorStateChanged(const TalvexDriverMotorInfo& info,
    int moveMode)
{
    m_lastMotorInfo = info;
    Controls controls;
    const int state = info.getState();
    controls.moving = state >= Info::FirstMoving && state <= Info::LastMoving;
    switch (state)
    {
    case Info::Hold:
        controls.power = controls.home = controls.forward = true;
        controls.backward = moveMode != Absolute && moveMode != BackAndForth;
        m_motorOff = false;
        break;
    case Info::Off:
        controls.power = true;
        m_motorOff = true;
        break;
    case Info::InvalidSupplyVoltage:
    case Info::Error:
        break;
    default:
        // Moving, or a state of unknown meaning: no move starts, stopping and switching stay possible.
        controls.power = controls.stop = true;
        if (controls.moving)
            m_motorOff = false;
        break;
    }
    controls.known = state == Info::Hold || state == Info::Off || state == Info::InvalidSupplyVoltage
        || state == Info::Error || controls.moving;
    controls.clearError = state == Info::Error;
    return controls;
}

double TalvexMotionController::settingsPosition(double microStepFactor) const
{
    const double boardFactor = std::ldexp(1.0, m_lastMotorInfo.getMicroStepMode());
    return m_lastMotorInfo.microStepPosition(m_pDispatcher->deviceDescriptor()) * microStepFactor / boardFactor;
}

void TalvexMotionController::togglePower()
{
    if (!m_commands.canSend(R::MotorOn) || !m_commands.canSend(R::MotorOff))
        return;
    if (m_motorOff)
        keep(m_commands.motorOn());
    else
        keep(m_commands.motorOff());
}

void TalvexMotionController::clearError()
{
    keep(m_commands.motorOff());
}

void TalvexMotionController::move(int direction, const MoveSettings& settings)
{
    if (!m_commands.canSend(R::Move))
        return;
    Move record;
    const QString refusal = buildMove(direction, settings, record);
    if (!refusal.isEmpty())
    {
        emit moveRefused(refusal);
        return;
    }
    keep(m_commands.move(record));
}

QString TalvexMotionController::buildMove(int direction, const MoveSettings& settings, Move& move) const
{
    const double steps = std::trunc(settings.steps);
    switch (settings.mode)
    {
    case Continuous:
        move = Move(Move::Continuous, direction, 0);
        return QString();
    case Absolute:
    {
        // Counted throughout in the micro-step mode the board reported with the position, which
        // is the one it moves in, whatever the settings show before they are committed.
        const double boardFactor = std::ldexp(1.0, m_lastMotorInfo.getMicroStepMode());
        const double target = settings.microStepFactor > 0.0 ? steps * boardFactor / settings.microStepFactor : 0.0;
        const double delta = std::trunc(target - m_lastMotorInfo.microStepPosition(m_pDispatcher->deviceDescriptor()));
        if (delta == 0.0)
            break;
        if (std::fabs(delta) > s_maximumSteps)
            return QStringLiteral("The maximum number of steps is 1e9.");
        move = delta > 0.0 ? Move(Move::Counted, Move::Forward, int(delta)) : Move(Move::Counted, Move::Backward, int(-delta));
        return QString();
    }
    case Relative:
    case BackAndForth:
        if (settings.mode == Relative && steps == 0.0)
            break;
        // The board's count is unsigned: a count the step count's check would refuse is not sent.
        if (steps < 0.0)
            return QStringLiteral("The minimum number of steps is 1.");
        if (steps > s_maximumSteps)
            return QStringLiteral("The maximum number of steps is 1e9.");
        move = Move(settings.mode == Relative ? Move::Counted : Move::BackAndForth, direction, int(steps));
        return QString();
    default:
        return QString();
    }
    return QStringLiteral("Resulting step count is zero!");
}

void TalvexMotionController::stop()
{
    keep(m_commands.stop());
}

void TalvexMotionController::moveHome()
{
    if (!m_pDocument)
        return;
    const int home = variantToInt(
        m_pDocument->advancedMotorMoveConfiguration()->value(TalvexDriverAdvancedMotorMoveConfiguration::HomePosition));
    if (!m_pDocument->inputConfiguration()->isHomeLimitConnected(home))
    {
        emit moveHomeRefused(
            QStringLiteral("The relevant limits are not configured. Configure the limits on the IO tab."));
        return;
    }
    keep(m_commands.moveHome());
}

void TalvexMotionController::zeroPosition()
{
    keep(m_commands.zeroPosition());
}

void TalvexMotionController::setReducedHoldCurrent(bool on)
{
    keep(m_commands.setReducedHoldCurrent(on));
}

void TalvexMotionController::setLowInductance(bool on)
{
    if (TalvexDriverMotorConfiguration::hasLowInductanceSetting(m_pDispatcher->deviceDescriptor(),
            m_pDispatcher->firmwareVersion()))
        keep(m_commands.setLowInductance(on));
}

void TalvexMotionController::uploadMotorConfiguration()
{
    if (!m_pDocument || !m_commands.canSend(R::GetMotorConfiguration))
        return;
    keep(m_commands.setMotorConfiguration(*m_pDocument->motorConfiguration()));
    keep(m_commands.getMotorConfiguration());
}

void TalvexMotionController::uploadMotionConfiguration()
{
    if (!m_pDocument || !m_commands.canSend(R::GetMotionConfiguration))
        return;
    keep(m_commands.setMotionConfiguration(*m_pDocument->motionConfiguration()));
    keep(m_commands.getMotionConfiguration());
}

void TalvexMotionController::uploadAdvancedMoveConfiguration(
    const TalvexDriverAdvancedMotorMoveConfiguration& configuration)
{
    if (!m_pDocument)
        return;
    *m_pDocument->advancedMotorMoveConfiguration() = configuration;
    keep(m_commands.setAdvancedMotorMoveConfiguration(configuration));
}

void TalvexMotionController::keep(const USBResult& queued)
{
    if (!queued.isOk())
    {
        emit statusMessage(queued);
        return;
    }
    if (!m_commands.lastRequest())
        return;
    m_requests.erase(std::remove_if(m_requests.begin(), m_requests.end(),
                         [](const boost::shared_ptr<R>& sent) { return sent->isDone() && sent->getResult().isOk(); }),
        m_requests.end());
    m_requests.append(m_commands.lastRequest());
}

void TalvexMotionController::reportFailure(const USBResult& result)
{
    Q_UNUSED(result);
    // The dispatcher says nothing of whose request failed: a finished request of this
    // controller's own holds its result.
    QVector<USBResult> failures;
    const auto finished = std::stable_partition(m_requests.begin(), m_requests.end(),
        [](const boost::shared_ptr<R>& request) { return !request->isDone(); });
    for (auto it = finished; it != m_requests.end(); ++it)
        if (!(*it)->getResult().isOk())
            failures.append((*it)->getResult());
    m_requests.erase(finished, m_requests.end());
    for (const USBResult& failure : failures)
        emit statusMessage(failure);
}
