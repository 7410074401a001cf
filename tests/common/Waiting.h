#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <functional>

// Runs the GUI thread's events until the condition holds or the time is up. The protocol's
// worker needs a moment of real time to pass each reply and packet on; the limit only keeps a
// broken test from hanging, it measures nothing.
inline bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;)
    {
        QCoreApplication::processEvents();
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::usleep(200);
    }
}
