#include "USBHandshakeExchange.h"

USBResult USBHandshakeExchange::exchange(const USBCommRequestPtr& request, const USBSocketPtr& socket, qint64,
                                         const std::function<bool()>&)
{
    try
    {
        if (!socket || !socket->isOpen())
            throw USBResult("Device not open.", 2);

        // Bytes nobody asked for mean the two sides are out of step: drop them and refuse.
        const USBSocketStatus status = socket->getStatus();
        if (status.state == USBSocketStatus::Open && status.rxQueueCount > 0)
        {
            socket->read(int(status.rxQueueCount));
            throw USBResult("Unexpected received data.", 2);
        }

        socket->writeByte(request->getCommand());
        if (request->isRaw())
        {
            Q_ASSERT_X(request->getExpectedReturnDataCount() == 0, "src\\USBHandshakeExchange",
                       "pRequest->getExpectedReturnDataCount() == 0");
            socket->writeBytes(request->getPayload());
            return USBResult();
        }

        checkAcknowledge(request, socket);
        if (socket->writeBytes(request->getPayload()) > 0)
            checkAcknowledge(request, socket);

        if (request->parsesReply())
        {
            const USBResult result = request->readReply(socket);
            if (!result.isOk())
                throw result;
        }
        else if (request->getExpectedReturnDataCount() > 0)
        {
            request->setReplyData(socket->read(request->getExpectedReturnDataCount()));
        }
        return USBResult();
    }
    catch (const USBResult& error)
    {
        return error;
    }
}

void USBHandshakeExchange::checkAcknowledge(const USBCommRequestPtr& request, const USBSocketPtr& socket)
{
    const USBResult result = request->checkReply(socket->read(1).at(0));
    if (!result.isOk())
        throw result;
}

bool USBHandshakeExchange::readsUnasked() const
{
    return false;
}

USBResult USBHandshakeExchange::receiveUnasked(const USBSocketPtr&)
{
    return USBResult();
}

unsigned long USBHandshakeExchange::getIdleSleep() const
{
    return 0;
}

QThread::Priority USBHandshakeExchange::getWorkerPriority(const USBSocketPtr&) const
{
    return QThread::InheritPriority;
}

void USBHandshakeExchange::reset()
{
}
