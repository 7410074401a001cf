#include "TestRegistry.h"

#include "SimFtdiChannel.h"
#include "SimFtdiChip.h"
#include "SimIChannelEndpoint.h"
#include "SimUsbBus.h"
#include "USBFtdiBackend.h"
#include "USBIFtdiApi.h"

#include <QElapsedTimer>
#include <QTest>
#include <boost/make_shared.hpp>

namespace
{
// Answers every write with its bytes plus one, at once, and after replyDelay milliseconds
// sends the marker byte 0xEE; counts the time it was told about.
class EchoEndpoint : public SimIChannelEndpoint
{
public:
    qint64 replyDelay = -1;
    qint64 elapsed = 0;

    void hostWrote(SimFtdiChannel& channel, const QVector<quint8>& bytes) override
    {
        QVector<quint8> reply;
        for (quint8 b : bytes)
            reply.append(quint8(b + 1));
        channel.sendToHost(reply);
        m_due = replyDelay >= 0 ? elapsed + replyDelay : -1;
    }

    void advance(SimFtdiChannel& channel, qint64 milliseconds) override
    {
        elapsed += milliseconds;
        if (m_due >= 0 && elapsed >= m_due)
        {
            channel.sendToHost({0xEE});
            m_due = -1;
        }
    }

private:
    qint64 m_due = -1;
};
}

class tst_SimUsbBus : public QObject
{
    Q_OBJECT

private:
    SimUsbBus& bus() { return SimUsbBus::instance(); }
    USBIFtdiApi& api() { return bus().getApi(); }

    USBIFtdiApi::Handle openAt(int index)
    {
        USBIFtdiApi::Handle handle = 0;
        const int status = api().open(index, handle);
        if (status != USBIFtdiApi::Ok)
            qWarning("open(%d) answered %d", index, status);
        return handle;
    }

    QVector<quint8> readBytes(USBIFtdiApi::Handle handle, int count, int* status = nullptr)
    {
        QVector<quint8> bytes(count);
        quint32 bytesRead = 0;
        const int code = api().read(handle, bytes.data(), quint32(count), bytesRead);
        if (status)
            *status = code;
        bytes.resize(int(bytesRead));
        return bytes;
    }

    int writeBytes(USBIFtdiApi::Handle handle, const QVector<quint8>& bytes)
    {
        quint32 written = 0;
        api().write(handle, bytes.constData(), quint32(bytes.count()), written);
        return int(written);
    }

private slots:
    void init() { bus().reset(); }

    void theBackendOffersTheSimulatedBus()
    {
        if (qgetenv("TALVEX_USB_BACKEND") != "simulator")
            QSKIP("runs with TALVEX_USB_BACKEND=simulator");
        QCOMPARE(&USBFtdiBackend::get(), &api());
    }

