#pragma once

#include "USBIProtocol.h"
#include "USBIProtocolExchange.h"
#include "USBProtocolClock.h"
#include "USBProtocolWorker.h"
#include "USBQueueEntry.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

// What the packet and the handshake protocol share: the request queue, the one worker thread
// that serves the socket from setSocket (socket) to setSocket (null) or the destruction, and
// the turn-taking that keeps a direct transact and the worker from using the socket at once.
// The exchange itself (framing, replies, unasked data) is the protocol's USBIProtocolExchange.
//
// Every operation may be called from the GUI thread. transact and setSocket hold it no longer
// than the bounds below; stop, waitForIdle and the destruction wait for the worker.
class USBQueuedProtocol : public USBIProtocol
{
public:
    // How long a request waits for its reply; also the longest a direct transact holds its
    // caller, its wait for the worker's exchange in progress included.
    static const int s_replyTimeoutMs = 4000;
    // The longest setSocket (null) waits for the worker to end.
    static const int s_workerEndTimeoutMs = 5000;

    // Waits for the worker without limit: it uses the exchange, which goes with this object.
    ~USBQueuedProtocol() override;

    bool isRunning() const override;
    // Starts the worker again after a stop; a worker already runs while a live socket is set.
    void start() override;
    // Ends the worker at its next pass and waits for it without limit.
    bool stop() override;
    USBSocketPtr getSocket() const override;
    // Runs the request in the caller's thread, after the worker's exchange in progress.
    USBResult transact(const USBCommRequestPtr& request) override;
    // Queues the request in constant time; a protocol without a socket or on a dead channel
    // answers at once with a failed USBRequestEvent.
    void post(const USBCommRequestPtr& request, QObject* receiver) override;
    void clearQueue() override;
    bool isIdle() const override;
    void waitForIdle() override;
    // A socket starts the worker. Null takes the socket away: the queue is emptied and the
    // worker is given up to s_workerEndTimeoutMs to end; one that is stuck in a library call
    // forgets its exchange state itself when it comes back.
    void setSocket(const USBSocketPtr& socket) override;

protected:
    // clock: the one the exchange uses as well (see USBProtocolClock::orRealTime).
    USBQueuedProtocol(const USBProtocolClockPtr& clock, std::unique_ptr<USBIProtocolExchange> exchange);

    USBIProtocolExchange* getExchange() const;

private:
    typedef std::unique_lock<std::mutex> Lock;

    void runWorker();
    void startWorker();
    // Runs one exchange with the turn already taken and stores its result in the request.
    USBResult runExchange(const USBCommRequestPtr& request, const USBSocketPtr& socket, qint64 deadlineMs);
    // A request that cannot run: it fails with the given result.
    static USBResult failUnrun(const USBCommRequestPtr& request, const USBResult& failure);
    // The worker's pause, unless there is work or a change to see to; readsUnasked: wake up
    // again after the idle time.
    void pauseWhileIdle(Lock& lock, const USBSocketPtr& socket, bool readsUnasked);
    // Gives the turn back after the exchange of the queue entry with this serial (0: none).
    void endTurn(quint64 serial);
    // The same with the lock already held.
    void finishTurn(quint64 serial);
    // Waits on the protocol's clock while keepWaiting is true and the deadline has not
    // passed; false when it gave up at the deadline.
    template <class Predicate>
    bool waitUntil(Lock& lock, qint64 deadlineMs, Predicate keepWaiting);

    USBProtocolClockPtr m_pClock;
    std::unique_ptr<USBIProtocolExchange> m_pExchange;

    // Guards everything below. The standard mutex and condition variables: a posted request
    // wakes its worker markedly faster through them than through QWaitCondition or QSemaphore.
    mutable std::mutex m_mutex;
    // Wakes the worker: new work, a stop, a socket change, a direct exchange done.
    std::condition_variable m_workerWake;
    // Wakes those who wait for the worker: its turn ended, its queue ran empty, it ended.
    std::condition_variable m_stateChanged;
    bool m_stop = false;
    // From the start of a worker until it has decided to end; a thread still leaving its loop
    // counts as ended.
    bool m_workerActive = false;
    // Why the idle reading of the current socket failed (success while it has not): reported
    // once and the channel closed; every request still queued or posted later fails with it,
    // each in its own USBRequestEvent.
    USBResult m_channelFailure;
    // One exchange at a time on the socket: the worker's or a direct one.
    bool m_exchangeBusy = false;
    int m_directWaiting = 0;
    USBSocketPtr m_pWorkerSocket;
    USBSocketPtr m_pSocket;
    // Oldest first; an entry leaves the queue once its exchange has ended.
    std::deque<USBQueueEntry> m_queue;
    quint64 m_nextSerial = 1;

    // Last: it is destroyed first, after the destructor has joined it.
    USBProtocolWorker m_worker;
};
