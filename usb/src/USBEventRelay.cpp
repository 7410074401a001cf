#include "USBEventRelay.h"

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <iterator>

namespace
{
const QEvent::Type s_wakeType = QEvent::Type(QEvent::User + 900);
}

USBEventRelay::USBEventRelay()
{
    if (QCoreApplication::instance())
        moveToThread(QCoreApplication::instance()->thread());
}

USBEventRelay* USBEventRelay::instance()
{
    static USBEventRelay* s_relay = new USBEventRelay();
    return s_relay;
}

void USBEventRelay::post(const QPointer<QObject>& receiver, QEvent* event)
{
    if (receiver.isNull())
    {
        delete event;
        return;
    }
    instance()->enqueue(receiver, event);
}

void USBEventRelay::enqueue(const QPointer<QObject>& receiver, QEvent* event)
{
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_posted.push_back(Pending{receiver, std::unique_ptr<QEvent>(event)});
        wake = !m_wakePending;
        m_wakePending = true;
    }
    if (wake)
        QCoreApplication::postEvent(this, new QEvent(s_wakeType));
}

void USBEventRelay::customEvent(QEvent* event)
{
    if (event->type() != s_wakeType)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // From here on a new event needs a new wake-up: this pass may be past it already.
        m_wakePending = false;
        std::move(m_posted.begin(), m_posted.end(), std::back_inserter(m_delivering));
        m_posted.clear();
    }
    while (!m_delivering.empty())
    {
        Pending pending = std::move(m_delivering.front());
        m_delivering.pop_front();
        QObject* receiver = pending.m_receiver.data();
        if (!receiver)
            continue;
        if (receiver->thread() == thread())
            QCoreApplication::sendEvent(receiver, pending.m_pEvent.get());
        else
            QCoreApplication::postEvent(receiver, pending.m_pEvent.release());
    }
}
