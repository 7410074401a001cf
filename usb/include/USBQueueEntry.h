#pragma once

#include "USBICommRequest.h"

#include <QObject>
#include <QPointer>

// One queued request of a protocol and the object that receives its USBRequestEvent.
struct USBQueueEntry
{
    USBCommRequestPtr m_pRequest;
    QPointer<QObject> m_receiver;
    // Tells this entry apart from every other one ever queued on the protocol, so the worker
    // removes exactly the entry it ran even when the queue changed meanwhile.
    quint64 m_serial = 0;
};
