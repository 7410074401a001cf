#include "USBProtocolClock.h"

#include <QThread>

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
