#pragma once

#include "PackageAppData.h"

#include <QCoreApplication>
#include <QSemaphore>
#include <QThread>
#include <QTimer>

#include <functional>

// Holds every repository install and file package unpacking in its worker thread as it starts,
// until the calling thread's event loop has run whileHeld once (from a zero-interval timer); then
// lets it go on. One that runs in the calling thread is not held, as nothing could let it go:
// inWorker() then says false. Lives on the test's stack around the install, in the GUI thread.
class PackageInstallLatch
{
public:
    explicit PackageInstallLatch(const std::function<void()>& whileHeld)
        : m_whileHeld(whileHeld)
    {
        PackageAppData::setInstallProbe([this] {
            m_inWorker = QThread::currentThread() != qApp->thread();
            if (!m_inWorker)
                return;
            m_held.release();
            m_opened.acquire();
        });
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (!m_held.tryAcquire())
                return;
            m_whileHeld();
            m_seenHeld = true;
            m_opened.release();
        });
        m_timer.start();
    }

    ~PackageInstallLatch() { PackageAppData::setInstallProbe({}); }

    // Read once the install has returned.
    bool inWorker() const { return m_inWorker; }
    bool seenHeld() const { return m_seenHeld; }

private:
    std::function<void()> m_whileHeld;
    QTimer m_timer;
    QSemaphore m_held;
    QSemaphore m_opened;
    bool m_inWorker = false;
    bool m_seenHeld = false;
};
