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

// QTRY_COMPARE and QTRY_VERIFY that go on as soon as the condition holds. QTRY waits in steps
// of 50 ms, which for what a worker thread passes on within moments is most of a test's time.
#define TALVEX_TRY_COMPARE(actual, expected)                                                        \
    do                                                                                            \
    {                                                                                             \
        waitFor([&] { return (actual) == (expected); });                                          \
        QCOMPARE(actual, expected);                                                               \
    } while (false)

#define TALVEX_TRY_VERIFY(condition)                                                              \
    do                                                                                            \
    {                                                                                             \
        waitFor([&] { return bool(condition); });                                                 \
        QVERIFY(condition);                                                                       \
    } while (false)
