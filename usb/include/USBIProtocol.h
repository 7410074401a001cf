#pragma once

#include "USBICommRequest.h"
#include "USBISocket.h"
#include "USBResult.h"

#include <QObject>
#include <boost/shared_ptr.hpp>

// A protocol runs requests over one socket, directly (transact) or queued on its worker thread
// (post), whose outcome reaches the receiver as a USBRequestEvent.
class USBIProtocol
{
public:
    virtual ~USBIProtocol();
    virtual void setIdleSleep(unsigned long microseconds) = 0;
    virtual bool isRunning() const = 0;
    virtual void registerStreamReceiver(int streamId, QObject* receiver) = 0;
    virtual void unregisterStreamReceiver(int streamId) = 0;
    virtual void setErrorReceiver(QObject* receiver) = 0;
    virtual void start() = 0;
    virtual bool stop() = 0;
    virtual USBSocketPtr getSocket() const = 0;
    virtual USBResult transact(const USBCommRequestPtr& request) = 0;
    virtual void post(const USBCommRequestPtr& request, QObject* receiver) = 0;
    virtual void clearQueue() = 0;
    virtual bool isIdle() const = 0;
    virtual void waitForIdle() = 0;
    virtual void setSocket(const USBSocketPtr& socket) = 0;
};

typedef boost::shared_ptr<USBIProtocol> USBProtocolPtr;
