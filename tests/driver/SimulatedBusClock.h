#pragma once

#include "SimUsbBus.h"
#include "USBProtocolClock.h"

#include <QThread>

// The packet protocol's clock taken from the simulated bus. Only the test's own thread moves
// the board's time on, while it waits for a reply: the protocol's worker idles in real time,
// so the board's time is exactly what the test made it.
class SimulatedBusClock : public USBProtocolClock
{
public:
    qint64 getMilliseconds() const override { return SimUsbBus::instance().getTime(); }
    void sleepMicroseconds(unsigned long microseconds) override
    {
        if (QThread::currentThread() == m_pTestThread)
            SimUsbBus::instance().advance(qMax<qint64>(1, qint64(microseconds / 1000)));
        else
            QThread::usleep(microseconds);
    }

private:
    QThread* m_pTestThread = QThread::currentThread();
};
