#include "USBQueuedProtocol.h"

#include "USBEventRelay.h"
#include "USBRequestEvent.h"

namespace
{
// Longest single pause of a bounded wait, so a clock that moves in steps is asked often.
const qint64 s_waitStepMicroseconds = 2000;
}

template <class Predicate>
bool USBQueuedProtocol::waitUntil(Lock& lock, qint64 deadlineMs, Predicate keepWaiting)
{
    while (keepWaiting())
    {
        const qint64 remaining = deadlineMs - m_pClock->getMilliseconds();
        if (remaining <= 0)
            return false;
        m_pClock->pauseMicroseconds(m_stateChanged, lock, (unsigned long)qMin(remaining * 1000, s_waitStepMicroseconds));
    }
    return true;
}

USBQueuedProtocol::USBQueuedProtocol(const USBProtocolClockPtr& clock, std::unique_ptr<USBIProtocolExchange> exchange)
    : m_pClock(clock)
    , m_pExchange(std::move(exchange))
    , m_worker([this] { runWorker(); })
{
}

USBQueuedProtocol::~USBQueuedProtocol()
{
    {
        Lock lock(m_mutex);
        m_pSocket.reset();
        m_queue.clear();
        m_stop = true;
        m_workerWake.notify_all();
    }
    m_worker.wait();
}

bool USBQueuedProtocol::isRunning() const
{
    Lock lock(m_mutex);
    return m_workerActive;
}

void USBQueuedProtocol::start()
{
    startWorker();
}

bool USBQueuedProtocol::stop()
{
    {
        Lock lock(m_mutex);
        if (!m_workerActive)
            return false;
        m_stop = true;
        m_workerWake.notify_all();
    }
    const bool ended = m_worker.wait();
    Lock lock(m_mutex);
    m_stop = false;
    return ended;
}

USBSocketPtr USBQueuedProtocol::getSocket() const
{
    Lock lock(m_mutex);
    return m_pWorkerSocket;
}

USBResult USBQueuedProtocol::transact(const USBCommRequestPtr& request)
{
    const qint64 deadline = m_pClock->getMilliseconds() + s_replyTimeoutMs;
    USBSocketPtr socket;
    {
        Lock lock(m_mutex);
        ++m_directWaiting;
        const bool turn = waitUntil(lock, deadline, [this] { return m_exchangeBusy; });
        --m_directWaiting;
        if (!turn)
        {
            lock.unlock();
            m_workerWake.notify_all();
            return failUnrun(request, USBResult(QStringLiteral("Communication timed out"), 2));
        }
        m_exchangeBusy = true;
        m_pWorkerSocket = m_pSocket;
        socket = m_pSocket;
    }
    const USBResult result = runExchange(request, socket, deadline);
    endTurn(0);
    return result;
}

void USBQueuedProtocol::post(const USBCommRequestPtr& request, QObject* receiver)
{
    USBQueueEntry entry;
    entry.m_pRequest = request;
    entry.m_receiver = receiver;
    USBResult refusal;
    bool startNeeded = false;
    {
        Lock lock(m_mutex);
        if (!m_pSocket)
        {
            refusal = USBResult(QStringLiteral("Invalid communication handle."), 2);
        }
        else if (!m_channelFailure.isOk() && !m_workerActive)
        {
            refusal = m_channelFailure;
        }
        else
        {
            entry.m_serial = m_nextSerial++;
            m_queue.push_back(entry);
            // Only after a stop: otherwise the worker runs while the socket is set.
            startNeeded = !m_workerActive && !m_stop;
        }
    }
    m_workerWake.notify_all();
    if (!refusal.isOk())
    {
        USBEventRelay::post(entry.m_receiver, new USBRequestEvent(request, failUnrun(request, refusal)));
        return;
    }
    if (startNeeded)
        startWorker();
}

void USBQueuedProtocol::clearQueue()
{
    Lock lock(m_mutex);
    m_queue.clear();
    m_stateChanged.notify_all();
}

bool USBQueuedProtocol::isIdle() const
{
    Lock lock(m_mutex);
    return !m_workerActive || m_queue.empty();
}

void USBQueuedProtocol::waitForIdle()
{
    Lock lock(m_mutex);
    m_stateChanged.wait(lock, [this] { return !m_workerActive || m_queue.empty(); });
}

void USBQueuedProtocol::setSocket(const USBSocketPtr& socket)
{
    if (socket)
    {
        const USBSocketPtr clone = socket->clone();
        // A channel that has died since it was opened cannot take its timeouts; the next
        // exchange on it reports that, so nothing may escape from here.
        try
        {
            clone->applyTimeouts();
        }
        catch (const USBResult&)
        {
        }
        {
            Lock lock(m_mutex);
            m_pSocket = clone;
            m_channelFailure = USBResult();
            if (!m_workerActive)
                m_pWorkerSocket = clone;
            m_workerWake.notify_all();
        }
        startWorker();
        return;
    }

    Lock lock(m_mutex);
    m_pSocket.reset();
    m_pWorkerSocket.reset();
    m_queue.clear();
    m_workerWake.notify_all();
    // An exchange in progress gives up as soon as it sees its socket gone, so the worker
    // normally ends within a pass; a library call that does not return is waited for only
    // this long, and the worker then cleans up itself.
    waitUntil(lock, m_pClock->getMilliseconds() + s_workerEndTimeoutMs, [this] { return m_workerActive; });
    if (m_workerActive || m_exchangeBusy)
        return;
    m_exchangeBusy = true;
    lock.unlock();
    m_pExchange->reset();
    endTurn(0);
}

