// The driver layer on the simulated board: the dispatcher's round trip of a read action, from
// sendRequest to the reply stored in the document, and the GUI side of streaming, from a stream
// packet's event to the points taken out of the sample buffers by clients that count them or
// keep them all, beside a plain loop that makes the same points from the same bytes.
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
#include <array>
#include <benchmark/benchmark.h>
#include <boost/make_shared.hpp>
#include <cmath>
#include <memory>
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
    const QString serial = SimDriverFirmware::serialNumberOf(s_model.getProductCode(), s_model.getRevision(), 1);
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
const int s_microStepping = 4;
const qint64 s_pointsPerPass = qint64(s_packetCount) * s_groupsPerPacket * s_channelsPerGroup;

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

struct StreamConfiguration
{
    StreamConfiguration()
    {
        sampling.setValue(TalvexDriverSamplingConfiguration::SamplePeriod, 1);
        input.setOutputMask(s_mask);
        motion.setValue(TalvexDriverMotionConfiguration::MicroStepping, s_microStepping);
    }

    TalvexDriverSamplingConfiguration sampling;
    TalvexDriverInputConfiguration input;
    TalvexDriverMotionConfiguration motion;
};

class IdleDispatcher : public PlotUSBDataStream::IUSBDispatcher
{
public:
    USBResult startStreaming(QObject*) override { return USBResult(); }
    USBResult stopStreaming() override { return USBResult(); }
    void streamingFinished() override {}
};

// Takes the points as a plot series does: counts them, or, when asked, keeps every one of
// them, written straight into its own vector.
class CountingSeries : public PlotUSBDataStream::IStreamClient
{
public:
    explicit CountingSeries(bool keep = false) : m_keep(keep) {}

    void appendSamples(PlotSampleBuffer& buffer) override
    {
        if (!m_keep)
        {
            m_points += buffer.process().count();
            return;
        }
        const int before = m_kept.count();
        buffer.processInto(m_kept);
        m_points += m_kept.count() - before;
    }
    void markFinished() override {}
    void detachFromStream() override {}
    QVector<PlotPoint> processedPoints() override { return {}; }

    bool m_keep;
    qint64 m_points = 0;
    // Emptied at every pass, as a refresh of the plot takes them; the storage stays.
    QVector<PlotPoint> m_kept;
};

// The studio's path from a stream packet's event to the points a series takes: interpreter,
// sample buffers (offset, 16-bit unwrapping) and the clients, one per channel.
struct StreamRig
{
    explicit StreamRig(bool keep)
        : voltage(keep)
        , quadrature(keep)
        , steps(keep)
    {
        const StreamConfiguration configuration;
        const auto interpreter = boost::make_shared<TalvexStreamInterpreter>();
        interpreter->setConfigurations(configuration.sampling, configuration.input, configuration.motion);
        stream.setDispatcher(boost::make_shared<IdleDispatcher>());
        stream.setInterpreter(interpreter);
        stream.registerClient(&voltage, TalvexStreamInterpreter::VoltageChannel, false);
        stream.registerClient(&quadrature, TalvexStreamInterpreter::QuadratureChannel, true);
        stream.registerClient(&steps, TalvexStreamInterpreter::StepsChannel, true);
        stream.start(1);
    }

    // A refresh of the series: what they kept so far is drawn and gone.
    void refresh()
    {
        voltage.m_kept.clear();
        quadrature.m_kept.clear();
        steps.m_kept.clear();
    }

    ~StreamRig()
    {
        stream.removeClient(&voltage);
        stream.removeClient(&quadrature);
        stream.removeClient(&steps);
    }

    CountingSeries voltage;
    CountingSeries quadrature;
    CountingSeries steps;
    PlotUSBDataStream stream;
};

// The baseline: one plain loop over the same packet bytes that writes the same points (the
// same keys, volts, and counters continued across their 16-bit wrap-arounds, the step channel
// from the first packet's position) into vectors allocated beforehand.
class PlainDecoder
{
public:
    PlainDecoder()
    {
        const StreamConfiguration configuration;
        m_timeStep = configuration.sampling.samplePeriod() / configuration.sampling.overSamplingFactor();
        m_resolution = configuration.input.adcResolution();
        for (std::vector<PlotPoint>& points : m_points)
            points.resize(size_t(s_packetCount) * s_groupsPerPacket);
    }

