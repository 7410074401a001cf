#pragma once

#include "USBQueuedProtocol.h"
#include "USBReceivedPacket.h"

#include <QMap>
#include <QPointer>

// The framed protocol of the board's main firmware: requests carry a 32-bit id, replies are
// matched to waiting requests by it, and packets the board sends unasked go to the receiver
// registered for their stream id.
class USBPacketProtocol : public USBQueuedProtocol
{
    Q_OBJECT

public:
    // How long a request waits for its reply.
    static const int s_replyTimeoutMs = 4000;
    // Pause between two looks for the reply.
    static const unsigned long s_replyPollMicroseconds = 2000;

    // A null clock means real time.
    explicit USBPacketProtocol(const USBProtocolClockPtr& clock = USBProtocolClockPtr());
    ~USBPacketProtocol() override;

    // A frame of type 5: 0x05, id, one byte, 16-bit data length, data. The host's request frame
    // (with the command byte) and the board's long reply frame (with the status byte) share it.
    static QVector<quint8> makeLongFrame(quint32 id, quint8 code, const QVector<quint8>& data);

    void setIdleSleep(unsigned long microseconds) override;
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
    void writeFrame(const USBCommRequestPtr& request, const USBSocketPtr& socket);
    void takeReply(const USBCommRequestPtr& request, const USBReceivedPacket& packet);
    // Reads whole frames while the board has sent any; stops early once a waiting request has
    // its reply.
    void receivePackets(const USBSocketPtr& socket);
    void dispatchFrame(const USBReceivedPacket& frame);

    QMap<int, QPointer<QObject>> m_streamReceivers;
    QPointer<QObject> m_errorReceiver;
    unsigned long m_idleSleep = 5000;

    // Owned by the exchange in progress (exchange lock).
    QMap<int, USBCommRequestPtr> m_pendingRequests;
    QMap<int, USBReceivedPacket> m_receivedPackets;
};
