#pragma once

#include "SimIChannelEndpoint.h"

#include <QVector>
#include <atomic>
#include <deque>

// The board's side of a protocol on its command channel, whose replies may leave late: a slow
// board (a slow flash or link) answers each write a set number of the bus's milliseconds after
// it arrived. Replies leave in the order they were made. Called like every endpoint, with the
// bus lock held; the delay may be set from any thread.
class SimBoardFraming : public SimIChannelEndpoint
{
public:
    // 0 (the default) answers before the host's write returns.
    void setReplyDelay(qint64 milliseconds);
    // The replies still on their way from the framing this one follows (the board changed its
    // mode): they leave from here, each when it would have.
    void takeRepliesFrom(SimBoardFraming& earlier);

protected:
    // A reply to what the host just wrote: sent now, or once the delay has passed.
    void reply(SimFtdiChannel& channel, const QVector<quint8>& bytes);
    // The bus's time moved on: the replies now due leave.
    void advanceReplies(SimFtdiChannel& channel, qint64 milliseconds);

private:
    struct PendingReply
    {
        qint64 m_due;
        QVector<quint8> m_bytes;
    };

    void sendDueReplies(SimFtdiChannel& channel);

    std::atomic<qint64> m_replyDelay{0};
    qint64 m_time = 0;
    std::deque<PendingReply> m_replies;
};
