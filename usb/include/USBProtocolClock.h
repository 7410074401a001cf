#pragma once

#include <QElapsedTimer>
#include <boost/shared_ptr.hpp>

// Time as the protocols see it: the wait for a reply and the pauses of their workers.
// Tests and the simulator substitute a clock of their own so that time-outs pass without
// real waiting.
class USBProtocolClock
{
public:
    USBProtocolClock();
    virtual ~USBProtocolClock();

    // Monotonic milliseconds.
    virtual qint64 getMilliseconds() const;
    virtual void sleepMicroseconds(unsigned long microseconds);

private:
    QElapsedTimer m_timer;
};

typedef boost::shared_ptr<USBProtocolClock> USBProtocolClockPtr;
