#pragma once

#include "USBDefaultCommRequest.h"
#include "USBIProtocol.h"

#include <QMap>
#include <QStringList>

// A protocol that notes what the driver asks of it in a journal it may share with others, as
// "<name>.<call>". Like the real protocols it keeps a clone of the socket it is given, and a
// null socket stops it.
class DriverTestProtocol : public USBIProtocol
{
public:
    DriverTestProtocol(const QString& name, QStringList* journal)
        : m_name(name)
        , m_pJournal(journal)
    {
    }

    bool running = false;
    bool idle = true;
    USBSocketPtr socket;
    USBResult transactResult;
    QObject* errorReceiver = nullptr;
    QMap<int, QObject*> streamReceivers;
    QList<QPair<USBCommRequestPtr, QObject*>> posted;

    void setIdleSleep(unsigned long) override {}
    bool isRunning() const override { return running; }
    void registerStreamReceiver(int streamId, QObject* receiver) override { streamReceivers.insert(streamId, receiver); }
    void unregisterStreamReceiver(int streamId) override { streamReceivers.remove(streamId); }
    void setErrorReceiver(QObject* receiver) override { errorReceiver = receiver; }
    void start() override
    {
        note("start");
        running = true;
    }
    bool stop() override
    {
        running = false;
        return true;
    }
    USBSocketPtr getSocket() const override { return socket; }
    USBResult transact(const USBCommRequestPtr& request) override
    {
        note(QStringLiteral("transact(%1)").arg(request->getId()));
        return transactResult;
    }
    void post(const USBCommRequestPtr& request, QObject* receiver) override
    {
        note(QStringLiteral("post(%1)").arg(request->getId()));
        posted.append(qMakePair(request, receiver));
    }
    void clearQueue() override { note("clearQueue"); }
    bool isIdle() const override { return idle; }
    void waitForIdle() override { note("waitForIdle"); }
    void setSocket(const USBSocketPtr& newSocket) override
    {
        note(newSocket ? QStringLiteral("setSocket(%1)").arg(newSocket->getDeviceIndex()) : QStringLiteral("setSocket(null)"));
        socket = newSocket ? newSocket->clone() : USBSocketPtr();
        if (!newSocket)
            running = false;
    }

private:
    void note(const QString& call) { m_pJournal->append(m_name + '.' + call); }

    QString m_name;
    QStringList* m_pJournal;
};

class DriverTestRequest : public USBDefaultCommRequest
{
public:
    bool isRaw() const override { return false; }
    quint8 getCommand() const override { return 1; }
    QVector<quint8> getPayload() const override { return {}; }
    USBResult checkReply(quint8) override { return USBResult(); }
    int getExpectedReturnDataCount() const override { return 0; }
};
