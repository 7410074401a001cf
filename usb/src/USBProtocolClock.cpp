#include "USBProtocolClock.h"

#include <QSemaphore>
#include <QThread>

#include <chrono>

USBProtocolClock::USBProtocolClock() = default;

USBProtocolClock::~USBProtocolClock() = default;

boost::shared_ptr<USBProtocolClock> USBProtocolClock::orRealTime(const boost::shared_ptr<USBProtocolClock>& clock)
{
    return clock ? clock : boost::shared_ptr<USBProtocolClock>(new USBProtocolClock());
}

qint64 USBProtocolClock::getMilliseconds() const
{
    // One time line for every real clock, so a deadline may pass from one to another.
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void USBProtocolClock::sleepMicroseconds(unsigned long microseconds)
{
    QThread::usleep(microseconds);
}

void USBProtocolClock::pauseMicroseconds(QSemaphore& wakeUp, unsigned long microseconds)
{
    // The semaphore counts in milliseconds: round up, so a pause is never cut short.
    wakeUp.tryAcquire(1, int((microseconds + 999) / 1000));
}
