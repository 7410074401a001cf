#include "USBQueuedProtocol.h"

#include "USBEventRelay.h"
#include "USBRequestEvent.h"

#include <QMutexLocker>

USBQueuedProtocol::USBQueuedProtocol(const USBProtocolClockPtr& clock)
    : m_pClock(clock ? clock : USBProtocolClockPtr(new USBProtocolClock()))
{
}

// Each protocol ends its worker in its own destructor, while its overrides still exist.
USBQueuedProtocol::~USBQueuedProtocol()
{
    Q_ASSERT_X(!QThread::isRunning(), "src\\USBQueuedProtocol", "!isRunning()");
}

bool USBQueuedProtocol::isRunning() const
{
    return QThread::isRunning();
}

void USBQueuedProtocol::start()
{
    startWorker(false);
}

bool USBQueuedProtocol::stop()
{
    if (!QThread::isRunning())
        return false;
    {
        QMutexLocker lock(&m_mutex);
        m_stop = true;
        m_wakeUp.wakeAll();
    }
    const bool ended = QThread::wait();
    QMutexLocker lock(&m_mutex);
    m_stop = false;
    return ended;
}

USBSocketPtr USBQueuedProtocol::getSocket() const
{
    QMutexLocker lock(&m_mutex);
    return m_pWorkerSocket;
}

USBResult USBQueuedProtocol::transact(const USBCommRequestPtr& request)
{
    QMutexLocker exchangeLock(&m_exchangeMutex);
    USBSocketPtr socket;
    {
        QMutexLocker lock(&m_mutex);
        m_pWorkerSocket = m_pSocket;
        socket = m_pSocket;
    }
    return exchange(request, socket);
}

void USBQueuedProtocol::post(const USBCommRequestPtr& request, QObject* receiver)
{
    USBQueueEntry entry;
    entry.m_pRequest = request;
    entry.m_receiver = receiver;
    {
        QMutexLocker lock(&m_mutex);
        Q_ASSERT_X(m_pWorkerSocket, "src\\USBQueuedProtocol", "m_pWorkerSocket");
        entry.m_serial = m_nextSerial++;
        m_queue.prepend(entry);
        m_wakeUp.wakeAll();
    }
    startWorker(true);
}

void USBQueuedProtocol::clearQueue()
{
    QMutexLocker lock(&m_mutex);
    m_queue.clear();
}

bool USBQueuedProtocol::isIdle() const
{
    if (!QThread::isRunning())
        return true;
    QMutexLocker lock(&m_mutex);
    return m_queue.isEmpty();
}

void USBQueuedProtocol::waitForIdle()
{
    while (!isIdle())
        QThread::msleep(1);
}

void USBQueuedProtocol::setSocket(const USBSocketPtr& socket)
{
    const USBSocketPtr clone = socket ? socket->clone() : USBSocketPtr();
    bool queued = false;
    {
        QMutexLocker lock(&m_mutex);
        m_pSocket = clone;
        m_wakeUp.wakeAll();
        if (clone && !m_workerActive)
            m_pWorkerSocket = clone;
        queued = !m_queue.isEmpty();
    }
    if (clone)
    {
        // A channel that has died since it was opened cannot take its timeouts; the next
        // exchange on it reports that, so nothing may escape from here.
        try
        {
            applyTimeouts(clone);
        }
        catch (const USBResult&)
        {
        }
        if (queued)
            startWorker(true);
        return;
    }

    // The worker ends at its next pass; an exchange in progress gives up as soon as it sees
    // its socket gone, so this wait is short. Only then is the state torn down.
    QThread::wait();
    QMutexLocker exchangeLock(&m_exchangeMutex);
    {
        QMutexLocker lock(&m_mutex);
        m_queue.clear();
        m_pWorkerSocket.reset();
    }
    resetExchangeState();
}

USBSocketPtr USBQueuedProtocol::getKeptSocket() const
{
    QMutexLocker lock(&m_mutex);
    return m_pSocket;
}

bool USBQueuedProtocol::isSocketGone(const USBSocketPtr& socket) const
{
    QMutexLocker lock(&m_mutex);
    return m_pSocket != socket;
}

void USBQueuedProtocol::run()
{
    for (;;)
    {
        {
            QMutexLocker lock(&m_mutex);
            if (!m_pSocket || m_stop)
            {
                m_workerActive = false;
                return;
            }
            m_pWorkerSocket = m_pSocket;
        }

        while (runNextEntry())
        {
        }

        if (!idlePass())
        {
            endWorker();
            return;
        }
        pause();
    }
}

void USBQueuedProtocol::pause()
{
    const unsigned long microseconds = getIdleSleep();
    QMutexLocker lock(&m_mutex);
    if (m_queue.isEmpty() && m_pSocket && !m_stop)
        m_pClock->pauseMicroseconds(m_wakeUp, m_mutex, microseconds);
}

void USBQueuedProtocol::startWorker(bool forQueuedWork)
{
    QThread::Priority priority = QThread::InheritPriority;
    {
        QMutexLocker lock(&m_mutex);
        // The worker may have run the new entry and ended (on a dead channel) since it was
        // queued: a fresh worker for an empty queue would only report that channel again.
        if (m_workerActive || !m_pWorkerSocket || (forQueuedWork && m_queue.isEmpty()))
            return;
        m_workerActive = true;
        priority = getWorkerPriority(m_pWorkerSocket);
    }
    // A worker that has just decided to end may still be leaving run().
    QThread::wait();
    QThread::start(priority);
}

bool USBQueuedProtocol::runNextEntry()
{
    USBQueueEntry entry;
    {
        QMutexLocker lock(&m_mutex);
        if (m_queue.isEmpty() || !m_pSocket)
            return false;
        m_pWorkerSocket = m_pSocket;
        entry = m_queue.last();
    }
    const USBResult result = transact(entry.m_pRequest);
    USBEventRelay::post(entry.m_receiver, new USBRequestEvent(entry.m_pRequest, result));
    removeEntry(entry.m_serial);
    return true;
}

void USBQueuedProtocol::removeEntry(quint64 serial)
{
    QMutexLocker lock(&m_mutex);
    for (int i = m_queue.count() - 1; i >= 0; --i)
    {
        if (m_queue.at(i).m_serial == serial)
        {
            m_queue.remove(i);
            return;
        }
    }
}

void USBQueuedProtocol::endWorker()
{
    QMutexLocker lock(&m_mutex);
    m_workerActive = false;
}
