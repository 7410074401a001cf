#pragma once

#include "SimUsbBus.h"
#include "USBProtocolClock.h"

#include <QThread>

// The protocols' time taken from the simulated bus: a protocol that pauses moves the board's
// clock on, so a 4000 ms time-out passes in simulated time and the board's delays count.
class BusClock : public USBProtocolClock
{
public:
    qint64 getMilliseconds() const override { return SimUsbBus::instance().getTime(); }
    void sleepMicroseconds(unsigned long microseconds) override
    {
        SimUsbBus::instance().advance(qMax<qint64>(1, qint64(microseconds / 1000)));
        // Let the other threads of a test run.
        QThread::usleep(20);
    }
    void pauseMicroseconds(std::condition_variable&, std::unique_lock<std::mutex>& lock,
                           unsigned long microseconds) override
    {
        lock.unlock();
        sleepMicroseconds(microseconds);
        lock.lock();
    }
};
