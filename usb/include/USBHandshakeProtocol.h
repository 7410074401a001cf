#pragma once

#include "USBQueuedProtocol.h"

// The byte-and-acknowledge protocol of the board's bootloader: the host writes a command byte,
// the board acknowledges it, the host writes the payload, the board acknowledges again, and the
// reply has the length the request expects. No frames, no request ids, no stream packets.
class USBHandshakeProtocol : public USBQueuedProtocol
{
    Q_OBJECT

public:
    // Pause of the worker between two looks at its queue.
    static const unsigned long s_workerSleepMicroseconds = 2000;

    // A null clock means real time.
    explicit USBHandshakeProtocol(const USBProtocolClockPtr& clock = USBProtocolClockPtr());
    ~USBHandshakeProtocol() override;

    // The worker's pause is fixed.
    void setIdleSleep(unsigned long microseconds) override;
    // The bootloader sends nothing unasked: registering a receiver is a programming error.
    void registerStreamReceiver(int streamId, QObject* receiver) override;
    void unregisterStreamReceiver(int streamId) override;
    void setErrorReceiver(QObject* receiver) override;

protected:
    USBResult exchange(const USBCommRequestPtr& request, const USBSocketPtr& socket) override;
    bool idlePass() override;
    unsigned long getIdleSleep() const override;
    QThread::Priority getWorkerPriority(const USBSocketPtr& socket) const override;
    void applyTimeouts(const USBSocketPtr& socket) override;
    void resetExchangeState() override;

private:
    static void checkAcknowledge(const USBCommRequestPtr& request, const USBSocketPtr& socket);
};
