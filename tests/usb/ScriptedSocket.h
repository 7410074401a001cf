#pragma once

#include "USBISocket.h"
#include "USBProtocolClock.h"

#include <QAtomicInteger>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QVector>
#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>
#include <deque>

// A clock whose time moves only when somebody sleeps on it, so a 4000 ms time-out passes in
// a few milliseconds and can be measured exactly.
class ManualClock : public USBProtocolClock
{
public:
    qint64 getMilliseconds() const override { return m_microseconds.loadAcquire() / 1000; }
    void sleepMicroseconds(unsigned long microseconds) override
    {
        if (m_frozen.loadAcquire() == 0)
            m_microseconds.fetchAndAddOrdered(qint64(microseconds));
        // Let the other threads of a test run; the time that counts is the simulated one.
        QThread::usleep(20);
    }
    void pauseMicroseconds(std::condition_variable&, std::unique_lock<std::mutex>& lock,
                           unsigned long microseconds) override
    {
        lock.unlock();
        sleepMicroseconds(microseconds);
        lock.lock();
    }
    void advance(qint64 milliseconds) { m_microseconds.fetchAndAddOrdered(milliseconds * 1000); }
    // A frozen clock keeps a waiting exchange waiting until the test lets its reply arrive.
    void setFrozen(bool frozen) { m_frozen.storeRelease(frozen ? 1 : 0); }

private:
    QAtomicInteger<qint64> m_microseconds{0};
    QAtomicInt m_frozen{0};
};

// What the board answers to one write of the host: bytes that become readable after a
// delay, silence, or an unplugged cable.
struct ScriptedReply
{
    QVector<quint8> bytes;
    qint64 delayMs = 0;
    bool unplug = false;
};

// The channel behind a scripted socket and all its clones: the bytes the host wrote, the
// bytes the board will send and when, and the channel's open and unplugged state.
class ScriptedChannel
{
public:
    static const int s_readTimeoutMs = 1000;

    explicit ScriptedChannel(const boost::shared_ptr<ManualClock>& clock) : m_pClock(clock) {}

    // Bytes the board sends delayMs from now.
    void send(const QVector<quint8>& bytes, qint64 delayMs = 0)
    {
        QMutexLocker lock(&m_mutex);
        m_incoming.push_back({m_pClock->getMilliseconds() + delayMs, bytes});
    }
    // One reply per later write of the host, in order; writes beyond the script get none.
    void script(const QList<ScriptedReply>& replies)
    {
        QMutexLocker lock(&m_mutex);
        m_script += replies;
    }
    void unplug()
    {
        QMutexLocker lock(&m_mutex);
        m_unplugged = true;
    }
    // The cable is pulled once the host has read this many more bytes.
    void unplugAfterReading(int bytes)
    {
        QMutexLocker lock(&m_mutex);
        m_unplugAfterRead = bytes;
    }
    QVector<quint8> written() const
    {
        QMutexLocker lock(&m_mutex);
        return m_written;
    }
    QList<QVector<quint8>> writes() const
    {
        QMutexLocker lock(&m_mutex);
        return m_writes;
    }
    // Simulated time of each write.
    QList<qint64> writeTimes() const
    {
        QMutexLocker lock(&m_mutex);
        return m_writeTimes;
    }
    int pendingBytes() const
    {
        QMutexLocker lock(&m_mutex);
        int count = 0;
        for (const Chunk& chunk : m_incoming)
            count += chunk.bytes.count();
        return count;
    }
    bool isOpen() const
    {
        QMutexLocker lock(&m_mutex);
        return m_open;
    }
    bool sawOverlappingReads() const { return m_overlap.loadAcquire() != 0; }
    int timeoutsApplied() const { return m_timeouts.loadAcquire(); }

    // Operations of the sockets.
    void open()
    {
        QMutexLocker lock(&m_mutex);
        m_open = true;
    }
    void close()
    {
        QMutexLocker lock(&m_mutex);
        m_open = false;
    }
    USBSocketStatus status()
    {
        QMutexLocker lock(&m_mutex);
        USBSocketStatus status;
        if (!m_open)
            return status;
        if (m_unplugged)
        {
            status.state = USBSocketStatus::LibraryError;
            status.message = "Communication error";
            return status;
        }
        status.state = USBSocketStatus::Open;
        status.rxQueueCount = quint32(availableLocked());
        return status;
    }
    void write(const QVector<quint8>& bytes)
    {
        QMutexLocker lock(&m_mutex);
        checkUsableLocked();
        m_written += bytes;
        m_writes.append(bytes);
        const qint64 now = m_pClock->getMilliseconds();
        m_writeTimes.append(now);
        if (m_script.isEmpty())
            return;
        const ScriptedReply reply = m_script.takeFirst();
        if (reply.unplug)
            m_unplugged = true;
        if (!reply.bytes.isEmpty())
            m_incoming.push_back({now + reply.delayMs, reply.bytes});
    }
    int rxQueueCount()
    {
        ReadGuard guard(this);
        QMutexLocker lock(&m_mutex);
        checkUsableLocked();
        return availableLocked();
    }
    // Blocks like the library read: waits up to the read time-out for late bytes.
    void read(quint8* destination, int count)
    {
        ReadGuard guard(this);
        QMutexLocker lock(&m_mutex);
        checkUsableLocked();
        if (availableLocked() < count)
        {
            const qint64 ready = readyTimeLocked(count);
            const qint64 now = m_pClock->getMilliseconds();
            if (ready < 0 || ready > now + s_readTimeoutMs)
            {
                // A short read takes what came and then times out.
                takeLocked(destination, availableLocked());
                m_pClock->advance(s_readTimeoutMs);
                throw USBResult("Communication timed out", 2);
            }
            m_pClock->advance(ready - now);
        }
        takeLocked(destination, count);
        if (m_unplugAfterRead >= 0)
        {
            m_unplugAfterRead -= count;
            if (m_unplugAfterRead <= 0)
            {
                m_unplugged = true;
                m_unplugAfterRead = -1;
            }
        }
    }
    void applyTimeouts() { m_timeouts.fetchAndAddOrdered(1); }

private:
    struct Chunk
    {
        qint64 at;
        QVector<quint8> bytes;
    };

