#include "TalvexMotorSupplyController.h"

#include "TalvexDriverCommandBuilder.h"
#include "TalvexDriverMeasurement.h"
#include "TalvexDriverModel.h"
#include "USBConnectionState.h"
#include "USBRequestEvent.h"

namespace
{
const int s_commandSocket = 0;

struct TickSteps
{
    TalvexDriverDescriptor model;
    double volts;
    double amperes;
};

// The tick steps of the supply axes per model, round numbers on each model's scale.
const TickSteps s_tickSteps[] = {
    {TalvexDriverDescriptor::s_model1_1, 30.0, 1.0},
    {TalvexDriverDescriptor::s_model1_2, 30.0, 1.0},
    {TalvexDriverDescriptor::s_model10_1, 4.0, 0.25},
    {TalvexDriverDescriptor::s_model27_1, 10.0, 0.5},
};
// Before a board is connected, and for another model.
const TickSteps s_otherTickSteps = {TalvexDriverDescriptor(), 30.0, 1.0};

const TickSteps& tickStepsOf(const TalvexDriverDescriptor& model)
{
    for (const TickSteps& steps : s_tickSteps)
        if (steps.model == model)
            return steps;
    return s_otherTickSteps;
}
}

TalvexMotorSupplyController::TalvexMotorSupplyController(USBConnectionState* connectionState, QObject* parent)
    : QObject(parent)
    , m_pConnectionState(connectionState)
{
    m_timer.setInterval(s_intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &TalvexMotorSupplyController::measure);
}

TalvexDriverDescriptor TalvexMotorSupplyController::model() const
{
    const QPair<int, int> type = m_pConnectionState->getDeviceType();
    return TalvexDriverDescriptor(quint32(type.first), quint32(type.second));
}

TalvexMotorSupplyController::Axes TalvexMotorSupplyController::axes() const
{
    const TalvexDriverDescriptor connected = model();
    const TickSteps& steps = tickStepsOf(connected);
    return Axes{TalvexDriverModel::maximumSupplyVoltage(connected), steps.volts,
        TalvexDriverModel::maximumSupplyCurrent(connected), steps.amperes};
}

std::optional<TalvexMotorSupplyController::Axes> TalvexMotorSupplyController::start()
{
    m_pendingId = 0;
    m_timer.start();
    if (!TalvexDriverModel::isKnown(model()))
        return std::nullopt;
    return axes();
}

void TalvexMotorSupplyController::stop()
{
    m_timer.stop();
    m_pendingId = 0;
}

void TalvexMotorSupplyController::measure()
{
    if (m_pendingId != 0 || !m_pConnectionState->isConnected())
        return;
    const TalvexDriverCommandBuilder::Request request =
        TalvexDriverCommandBuilder(model(), m_pConnectionState->getFirmwareVersion()).measureSupply();
    if (!request->checkSupported().isOk())
        return;
    if (m_pConnectionState->getDriver()->postRequest(request, this, s_commandSocket).isOk())
        m_pendingId = request->getId();
}

void TalvexMotorSupplyController::customEvent(QEvent* event)
{
    if (event->type() != USBRequestEvent::s_type)
    {
        QObject::customEvent(event);
        return;
    }
    const USBRequestEvent* reply = static_cast<USBRequestEvent*>(event);
    const USBCommRequestPtr request = reply->getRequest();
    // A reply from before a stop, or of another request, is not this measurement's.
    if (!request || request->getId() != m_pendingId)
        return;
    m_pendingId = 0;
    if (!reply->getResult().isOk())
        return;
    const TalvexDriverDescriptor connected = model();
    if (const auto measurement = TalvexDriverMeasurement::fromReply(*request, connected))
        emit measured(*measurement, connected);
}
