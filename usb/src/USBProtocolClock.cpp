#include "USBProtocolClock.h"

#include <QThread>

#include <chrono>
#include <limits>

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

void USBProtocolClock::pauseMicroseconds(std::condition_variable& wakeUp, std::unique_lock<std::mutex>& lock,
                                         unsigned long microseconds)
{
    wakeUp.wait_for(lock, std::chrono::microseconds(microseconds));
}

int USBProtocolClock::getTimerInterval(qint64 milliseconds) const
{
    return int(qBound<qint64>(0, milliseconds, std::numeric_limits<int>::max()));
}
