#include "SimBoardFraming.h"

#include "SimFtdiChannel.h"

void SimBoardFraming::setReplyDelay(qint64 milliseconds)
{
    m_replyDelay = milliseconds;
}

void SimBoardFraming::takeRepliesFrom(SimBoardFraming& earlier)
{
    for (PendingReply& pending : earlier.m_replies)
        m_replies.push_back({m_time + pending.m_due - earlier.m_time, pending.m_bytes});
    earlier.m_replies.clear();
}

void SimBoardFraming::reply(SimFtdiChannel& channel, const QVector<quint8>& bytes)
{
    m_replies.push_back({m_time + m_replyDelay, bytes});
    sendDueReplies(channel);
}

void SimBoardFraming::advanceReplies(SimFtdiChannel& channel, qint64 milliseconds)
{
    m_time += milliseconds;
    sendDueReplies(channel);
}

void SimBoardFraming::sendDueReplies(SimFtdiChannel& channel)
{
    while (!m_replies.empty() && m_replies.front().m_due <= m_time)
    {
        channel.sendToHost(m_replies.front().m_bytes);
        m_replies.pop_front();
    }
}
