#pragma once

#include "SimUsbBus.h"
#include "USBProtocolClock.h"
#include "Waiting.h"

#include <QThread>

// The USB layer's time taken from the simulated bus, so a 4000 ms time-out or the connection
// state's 2000 ms device poll passes in simulated time and the board's delays count; no test
// sleeps through one.
//
// AnyThread: every wait moves the board's clock on, the protocol worker's pauses too.
// TestThread: only the thread that made the clock (the test's) moves it, while it waits for a
// reply; the worker idles in real time, so the board's time is exactly what the test made it.
class SimulatedBusClock : public USBProtocolClock
{
public:
    enum Mover
    {
        AnyThread,
        TestThread
    };

    explicit SimulatedBusClock(Mover mover = AnyThread) : m_mover(mover) {}

    qint64 getMilliseconds() const override { return SimUsbBus::instance().getTime(); }

    void sleepMicroseconds(unsigned long microseconds) override
    {
        if (m_mover == TestThread && QThread::currentThread() != m_pTestThread)
        {
            QThread::usleep(microseconds);
            return;
        }
        SimUsbBus::instance().advance(qMax<qint64>(1, qint64(microseconds / 1000)));
        // Let the other threads of a test run.
        if (m_mover == AnyThread)
            QThread::usleep(20);
    }

    void pauseMicroseconds(std::condition_variable& wakeUp, std::unique_lock<std::mutex>& lock,
                           unsigned long microseconds) override
    {
        if (m_mover == TestThread)
        {
            USBProtocolClock::pauseMicroseconds(wakeUp, lock, microseconds);
            return;
        }
        lock.unlock();
        sleepMicroseconds(microseconds);
        lock.lock();
    }

    // The bus moves whenever a test or a protocol moves it: a timer looks every millisecond.
    int getTimerInterval(qint64 milliseconds) const override { return int(qMin<qint64>(milliseconds, 1)); }

private:
    const Mover m_mover;
    QThread* const m_pTestThread = QThread::currentThread();
};

// As waitFor, and each pass moves the bus clock on by stepMs, so that what waits on that clock
// (the connection state's next device poll, a board's delay) comes round without real waiting.
inline bool waitOnBusClock(const std::function<bool()>& condition, qint64 stepMs = 10, int timeoutMs = 5000)
{
    return waitFor(
        [&condition, stepMs] {
            if (condition())
                return true;
            SimUsbBus::instance().advance(stepMs);
            return false;
        },
        timeoutMs);
}
