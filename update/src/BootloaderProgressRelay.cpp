#include "BootloaderProgressRelay.h"

#include "USBEventRelay.h"

#include <QEvent>
#include <QPointer>
#include <QThread>

namespace
{
const QEvent::Type s_progressType = QEvent::Type(QEvent::registerEventType());

// One report; finished stands for finishProgress.
class ProgressEvent : public QEvent
{
public:
    ProgressEvent(const QString& text, int percent, bool finished)
        : QEvent(s_progressType)
        , m_text(text)
        , m_percent(percent)
        , m_finished(finished)
    {
    }

    const QString m_text;
    const int m_percent;
    const bool m_finished;
};
}

BootloaderProgressRelay::BootloaderProgressRelay(BootloaderIProgress* sink)
    : m_pSink(sink)
{
}

void BootloaderProgressRelay::updateProgress(const QString& text, int percent)
{
    report(text, percent, false);
}

void BootloaderProgressRelay::finishProgress()
{
    report(QString(), 0, true);
}

void BootloaderProgressRelay::report(const QString& text, int percent, bool finished)
{
    if (QThread::currentThread() == thread())
    {
        deliver(text, percent, finished);
        return;
    }
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_taken.wait(lock, [this] { return !m_onItsWay; });
        m_onItsWay = true;
    }
    USBEventRelay::post(QPointer<QObject>(this), new ProgressEvent(text, percent, finished));
}

void BootloaderProgressRelay::customEvent(QEvent* event)
{
    if (event->type() != s_progressType)
        return;
    const auto* progress = static_cast<const ProgressEvent*>(event);
    deliver(progress->m_text, progress->m_percent, progress->m_finished);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_onItsWay = false;
    }
    m_taken.notify_all();
}

void BootloaderProgressRelay::deliver(const QString& text, int percent, bool finished)
{
    if (!m_pSink)
        return;
    if (finished)
        m_pSink->finishProgress();
    else
        m_pSink->updateProgress(text, percent);
}
