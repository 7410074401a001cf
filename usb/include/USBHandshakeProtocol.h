#pragma once

#include "USBQueuedProtocol.h"

// The byte-and-acknowledge protocol of the board's bootloader (see USBHandshakeExchange) with
// its queue and worker. The bootloader sends nothing unasked: an idle worker sleeps until there
// is work, and stream and error receivers do not apply.
class USBHandshakeProtocol : public USBQueuedProtocol
{
public:
    // A null clock means real time.
    explicit USBHandshakeProtocol(const USBProtocolClockPtr& clock = USBProtocolClockPtr());

    // The worker has no idle time.
    void setIdleSleep(unsigned long microseconds) override;
    // Registering a receiver is a programming error.
    void registerStreamReceiver(int streamId, QObject* receiver) override;
    void unregisterStreamReceiver(int streamId) override;
    void setErrorReceiver(QObject* receiver) override;
};
