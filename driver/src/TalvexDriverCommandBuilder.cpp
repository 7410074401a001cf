#include "TalvexDriverCommandBuilder.h"

#include "TalvexDriverAdvancedMotorMoveConfiguration.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverMotorConfiguration.h"
#include "TalvexDriverMotorMoveConfiguration.h"
#include "TalvexDriverPWMSettings.h"
#include "TalvexDriverSamplingConfiguration.h"

#include <boost/make_shared.hpp>

namespace
{
typedef TalvexDriverCommRequest R;
typedef TalvexDriverCommandBuilder::Request Request;
}

TalvexDriverCommandBuilder::TalvexDriverCommandBuilder(const TalvexDriverDescriptor& model,
    const USBVersion& firmwareVersion)
    : m_model(model)
    , m_firmwareVersion(firmwareVersion)
{
}

Request TalvexDriverCommandBuilder::build(int action, const QByteArray& payload) const
{
    const auto request = boost::make_shared<R>(m_model, m_firmwareVersion, action);
    request->setData(payload);
    return request;
}

Request TalvexDriverCommandBuilder::motorOn() const
{
    return build(R::MotorOn);
}

Request TalvexDriverCommandBuilder::motorOff() const
{
    return build(R::MotorOff);
}

Request TalvexDriverCommandBuilder::getMotorState() const
{
    return build(R::GetMotorState);
}

Request TalvexDriverCommandBuilder::move(const TalvexDriverMotorMoveConfiguration& move) const
{
    // Laying the record out for the model may change it; the caller's stays as it was.
    TalvexDriverMotorMoveConfiguration sent(move);
    return build(R::Move, sent.toByteArray(m_model));
}

Request TalvexDriverCommandBuilder::stop() const
{
    return build(R::Stop);
}

Request TalvexDriverCommandBuilder::moveHome() const
{
    return build(R::MoveHome);
}

Request TalvexDriverCommandBuilder::zeroPosition() const
{
    return build(R::ZeroPosition);
}

Request TalvexDriverCommandBuilder::clearCounters() const
{
    return build(R::ClearCounters);
}

Request TalvexDriverCommandBuilder::setReducedHoldCurrent(bool on) const
{
    return build(on ? R::ReducedHoldCurrentOn : R::ReducedHoldCurrentOff);
}

Request TalvexDriverCommandBuilder::setLowInductance(bool on) const
{
    return build(on ? R::LowInductanceOn : R::LowInductanceOff);
}

Request TalvexDriverCommandBuilder::measureSupply() const
{
    return build(R::MeasureSupply);
}

Request TalvexDriverCommandBuilder::setMotorConfiguration(const TalvexDriverMotorConfiguration& configuration) const
{
    return build(R::SetMotorConfiguration, configuration.toByteArray(m_model, m_firmwareVersion));
}

Request TalvexDriverCommandBuilder::getMotorConfiguration() const
{
    return build(R::GetMotorConfiguration);
}

Request TalvexDriverCommandBuilder::setMotionConfiguration(const TalvexDriverMotionConfiguration& configuration) const
{
    return build(R::SetMotionConfiguration, configuration.toByteArray(m_model));
}

Request TalvexDriverCommandBuilder::getMotionConfiguration() const
{
    return build(R::GetMotionConfiguration);
}

Request TalvexDriverCommandBuilder::setInputConfiguration(const TalvexDriverInputConfiguration& configuration) const
{
    return build(R::SetInputConfiguration, configuration.toByteArray(m_model, m_firmwareVersion));
}

Request TalvexDriverCommandBuilder::getInputConfiguration() const
{
    return build(R::GetInputConfiguration);
}

Request TalvexDriverCommandBuilder::setAdvancedMotorMoveConfiguration(
    const TalvexDriverAdvancedMotorMoveConfiguration& configuration) const
{
    return build(R::SetAdvancedMotorMoveConfiguration, configuration.toByteArray());
}

Request TalvexDriverCommandBuilder::getAdvancedMotorMoveConfiguration() const
{
    return build(R::GetAdvancedMotorMoveConfiguration);
}

Request TalvexDriverCommandBuilder::getPWMSettings() const
{
    return build(R::GetPWMSettings);
}

Request TalvexDriverCommandBuilder::setPWMSettings(const TalvexDriverPWMSettings& settings) const
{
    return build(R::SetPWM, settings.toByteArray(m_model, m_firmwareVersion));
}

Request TalvexDriverCommandBuilder::setRelay(bool on) const
{
    return build(on ? R::RelayOn : R::RelayOff);
}

Request TalvexDriverCommandBuilder::startStream() const
{
    return build(R::StreamStart);
}

Request TalvexDriverCommandBuilder::startSampling(const TalvexDriverSamplingConfiguration& configuration) const
{
    return build(R::StartSampling, configuration.toByteArray());
}

Request TalvexDriverCommandBuilder::stopStreaming() const
{
    return build(R::StopStreaming);
}
