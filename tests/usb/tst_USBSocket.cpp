#include "TestRegistry.h"
#include "SimulatedBus.h"

#include "SimFtdiChannel.h"
#include "SimFtdiChip.h"
#include "USBFtdiSocket.h"
#include "USBIFtdiApi.h"

#include <QTest>

namespace
{
const char* const s_board = "VTBH001010007";

QString thrownMessage(const std::function<void()>& action)
{
    try
    {
        action();
    }
    catch (const USBResult& result)
    {
        return result.getStatus() == 2 ? result.getMessage() : QStringLiteral("status %1").arg(result.getStatus());
    }
    return QString();
}
}

class tst_USBSocket : public QObject
{
    Q_OBJECT

private:
    SimUsbBus& bus() { return SimUsbBus::instance(); }

    // An open command channel of a single FT232R board at device index 0.
    USBFtdiSocket openSocket()
    {
        bus().addChip(USBIFtdiApi::ChipFT232R, s_board, 0x100);
        USBFtdiSocket socket(0);
        const USBResult result = socket.open(500000);
        if (!result.isOk())
            qWarning() << result.getMessage();
        return socket;
    }

private slots:
    void initTestCase() { QVERIFY(runsOnSimulatedBus()); }
    void init() { bus().reset(); }

    void openConfiguresByChip_data()
    {
        QTest::addColumn<int>("chipType");
        QTest::addColumn<QByteArray>("serial");
        QTest::addColumn<int>("channel");
        QTest::addColumn<bool>("uart");
        QTest::addColumn<bool>("fifo");
        QTest::addColumn<QStringList>("calls");

        const QStringList uartTail{"setDataCharacteristics(8, 0, 2)", "setLatencyTimer(2)",
                                   "setUSBParameters(8192, 256)", "purge(3)"};
        QTest::newRow("FT232R, letter B: RTS/CTS")
            << int(USBIFtdiApi::ChipFT232R) << QByteArray(s_board) << 0 << false << false
            << (QStringList{"open(0)", "getDeviceInfo()", "readEeprom(2)", "setBaudRate(500000)",
                            "setFlowControl(256, 0, 0)"} + uartTail);
        QTest::newRow("FT-X, letter A: no flow control")
            << int(USBIFtdiApi::ChipFTX) << QByteArray("vtah00101") << 0 << false << false
            << (QStringList{"open(0)", "getDeviceInfo()", "readEepromX(56)", "setBaudRate(500000)",
                            "setFlowControl(0, 0, 0)"} + uartTail);
        QTest::newRow("FT232H synchronous FIFO")
            << int(USBIFtdiApi::ChipFT232H) << QByteArray(s_board) << 0 << false << true
            << QStringList{"open(0)", "getDeviceInfo()", "readEeprom(5)", "setBitMode(255, 0)", "pause(10)",
                           "setBitMode(255, 64)", "pause(10)", "setLatencyTimer(2)", "setUSBParameters(65536, 65536)",
                           "setFlowControl(256, 0, 0)", "purge(3)"};
        QTest::newRow("FT2232H channel as UART")
            << int(USBIFtdiApi::ChipFT2232H) << QByteArray(s_board) << 1 << true << false
            << (QStringList{"open(1)", "getDeviceInfo()", "readEeprom(3)", "setBitMode(255, 0)", "pause(10)",
                            "setBaudRate(500000)", "setFlowControl(256, 0, 0)"} + uartTail);
        QTest::newRow("FT2232H channel as UART, letter A")
            << int(USBIFtdiApi::ChipFT2232H) << QByteArray("VTAP123450001") << 1 << true << false
            << (QStringList{"open(1)", "getDeviceInfo()", "readEeprom(3)", "setBitMode(255, 0)", "pause(10)",
                            "setBaudRate(500000)", "setFlowControl(0, 0, 0)"} + uartTail);
        QTest::newRow("FT2232H channel as FIFO")
            << int(USBIFtdiApi::ChipFT2232H) << QByteArray(s_board) << 0 << false << true
            << QStringList{"open(0)", "getDeviceInfo()", "readEeprom(3)", "setBitMode(255, 0)", "pause(10)",
                           "setLatencyTimer(2)", "setUSBParameters(65536, 0)", "setFlowControl(256, 0, 0)", "purge(3)"};
    }

