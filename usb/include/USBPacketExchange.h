#pragma once

#include "USBIProtocolExchange.h"
#include "USBProtocolClock.h"
#include "USBReceivedPacket.h"

#include <QMap>
#include <QMutex>
#include <QPointer>

// The framed exchange of the board's main firmware: requests carry a 32-bit id, replies are
// matched to waiting requests by it, and packets the board sends unasked go to the receiver
// registered for their stream id. Run by USBPacketProtocol; the receivers and the idle time
// may be changed from any thread.
class USBPacketExchange : public USBIProtocolExchange
{
public:
    // Pause between two looks for the reply.
    static const unsigned long s_replyPollMicroseconds = 2000;

    explicit USBPacketExchange(const USBProtocolClockPtr& clock);

    // A frame of type 5: 0x05, id, one byte, 16-bit data length, data. The host's request frame
    // (with the command byte) and the board's long reply frame (with the status byte) share it.
    static QVector<quint8> makeLongFrame(quint32 id, quint8 code, const QVector<quint8>& data);
    // The same into frame, whose storage is reused.
    static void fillLongFrame(QVector<quint8>& frame, quint32 id, quint8 code, const QVector<quint8>& data);

    void setIdleSleep(unsigned long microseconds);
    void registerStreamReceiver(int streamId, QObject* receiver);
    void unregisterStreamReceiver(int streamId);
    void setErrorReceiver(QObject* receiver);

    USBResult exchange(const USBCommRequestPtr& request, const USBSocketPtr& socket, qint64 deadlineMs,
                       const std::function<bool()>& abandoned) override;
    bool readsUnasked() const override;
    USBResult receiveUnasked(const USBSocketPtr& socket) override;
    unsigned long getIdleSleep() const override;
    QThread::Priority getWorkerPriority(const USBSocketPtr& socket) const override;
    void reset() override;

private:
    void writeFrame(const USBCommRequestPtr& request, const USBSocketPtr& socket);
    void takeReply(const USBCommRequestPtr& request, const USBReceivedPacket& packet);
    // Reads whole frames while the board has sent any; stops early once a waiting request has
    // its reply.
    void receivePackets(const USBSocketPtr& socket);
    // Takes the frame's data when it is the awaited reply.
    void dispatchFrame(USBReceivedPacket& frame);

    USBProtocolClockPtr m_pClock;

    // Guards the receivers and the idle time.
    mutable QMutex m_mutex;
    QMap<int, QPointer<QObject>> m_streamReceivers;
    QPointer<QObject> m_errorReceiver;
    unsigned long m_idleSleep = 5000;

    // Owned by the exchange in progress: the id of the request waiting for its reply (one at a
    // time), and the reply once it came.
    bool m_awaiting = false;
    int m_awaitedId = 0;
    bool m_replied = false;
    USBReceivedPacket m_reply;
    // The last frame written: its storage serves the next one.
    QVector<quint8> m_frame;
};
