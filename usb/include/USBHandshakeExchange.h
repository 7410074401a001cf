#pragma once

#include "USBIProtocolExchange.h"

// The byte-and-acknowledge exchange of the board's bootloader: the host writes a command byte,
// the board acknowledges it, the host writes the payload, the board acknowledges again, and the
// reply has the length the request expects. Each read is bounded by the socket's time-out; the
// bootloader sends nothing unasked. Run by USBHandshakeProtocol.
class USBHandshakeExchange : public USBIProtocolExchange
{
public:
    USBResult exchange(const USBCommRequestPtr& request, const USBSocketPtr& socket, qint64 deadlineMs,
                       const std::function<bool()>& abandoned) override;
    bool readsUnasked() const override;
    USBResult receiveUnasked(const USBSocketPtr& socket) override;
    unsigned long getIdleSleep() const override;
    QThread::Priority getWorkerPriority(const USBSocketPtr& socket) const override;
    void reset() override;

private:
    static void checkAcknowledge(const USBCommRequestPtr& request, const USBSocketPtr& socket);
};
