#pragma once

#include "SimBoardFraming.h"
#include "SimIBoardFirmware.h"

#include <QVector>
#include <boost/shared_ptr.hpp>

// The board's side of the packet protocol on its command channel: request frames from the host
// go to the firmware one at a time, its replies go back as long frames (type 5) carrying the
// request id, and the stream packets it produces go out as short frames (type 7, stream 0).
//
// Board behaviour the protocol leaves open: bytes that cannot start a request frame (anything
// but 0x05) are skipped until one that can; a stream packet longer than a short frame holds
// (255 bytes) goes out whole as a long frame of stream id 0.
class SimBoardPacketFraming : public SimBoardFraming
{
public:
    explicit SimBoardPacketFraming(const boost::shared_ptr<SimIBoardFirmware>& firmware);

    void hostWrote(SimFtdiChannel& channel, const QVector<quint8>& bytes) override;
    void advance(SimFtdiChannel& channel, qint64 milliseconds) override;

    // 0x07, the data length (8 bits), the data.
    static QVector<quint8> shortFrame(const QVector<quint8>& data);
    // 0x05, the request or stream id (32 bits), the status, the data length (16 bits), the data.
    static QVector<quint8> longFrame(quint32 id, quint8 status, const QVector<quint8>& data);

private:
    void handleRequests(SimFtdiChannel& channel);

    boost::shared_ptr<SimIBoardFirmware> m_pFirmware;
    // Host bytes of a request frame that is not complete yet.
    QVector<quint8> m_received;
};
