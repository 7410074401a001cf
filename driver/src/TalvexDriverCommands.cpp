#include "TalvexDriverCommands.h"

#include "TalvexDriverAdvancedMotorMoveConfiguration.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverMotorConfiguration.h"
#include "TalvexDriverMotorMoveConfiguration.h"
#include "TalvexDriverPWMSettings.h"
#include "TalvexDriverSamplingConfiguration.h"
#include "TalvexRequestDispatcher.h"

#include <boost/make_shared.hpp>

namespace
{
typedef TalvexDriverCommRequest R;
typedef TalvexDriverDescriptor D;
}

TalvexDriverCommands::TalvexDriverCommands(TalvexRequestDispatcher* dispatcher, QObject* requester)
    : m_pDispatcher(dispatcher)
    , m_pRequester(requester)
{
}

bool TalvexDriverCommands::canSend(int action) const
{
    return m_pDispatcher->canSendRequest(m_pRequester, action);
}

USBResult TalvexDriverCommands::send(int action, const Payload& payload)
{
    m_pLastRequest.reset();
    // The dispatcher would drop it as well, but then the request would look queued.
    if (!canSend(action))
        return USBResult();
    const D model = m_pDispatcher->deviceDescriptor();
    const USBVersion firmware = m_pDispatcher->firmwareVersion();
    const auto request = boost::make_shared<R>(model, firmware, action);
    if (payload)
        request->setData(payload(model, firmware));
    const USBResult queued = m_pDispatcher->sendRequest(request, m_pRequester, QString());
    if (queued.isOk())
        m_pLastRequest = request;
    return queued;
}

USBResult TalvexDriverCommands::motorOn()
{
    return send(R::MotorOn);
}

USBResult TalvexDriverCommands::motorOff()
{
    return send(R::MotorOff);
}

USBResult TalvexDriverCommands::getMotorState()
{
    return send(R::GetMotorState);
}

USBResult TalvexDriverCommands::move(const TalvexDriverMotorMoveConfiguration& move)
{
    return send(R::Move, [move](const D& model, const USBVersion&) {
        // Laying the record out for the model may change it; the caller's stays as it was.
        TalvexDriverMotorMoveConfiguration sent(move);
        return sent.toByteArray(model);
    });
}

USBResult TalvexDriverCommands::stop()
{
    return send(R::Stop);
}

USBResult TalvexDriverCommands::moveHome()
{
    return send(R::MoveHome);
}

USBResult TalvexDriverCommands::zeroPosition()
{
    return send(R::ZeroPosition);
}

USBResult TalvexDriverCommands::clearCounters()
{
    return send(R::ClearCounters);
}

USBResult TalvexDriverCommands::setReducedHoldCurrent(bool on)
{
    return send(on ? R::ReducedHoldCurrentOn : R::ReducedHoldCurrentOff);
}

USBResult TalvexDriverCommands::setLowInductance(bool on)
{
    return send(on ? R::LowInductanceOn : R::LowInductanceOff);
}

USBResult TalvexDriverCommands::setMotorConfiguration(const TalvexDriverMotorConfiguration& configuration)
{
    return send(R::SetMotorConfiguration, [&configuration](const D& model, const USBVersion& firmware) {
        return configuration.toByteArray(model, firmware);
    });
}

USBResult TalvexDriverCommands::getMotorConfiguration()
{
    return send(R::GetMotorConfiguration);
}

USBResult TalvexDriverCommands::setMotionConfiguration(const TalvexDriverMotionConfiguration& configuration)
{
    return send(R::SetMotionConfiguration,
        [&configuration](const D& model, const USBVersion&) { return configuration.toByteArray(model); });
}

USBResult TalvexDriverCommands::getMotionConfiguration()
{
    return send(R::GetMotionConfiguration);
}

USBResult TalvexDriverCommands::setInputConfiguration(const TalvexDriverInputConfiguration& configuration)
{
    return send(R::SetInputConfiguration, [&configuration](const D& model, const USBVersion& firmware) {
        return configuration.toByteArray(model, firmware);
    });
}

USBResult TalvexDriverCommands::getInputConfiguration()
{
    return send(R::GetInputConfiguration);
}

USBResult TalvexDriverCommands::setAdvancedMotorMoveConfiguration(
    const TalvexDriverAdvancedMotorMoveConfiguration& configuration)
{
    return send(R::SetAdvancedMotorMoveConfiguration,
        [&configuration](const D&, const USBVersion&) { return configuration.toByteArray(); });
}

USBResult TalvexDriverCommands::getAdvancedMotorMoveConfiguration()
{
    return send(R::GetAdvancedMotorMoveConfiguration);
}

USBResult TalvexDriverCommands::getPWMSettings()
{
    return send(R::GetPWMSettings);
}

USBResult TalvexDriverCommands::setPWMSettings(const TalvexDriverPWMSettings& settings)
{
    return send(R::SetPWM, [&settings](const D& model, const USBVersion& firmware) {
        return settings.toByteArray(model, firmware);
    });
}

USBResult TalvexDriverCommands::setRelay(bool on)
{
    return send(on ? R::RelayOn : R::RelayOff);
}

USBResult TalvexDriverCommands::startStream()
{
    return send(R::StreamStart);
}

USBResult TalvexDriverCommands::startSampling(const TalvexDriverSamplingConfiguration& configuration)
{
    return send(R::StartSampling, [&configuration](const D&, const USBVersion&) { return configuration.toByteArray(); });
}

USBResult TalvexDriverCommands::stopStreaming()
{
    return send(R::StopStreaming);
}
