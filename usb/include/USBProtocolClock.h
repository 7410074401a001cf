#pragma once

#include <QElapsedTimer>
#include <boost/shared_ptr.hpp>

class QMutex;
class QWaitCondition;

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
    // A worker's pause between two passes: mutex is locked by the caller and released while
    // waiting; wakeUp ends the pause early when new work arrives.
    virtual void pauseMicroseconds(QWaitCondition& wakeUp, QMutex& mutex, unsigned long microseconds);

private:
    QElapsedTimer m_timer;
};

typedef boost::shared_ptr<USBProtocolClock> USBProtocolClockPtr;