    void listsChannelsOfPluggedChips()
    {
        SimFtdiChip& dual = bus().addChip(USBIFtdiApi::ChipFT2232H, "VTBH001010001", 0x2130);
        bus().addChip(USBIFtdiApi::ChipFT232R, "VTAH002010002", 0x2200);
        SimFtdiChip& blank = bus().addChip(USBIFtdiApi::ChipFT232H, "VTAH003010003", 0x2300);
        blank.setBlank(true);

        quint32 count = 0;
        QCOMPARE(api().createDeviceInfoList(count), 0);
        QCOMPARE(count, quint32(4));
        QVector<USBFtdiDeviceListNode> nodes;
        QCOMPARE(api().getDeviceInfoList(nodes), 0);
        QCOMPARE(nodes.count(), 4);

        QCOMPARE(nodes[0].serialNumber, QByteArray("VTBH001010001A"));
        QCOMPARE(nodes[0].description, QByteArray("Dual RS232-HS A"));
        QCOMPARE(nodes[0].locationId, quint32(0x2130));
        QCOMPARE(nodes[0].usbId, quint32(0x04036010));
        QCOMPARE(nodes[0].chipType, int(USBIFtdiApi::ChipFT2232H));
        QCOMPARE(nodes[1].serialNumber, QByteArray("VTBH001010001B"));
        QCOMPARE(nodes[1].description, QByteArray("Dual RS232-HS B"));
        QCOMPARE(nodes[1].locationId, quint32(0x2131));
        QCOMPARE(nodes[2].serialNumber, QByteArray("VTAH002010002"));
        QCOMPARE(nodes[2].description, QByteArray("FT232R USB UART"));
        QCOMPARE(nodes[2].usbId, quint32(0x04036001));
        // A blank chip lists its factory identity and no serial number.
        QVERIFY(nodes[3].serialNumber.isEmpty());
        QCOMPARE(nodes[3].description, QByteArray("Single RS232-HS"));
        QCOMPARE(nodes[3].usbId, quint32(0x04036014));

        // Odd lists: a hidden channel, a foreign id, a changed serial; an unplugged chip is gone.
        dual.getChannel(0).setListed(false);
        dual.getChannel(1).setListedUsbId(0);
        dual.getChannel(1).setListedSerialNumber("odd");
        blank.unplug();
        nodes = bus().getNodes();
        QCOMPARE(nodes.count(), 2);
        QCOMPARE(nodes[0].usbId, quint32(0));
        QCOMPARE(nodes[0].serialNumber, QByteArray("odd"));
        QCOMPARE(bus().getChannel(0), &dual.getChannel(1));
    }

    void openAndCloseByIndex()
    {
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT2232H, "VTBH001010001", 0x10);
        const USBIFtdiApi::Handle handle = openAt(1);
        QVERIFY(handle != 0);
        QVERIFY(chip.getChannel(1).isOpen());
        QCOMPARE(bus().getNodes().at(1).flags & 1, 1u);
        QCOMPARE(chip.getChannel(1).getReadTimeout(), SimUsbBus::s_defaultTimeout);

        USBIFtdiApi::Handle second = 0;
        QCOMPARE(api().open(1, second), int(USBIFtdiApi::DeviceNotOpened));
        QCOMPARE(api().open(2, second), int(USBIFtdiApi::DeviceNotFound));

        int chipType = 0;
        quint32 usbId = 0;
        QByteArray serial;
        QByteArray description;
        QCOMPARE(api().getDeviceInfo(handle, chipType, usbId, serial, description), 0);
        QCOMPARE(chipType, int(USBIFtdiApi::ChipFT2232H));
        QCOMPARE(serial, QByteArray("VTBH001010001B"));

