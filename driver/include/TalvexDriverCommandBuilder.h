#pragma once

#include "TalvexDriverCommRequest.h"
#include "TalvexDriverDescriptor.h"
#include "USBVersion.h"

#include <boost/shared_ptr.hpp>

class TalvexDriverAdvancedMotorMoveConfiguration;
class TalvexDriverInputConfiguration;
class TalvexDriverMotionConfiguration;
class TalvexDriverMotorConfiguration;
class TalvexDriverMotorMoveConfiguration;
class TalvexDriverPWMSettings;
class TalvexDriverSamplingConfiguration;

// The board's commands, one call each: the one place where a request (opcode and payload) is
// laid out for a model and firmware. It sends nothing; the caller queues or sends the request.
// A request of a command the model lacks comes back all the same: its checkSupported() holds the
// refusal to give instead of sending it. Used by the dispatched commands (TalvexDriverCommands),
// the supply monitor, which posts its measurement itself, and the driver-bound stand-alone axis,
// which sends through a driver of its own. Any thread; it keeps nothing but the model and
// firmware.
class TalvexDriverCommandBuilder
{
public:
    typedef boost::shared_ptr<TalvexDriverCommRequest> Request;

    TalvexDriverCommandBuilder(const TalvexDriverDescriptor& model, const USBVersion& firmwareVersion);

    Request motorOn() const;
    Request motorOff() const;
    Request getMotorState() const;
    // A board without the back-and-forth mode is sent a continuous move instead.
    Request move(const TalvexDriverMotorMoveConfiguration& move) const;
    Request stop() const;
    Request moveHome() const;
    Request zeroPosition() const;
    // The event and quadrature counters.
    Request clearCounters() const;
    Request setReducedHoldCurrent(bool on) const;
    Request setLowInductance(bool on) const;
    Request measureSupply() const;

    Request setMotorConfiguration(const TalvexDriverMotorConfiguration& configuration) const;
    Request getMotorConfiguration() const;
    Request setMotionConfiguration(const TalvexDriverMotionConfiguration& configuration) const;
    Request getMotionConfiguration() const;
    Request setInputConfiguration(const TalvexDriverInputConfiguration& configuration) const;
    Request getInputConfiguration() const;
    Request setAdvancedMotorMoveConfiguration(const TalvexDriverAdvancedMotorMoveConfiguration& configuration) const;
    Request getAdvancedMotorMoveConfiguration() const;
    Request getPWMSettings() const;
    Request setPWMSettings(const TalvexDriverPWMSettings& settings) const;
    Request setRelay(bool on) const;

    Request startStream() const;
    Request startSampling(const TalvexDriverSamplingConfiguration& configuration) const;
    Request stopStreaming() const;

private:
    Request build(int action, const QByteArray& payload = QByteArray()) const;

    TalvexDriverDescriptor m_model;
    USBVersion m_firmwareVersion;
};