    void openConfiguresByChip()
    {
        QFETCH(int, chipType);
        QFETCH(QByteArray, serial);
        QFETCH(int, channel);
        QFETCH(bool, uart);
        QFETCH(bool, fifo);
        QFETCH(QStringList, calls);

        SimFtdiChip& chip = bus().addChip(chipType, serial, 0x100);
        USBFtdiSocket socket(channel);
        socket.setOption(USBFtdiSocket::UartChannel, uart);
        bus().clearCallLog();

        QCOMPARE(socket.open(500000).getMessage(), QStringLiteral("Success"));
        QCOMPARE(bus().getCallLog(), calls);
        QVERIFY(socket.isOpen());
        QVERIFY(chip.getChannel(channel).isOpen());
        QCOMPARE(socket.isFifo(), fifo);
        // Both pauses of a FIFO set-up ran on the simulated clock.
        QCOMPARE(bus().getTime(), qint64(10 * calls.count("pause(10)")));
    }

    void openRejectsUnknownSerialNumbers_data()
    {
        QTest::addColumn<int>("chipType");
        QTest::addColumn<QByteArray>("serial");
        QTest::addColumn<bool>("blank");

        QTest::newRow("empty") << int(USBIFtdiApi::ChipFT232R) << QByteArray() << false;
        QTest::newRow("wrong prefix") << int(USBIFtdiApi::ChipFT232R) << QByteArray("FTAH001010007") << false;
        QTest::newRow("ten characters") << int(USBIFtdiApi::ChipFT232R) << QByteArray("VTAH0010100") << false;
        QTest::newRow("blank EEPROM") << int(USBIFtdiApi::ChipFT2232H) << QByteArray(s_board) << true;
        QTest::newRow("chip type without serial") << int(USBIFtdiApi::ChipFT4232H) << QByteArray(s_board) << false;
    }

    void openRejectsUnknownSerialNumbers()
    {
        QFETCH(int, chipType);
        QFETCH(QByteArray, serial);
        QFETCH(bool, blank);

        SimFtdiChip& chip = bus().addChip(chipType, serial, 0x100);
        chip.setBlank(blank);
        USBFtdiSocket socket(0);
        const USBResult result = socket.open(500000);
        QCOMPARE(result.getStatus(), 2);
        QCOMPARE(result.getMessage(), QStringLiteral("Unknown USB serial number"));
        QVERIFY(!socket.isOpen());
        QCOMPARE(bus().getOpenHandleCount(), 0);
    }

    // Whatever library call of the opening fails, the channel is closed again and the call's
    // status text comes back.
    void failingOpenStepClosesTheChannel_data()
    {
        QTest::addColumn<int>("chipType");
        QTest::addColumn<int>("channel");
        QTest::addColumn<bool>("uart");
        QTest::newRow("FT232R") << int(USBIFtdiApi::ChipFT232R) << 0 << false;
        QTest::newRow("FT232H") << int(USBIFtdiApi::ChipFT232H) << 0 << false;
        QTest::newRow("FT2232H UART") << int(USBIFtdiApi::ChipFT2232H) << 1 << true;
        QTest::newRow("FT2232H FIFO") << int(USBIFtdiApi::ChipFT2232H) << 0 << false;
        QTest::newRow("FT-X") << int(USBIFtdiApi::ChipFTX) << 0 << false;
    }

    void failingOpenStepClosesTheChannel()
    {
        QFETCH(int, chipType);
        QFETCH(int, channel);
        QFETCH(bool, uart);

        int failures = 0;
        for (int step = 0;; ++step)
        {
            bus().reset();
            SimFtdiChip& chip = bus().addChip(chipType, s_board, 0x100);
            USBFtdiSocket socket(channel);
            socket.setOption(USBFtdiSocket::UartChannel, uart);
            bus().failCallAt(step, USBIFtdiApi::InsufficientResources);
            const USBResult result = socket.open(500000);
            if (result.isOk())
                break;
            ++failures;
            QStringList counted = bus().getCallLog();
            counted.removeAll(QStringLiteral("pause(10)"));
            const QString failed = counted.value(step);
            if (step > 0)
                QCOMPARE(counted.last(), QStringLiteral("close()"));
            const QString expected = failed.startsWith("readEeprom") ? QStringLiteral("Unknown USB serial number")
                                                                     : QStringLiteral("Insufficient resources");
            QVERIFY2(result.getMessage() == expected, qPrintable(failed + ": " + result.getMessage()));
            QVERIFY2(!socket.isOpen(), qPrintable(failed));
            QVERIFY2(!chip.getChannel(channel).isOpen(), qPrintable(failed));
            QCOMPARE(bus().getOpenHandleCount(), 0);
        }
        // Every counted call of the opening (all but the pauses) was made to fail once.
        QVERIFY(failures >= 8);
    }

