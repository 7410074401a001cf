// The driver layer on the simulated board: the dispatcher's round trip of a read action, from
// sendRequest to the reply stored in the document, and the GUI side of streaming, from a stream
// packet's event to the points taken out of the sample buffers, beside a plain copy of the same
// bytes.
#include "BenchSupport.h"
#include "PlotUSBDataStream.h"
#include "SimBoardPacketFraming.h"
#include "SimDriverFirmware.h"
#include "SimFtdiChannel.h"
#include "SimFtdiChip.h"
#include "SimUsbBus.h"
#include "TalvexDocument.h"
#include "TalvexRequestDispatcher.h"
#include "TalvexStreamInterpreter.h"
#include "USBByteHelpers.h"
#include "USBConnectionState.h"
#include "USBFtdiBackend.h"
#include "USBIDeviceUpdater.h"
#include "USBIFtdiApi.h"
#include "USBPacketStreamEvent.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <boost/make_shared.hpp>
#include <cstring>
#include <vector>

namespace
{
typedef TalvexDriverCommRequest R;

const TalvexDriverDescriptor s_model = TalvexDriverDescriptor::s_model1_2;
const USBVersion s_firmware(4, 0);

// The firmware version the updater's check would find.
class FirmwareVersionCheck : public USBIDeviceUpdater
{
public:
    USBResult checkAndUpdate(const boost::shared_ptr<USBDevice>& device, USBDriver*, const USBDeviceTraitsPtr&,
        qint32) override
    {
        device->setFirmwareVersion(s_firmware);
        return USBResult();
    }
};

void dispatcherReadRoundTrip(benchmark::State& state)
{
    SimUsbBus& bus = SimUsbBus::instance();
    bus.reset();
    bus.setRealTime(true);
    const QString serial = SimDriverFirmware::serialNumberOf(s_model, 1);
    SimFtdiChip& chip = bus.addChip(USBIFtdiApi::ChipFT2232H, serial.toLatin1(), 0x100);
    chip.getChannel(1).setEndpoint(
        boost::make_shared<SimBoardPacketFraming>(boost::make_shared<SimDriverFirmware>(serial, s_firmware)));

    TalvexDocument document;
    USBConnectionState connection(USBConnectionState::PacketProtocol);
    connection.setDeviceUpdater(boost::make_shared<FirmwareVersionCheck>());
    const auto dispatcher = boost::make_shared<TalvexRequestDispatcher>();
    dispatcher->setContext(&document, &connection);
    const USBDevicePtr device = connection.getDriver()->enumerateDevices(true).value(0);
    if (!device || !connection.connectDevice(device, 500000, 800).isOk())
    {
        state.SkipWithError("The simulated board does not connect");
        return;
    }

    QObject requester;
    std::vector<double> microseconds;
    QElapsedTimer timer;
    for (auto _ : state)
    {
        timer.start();
        const USBResult sent = dispatcher->sendRequest(
            boost::make_shared<R>(dispatcher->deviceDescriptor(), dispatcher->firmwareVersion(), R::GetMotorState),
            &requester, QString());
        while (sent.isOk() && !dispatcher->canSendRequest(&requester, R::GetMotorState))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const qint64 nanoseconds = timer.nsecsElapsed();
        if (!sent.isOk() || document.motorInfo()->getState() == 0)
        {
            state.SkipWithError("A request failed");
            break;
        }
        state.SetIterationTime(double(nanoseconds) / 1e9);
        microseconds.push_back(double(nanoseconds) / 1e3);
    }
    state.SetItemsProcessed(state.iterations());
    connection.disconnectDevice();
    bus.reset();
    BenchSupport::setMedian(state, microseconds);
}

// Voltage, quadrature and motor steps: three words, three channel values a group; 40 groups
// fill a packet as the board sends it at fast sample periods.
const int s_mask = 0xD;
const int s_channelsPerGroup = 3;
const int s_groupsPerPacket = 40;
const int s_packetCount = 256;

std::vector<QVector<quint8>> streamPackets()
{
    std::vector<QVector<quint8>> packets;
    quint16 counter = 0;
    for (int p = 0; p < s_packetCount; ++p)
    {
        QVector<quint8> packet{quint8(s_groupsPerPacket * s_channelsPerGroup), 0};
        appendUInt32(packet, quint32(p * 640));
        for (int g = 0; g < s_groupsPerPacket; ++g)
        {
            appendUInt16(packet, quint16(qint16((g * 97) % 8000 - 4000)));
            appendUInt16(packet, counter);
            appendUInt16(packet, quint16(counter * 2));
            counter = quint16(counter + 16);
        }
        packets.push_back(packet);
    }
    return packets;
}

class IdleDispatcher : public PlotUSBDataStream::IUSBDispatcher
{
public:
    USBResult startStreaming(QObject*) override { return USBResult(); }
    USBResult stopStreaming() override { return USBResult(); }
    void streamingFinished() override {}
};

// Takes the points as a plot series does and keeps their count.
class CountingSeries : public PlotUSBDataStream::IStreamClient
{
public:
    void appendSamples(PlotSampleBuffer& buffer) override { m_points += buffer.process().count(); }
    void markFinished() override {}
    void detachFromStream() override {}
    QVector<PlotPoint> processedPoints() override { return {}; }

