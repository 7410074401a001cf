#include "USBDefaultCommRequest.h"

#include <QMutexLocker>

USBDefaultCommRequest::USBDefaultCommRequest()
    : m_id(nextCommRequestId())
{
}

bool USBDefaultCommRequest::acceptsPacket(int) const
{
    return false;
}

// Locked as well: a caller may look at a request while its exchange still runs on a worker.
void USBDefaultCommRequest::setReplyData(const QVector<quint8>& data)
{
    QMutexLocker lock(&m_mutex);
    m_replyData = data;
}

QVector<quint8> USBDefaultCommRequest::getReplyData() const
{
    QMutexLocker lock(&m_mutex);
    return m_replyData;
}

bool USBDefaultCommRequest::parsesReply() const
{
    return false;
}

USBResult USBDefaultCommRequest::processReply(const QVector<quint8>&)
{
    return USBResult();
}

USBResult USBDefaultCommRequest::readReply(const boost::shared_ptr<USBISocket>&)
{
    return USBResult();
}

int USBDefaultCommRequest::getId() const
{
    return m_id;
}

void USBDefaultCommRequest::setResult(const USBResult& result)
{
    QMutexLocker lock(&m_mutex);
    m_result = result;
    m_done = true;
}

bool USBDefaultCommRequest::isDone() const
{
    QMutexLocker lock(&m_mutex);
    return m_done;
}

USBResult USBDefaultCommRequest::getResult() const
{
    QMutexLocker lock(&m_mutex);
    return m_result;
}