    void openTwiceAnswersAlreadyOpen()
    {
        USBFtdiSocket socket = openSocket();
        bus().clearCallLog();
        const USBResult result = socket.open(500000);
        QCOMPARE(result.getStatus(), 2);
        QCOMPARE(result.getMessage(), QStringLiteral("Device already open"));
        QVERIFY(bus().getCallLog().isEmpty());
        QVERIFY(socket.isOpen());
    }

    void closedSocketRefusesTransfers()
    {
        USBFtdiSocket socket(0);
        quint8 byte = 0;
        QVector<quint8> data;
        QCOMPARE(thrownMessage([&] { socket.writeByte(1); }), QStringLiteral("Device not open"));
        QCOMPARE(thrownMessage([&] { socket.writeBytes({}); }), QStringLiteral("Device not open"));
        QCOMPARE(thrownMessage([&] { socket.read(1); }), QStringLiteral("Device not open"));
        QCOMPARE(thrownMessage([&] { socket.readInto(&byte, 1); }), QStringLiteral("Device not open"));
        QCOMPARE(thrownMessage([&] { socket.readAvailable(data, 10); }), QStringLiteral("Device not open"));
        QCOMPARE(thrownMessage([&] { socket.getRxQueueCount(); }), QStringLiteral("Device not open"));
        QCOMPARE(thrownMessage([&] { socket.applyTimeouts(); }), QStringLiteral("Device not open"));

        const USBSocketStatus status = socket.getStatus();
        QCOMPARE(status.state, int(USBSocketStatus::NotOpen));
        QVERIFY(status.message.isEmpty());
        QVERIFY(socket.close().isOk());
    }

    void writesAndReadsThroughTheChannel()
    {
        USBFtdiSocket socket = openSocket();
        SimFtdiChannel& channel = *bus().getChannel(0);

        QCOMPARE(socket.writeBytes({}), 0);
        QVERIFY(channel.takeHostWritten().isEmpty());
        QCOMPARE(socket.writeBytes({1, 2, 3}), 3);
        socket.writeByte(4);
        QCOMPARE(channel.takeHostWritten(), (QVector<quint8>{1, 2, 3, 4}));

        // Large reads are safe: no fixed buffer bounds them.
        QVector<quint8> big(5000);
        for (int i = 0; i < big.count(); ++i)
            big[i] = quint8(i * 7);
        channel.sendToHost(big);
        QCOMPARE(socket.getRxQueueCount(), 5000);
        QCOMPARE(socket.read(5000), big);
        QCOMPARE(socket.getBytesRead(), quint64(5000));
    }

    void readAvailableTakesWhatIsQueued()
    {
        USBFtdiSocket socket = openSocket();
        SimFtdiChannel& channel = *bus().getChannel(0);
        channel.sendToHost(QVector<quint8>(20, 9));
        QVector<quint8> data(5, 1);
        socket.readAvailable(data, 15);
        QCOMPARE(data, QVector<quint8>(5, 1) + QVector<quint8>(10, 9));
        QCOMPARE(channel.getHostRxCount(), 10);
        socket.readAvailable(data, 15);
        QCOMPARE(data.count(), 15);
    }