        QCOMPARE(api().close(handle), 0);
        QVERIFY(!chip.getChannel(1).isOpen());
        QCOMPARE(api().close(handle), int(USBIFtdiApi::InvalidHandle));
        QCOMPARE(api().setLatencyTimer(handle, 2), int(USBIFtdiApi::InvalidHandle));
        QCOMPARE(bus().getOpenHandleCount(), 0);
    }

    void eepromFormsFollowTheChipType()
    {
        SimFtdiChip& dual = bus().addChip(USBIFtdiApi::ChipFT2232H, "VTBH001010001", 0x10);
        SimFtdiChip& x = bus().addChip(USBIFtdiApi::ChipFTX, "VTAH001010002", 0x20);
        const USBIFtdiApi::Handle dualHandle = openAt(0);
        const USBIFtdiApi::Handle xHandle = openAt(2);

        USBFtdiProgramData data;
        data.version = 2;
        QCOMPARE(api().readEeprom(dualHandle, data), int(USBIFtdiApi::InvalidParameter));
        data.version = 3;
        QCOMPARE(api().readEeprom(dualHandle, data), 0);
        QCOMPARE(data.serialNumber, QByteArray("VTBH001010001"));
        QCOMPARE(data.manufacturer, QByteArray("FTDI"));
        QCOMPARE(api().readEeprom(xHandle, data), int(USBIFtdiApi::NotSupported));

        USBFtdiXSeriesEeprom xData;
        QCOMPARE(api().readEepromX(dualHandle, xData), int(USBIFtdiApi::NotSupported));
        QCOMPARE(api().readEepromX(xHandle, xData), 0);
        QCOMPARE(xData.serialNumber, QByteArray("VTAH001010002"));

        // Programming shows in the list at once and clears a blank chip.
        dual.setBlank(true);
        QCOMPARE(api().readEeprom(dualHandle, data), int(USBIFtdiApi::EepromNotProgrammed));
        data.serialNumber = "VTBH009010009";
        data.productId = 0x6001;
        QCOMPARE(api().programEeprom(dualHandle, data), 0);
        QVERIFY(!dual.isBlank());
        QCOMPARE(dual.getProgramCount(), 1);
        QCOMPARE(bus().getNodes().at(0).serialNumber, QByteArray("VTBH009010009A"));
        QCOMPARE(bus().getNodes().at(0).usbId, quint32(0x04036001));

        xData.deviceType = 8;
        QCOMPARE(api().programEepromX(xHandle, xData), int(USBIFtdiApi::InvalidParameter));
        QCOMPARE(x.getProgramCount(), 0);
    }

    void pipesCarryBytesBothWays()
    {
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT232R, "VTAH001010001", 0x10);
        SimFtdiChannel& channel = chip.getChannel(0);
        const USBIFtdiApi::Handle handle = openAt(0);

        QCOMPARE(writeBytes(handle, {1, 2, 3}), 3);
        QCOMPARE(channel.takeHostWritten(), (QVector<quint8>{1, 2, 3}));
        QVERIFY(channel.takeHostWritten().isEmpty());

        channel.sendToHost({7, 8, 9});
        quint32 queued = 0;
        QCOMPARE(api().getQueueStatus(handle, queued), 0);
        QCOMPARE(queued, quint32(3));
        QCOMPARE(readBytes(handle, 2), (QVector<quint8>{7, 8}));
        QCOMPARE(api().purge(handle, USBIFtdiApi::PurgeTx), 0);
        QCOMPARE(channel.getHostRxCount(), 1);
        QCOMPARE(api().purge(handle, USBIFtdiApi::PurgeRx), 0);
        QCOMPARE(channel.getHostRxCount(), 0);
    }

    // An endpoint that answers on write makes an exchange take no simulated time; one that
    // answers later is waited for on the simulated clock; no answer ends with the time-out.
    void readsWaitOnTheSimulatedClock()
    {
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT232R, "VTAH001010001", 0x10);
        auto endpoint = boost::make_shared<EchoEndpoint>();
        chip.getChannel(0).setEndpoint(endpoint);
        const USBIFtdiApi::Handle handle = openAt(0);
        QCOMPARE(api().setTimeouts(handle, 500, 500), 0);

        writeBytes(handle, {1, 2});
        QCOMPARE(readBytes(handle, 2), (QVector<quint8>{2, 3}));
        QCOMPARE(bus().getTime(), qint64(0));

        endpoint->replyDelay = 40;
        writeBytes(handle, {5});
        QCOMPARE(readBytes(handle, 2), (QVector<quint8>{6, 0xEE}));
        QCOMPARE(bus().getTime(), qint64(40));
        QCOMPARE(endpoint->elapsed, qint64(40));

        int status = -1;
        QCOMPARE(readBytes(handle, 1, &status), QVector<quint8>());
        QCOMPARE(status, 0);
        QCOMPARE(bus().getTime(), qint64(540));

        QCOMPARE(api().setTimeouts(handle, 0, 0), 0);
        QCOMPARE(readBytes(handle, 1), QVector<quint8>());
        QCOMPARE(bus().getTime(), qint64(540));

        bus().advance(25);
        QCOMPARE(endpoint->elapsed, qint64(565));
    }

    void realTimeReadsWaitOnTheWallClock()
    {
        bus().addChip(USBIFtdiApi::ChipFT232R, "VTAH001010001", 0x10);
        bus().setRealTime(true);
        const USBIFtdiApi::Handle handle = openAt(0);
        QCOMPARE(api().setTimeouts(handle, 30, 30), 0);
        QElapsedTimer wall;
        wall.start();
        QCOMPARE(readBytes(handle, 1), QVector<quint8>());
        // The bus counts whole milliseconds of the wall clock: the wait may end up to one early.
        QVERIFY(wall.elapsed() >= 29);
        QVERIFY(bus().getTime() >= 30);
    }

    void failCallAtFailsOneCountedCall()
    {
        bus().addChip(USBIFtdiApi::ChipFT232R, "VTAH001010001", 0x10);
        const USBIFtdiApi::Handle handle = openAt(0);
        bus().clearCallLog();
        bus().failCallAt(1, USBIFtdiApi::InvalidBaudRate);
        QCOMPARE(api().setLatencyTimer(handle, 2), 0);
        api().pause(10);
        QCOMPARE(api().setBaudRate(handle, 9600), int(USBIFtdiApi::InvalidBaudRate));
        QCOMPARE(api().setBaudRate(handle, 9600), 0);
        QCOMPARE(bus().getCallLog(), (QStringList{"setLatencyTimer(2)", "pause(10)", "setBaudRate(9600)",
                                                  "setBaudRate(9600)"}));
    }

    void shortTransfers()
    {
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT232R, "VTAH001010001", 0x10);
        SimFtdiChannel& channel = chip.getChannel(0);
        const USBIFtdiApi::Handle handle = openAt(0);
        channel.setReadLimit(2);
        channel.setWriteLimit(1);
        channel.sendToHost({1, 2, 3});
        QCOMPARE(readBytes(handle, 3), (QVector<quint8>{1, 2}));
        QCOMPARE(bus().getTime(), qint64(0));
        QCOMPARE(writeBytes(handle, {4, 5}), 1);
        QCOMPARE(channel.takeHostWritten(), QVector<quint8>{4});
    }

    void unpluggedChipsFailUntilClosed()
    {
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT232R, "VTAH001010001", 0x10);
        const USBIFtdiApi::Handle handle = openAt(0);
        chip.unplug();
        quint32 rx = 0;
        quint32 tx = 0;
        quint32 events = 0;
        QCOMPARE(api().getStatus(handle, rx, tx, events), int(USBIFtdiApi::IoError));
        QCOMPARE(writeBytes(handle, {1}), 0);
        QVERIFY(bus().getNodes().isEmpty());

        chip.plug();
        QCOMPARE(bus().getNodes().count(), 1);
        QCOMPARE(api().getStatus(handle, rx, tx, events), int(USBIFtdiApi::IoError));
        QCOMPARE(api().close(handle), 0);
        QVERIFY(openAt(0) != 0);
    }

    void resetForgetsEverything()
    {
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT232R, "VTAH001010001", 0x10);
        const USBIFtdiApi::Handle handle = openAt(0);
        chip.getChannel(0).setEndpoint(boost::make_shared<EchoEndpoint>());
        bus().advance(5);
        bus().failCallAt(0, 4);

        bus().reset();
        QCOMPARE(bus().getTime(), qint64(0));
        QVERIFY(bus().getNodes().isEmpty());
        QVERIFY(bus().getCallLog().isEmpty());
        QCOMPARE(bus().getOpenHandleCount(), 0);
        QCOMPARE(api().setLatencyTimer(handle, 2), int(USBIFtdiApi::InvalidHandle));
        quint32 count = 0;
        QCOMPARE(api().createDeviceInfoList(count), 0);
        QCOMPARE(count, 0u);
    }
};

TALVEX_TEST(tst_SimUsbBus)
#include "tst_SimUsbBus.moc"
