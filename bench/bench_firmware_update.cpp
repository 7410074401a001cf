// The firmware update of a simulated (27,1) board (its release: a main image of six pages and
// one secondary image of five) whose every answer leaves 40 ms late, a slow flash or link, in
// real time: the longest the GUI thread's event loop waits while the update runs, from its
// dialog shown until it closes, taken as the longest gap between two turns of a zero-interval
// timer. Beside it, the plain way of waiting for the board: the same timer while the GUI thread
// itself reads the board's target information and information page. The smoke run takes one
// update on the bus's simulated time.
#include "BenchSupport.h"

#include "Bootloader.h"
#include "BootloaderFirmwareInfo.h"
#include "BootloaderFirmwarePackage.h"
#include "PackageFirmwareUpdater.h"
#include "PackageFirmwareUpdaterDialog.h"
#include "SimBootloaderBoard.h"
#include "SimDriverFirmware.h"
#include "SimFirmwarePackage.h"
#include "SimFtdiChip.h"
#include "SimUsbBus.h"
#include "SimulatedBusClock.h"
#include "USBDriver.h"
#include "USBIFtdiApi.h"
#include "USBPacketProtocol.h"

#include <QApplication>
#include <QDataStream>
#include <QElapsedTimer>
#include <QTimer>
#include <boost/make_shared.hpp>
#include <functional>
#include <vector>

namespace
{
const int s_replyDelayMs = 40;
const int s_productCode = 27;
const int s_revision = 1;

bool smoke()
{
    return qEnvironmentVariableIsSet("TALVEX_BENCH_SMOKE");
}

// The board on the bus, in real time (on simulated time in the smoke run), opened by a driver
// with the packet protocol on its command socket, answering late once its information is read.
struct SlowBoard
{
    SlowBoard()
    {
        SimUsbBus& bus = SimUsbBus::instance();
        bus.reset();
        bus.setRealTime(!smoke());
        const QString serial = SimDriverFirmware::serialNumberOf(s_productCode, s_revision, 1);
        SimFtdiChip& chip = bus.addChip(USBIFtdiApi::ChipFT2232H, serial.toLatin1(), 0x100);
        m_pBoard = SimBootloaderBoard::plugInto(chip, 1,
            boost::make_shared<SimDriverFirmware>(serial, USBVersion(1, 0)), serial, 1, 0);
        m_driver.setProtocol(boost::make_shared<USBPacketProtocol>(m_pClock), 0);
        m_device = m_driver.enumerateDevices(true).value(0);
        m_opened = m_device && m_driver.openDevice(m_device, PackageFirmwareUpdater::s_baudRate).isOk()
            && Bootloader(false, m_pClock).readTargetInfo(m_driver, m_info).isOk();
        m_pBoard->setReplyDelay(s_replyDelayMs);
    }

    ~SlowBoard()
    {
        m_driver.closeDevice();
        SimUsbBus::instance().reset();
    }

    // Real time, or the bus's own in the smoke run.
    USBProtocolClockPtr m_pClock = smoke() ? boost::make_shared<SimulatedBusClock>() : USBProtocolClockPtr();
    boost::shared_ptr<SimBootloaderBoard> m_pBoard;
    USBDriver m_driver;
    USBDevicePtr m_device;
    BootloaderFirmwareInfo m_info;
    bool m_opened = false;
};



// The whole update, dialog and all, once per iteration.
void firmwareUpdate(benchmark::State& state)
{
    SlowBoard board;
    // The device package file holds the package as one data-stream byte array.
    QByteArray contents;
    QDataStream file(SimFirmwarePackage::releaseFor(s_productCode, s_revision, 1, 1));
    file >> contents;
    QString error;
    const BootloaderFirmwarePackage package(qMakePair(s_productCode, s_revision), contents, error);
    if (!board.m_opened || !error.isEmpty())
    {
        state.SkipWithError("the board or the package cannot be used");
        return;
    }
    PackageFirmwareUpdater updater(nullptr, QStringLiteral("TalvexBench"), QString(), true, board.m_pClock);
    // The first dialog of the program loads its fonts.
    PackageFirmwareUpdaterDialog(nullptr, true).grab();
    std::vector<double> gaps;
    for (auto _ : state)
    {
        USBResult result;
        gaps.push_back(BenchSupport::longestGapMs([&] {
            result = updater.runUpdate(board.m_device, &board.m_driver, package, package.makeFirmwareInfo(board.m_info));
        }));
        if (!result.isOk())
            state.SkipWithError(qPrintable(result.getMessage()));
    }
    state.counters["longest_gap_median_ms"] = BenchSupport::median(gaps);
    state.counters["longest_gap_max_ms"] = *std::max_element(gaps.begin(), gaps.end());
}

// The plain way: the GUI thread waits for the board's answers itself.
void boardReadOnGuiThread(benchmark::State& state)
{
    SlowBoard board;
    if (!board.m_opened)
    {
        state.SkipWithError("the board cannot be used");
        return;
    }
    std::vector<double> gaps;
    for (auto _ : state)
    {
        BootloaderFirmwareInfo info;
        gaps.push_back(BenchSupport::longestGapMs([&] { Bootloader(false, board.m_pClock).readTargetInfo(board.m_driver, info); }));
    }
    state.counters["longest_gap_median_ms"] = BenchSupport::median(gaps);
}
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A real-time update takes some 10 s: five give the median.
    benchmark::RegisterBenchmark("firmwareUpdate", firmwareUpdate)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(BenchSupport::iterations(5));
    benchmark::RegisterBenchmark("boardReadOnGuiThread", boardReadOnGuiThread)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Iterations(BenchSupport::iterations(5));
    return BenchSupport::run<QApplication>(argc, argv, [] {});
}
