#pragma once

#include "BootloaderIProgress.h"

#include <QObject>
#include <condition_variable>
#include <mutex>

// Hands the progress of a bootloader sequence that runs in a worker thread (UpdateBackgroundTask)
// to a sink in the GUI thread: the worker reports here, the sink hears every report in the same
// order through the GUI thread's event loop (USBEventRelay). One report is on its way at a time:
// the next waits until the GUI thread has taken the last, so reports never pile up and the sink
// shows each page in a pass of its own. The GUI thread must keep running its events meanwhile.
// Made and deleted in the GUI thread, after the worker has ended; reports from the GUI thread
// itself reach the sink at once.
class BootloaderProgressRelay : public QObject, public BootloaderIProgress
{
    Q_OBJECT

public:
    explicit BootloaderProgressRelay(BootloaderIProgress* sink);

    // Any thread.
    void updateProgress(const QString& text, int percent) override;
    void finishProgress() override;

protected:
    void customEvent(QEvent* event) override;

private:
    void report(const QString& text, int percent, bool finished);
    void deliver(const QString& text, int percent, bool finished);

    BootloaderIProgress* m_pSink;
    std::mutex m_mutex;
    std::condition_variable m_taken;
    bool m_onItsWay = false;
};
