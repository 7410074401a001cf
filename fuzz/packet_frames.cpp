// Frames the board sends, read by the packet protocol's exchange (what its worker runs) on one
// thread, so a run is repeatable: a socket that replays the fuzz bytes and a clock on which
// time-outs pass at once. Each request takes
// the next frames; a long frame that leads a request's turn is addressed to that request, so
// replies are matched and checked, not only dropped. Input: per request one byte (the reply
// data length it expects), then the bytes the board sends, until they run out.
#include "FuzzSupport.h"
#include "USBDefaultCommRequest.h"
#include "USBPacketExchange.h"

#include <boost/make_shared.hpp>

namespace
{
// Time moves only when the protocol sleeps, a second at a time.
class InstantClock : public USBProtocolClock
{
public:
    qint64 getMilliseconds() const override { return m_milliseconds; }
    void sleepMicroseconds(unsigned long) override { m_milliseconds += 1000; }
    void pauseMicroseconds(std::condition_variable&, std::unique_lock<std::mutex>&, unsigned long) override
    {
        m_milliseconds += 1000;
    }

private:
    qint64 m_milliseconds = 0;
};

class ReplayedRequest : public USBDefaultCommRequest
{
public:
    explicit ReplayedRequest(int expected) : m_expected(expected) {}
    bool isRaw() const override { return false; }
    quint8 getCommand() const override { return 0x42; }
    QVector<quint8> getPayload() const override { return {1, 2, 3}; }
    USBResult checkReply(quint8 status) override
    {
        return status == 0 ? USBResult() : USBResult(QStringLiteral("refused"), status == 1 ? 1 : 2);
    }
    int getExpectedReturnDataCount() const override { return m_expected; }

private:
    int m_expected;
};

// The board's side of the channel: the fuzz bytes and how far the host has read them.
struct ReplayChannel
{
    QByteArray bytes;
    int position = 0;
};

// A socket on the replayed channel; its clones share it, as a real socket's share the board.
class ReplaySocket : public USBISocket
{
public:
    explicit ReplaySocket(const boost::shared_ptr<ReplayChannel>& channel) : m_pChannel(channel) {}

    boost::shared_ptr<USBISocket> clone() const override { return boost::make_shared<ReplaySocket>(*this); }
    USBResult open(int) override { return USBResult(); }
    USBResult close() override { return USBResult(); }
    void resetAndClose() override {}
    bool isFifo() const override { return false; }
    int getDeviceIndex() const override { return 0; }
    bool isOpen() const override { return true; }
    USBSocketStatus getStatus() override
    {
        USBSocketStatus status;
        status.state = USBSocketStatus::Open;
        status.rxQueueCount = quint32(getRxQueueCount());
        return status;
    }
    int purge() override { return 0; }
    void writeByte(quint8) override {}
    int writeBytes(QVector<quint8> bytes) override { return bytes.count(); }
    QVector<quint8> read(int count) override
    {
        QVector<quint8> bytes(count);
        readInto(bytes.data(), count);
        return bytes;
    }
    void readInto(quint8* destination, int count) override
    {
        QByteArray& bytes = m_pChannel->bytes;
        int& position = m_pChannel->position;
        if (count < 0 || count > bytes.size() - position)
        {
            position = bytes.size();
            throw USBResult(QStringLiteral("Communication timed out"), 2);
        }
        std::copy(bytes.constBegin() + position, bytes.constBegin() + position + count, destination);
        position += count;
    }
    void readAvailable(QVector<quint8>& data, int maxSize) override
    {
        const int count = qMin(maxSize, getRxQueueCount());
        data.resize(count);
        readInto(data.data(), count);
    }
    int getRxQueueCount() override { return m_pChannel->bytes.size() - m_pChannel->position; }
    void applyTimeouts() override {}
    void setExpectedReadCount(int) override {}

private:
    boost::shared_ptr<ReplayChannel> m_pChannel;
};

// The reply to the request with this id starts where the host reads next.
void addressNextFrame(ReplayChannel& channel, quint32 id)
{
    if (channel.position + 5 <= channel.bytes.size() && quint8(channel.bytes[channel.position]) == 0x05)
        for (int i = 0; i < 4; ++i)
            channel.bytes[channel.position + 1 + i] = char(id >> (8 * i)); // little-endian, as frames carry it
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int expected = data[0];
    const auto channel = boost::make_shared<ReplayChannel>();
    channel->bytes = FuzzSupport::bytesOf(data + 1, size - 1);
    const auto clock = boost::make_shared<InstantClock>();
    USBPacketExchange exchange(clock);
    const USBSocketPtr socket = boost::make_shared<ReplaySocket>(channel);
    // A few requests at most: a failed exchange leaves the rest of the stream unread.
    for (int i = 0; i < 8 && channel->position < channel->bytes.size(); ++i)
    {
        const auto request = boost::make_shared<ReplayedRequest>(expected);
        addressNextFrame(*channel, quint32(request->getId()));
        const USBResult result = exchange.exchange(request, socket, clock->getMilliseconds() + 4000, [] { return false; });
        if (result.isOk() && request->getReplyData().count() != expected)
            FuzzSupport::fail("a reply of the wrong length was taken");
    }
    // What is left is what the board sent unasked, as an idle worker reads it.
    if (channel->position < channel->bytes.size())
        exchange.receiveUnasked(socket);
    exchange.reset();
    return 0;
}