USBIProtocolExchange* USBQueuedProtocol::getExchange() const
{
    return m_pExchange.get();
}

void USBQueuedProtocol::runWorker()
{
    USBSocketPtr served;
    // Held except while the socket is in use: one request costs the worker one pass of the lock,
    // from the end of its exchange to the start of the next one.
    Lock lock(m_mutex);
    for (;;)
    {
        // A direct exchange holds the GUI thread: it goes first.
        m_workerWake.wait(lock, [this] { return !m_exchangeBusy && m_directWaiting == 0; });
        const USBSocketPtr socket = m_pSocket;
        const bool socketChanged = served && served != socket;
        served = socket;
        const USBResult channelFailure = m_channelFailure;
        const bool ending = !socket || m_stop || (!channelFailure.isOk() && m_queue.empty());
        if (ending && !socketChanged)
        {
            m_workerActive = false;
            lock.unlock();
            m_stateChanged.notify_all();
            return;
        }
        m_exchangeBusy = true;
        const bool haveEntry = !ending && !m_queue.empty();
        const USBQueueEntry entry = haveEntry ? m_queue.front() : USBQueueEntry();
        const bool readUnasked = !ending && !haveEntry && channelFailure.isOk() && m_pExchange->readsUnasked();
        if (!ending)
            m_pWorkerSocket = socket;
        lock.unlock();

        // What the exchanges left on a socket that has gone is forgotten before anything else.
        if (socketChanged)
            m_pExchange->reset();
        if (ending)
        {
            lock.lock();
            finishTurn(0);
            continue;
        }

        if (haveEntry)
        {
            const USBResult result =
                channelFailure.isOk() ? runExchange(entry.m_pRequest, socket, m_pClock->getMilliseconds() + s_replyTimeoutMs)
                                      : failUnrun(entry.m_pRequest, channelFailure);
            lock.lock();
            finishTurn(entry.m_serial);
            // After the turn: a receiver that asks finds the request gone from the queue.
            USBEventRelay::post(entry.m_receiver, new USBRequestEvent(entry.m_pRequest, result));
            // The exchange has just read the socket: the next look at it may wait an idle time.
            pauseWhileIdle(lock, socket, m_channelFailure.isOk() && m_pExchange->readsUnasked());
            continue;
        }

        USBResult failure;
        if (readUnasked)
        {
            // A socket closed under the protocol is dead as well, but nobody needs telling.
            failure = socket->isOpen() ? m_pExchange->receiveUnasked(socket)
                                       : USBResult(QStringLiteral("Device not open"), 2);
        }
        lock.lock();
        m_exchangeBusy = false;
        if (m_channelFailure.isOk())
            m_channelFailure = failure;
        m_stateChanged.notify_all();
        pauseWhileIdle(lock, socket, readUnasked);
    }
}

void USBQueuedProtocol::pauseWhileIdle(Lock& lock, const USBSocketPtr& socket, bool readsUnasked)
{
    if (!m_channelFailure.isOk() || !m_queue.empty() || m_pSocket != socket || m_stop || m_directWaiting > 0)
        return;
    // Unasked data is read at least once per idle time; a protocol that reads none sleeps
    // until there is work.
    if (readsUnasked)
        m_pClock->pauseMicroseconds(m_workerWake, lock, m_pExchange->getIdleSleep());
    else
        m_workerWake.wait(lock);
}

void USBQueuedProtocol::startWorker()
{
    QThread::Priority priority = QThread::InheritPriority;
    {
        Lock lock(m_mutex);
        if (m_workerActive || !m_pSocket || !m_channelFailure.isOk())
            return;
        m_workerActive = true;
        priority = m_pExchange->getWorkerPriority(m_pSocket);
    }
    // A worker that has just decided to end may still be leaving its loop.
    m_worker.wait();
    m_worker.start(priority);
}

USBResult USBQueuedProtocol::runExchange(const USBCommRequestPtr& request, const USBSocketPtr& socket, qint64 deadlineMs)
{
    const USBResult result = m_pExchange->exchange(request, socket, deadlineMs, [this, &socket] {
        Lock lock(m_mutex);
        return m_pSocket != socket;
    });
    // Only now is the outcome known.
    request->setResult(result);
    return result;
}

USBResult USBQueuedProtocol::failUnrun(const USBCommRequestPtr& request, const USBResult& failure)
{
    request->setResult(failure);
    return failure;
}

void USBQueuedProtocol::endTurn(quint64 serial)
{
    Lock lock(m_mutex);
    finishTurn(serial);
}

void USBQueuedProtocol::finishTurn(quint64 serial)
{
    m_exchangeBusy = false;
    // clearQueue may have dropped the entry while it ran.
    if (serial != 0 && !m_queue.empty() && m_queue.front().m_serial == serial)
        m_queue.pop_front();
    m_workerWake.notify_all();
    m_stateChanged.notify_all();
}
