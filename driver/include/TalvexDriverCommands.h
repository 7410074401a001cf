#pragma once

#include "TalvexDriverCommRequest.h"
#include "TalvexDriverCommandBuilder.h"
#include "USBResult.h"

#include <boost/shared_ptr.hpp>

class QObject;
class TalvexDriverAdvancedMotorMoveConfiguration;
class TalvexDriverInputConfiguration;
class TalvexDriverMotionConfiguration;
class TalvexDriverMotorConfiguration;
class TalvexDriverMotorMoveConfiguration;
class TalvexDriverPWMSettings;
class TalvexDriverSamplingConfiguration;
class TalvexRequestDispatcher;

// The board's commands, one call each, queued through the request dispatcher. A call builds its
// request (TalvexDriverCommandBuilder) for the model and firmware of the board open at that
// moment and queues it through the dispatcher with the requester this object is bound to; it
// answers with the dispatcher's result: a refusal when no board is open or the model lacks the
// command, success when it was queued or when the requester already has that command in flight
// (then nothing is sent). Replies go where the dispatcher puts them (the document). Called by the
// document's read and upload sequences, the dispatcher's streaming, the Motion and Measurements
// tabs' controllers, the IO tab and the scripting wrappers; GUI thread only, like the dispatcher.
class TalvexDriverCommands
{
public:
    // requester: whose pending marks the requests carry; null for requests nobody waits on.
    TalvexDriverCommands(TalvexRequestDispatcher* dispatcher, QObject* requester);

    // Whether the requester has no request of the action in flight.
    bool canSend(int action) const;
    // The request that the last call queued; null when it queued none.
    boost::shared_ptr<TalvexDriverCommRequest> lastRequest() const { return m_pLastRequest; }

    USBResult motorOn();
    USBResult motorOff();
    USBResult getMotorState();
    // A board without the back-and-forth mode is sent a continuous move instead.
    USBResult move(const TalvexDriverMotorMoveConfiguration& move);
    USBResult stop();
    USBResult moveHome();
    USBResult zeroPosition();
    // The event and quadrature counters.
    USBResult clearCounters();
    USBResult setReducedHoldCurrent(bool on);
    USBResult setLowInductance(bool on);

    USBResult setMotorConfiguration(const TalvexDriverMotorConfiguration& configuration);
    USBResult getMotorConfiguration();
    USBResult setMotionConfiguration(const TalvexDriverMotionConfiguration& configuration);
    USBResult getMotionConfiguration();
    USBResult setInputConfiguration(const TalvexDriverInputConfiguration& configuration);
    USBResult getInputConfiguration();
    USBResult setAdvancedMotorMoveConfiguration(const TalvexDriverAdvancedMotorMoveConfiguration& configuration);
    USBResult getAdvancedMotorMoveConfiguration();
    USBResult getPWMSettings();
    USBResult setPWMSettings(const TalvexDriverPWMSettings& settings);
    USBResult setRelay(bool on);

    USBResult startStream();
    USBResult startSampling(const TalvexDriverSamplingConfiguration& configuration);
    USBResult stopStreaming();

private:
    // For the board open at this moment.
    TalvexDriverCommandBuilder builder() const;
    USBResult send(const TalvexDriverCommandBuilder::Request& request);

    TalvexRequestDispatcher* m_pDispatcher;
    QObject* m_pRequester;
    boost::shared_ptr<TalvexDriverCommRequest> m_pLastRequest;
};
