#pragma once

#include "USBResult.h"

#include <QVector>
#include <boost/shared_ptr.hpp>

class USBISocket;

// One exchange with the board as the protocols run it; they never know the command set.
class USBICommRequest
{
public:
    virtual ~USBICommRequest();
    // True: command byte and payload go out without a frame and no reply is awaited.
    virtual bool isRaw() const = 0;
    virtual quint8 getCommand() const = 0;
    virtual QVector<quint8> getPayload() const = 0;
    virtual bool acceptsPacket(int id) const = 0;
    virtual void setReplyData(const QVector<quint8>& data) = 0;
    virtual QVector<quint8> getReplyData() const = 0;
    // Turns the board's status byte into a result; a result that is not OK aborts the exchange.
    virtual USBResult checkReply(quint8 status) = 0;
    virtual int getExpectedReturnDataCount() const = 0;
    // True: the request handles its reply itself (processReply / readReply).
    virtual bool parsesReply() const = 0;
    virtual USBResult processReply(const QVector<quint8>& data) = 0;
    virtual USBResult readReply(const boost::shared_ptr<USBISocket>& socket) = 0;
    virtual int getId() const = 0;
    virtual void setResult(const USBResult& result) = 0;
    virtual bool isDone() const = 0;
    virtual USBResult getResult() const = 0;
};

typedef boost::shared_ptr<USBICommRequest> USBCommRequestPtr;

// Process-wide request ids: the first request of a run gets 101.
int nextCommRequestId();