    // Notes two threads inside the channel's read operations at once.
    class ReadGuard
    {
    public:
        explicit ReadGuard(ScriptedChannel* channel) : m_pChannel(channel)
        {
            if (m_pChannel->m_readers.fetchAndAddOrdered(1) != 0)
                m_pChannel->m_overlap.storeRelease(1);
            QThread::yieldCurrentThread();
        }
        ~ReadGuard() { m_pChannel->m_readers.fetchAndAddOrdered(-1); }

    private:
        ScriptedChannel* m_pChannel;
    };

    void checkUsableLocked() const
    {
        if (!m_open)
            throw USBResult("Device not open", 2);
        if (m_unplugged)
            throw USBResult("Communication error", 2);
    }
    int availableLocked() const
    {
        const qint64 now = m_pClock->getMilliseconds();
        int count = 0;
        for (const Chunk& chunk : m_incoming)
        {
            if (chunk.at > now)
                break;
            count += chunk.bytes.count();
        }
        return count;
    }
    void takeLocked(quint8* destination, int count)
    {
        for (int i = 0; i < count; ++i)
        {
            Chunk& chunk = m_incoming.front();
            destination[i] = chunk.bytes.takeFirst();
            if (chunk.bytes.isEmpty())
                m_incoming.pop_front();
        }
    }
    // When count bytes will have arrived; -1 when they never will.
    qint64 readyTimeLocked(int count) const
    {
        int total = 0;
        for (const Chunk& chunk : m_incoming)
        {
            total += chunk.bytes.count();
            if (total >= count)
                return chunk.at;
        }
        return -1;
    }

    boost::shared_ptr<ManualClock> m_pClock;
    mutable QMutex m_mutex;
    QVector<quint8> m_written;
    QList<QVector<quint8>> m_writes;
    QList<qint64> m_writeTimes;
    std::deque<Chunk> m_incoming;
    QList<ScriptedReply> m_script;
    bool m_open = true;
    bool m_unplugged = false;
    int m_unplugAfterRead = -1;
    QAtomicInt m_readers{0};
    QAtomicInt m_overlap{0};
    QAtomicInt m_timeouts{0};
};

// A socket on a scripted channel; its clones share the channel, as clones of a real socket
// share the library handle.
class ScriptedSocket : public USBISocket
{
public:
    explicit ScriptedSocket(const boost::shared_ptr<ScriptedChannel>& channel) : m_pChannel(channel) {}

    USBSocketPtr clone() const override { return boost::make_shared<ScriptedSocket>(m_pChannel); }
    USBResult open(int) override
    {
        m_pChannel->open();
        return USBResult();
    }
    USBResult close() override
    {
        m_pChannel->close();
        return USBResult();
    }
    void resetAndClose() override { m_pChannel->close(); }
    bool isFifo() const override { return false; }
    int getDeviceIndex() const override { return 0; }
    bool isOpen() const override { return m_pChannel->isOpen(); }
    USBSocketStatus getStatus() override { return m_pChannel->status(); }
    int purge() override { return 0; }
    void writeByte(quint8 value) override { m_pChannel->write({value}); }
    int writeBytes(QVector<quint8> bytes) override
    {
        if (!m_pChannel->isOpen())
            throw USBResult("Device not open", 2);
        if (bytes.isEmpty())
            return 0;
        m_pChannel->write(bytes);
        return bytes.count();
    }
    QVector<quint8> read(int count) override
    {
        QVector<quint8> bytes(count);
        m_pChannel->read(bytes.data(), count);
        return bytes;
    }
    void readInto(quint8* destination, int count) override { m_pChannel->read(destination, count); }
    void readAvailable(QVector<quint8>&, int) override {}
    int getRxQueueCount() override { return m_pChannel->rxQueueCount(); }
    void applyTimeouts() override { m_pChannel->applyTimeouts(); }
    void setExpectedReadCount(int) override {}

private:
    boost::shared_ptr<ScriptedChannel> m_pChannel;
};