    void shortReadTimesOutOnTheSimulatedClock()
    {
        USBFtdiSocket socket = openSocket();
        socket.applyTimeouts();
        SimFtdiChannel& channel = *bus().getChannel(0);
        QCOMPARE(channel.getReadTimeout(), quint32(1000));
        channel.sendToHost({1, 2});
        const qint64 before = bus().getTime();

        QCOMPARE(thrownMessage([&] { socket.read(3); }), QStringLiteral("Communication timed out"));
        QCOMPARE(bus().getTime() - before, qint64(1000));
        QCOMPARE(socket.getBytesRead(), quint64(2));
    }

    void shortTransfersThrow()
    {
        USBFtdiSocket socket = openSocket();
        SimFtdiChannel& channel = *bus().getChannel(0);
        channel.setReadLimit(2);
        channel.setWriteLimit(2);
        channel.sendToHost({1, 2, 3});
        QCOMPARE(thrownMessage([&] { socket.read(3); }), QStringLiteral("Communication timed out"));
        QCOMPARE(thrownMessage([&] { socket.writeBytes({1, 2, 3}); }), QStringLiteral("Communication timed out"));
    }

    // The command channel's status is what tells the studio that a board went away.
    void statusReportsTheChannel()
    {
        USBFtdiSocket socket = openSocket();
        SimFtdiChannel& channel = *bus().getChannel(0);
        channel.sendToHost({1, 2, 3});
        USBSocketStatus status = socket.getStatus();
        QCOMPARE(status.state, int(USBSocketStatus::Open));
        QCOMPARE(status.rxQueueCount, quint32(3));
        QVERIFY(status.message.isEmpty());

        channel.getChip().unplug();
        status = socket.getStatus();
        QCOMPARE(status.state, int(USBSocketStatus::LibraryError));
        QCOMPARE(status.message, QStringLiteral("Communication error"));
        QCOMPARE(thrownMessage([&] { socket.writeByte(0); }), QStringLiteral("Communication error"));
        QVERIFY(socket.close().isOk());
        QCOMPARE(bus().getOpenHandleCount(), 0);
    }

    void purgeEmptiesTheReceiveQueue()
    {
        USBFtdiSocket socket = openSocket();
        SimFtdiChannel& channel = *bus().getChannel(0);
        channel.sendToHost({1, 2, 3});
        bus().clearCallLog();
        QCOMPARE(socket.purge(), 0);
        QCOMPARE(bus().getCallLog(), QStringList{"purge(3)"});
        QCOMPARE(channel.getHostRxCount(), 0);
    }

    // Copies share the channel: closing any of them leaves none holding a closed handle.
    void clonesShareTheChannel()
    {
        USBFtdiSocket socket = openSocket();
        const USBSocketPtr copy = socket.clone();
        QVERIFY(copy->isOpen());
        QCOMPARE(copy->getDeviceIndex(), 0);
        copy->writeByte(5);
        QCOMPARE(bus().getChannel(0)->takeHostWritten(), QVector<quint8>{5});

        QVERIFY(copy->close().isOk());
        QVERIFY(!copy->isOpen());
        QVERIFY(!socket.isOpen());
        QCOMPARE(bus().getOpenHandleCount(), 0);
        QCOMPARE(thrownMessage([&] { socket.writeByte(1); }), QStringLiteral("Device not open"));
        QVERIFY(socket.close().isOk());
        bus().clearCallLog();
        socket.resetAndClose();
        QVERIFY(bus().getCallLog().isEmpty());

        // The socket opens afresh; the old copy stays closed.
        QVERIFY(socket.open(500000).isOk());
        QVERIFY(!copy->isOpen());
    }

    void resetAndCloseResetsThePort()
    {
        USBFtdiSocket socket = openSocket();
        bus().clearCallLog();
        socket.resetAndClose();
        QCOMPARE(bus().getCallLog(), (QStringList{"resetPort()", "close()"}));
        QVERIFY(!socket.isOpen());
    }

    void optionFlagSetsAndClears()
    {
        USBFtdiSocket socket(3);
        socket.setOption(USBFtdiSocket::UartChannel | 4, true);
        QCOMPARE(socket.getOptions(), 5);
        socket.setOption(USBFtdiSocket::UartChannel, false);
        QCOMPARE(socket.getOptions(), 4);
        QCOMPARE(socket.clone()->getDeviceIndex(), 3);
    }
};

TALVEX_TEST(tst_USBSocket)
#include "tst_USBSocket.moc"
