#include "SimBoardPacketFraming.h"

#include "SimFtdiChannel.h"
#include "USBByteHelpers.h"

namespace
{
// A request frame from the host and a long frame to it share the first byte.
const quint8 s_requestFrame = 0x05;
const quint8 s_longFrame = 0x05;
const quint8 s_shortFrame = 0x07;
const int s_requestHeaderSize = 8;
const int s_maxShortFrameData = 255;
}

SimBoardPacketFraming::SimBoardPacketFraming(const boost::shared_ptr<SimIBoardFirmware>& firmware)
    : m_pFirmware(firmware)
{
}

void SimBoardPacketFraming::hostWrote(SimFtdiChannel& channel, const QVector<quint8>& bytes)
{
    m_received += bytes;
    handleRequests(channel);
}

void SimBoardPacketFraming::advance(SimFtdiChannel& channel, qint64 milliseconds)
{
    m_pFirmware->advance(milliseconds);
    advanceReplies(channel, milliseconds);
    const QVector<QVector<quint8>> packets = m_pFirmware->takeStreamPackets();
    for (const QVector<quint8>& packet : packets)
        channel.sendToHost(packet.count() <= s_maxShortFrameData ? shortFrame(packet) : longFrame(0, 0, packet));
}

QVector<quint8> SimBoardPacketFraming::shortFrame(const QVector<quint8>& data)
{
    QVector<quint8> frame{s_shortFrame, quint8(data.count())};
    frame += data;
    return frame;
}

QVector<quint8> SimBoardPacketFraming::longFrame(quint32 id, quint8 status, const QVector<quint8>& data)
{
    QVector<quint8> frame{s_longFrame};
    appendUInt32(frame, id);
    frame.append(status);
    appendUInt16(frame, quint16(data.count()));
    frame += data;
    return frame;
}

void SimBoardPacketFraming::handleRequests(SimFtdiChannel& channel)
{
    for (;;)
    {
        int start = 0;
        while (start < m_received.count() && m_received.at(start) != s_requestFrame)
            ++start;
        m_received.remove(0, start);
        if (m_received.count() < s_requestHeaderSize)
            return;
        const int length = readUInt16(m_received, 6);
        if (m_received.count() < s_requestHeaderSize + length)
            return;

        const quint32 id = readUInt32(m_received, 1);
        const quint8 command = m_received.at(5);
        const QVector<quint8> payload = m_received.mid(s_requestHeaderSize, length);
        m_received.remove(0, s_requestHeaderSize + length);

        const SimIBoardFirmware::Reply answer = m_pFirmware->handleCommand(command, payload);
        if (answer.answered)
            reply(channel, longFrame(id, answer.status, answer.data));
    }
}
