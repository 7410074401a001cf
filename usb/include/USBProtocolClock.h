#pragma once

#include <QtGlobal>
#include <boost/shared_ptr.hpp>
#include <condition_variable>
#include <mutex>

// Time as the USB layer sees it: the wait for a reply, the pauses of the protocols' workers and
// the connection state's device poll. Tests and the simulator substitute a clock of their own so
// that time-outs pass without real waiting.
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
    // The real milliseconds after which a timer of the event loop looks whether the given time
    // has passed on this clock: all of it for real time; a clock that others move asks to be
    // looked at sooner.
    virtual int getTimerInterval(qint64 milliseconds) const;
};

typedef boost::shared_ptr<USBProtocolClock> USBProtocolClockPtr;