    void decode(const std::vector<QVector<quint8>>& packets)
    {
        size_t written = 0;
        for (const QVector<quint8>& packet : packets)
        {
            const quint8* bytes = packet.constData();
            if (m_first)
            {
                const double sixteenths = qint32(readUInt32(packet, 2));
                m_steps.reset(std::trunc(sixteenths * 0.0625) * (1 << s_microStepping));
                m_first = false;
            }
            const int groups = bytes[0] / s_channelsPerGroup;
            const quint8* word = bytes + 6;
            for (int g = 0; g < groups; ++g, word += 6, ++written)
            {
                const double key = m_time + g * m_timeStep;
                m_points[0][written] = PlotPoint(key, qint16(wordOf(word)) * m_resolution, true);
                m_points[1][written] = PlotPoint(key, m_quadrature.next(wordOf(word + 2)), true);
                m_points[2][written] = PlotPoint(key, m_steps.next(wordOf(word + 4)), true);
            }
            m_time += groups * m_timeStep;
        }
    }

    const std::vector<PlotPoint>& points(int channel) const { return m_points[size_t(channel)]; }

private:
    static quint16 wordOf(const quint8* bytes) { return quint16(bytes[0] | (bytes[1] << 8)); }

    struct Counter
    {
        void reset(double offset) { m_offset = m_previous = offset; }
        double next(quint16 raw)
        {
            const double jump = m_previous - (raw + m_offset);
            if (jump > 40000.0)
                m_offset += 65536.0;
            else if (jump < -40000.0)
                m_offset -= 65536.0;
            return m_previous = raw + m_offset;
        }
        double m_offset = 0.0;
        double m_previous = 0.0;
    };

    std::array<std::vector<PlotPoint>, 3> m_points;
    double m_timeStep = 0.0;
    double m_resolution = 0.0;
    double m_time = 0.0;
    bool m_first = true;
    Counter m_quadrature;
    Counter m_steps;
};

// The events as the packet protocol posts them, built once: what is measured starts when the
// event reaches the stream.
std::vector<std::unique_ptr<USBPacketStreamEvent>> streamEvents(const std::vector<QVector<quint8>>& packets)
{
    std::vector<std::unique_ptr<USBPacketStreamEvent>> events;
    for (const QVector<quint8>& packet : packets)
        events.push_back(std::make_unique<USBPacketStreamEvent>(0, packet, USBResult()));
    return events;
}

// Whether one pass through the stream gives exactly the baseline's points.
bool sameAsTheBaseline(const std::vector<QVector<quint8>>& packets)
{
    StreamRig rig(true);
    for (const auto& event : streamEvents(packets))
        QCoreApplication::sendEvent(&rig.stream, event.get());
    PlainDecoder plain;
    plain.decode(packets);
    const auto same = [&plain](const QVector<PlotPoint>& kept, int channel) {
        return std::equal(kept.cbegin(), kept.cend(), plain.points(channel).cbegin(), plain.points(channel).cend());
    };
    return same(rig.voltage.m_kept, 0) && same(rig.quadrature.m_kept, 1) && same(rig.steps.m_kept, 2);
}

void streamPacketsIntoBuffers(benchmark::State& state)
{
    const std::vector<QVector<quint8>> packets = streamPackets();
    if (!sameAsTheBaseline(packets))
    {
        state.SkipWithError("The stream's points differ from the baseline's");
        return;
    }
    const auto events = streamEvents(packets);
    StreamRig rig(state.range(0) != 0);
    for (auto _ : state)
    {
        rig.refresh();
        for (const auto& event : events)
            QCoreApplication::sendEvent(&rig.stream, event.get());
    }
    const qint64 samples = rig.voltage.m_points + rig.quadrature.m_points + rig.steps.m_points;
    if (samples != state.iterations() * s_pointsPerPass)
        state.SkipWithError("Samples were lost");
    state.SetItemsProcessed(samples);
}

void plainLoopOverThePackets(benchmark::State& state)
{
    const std::vector<QVector<quint8>> packets = streamPackets();
    PlainDecoder plain;
    for (auto _ : state)
    {
        plain.decode(packets);
        benchmark::DoNotOptimize(plain.points(0).data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * s_pointsPerPass);
}

BENCHMARK(dispatcherReadRoundTrip)->UseManualTime()->Unit(benchmark::kMicrosecond);
// 0: the clients count the points; 1: they keep every point.
BENCHMARK(streamPacketsIntoBuffers)->ArgName("keep")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(plainLoopOverThePackets)->Unit(benchmark::kMicrosecond);
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
