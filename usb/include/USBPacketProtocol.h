#pragma once

#include "USBPacketExchange.h"
#include "USBQueuedProtocol.h"

// The framed protocol of the board's main firmware (see USBPacketExchange) with its queue and
// worker. The worker reads what the board sends unasked at least once per idle time.
class USBPacketProtocol : public USBQueuedProtocol
{
public:
    // A null clock means real time.
    explicit USBPacketProtocol(const USBProtocolClockPtr& clock = USBProtocolClockPtr());

    static QVector<quint8> makeLongFrame(quint32 id, quint8 code, const QVector<quint8>& data)
    {
        return USBPacketExchange::makeLongFrame(id, code, data);
    }

    void setIdleSleep(unsigned long microseconds) override;
    void registerStreamReceiver(int streamId, QObject* receiver) override;
    void unregisterStreamReceiver(int streamId) override;
    void setErrorReceiver(QObject* receiver) override;

private:
    USBPacketExchange& exchange() const;
};
