#pragma once

#include "SimBoardFraming.h"
#include "SimIBoardBootloader.h"

#include <QVector>
#include <boost/shared_ptr.hpp>

// The board's side of the byte-and-acknowledge handshake its bootloader speaks: a command byte
// is acknowledged, its payload (of the length the bootloader names) is acknowledged again, and
// the reply bytes follow. A command without payload is answered right after its acknowledge.
class SimBoardHandshakeFraming : public SimBoardFraming
{
public:
    explicit SimBoardHandshakeFraming(const boost::shared_ptr<SimIBoardBootloader>& bootloader);

    void hostWrote(SimFtdiChannel& channel, const QVector<quint8>& bytes) override;
    // The bootloader sends nothing unasked; late replies leave.
    void advance(SimFtdiChannel& channel, qint64 milliseconds) override;

private:
    // Consumes what the host wrote as far as the exchange allows; false when more is needed.
    bool step(SimFtdiChannel& channel);

    boost::shared_ptr<SimIBoardBootloader> m_pBootloader;
    QVector<quint8> m_received;
    bool m_inCommand = false;
    quint8 m_command = 0;
    SimIBoardBootloader::Command m_current;
};
