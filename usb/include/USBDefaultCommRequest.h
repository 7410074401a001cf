#pragma once

#include "USBICommRequest.h"

#include <QMutex>

// Base of requests: an id from the process-wide counter, reply storage, a result and a done flag.
class USBDefaultCommRequest : public USBICommRequest
{
public:
    USBDefaultCommRequest();

    bool acceptsPacket(int id) const override;
    void setReplyData(const QVector<quint8>& data) override;
    QVector<quint8> getReplyData() const override;
    bool parsesReply() const override;
    USBResult processReply(const QVector<quint8>& data) override;
    USBResult readReply(const boost::shared_ptr<USBISocket>& socket) override;
    int getId() const override;
    void setResult(const USBResult& result) override;
    bool isDone() const override;
    USBResult getResult() const override;

private:
    // Guards the reply data, the result and the done flag.
    mutable QMutex m_mutex;
    int m_id;
    QVector<quint8> m_replyData;
    USBResult m_result;
    bool m_done = false;
};
