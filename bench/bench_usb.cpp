// The USB layer's hot paths on the simulated board, each beside its plain baseline in the same
// run:
// - a request posted on the packet protocol, from postRequest to the delivered USBRequestEvent,
//   beside a plain std::thread that does the same exchange on the same simulated channel and
//   posts one event back;
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

// Ends the event loop when the request's event arrives.
class Receiver : public QObject
{
    Q_OBJECT

public:
    QEventLoop m_loop;
    bool m_ok = false;

protected:
    void customEvent(QEvent* event) override
    {
        if (event->type() != USBRequestEvent::s_type)
            return;
        m_ok = static_cast<USBRequestEvent*>(event)->getResult().isOk();
        m_loop.quit();
    }
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

// Times round trips: start sends the request, the receiver's loop runs until its event came.
template <class Start>
void timeRoundTrips(benchmark::State& state, Receiver& receiver, Start start)
{
    std::vector<double> microseconds;
    QElapsedTimer timer;
    for (auto _ : state)
    {
        const USBCommRequestPtr request = boost::make_shared<EchoRequest>();
        timer.start();
        start(request);
        receiver.m_loop.exec();
        const qint64 nanoseconds = timer.nsecsElapsed();
        if (!receiver.m_ok)
        {
            state.SkipWithError("A request failed");
            break;
        }
        state.SetIterationTime(double(nanoseconds) / 1e9);
        microseconds.push_back(double(nanoseconds) / 1e3);
    }
    BenchSupport::setMedian(state, microseconds);
}

void postedRoundTrip(benchmark::State& state)
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
    timeRoundTrips(state, receiver, [&](const USBCommRequestPtr& request) { driver.postRequest(request, &receiver, 0); });
    driver.closeDevice();
    SimUsbBus::instance().reset();
}

// The baseline: one thread, one request slot, the frame written and the reply read on the same
// channel with the same 2 ms poll, one event posted straight to the receiver.
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
            m_pRequest = request;
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
                m_wake.wait(lock, [this] { return m_stop || m_pRequest; });
                if (m_stop)
                    return;
                request.swap(m_pRequest);
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
    USBCommRequestPtr m_pRequest;
    std::thread m_thread;
};

void plainWorkerRoundTrip(benchmark::State& state)
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
        timeRoundTrips(state, receiver, [&](const USBCommRequestPtr& request) { worker.post(request); });
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

BENCHMARK(postedRoundTrip)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(plainWorkerRoundTrip)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(postAtDepth)->Arg(10)->Arg(10000)->UseManualTime()->Unit(benchmark::kNanosecond);
}

int main(int argc, char** argv)
{
    return BenchSupport::run(argc, argv, [] {});
}
#include "bench_usb.moc"