    qint64 m_points = 0;
};

void streamPacketsIntoBuffers(benchmark::State& state)
{
    const std::vector<QVector<quint8>> packets = streamPackets();
    TalvexDriverSamplingConfiguration sampling;
    sampling.setValue(TalvexDriverSamplingConfiguration::SamplePeriod, 1);
    TalvexDriverInputConfiguration input;
    input.setOutputMask(s_mask);
    TalvexDriverMotionConfiguration motion;
    motion.setValue(TalvexDriverMotionConfiguration::MicroStepping, 4);
    const auto interpreter = boost::make_shared<TalvexStreamInterpreter>();
    interpreter->setConfigurations(sampling, input, motion);

    CountingSeries voltage;
    CountingSeries quadrature;
    CountingSeries steps;
    PlotUSBDataStream stream;
    stream.setDispatcher(boost::make_shared<IdleDispatcher>());
    stream.setInterpreter(interpreter);
    stream.registerClient(&voltage, TalvexStreamInterpreter::VoltageChannel, false);
    stream.registerClient(&quadrature, TalvexStreamInterpreter::QuadratureChannel, true);
    stream.registerClient(&steps, TalvexStreamInterpreter::StepsChannel, true);
    stream.start(1);

    qint64 bytes = 0;
    for (auto _ : state)
    {
        for (const QVector<quint8>& packet : packets)
        {
            USBPacketStreamEvent event(0, packet, USBResult());
            QCoreApplication::sendEvent(&stream, &event);
            bytes += packet.count();
        }
    }
    const qint64 samples = voltage.m_points + quadrature.m_points + steps.m_points;
    if (samples != state.iterations() * s_packetCount * s_groupsPerPacket * s_channelsPerGroup)
        state.SkipWithError("Samples were lost");
    state.SetItemsProcessed(samples);
    state.SetBytesProcessed(bytes);
    stream.removeClient(&voltage);
    stream.removeClient(&quadrature);
    stream.removeClient(&steps);
}

// The same bytes copied once: what moving the packets costs without any decoding.
void memcpyOfThePackets(benchmark::State& state)
{
    const std::vector<QVector<quint8>> packets = streamPackets();
    std::vector<quint8> target(packets.front().count());
    qint64 bytes = 0;
    for (auto _ : state)
    {
        for (const QVector<quint8>& packet : packets)
        {
            std::memcpy(target.data(), packet.constData(), size_t(packet.count()));
            benchmark::DoNotOptimize(target.data());
            benchmark::ClobberMemory();
            bytes += packet.count();
        }
    }
    state.SetItemsProcessed(state.iterations() * s_packetCount * s_groupsPerPacket * s_channelsPerGroup);
    state.SetBytesProcessed(bytes);
}

BENCHMARK(dispatcherReadRoundTrip)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(streamPacketsIntoBuffers)->Unit(benchmark::kMicrosecond);
BENCHMARK(memcpyOfThePackets)->Unit(benchmark::kMicrosecond);
}

int main(int argc, char** argv)
{
    // The document loads the user's settings: keep a benchmark run away from the real ones.
    QTemporaryDir settingsFolder;
    return BenchSupport::run(argc, argv, [&settingsFolder] {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    });
}
