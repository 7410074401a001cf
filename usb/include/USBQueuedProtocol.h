#pragma once

#include "USBIProtocol.h"
#include "USBProtocolClock.h"
#include "USBQueueEntry.h"

#include <QMutex>
#include <QThread>
#include <QVector>
#include <QWaitCondition>

// What the packet and the handshake protocol share: the request queue and the worker thread
// that runs it, the socket, and the exchange lock that keeps a direct transact and the worker
// from using the socket at the same time.
class USBQueuedProtocol : public QThread, public USBIProtocol
{
    Q_OBJECT

public:
    ~USBQueuedProtocol() override;

    bool isRunning() const override;
    void start() override;
    bool stop() override;
    USBSocketPtr getSocket() const override;
    USBResult transact(const USBCommRequestPtr& request) override;
    void post(const USBCommRequestPtr& request, QObject* receiver) override;
    void clearQueue() override;
    bool isIdle() const override;
    void waitForIdle() override;
    void setSocket(const USBSocketPtr& socket) override;

protected:
    explicit USBQueuedProtocol(const USBProtocolClockPtr& clock);

    // One exchange on the given socket (null when the protocol has none), run under the
    // exchange lock.
    virtual USBResult exchange(const USBCommRequestPtr& request, const USBSocketPtr& socket) = 0;
    // What the worker does after the queue ran empty; false ends the worker.
    virtual bool idlePass() = 0;
    virtual unsigned long getIdleSleep() const = 0;
    virtual QThread::Priority getWorkerPriority(const USBSocketPtr& socket) const = 0;
    virtual void applyTimeouts(const USBSocketPtr& socket) = 0;
    // Forgets what an exchange left behind; called with the exchange lock held and no worker.
    virtual void resetExchangeState() = 0;

    // The kept socket, null once it was taken away.
    USBSocketPtr getKeptSocket() const;
    // True when the socket an exchange started with has been taken away or replaced since.
    bool isSocketGone(const USBSocketPtr& socket) const;

    // Guards the queue, the stop flag, both sockets and whatever a protocol adds to them.
    mutable QMutex m_mutex;
    // Held by every exchange and by the worker's idle reception: one reader of the socket.
    QMutex m_exchangeMutex;
    USBProtocolClockPtr m_pClock;

private:
    void run() override;
    // forQueuedWork: only when entries are still waiting.
    void startWorker(bool forQueuedWork);
    // Runs the oldest queued request and reports it; false when there is none to run.
    bool runNextEntry();
    void removeEntry(quint64 serial);
    void endWorker();
    // The pause after an idle pass; new work, a stop or a lost socket end it early.
    void pause();

    QWaitCondition m_wakeUp;
    bool m_stop = false;
    // True from the start of a worker until it has decided to end; a thread still leaving
    // run() counts as ended, so a new post starts a fresh one.
    bool m_workerActive = false;
    USBSocketPtr m_pWorkerSocket;
    USBSocketPtr m_pSocket;
    // New entries at the front, the worker takes from the back: first in, first out.
    QVector<USBQueueEntry> m_queue;
    quint64 m_nextSerial = 1;
};
