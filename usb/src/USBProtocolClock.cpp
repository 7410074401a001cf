#include "USBProtocolClock.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QThread>
#include <QWaitCondition>

#include <chrono>

USBProtocolClock::USBProtocolClock()
{
    m_timer.start();
}

USBProtocolClock::~USBProtocolClock() = default;

qint64 USBProtocolClock::getMilliseconds() const
{
    return m_timer.elapsed();
}

void USBProtocolClock::sleepMicroseconds(unsigned long microseconds)
{
    QThread::usleep(microseconds);
}

void USBProtocolClock::pauseMicroseconds(QWaitCondition& wakeUp, QMutex& mutex, unsigned long microseconds)
{
    wakeUp.wait(&mutex, QDeadlineTimer(std::chrono::microseconds(microseconds), Qt::PreciseTimer));
}
