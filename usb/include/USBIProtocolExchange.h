#pragma once

#include "USBICommRequest.h"
#include "USBISocket.h"
#include "USBResult.h"

#include <QThread>
#include <functional>

// What a protocol does on its socket: one exchange, and the reading of what the board sends
// unasked. The protocol (USBQueuedProtocol) calls it from its worker or from a direct
// transact, never from two threads at once, and owns it beyond the worker's end.
class USBIProtocolExchange
{
public:
    virtual ~USBIProtocolExchange();

    // One exchange on socket (null when the protocol has none). Gives up at deadlineMs of the
    // protocol's clock, or as soon as abandoned() is true (the socket was taken away).
    virtual USBResult exchange(const USBCommRequestPtr& request, const USBSocketPtr& socket, qint64 deadlineMs,
                               const std::function<bool()>& abandoned) = 0;
    // True when the worker must look at the socket between requests.
    virtual bool readsUnasked() const = 0;
    // Reads what the board sent unasked. A failure closes the channel, is reported to the
    // error receiver and is returned: the channel is dead.
    virtual USBResult receiveUnasked(const USBSocketPtr& socket) = 0;
    // Longest pause of an idle worker between two looks at the socket.
    virtual unsigned long getIdleSleep() const = 0;
    virtual QThread::Priority getWorkerPriority(const USBSocketPtr& socket) const = 0;
    // Forgets what exchanges left behind on a socket that is gone.
    virtual void reset() = 0;
};
