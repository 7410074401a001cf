#include "TalvexDriverCommands.h"

#include "TalvexRequestDispatcher.h"

TalvexDriverCommands::TalvexDriverCommands(TalvexRequestDispatcher* dispatcher, QObject* requester)
    : m_pDispatcher(dispatcher)
    , m_pRequester(requester)
{
}

bool TalvexDriverCommands::canSend(int action) const
{
    return m_pDispatcher->canSendRequest(m_pRequester, action);
}

TalvexDriverCommandBuilder TalvexDriverCommands::builder() const
{
    // The model is read once, so that the payload and the request agree on it.
    return TalvexDriverCommandBuilder(m_pDispatcher->deviceDescriptor(), m_pDispatcher->firmwareVersion());
}

USBResult TalvexDriverCommands::send(const TalvexDriverCommandBuilder::Request& request)
{
    m_pLastRequest.reset();
    // The dispatcher would drop it as well, but then the request would look queued.
    if (!canSend(request->getAction()))
        return USBResult();
    const USBResult queued = m_pDispatcher->sendRequest(request, m_pRequester, QString());
    if (queued.isOk())
        m_pLastRequest = request;
    return queued;
}

USBResult TalvexDriverCommands::motorOn()
{
    return send(builder().motorOn());
}

USBResult TalvexDriverCommands::motorOff()
{
    return send(builder().motorOff());
}

USBResult TalvexDriverCommands::getMotorState()
{
    return send(builder().getMotorState());
}

USBResult TalvexDriverCommands::move(const TalvexDriverMotorMoveConfiguration& move)
{
    return send(builder().move(move));
}

USBResult TalvexDriverCommands::stop()
{
    return send(builder().stop());
}

USBResult TalvexDriverCommands::moveHome()
{
    return send(builder().moveHome());
}

USBResult TalvexDriverCommands::zeroPosition()
{
    return send(builder().zeroPosition());
}

USBResult TalvexDriverCommands::clearCounters()
{
    return send(builder().clearCounters());
}

USBResult TalvexDriverCommands::setReducedHoldCurrent(bool on)
{
    return send(builder().setReducedHoldCurrent(on));
}

USBResult TalvexDriverCommands::setLowInductance(bool on)
{
    return send(builder().setLowInductance(on));
}

USBResult TalvexDriverCommands::setMotorConfiguration(const TalvexDriverMotorConfiguration& configuration)
{
    return send(builder().setMotorConfiguration(configuration));
}

USBResult TalvexDriverCommands::getMotorConfiguration()
{
    return send(builder().getMotorConfiguration());
}

USBResult TalvexDriverCommands::setMotionConfiguration(const TalvexDriverMotionConfiguration& configuration)
{
    return send(builder().setMotionConfiguration(configuration));
}

USBResult TalvexDriverCommands::getMotionConfiguration()
{
    return send(builder().getMotionConfiguration());
}

USBResult TalvexDriverCommands::setInputConfiguration(const TalvexDriverInputConfiguration& configuration)
{
    return send(builder().setInputConfiguration(configuration));
}

USBResult TalvexDriverCommands::getInputConfiguration()
{
    return send(builder().getInputConfiguration());
}

USBResult TalvexDriverCommands::setAdvancedMotorMoveConfiguration(
    const TalvexDriverAdvancedMotorMoveConfiguration& configuration)
{
    return send(builder().setAdvancedMotorMoveConfiguration(configuration));
}

USBResult TalvexDriverCommands::getAdvancedMotorMoveConfiguration()
{
    return send(builder().getAdvancedMotorMoveConfiguration());
}

USBResult TalvexDriverCommands::getPWMSettings()
{
    return send(builder().getPWMSettings());
}

USBResult TalvexDriverCommands::setPWMSettings(const TalvexDriverPWMSettings& settings)
{
    return send(builder().setPWMSettings(settings));
}

USBResult TalvexDriverCommands::setRelay(bool on)
{
    return send(builder().setRelay(on));
}

USBResult TalvexDriverCommands::startStream()
{
    return send(builder().startStream());
}

USBResult TalvexDriverCommands::startSampling(const TalvexDriverSamplingConfiguration& configuration)
{
    return send(builder().startSampling(configuration));
}

USBResult TalvexDriverCommands::stopStreaming()
{
    return send(builder().stopStreaming());
}
