// Round trip of a request posted on the packet protocol, from postRequest to the delivered
// USBRequestEvent, against a simulated board that answers at once.
#include "BenchSupport.h"
#include "SimBoardPacketFraming.h"
#include "SimFtdiChannel.h"
#include "SimFtdiChip.h"
#include "SimIBoardFirmware.h"
#include "SimUsbBus.h"
#include "USBDefaultCommRequest.h"
#include "USBDriver.h"
#include "USBFtdiBackend.h"
#include "USBIFtdiApi.h"
#include "USBPacketProtocol.h"
#include "USBRequestEvent.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <boost/make_shared.hpp>
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

void postedRoundTrip(benchmark::State& state)
{
    SimUsbBus& bus = SimUsbBus::instance();
    bus.reset();
    bus.setRealTime(true);
    SimFtdiChip& chip = bus.addChip(USBIFtdiApi::ChipFT2232H, "VTBH001010007", 0x100);
    chip.getChannel(1).setEndpoint(boost::make_shared<SimBoardPacketFraming>(boost::make_shared<EchoFirmware>()));

    USBDriver driver;
    driver.setProtocol(boost::make_shared<USBPacketProtocol>(), 0);
    const QList<USBDevicePtr> devices = driver.enumerateDevices(true);
    if (devices.isEmpty() || !driver.openDevice(devices.first(), 500000).isOk())
    {
        state.SkipWithError("The simulated board does not open");
        return;
    }

    Receiver receiver;
    std::vector<double> microseconds;
    QElapsedTimer timer;
    for (auto _ : state)
    {
        const USBCommRequestPtr request = boost::make_shared<EchoRequest>();
        timer.start();
        driver.postRequest(request, &receiver, 0);
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
    driver.closeDevice();
    bus.reset();

    BenchSupport::setMedian(state, microseconds);
}

BENCHMARK(postedRoundTrip)->UseManualTime()->Unit(benchmark::kMicrosecond);
}

int main(int argc, char** argv)
{
    return BenchSupport::run(argc, argv, [] {});
}
#include "bench_usb.moc"
