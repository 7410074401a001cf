// The USB layer's hot paths on the simulated board, each beside its plain baseline in the same
// run:
// - requests posted on the packet protocol, one alone and bursts of 1 000 and 10 000 posted at
//   once, from the first postRequest to the last delivered USBRequestEvent, beside a plain
//   std::thread that does the same exchanges on the same simulated channel and posts one event
//   back for each;
// - the cost of one post with 10 and with 10 000 requests already queued.
#include "BenchSupport.h"
#include "SimBoardPacketFraming.h"
#include "SimFtdiChannel.h"
#include "SimFtdiChip.h"
#include "SimIBoardFirmware.h"
#include "SimUsbBus.h"
#include "USBByteHelpers.h"
#include "USBDefaultCommRequest.h"
#include "USBDriver.h"
#include "USBFtdiBackend.h"
#include "USBIFtdiApi.h"
#include "USBPacketProtocol.h"
#include "USBRequestEvent.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSemaphore>
#include <QThread>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <boost/make_shared.hpp>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace
{
// Answers every command with status 0 and its payload.
class EchoFirmware : public SimIBoardFirmware
{
public:
    Reply handleCommand(quint8, const QVector<quint8>& payload) override
    {
        Reply reply;
        reply.data = payload;
        return reply;
    }
    void advance(qint64) override {}
    QVector<QVector<quint8>> takeStreamPackets() override { return {}; }
};

class EchoRequest : public USBDefaultCommRequest
{
public:
    bool isRaw() const override { return false; }
    quint8 getCommand() const override { return 0x22; }
    QVector<quint8> getPayload() const override { return {0x01, 0x02, 0x03, 0x04}; }
    USBResult checkReply(quint8 status) override { return status == 0 ? USBResult() : USBResult("Refused", 2); }
    int getExpectedReturnDataCount() const override { return 4; }
};

// Takes the events of a burst; ends the event loop when the last one has arrived. A burst is
// good when every request's event came, in the order of posting, with success.
class Receiver : public QObject
{
    Q_OBJECT

public:
    void expect(const std::vector<USBCommRequestPtr>& burst)
    {
        m_pBurst = &burst;
        m_received = 0;
        m_ok = true;
    }

    QEventLoop m_loop;
    bool m_ok = false;

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() != USBRequestEvent::s_type)
            return;
        const auto* reply = static_cast<USBRequestEvent*>(event);
        const std::vector<USBCommRequestPtr>& burst = *m_pBurst;
        m_ok = m_ok && m_received < burst.size() && reply->getRequest() == burst[m_received] && reply->getResult().isOk();
        if (++m_received >= burst.size())
            m_loop.quit();
    }

private:
    const std::vector<USBCommRequestPtr>* m_pBurst = nullptr;
    size_t m_received = 0;
};

// The echo board alone on the simulated bus, in real time; null when it does not list.
USBDevicePtr echoBoard(USBDriver& driver)
{
    SimUsbBus& bus = SimUsbBus::instance();
    bus.reset();
    bus.setRealTime(true);
    SimFtdiChip& chip = bus.addChip(USBIFtdiApi::ChipFT2232H, "VTBH001010007", 0x100);
    chip.getChannel(1).setEndpoint(boost::make_shared<SimBoardPacketFraming>(boost::make_shared<EchoFirmware>()));
    return driver.enumerateDevices(true).value(0);
}

// Times bursts of state.range(0) requests: post sends one request, the receiver's loop runs
// until the burst's last event came. The requests are made before the clock starts.
template <class Post>
void timeBursts(benchmark::State& state, Receiver& receiver, Post post)
{
    const size_t count = size_t(state.range(0));
    std::vector<double> microseconds;
    QElapsedTimer timer;
    for (auto _ : state)
    {
        std::vector<USBCommRequestPtr> burst;
        for (size_t i = 0; i < count; ++i)
            burst.push_back(boost::make_shared<EchoRequest>());
        receiver.expect(burst);
        timer.start();
        for (const USBCommRequestPtr& request : burst)
            post(request);
        receiver.m_loop.exec();
        const qint64 nanoseconds = timer.nsecsElapsed();
        if (!receiver.m_ok)
        {
            state.SkipWithError("A request failed or its event came out of order");
            break;
        }
        state.SetIterationTime(double(nanoseconds) / 1e9);
        microseconds.push_back(double(nanoseconds) / 1e3 / double(count));
    }
    state.SetItemsProcessed(state.iterations() * int64_t(count));
    // Per request.
    BenchSupport::setMedian(state, microseconds);
}

void postedRequests(benchmark::State& state)
{
    USBDriver driver;
    driver.setProtocol(boost::make_shared<USBPacketProtocol>(), 0);
    const USBDevicePtr device = echoBoard(driver);
    if (!device || !driver.openDevice(device, 500000).isOk())
    {
        state.SkipWithError("The simulated board does not open");
        return;
    }
    Receiver receiver;
    timeBursts(state, receiver, [&](const USBCommRequestPtr& request) { driver.postRequest(request, &receiver, 0); });
    driver.closeDevice();
    SimUsbBus::instance().reset();
}

// The baseline: one thread, a plain queue of requests, each frame written and its reply read on
// the same channel with the same 2 ms poll, one event posted straight to the receiver.
class PlainWorker
{
public:
    PlainWorker(const USBSocketPtr& socket, QObject* receiver)
        : m_pSocket(socket)
        , m_pReceiver(receiver)
        , m_thread([this] { run(); })
    {
    }

