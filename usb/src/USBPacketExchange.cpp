#include "USBPacketExchange.h"

#include "USBByteHelpers.h"
#include "USBEventRelay.h"
#include "USBPacketErrorEvent.h"
#include "USBPacketStreamEvent.h"

#include <QMutexLocker>

#include <algorithm>

namespace
{
const quint8 s_longFrame = 0x05;
const quint8 s_shortFrame = 0x07;
const int s_longHeaderRest = 7;
const int s_maxPayload = 0xFFFF;
}

USBPacketExchange::USBPacketExchange(const USBProtocolClockPtr& clock)
    : m_pClock(clock)
{
}

void USBPacketExchange::setIdleSleep(unsigned long microseconds)
{
    QMutexLocker lock(&m_mutex);
    m_idleSleep = microseconds;
}

void USBPacketExchange::registerStreamReceiver(int streamId, QObject* receiver)
{
    QMutexLocker lock(&m_mutex);
    m_streamReceivers.insert(streamId, receiver);
}

void USBPacketExchange::unregisterStreamReceiver(int streamId)
{
    QMutexLocker lock(&m_mutex);
    m_streamReceivers.remove(streamId);
}

void USBPacketExchange::setErrorReceiver(QObject* receiver)
{
    QMutexLocker lock(&m_mutex);
    m_errorReceiver = receiver;
}

USBResult USBPacketExchange::exchange(const USBCommRequestPtr& request, const USBSocketPtr& socket, qint64 deadlineMs,
                                      const std::function<bool()>& abandoned)
{
    const int id = request->getId();
    try
    {
        if (!socket)
            throw USBResult("Invalid communication handle.", 2);

        if (request->isRaw())
        {
            socket->writeByte(request->getCommand());
            socket->writeBytes(request->getPayload());
            return USBResult();
        }

        writeFrame(request, socket);
        m_awaiting = true;
        m_awaitedId = id;
        m_replied = false;
        for (;;)
        {
            receivePackets(socket);
            if (m_replied)
            {
                const USBReceivedPacket packet = std::move(m_reply);
                reset();
                takeReply(request, packet);
                return USBResult();
            }
            // The device is being closed: give up now rather than at the time-out.
            if (abandoned())
                throw USBResult("Invalid communication handle.", 2);
            if (m_pClock->getMilliseconds() >= deadlineMs)
                throw USBResult("Communication timed out", 2);
            m_pClock->sleepMicroseconds(s_replyPollMicroseconds);
        }
    }
    catch (const USBResult& error)
    {
        // A reply arriving later finds no waiting request and is dropped.
        reset();
        return error;
    }
}

QVector<quint8> USBPacketExchange::makeLongFrame(quint32 id, quint8 code, const QVector<quint8>& data)
{
    QVector<quint8> frame;
    fillLongFrame(frame, id, code, data);
    return frame;
}

void USBPacketExchange::fillLongFrame(QVector<quint8>& frame, quint32 id, quint8 code, const QVector<quint8>& data)
{
    frame.resize(1 + s_longHeaderRest + data.count());
    quint8* bytes = frame.data();
    bytes[0] = s_longFrame;
    storeUInt32(bytes + 1, id);
    bytes[5] = code;
    storeUInt16(bytes + 6, quint16(data.count()));
    std::copy(data.cbegin(), data.cend(), bytes + 1 + s_longHeaderRest);
}

void USBPacketExchange::writeFrame(const USBCommRequestPtr& request, const USBSocketPtr& socket)
{
    const QVector<quint8> payload = request->getPayload();
    // The length field has 16 bits; a longer payload would desynchronise the board's reader.
    if (payload.count() > s_maxPayload)
        throw USBResult("Request payload too long.", 2);
    fillLongFrame(m_frame, quint32(request->getId()), request->getCommand(), payload);
    socket->writeBytes(m_frame);
}

void USBPacketExchange::takeReply(const USBCommRequestPtr& request, const USBReceivedPacket& packet)
{
    USBResult result = request->checkReply(packet.m_status);
    if (!result.isOk())
        throw result;
    if (request->parsesReply())
    {
        result = request->processReply(packet.m_data);
        if (!result.isOk())
            throw result;
        return;
    }
    if (packet.m_data.count() != request->getExpectedReturnDataCount())
        throw USBResult("Unexpected packet length.", 2);
    request->setReplyData(packet.m_data);
}

void USBPacketExchange::receivePackets(const USBSocketPtr& socket)
{
    try
    {
        int available = socket->getRxQueueCount();
        while (available != 0)
        {
            USBReceivedPacket frame;
            socket->readInto(&frame.m_type, 1);
            if (frame.m_type == s_longFrame)
            {
                quint8 header[s_longHeaderRest];
                socket->readInto(header, s_longHeaderRest);
                frame.m_id = loadUInt32(header);
                frame.m_status = header[4];
                frame.m_length = loadUInt16(header + 5);
            }
            else if (frame.m_type == s_shortFrame)
            {
                quint8 length = 0;
                socket->readInto(&length, 1);
                frame.m_length = length;
            }
            else
            {
                throw USBResult("Communication stream is corrupted.", 2);
            }
            frame.m_data.resize(frame.m_length);
            if (frame.m_length > 0)
                socket->readInto(frame.m_data.data(), frame.m_length);

            dispatchFrame(frame);
            if (m_replied)
                return;
            available = socket->getRxQueueCount();
        }
    }
    catch (const USBResult&)
    {
        reset();
        throw;
    }
}

void USBPacketExchange::dispatchFrame(USBReceivedPacket& frame)
{
    const int id = int(frame.m_id);
    QMutexLocker lock(&m_mutex);
    const auto receiver = m_streamReceivers.constFind(id);
    if (receiver != m_streamReceivers.constEnd())
    {
        USBEventRelay::post(receiver.value(), new USBPacketStreamEvent(id, frame.m_data, USBResult()));
    }
    else if (m_awaiting && id == m_awaitedId)
    {
        m_reply = std::move(frame);
        m_replied = true;
    }
}

bool USBPacketExchange::readsUnasked() const
{
    return true;
}

USBResult USBPacketExchange::receiveUnasked(const USBSocketPtr& socket)
{
    try
    {
        receivePackets(socket);
        return USBResult();
    }
    catch (const USBResult& error)
    {
        // Nothing waits for what the board sends unasked, so the failure goes to the error
        // receiver and the channel is closed: its stream can no longer be trusted.
        socket->close();
        QPointer<QObject> receiver;
        {
            QMutexLocker lock(&m_mutex);
            receiver = m_errorReceiver;
        }
        USBEventRelay::post(receiver, new USBPacketErrorEvent(0, error));
        return error;
    }
}

unsigned long USBPacketExchange::getIdleSleep() const
{
    QMutexLocker lock(&m_mutex);
    return m_idleSleep;
}

QThread::Priority USBPacketExchange::getWorkerPriority(const USBSocketPtr& socket) const
{
    return socket->isFifo() ? QThread::TimeCriticalPriority : QThread::InheritPriority;
}

void USBPacketExchange::reset()
{
    m_awaiting = false;
    m_replied = false;
    m_reply = USBReceivedPacket();
}
