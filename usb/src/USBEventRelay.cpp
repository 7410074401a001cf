#include "USBEventRelay.h"

#include <QCoreApplication>
#include <QThread>

#include <memory>

namespace
{
const QEvent::Type s_relayType = QEvent::Type(QEvent::User + 900);

class RelayedEvent : public QEvent
{
public:
    RelayedEvent(const QPointer<QObject>& receiver, QEvent* event)
        : QEvent(s_relayType)
        , m_receiver(receiver)
        , m_event(event)
    {
    }

    QPointer<QObject> m_receiver;
    std::unique_ptr<QEvent> m_event;
};
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
    QCoreApplication::postEvent(instance(), new RelayedEvent(receiver, event));
}

void USBEventRelay::customEvent(QEvent* event)
{
    if (event->type() != s_relayType)
        return;
    auto* relayed = static_cast<RelayedEvent*>(event);
    QObject* receiver = relayed->m_receiver.data();
    if (!receiver)
        return;
    if (receiver->thread() == thread())
        QCoreApplication::sendEvent(receiver, relayed->m_event.get());
    else
        QCoreApplication::postEvent(receiver, relayed->m_event.release());
}