    ~PlainWorker()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }

    void post(const USBCommRequestPtr& request)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back(request);
        }
        m_wake.notify_one();
    }

private:
    void run()
    {
        for (;;)
        {
            USBCommRequestPtr request;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return m_stop || !m_requests.empty(); });
                if (m_stop)
                    return;
                request.swap(m_requests.front());
                m_requests.pop_front();
            }
            const USBResult result = exchange(request);
            request->setResult(result);
            QCoreApplication::postEvent(m_pReceiver, new USBRequestEvent(request, result));
        }
    }

    USBResult exchange(const USBCommRequestPtr& request)
    {
        try
        {
            m_pSocket->writeBytes(
                USBPacketProtocol::makeLongFrame(quint32(request->getId()), request->getCommand(), request->getPayload()));
            while (m_pSocket->getRxQueueCount() == 0)
                QThread::usleep(2000);
            QVector<quint8> header(8);
            m_pSocket->readInto(header.data(), header.count());
            QVector<quint8> data(readUInt16(header, 6));
            m_pSocket->readInto(data.data(), data.count());
            const USBResult result = request->checkReply(header.at(5));
            if (result.isOk())
                request->setReplyData(data);
            return result;
        }
        catch (const USBResult& error)
        {
            return error;
        }
    }

    USBSocketPtr m_pSocket;
    QObject* m_pReceiver;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::deque<USBCommRequestPtr> m_requests;
    std::thread m_thread;
};

void plainWorkerRequests(benchmark::State& state)
{
    USBDriver driver;
    const USBDevicePtr device = echoBoard(driver);
    const USBSocketPtr socket = device ? device->getFirstSocket() : USBSocketPtr();
    if (!socket || !socket->open(500000).isOk())
    {
        state.SkipWithError("The simulated board does not open");
        return;
    }
    socket->applyTimeouts();
    Receiver receiver;
    {
        PlainWorker worker(socket, &receiver);
        timeBursts(state, receiver, [&](const USBCommRequestPtr& request) { worker.post(request); });
    }
    socket->close();
    SimUsbBus::instance().reset();
}

// A channel whose worker stays inside its first look at the receive queue until released, so
// posts only queue.
class HeldSocket : public USBISocket
{
public:
    explicit HeldSocket(const boost::shared_ptr<QSemaphore>& release) : m_pRelease(release) {}

    USBSocketPtr clone() const override { return boost::make_shared<HeldSocket>(m_pRelease); }
    USBResult open(int) override { return USBResult(); }
    USBResult close() override { return USBResult(); }
    void resetAndClose() override {}
    bool isFifo() const override { return false; }
    int getDeviceIndex() const override { return 0; }
    bool isOpen() const override { return true; }
    USBSocketStatus getStatus() override { return USBSocketStatus(); }
    int purge() override { return 0; }
    void writeByte(quint8) override {}
    int writeBytes(QVector<quint8> bytes) override { return bytes.count(); }
    QVector<quint8> read(int count) override { return QVector<quint8>(count); }
    void readInto(quint8*, int) override {}
    void readAvailable(QVector<quint8>&, int) override {}
    int getRxQueueCount() override
    {
        m_pRelease->acquire();
        return 0;
    }
    void applyTimeouts() override {}
    void setExpectedReadCount(int) override {}

private:
    boost::shared_ptr<QSemaphore> m_pRelease;
};

// One post with state.range(0) requests already waiting.
void postAtDepth(benchmark::State& state)
{
    const int depth = int(state.range(0));
    const int batch = 1000;
    auto release = boost::make_shared<QSemaphore>();
    USBPacketProtocol protocol;
    protocol.setSocket(boost::make_shared<HeldSocket>(release));
    QObject receiver;
    std::vector<USBCommRequestPtr> requests;
    for (int i = 0; i < depth + batch; ++i)
        requests.push_back(boost::make_shared<EchoRequest>());

    std::vector<double> nanoseconds;
    QElapsedTimer timer;
    int queued = 0;
    for (auto _ : state)
    {
        if (queued == depth + batch || queued == 0)
        {
            protocol.clearQueue();
            for (queued = 0; queued < depth; ++queued)
                protocol.post(requests[size_t(queued)], &receiver);
        }
        const USBCommRequestPtr& request = requests[size_t(queued++)];
        timer.start();
        protocol.post(request, &receiver);
        const qint64 elapsed = timer.nsecsElapsed();
        state.SetIterationTime(double(elapsed) / 1e9);
        nanoseconds.push_back(double(elapsed));
    }
    protocol.clearQueue();
    release->release(1 << 20);
    protocol.setSocket(USBSocketPtr());
    if (!nanoseconds.empty())
    {
        std::nth_element(nanoseconds.begin(), nanoseconds.begin() + nanoseconds.size() / 2, nanoseconds.end());
        state.counters["median_ns"] = nanoseconds[nanoseconds.size() / 2];
    }
}

BENCHMARK(postedRequests)->Arg(1)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(plainWorkerRequests)->Arg(1)->Arg(1000)->Arg(10000)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(postAtDepth)->Arg(10)->Arg(10000)->UseManualTime()->Unit(benchmark::kNanosecond);
}

int main(int argc, char** argv)
{
    return BenchSupport::run(argc, argv, [] {});
}
#include "bench_usb.moc"
