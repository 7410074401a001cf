#pragma once

#include <QtGlobal>
#include <boost/shared_ptr.hpp>
#include <condition_variable>
#include <mutex>

// Time as the protocols see it: the wait for a reply and the pauses of their workers.
// Tests and the simulator substitute a clock of their own so that time-outs pass without
// real waiting.
class USBProtocolClock
{
public:
    USBProtocolClock();
    virtual ~USBProtocolClock();

    // The given clock, or real time when it is null.
    static boost::shared_ptr<USBProtocolClock> orRealTime(const boost::shared_ptr<USBProtocolClock>& clock);

    // Monotonic milliseconds.
    virtual qint64 getMilliseconds() const;
    virtual void sleepMicroseconds(unsigned long microseconds);
    // A protocol's pause while it waits for something to change: lock is held by the caller
    // and released while waiting; ends after microseconds or when wakeUp is notified.
    virtual void pauseMicroseconds(std::condition_variable& wakeUp, std::unique_lock<std::mutex>& lock,
                                   unsigned long microseconds);
};

typedef boost::shared_ptr<USBProtocolClock> USBProtocolClockPtr;
