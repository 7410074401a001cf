#include "SimBoardHandshakeFraming.h"

#include "SimFtdiChannel.h"

SimBoardHandshakeFraming::SimBoardHandshakeFraming(const boost::shared_ptr<SimIBoardBootloader>& bootloader)
    : m_pBootloader(bootloader)
{
}

void SimBoardHandshakeFraming::hostWrote(SimFtdiChannel& channel, const QVector<quint8>& bytes)
{
    m_received += bytes;
    while (step(channel))
    {
    }
}

void SimBoardHandshakeFraming::advance(SimFtdiChannel& channel, qint64 milliseconds)
{
    advanceReplies(channel, milliseconds);
}

bool SimBoardHandshakeFraming::step(SimFtdiChannel& channel)
{
    if (!m_inCommand)
    {
        if (m_received.isEmpty())
            return false;
        m_command = m_received.takeFirst();
        m_current = m_pBootloader->beginCommand(m_command);
        if (!m_current.answered)
            return true;
        if (!m_current.raw)
        {
            reply(channel, {m_current.acknowledge});
            if (!m_current.accepted)
                return true;
        }
        m_inCommand = true;
    }

    if (m_received.count() < m_current.payloadLength)
        return false;
    const QVector<quint8> payload = m_received.mid(0, m_current.payloadLength);
    m_received.remove(0, m_current.payloadLength);
    m_inCommand = false;

    const SimIBoardBootloader::Reply finished = m_pBootloader->finishCommand(m_command, payload);
    if (m_current.raw)
        return true;
    QVector<quint8> answer;
    if (!payload.isEmpty())
        answer.append(finished.acknowledge);
    answer += finished.data;
    if (!answer.isEmpty())
        reply(channel, answer);
    return true;
}
