#include "TestRegistry.h"
#include "SimulatedBus.h"

#include "SimFtdiChannel.h"
#include "SimFtdiChip.h"
#include "USBFtdiDevice.h"
#include "USBFtdiSocket.h"
#include "USBIFtdiApi.h"

#include <QTest>
#include <boost/make_shared.hpp>

namespace
{
const char* const s_factorySerial = "VTBH001010007";

USBEepromSettings settings(bool xSeriesOption = false)
{
    USBEepromSettings s;
    s.serialNumber = QStringLiteral("VTBH001010042");
    s.description = QStringLiteral("Talvex driver");
    s.selfPowered = 1;
    s.maxPower = 250;
    s.xSeriesOption = xSeriesOption;
    return s;
}
}

// EEPROM programming of a board's chip, checked on the simulated chip's EEPROM.
class tst_USBDeviceEeprom : public QObject
{
    Q_OBJECT

private:
    SimUsbBus& bus() { return SimUsbBus::instance(); }

    // The chip's device with its command socket at the given device index.
    USBResult program(int socketIndex, const USBEepromSettings& s = settings())
    {
        USBFtdiDevice device(0x04036010, s_factorySerial, "Talvex");
        device.addSocket(boost::make_shared<USBFtdiSocket>(socketIndex));
        bus().clearCallLog();
        return device.programEeprom(s);
    }

    QStringList expectedCalls(int index, const QString& read, const QString& written)
    {
        return {QStringLiteral("open(%1)").arg(index), "getDeviceInfo()", read, written, "resetPort()", "close()"};
    }

private slots:
    void initTestCase() { QVERIFY(runsOnSimulatedBus()); }
    void init() { bus().reset(); }
    void cleanup() { QCOMPARE(bus().getOpenHandleCount(), 0); }

    void ft232r()
    {
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT232R, s_factorySerial, 0x10);
        USBFtdiProgramData before = chip.getEeprom();
        before.remoteWakeup = 1;
        chip.setEeprom(before);

        QCOMPARE(program(0).getMessage(), QStringLiteral("Success"));
        QCOMPARE(bus().getCallLog(), expectedCalls(0, "readEeprom(2)", "programEeprom(2)"));
        const USBFtdiProgramData data = chip.getEeprom();
        QCOMPARE(data.serialNumber, QByteArray("VTBH001010042"));
        QCOMPARE(data.description, QByteArray("Talvex driver"));
        QCOMPARE(int(data.maxPower), 250);
        QCOMPARE(int(data.selfPowered), 1);
        QCOMPARE(int(data.pullDownEnableR), 1);
        QCOMPARE(int(data.serNumEnableR), 1);
        QCOMPARE(int(data.rIsD2XX), 1);
        QCOMPARE(int(data.cbus0), 4);
        // Fields the programming does not name keep what the chip held.
        QCOMPARE(int(data.remoteWakeup), 1);
        QCOMPARE(data.manufacturer, QByteArray("FTDI"));
        QCOMPARE(int(data.productId), 0x6001);
    }

    void ft232h()
    {
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT232H, s_factorySerial, 0x10);
        USBFtdiProgramData before = chip.getEeprom();
        before.isFifoTarH = 1;
        before.isVCPH = 1;
        before.powerSaveEnableH = 1;
        chip.setEeprom(before);

        QVERIFY(program(0).isOk());
        QCOMPARE(bus().getCallLog(), expectedCalls(0, "readEeprom(5)", "programEeprom(5)"));
        const USBFtdiProgramData data = chip.getEeprom();
        QCOMPARE(data.serialNumber, QByteArray("VTBH001010042"));
        QCOMPARE(data.description, QByteArray("Talvex driver"));
        QCOMPARE(int(data.maxPower), 250);
        QCOMPARE(int(data.selfPowered), 1);
        QCOMPARE(int(data.pullDownEnableH), 1);
        QCOMPARE(int(data.serNumEnableH), 1);
        QCOMPARE(int(data.acSlowSlewH), 0);
        QCOMPARE(int(data.acDriveCurrentH), 16);
        QCOMPARE(int(data.adSlowSlewH), 0);
        QCOMPARE(int(data.adDriveCurrentH), 16);
        QCOMPARE(int(data.cbus8H), 4);
        QCOMPARE(int(data.cbus9H), 4);
        QCOMPARE(int(data.isFifoH), 1);
        QCOMPARE(int(data.isFifoTarH), 0);
        QCOMPARE(int(data.isFastSerH), 0);
        QCOMPARE(int(data.isFT1248H), 0);
        QCOMPARE(int(data.isVCPH), 0);
        QCOMPARE(int(data.powerSaveEnableH), 0);
        QCOMPARE(int(data.productId), 0x6014);
    }

    void ft2232h()
    {
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT2232H, s_factorySerial, 0x10);
        USBFtdiProgramData before = chip.getEeprom();
        before.aIsVCP7 = 1;
        before.bIsVCP7 = 1;
        before.ifbIsFifo7 = 1;
        before.alDriveCurrent = 4;
        chip.setEeprom(before);

        // Socket 0 of a board is channel B, device index 1.
        QVERIFY(program(1).isOk());
        QCOMPARE(bus().getCallLog(), expectedCalls(1, "readEeprom(3)", "programEeprom(3)"));
        const USBFtdiProgramData data = chip.getEeprom();
        QCOMPARE(data.serialNumber, QByteArray("VTBH001010042"));
        QCOMPARE(data.description, QByteArray("Talvex driver"));
        QCOMPARE(int(data.maxPower), 250);
        QCOMPARE(int(data.selfPowered), 1);
        QCOMPARE(int(data.pullDownEnable7), 1);
        QCOMPARE(int(data.serNumEnable7), 1);
        for (quint8 slew : {data.alSlowSlew, data.ahSlowSlew, data.blSlowSlew, data.bhSlowSlew})
            QCOMPARE(int(slew), 0);
        for (quint8 drive : {data.alDriveCurrent, data.ahDriveCurrent, data.blDriveCurrent, data.bhDriveCurrent})
            QCOMPARE(int(drive), 16);
        QCOMPARE(int(data.ifaIsFifo7), 1);
        QCOMPARE(int(data.ifaIsFifoTar7), 0);
        QCOMPARE(int(data.ifaIsFastSer7), 0);
        QCOMPARE(int(data.aIsVCP7), 0);
        QCOMPARE(int(data.ifbIsFifo7), 0);
        QCOMPARE(int(data.ifbIsFifoTar7), 0);
        QCOMPARE(int(data.ifbIsFastSer7), 0);
        QCOMPARE(int(data.bIsVCP7), 0);
        QCOMPARE(int(data.powerSaveEnable), 0);

        // The chip now lists the new identity.
        QCOMPARE(bus().getNodes().at(1).serialNumber, QByteArray("VTBH001010042B"));
        QCOMPARE(bus().getNodes().at(1).description, QByteArray("Talvex driver B"));
    }

    // A blank chip gets the default form first; it keeps its own product id, so the board is
    // still recognised afterwards.
    void blankChipsKeepTheirProductId_data()
    {
        QTest::addColumn<int>("chipType");
        QTest::addColumn<int>("socketIndex");
        QTest::addColumn<int>("productId");
        QTest::newRow("FT2232H") << int(USBIFtdiApi::ChipFT2232H) << 1 << 0x6010;
        QTest::newRow("FT232H") << int(USBIFtdiApi::ChipFT232H) << 0 << 0x6014;
    }

    void blankChipsKeepTheirProductId()
    {
        QFETCH(int, chipType);
        QFETCH(int, socketIndex);
        QFETCH(int, productId);

        SimFtdiChip& chip = bus().addChip(chipType, s_factorySerial, 0x10);
        USBFtdiProgramData junk;
        junk.remoteWakeup = 1;
        junk.manufacturer = "junk";
        chip.setEeprom(junk);
        chip.setBlank(true);

        QVERIFY(program(socketIndex).isOk());
        QVERIFY(!chip.isBlank());
        const USBFtdiProgramData data = chip.getEeprom();
        QCOMPARE(int(data.vendorId), 0x0403);
        QCOMPARE(int(data.productId), productId);
        QCOMPARE(data.manufacturer, QByteArray("FTDI"));
        QCOMPARE(data.manufacturerId, QByteArray("FT"));
        QCOMPARE(int(data.pnp), 1);
        QCOMPARE(int(data.remoteWakeup), 0);
        QCOMPARE(int(data.maxPower), 250);
        QCOMPARE(data.serialNumber, QByteArray("VTBH001010042"));
        QCOMPARE(bus().getNodes().at(0).usbId, quint32(0x04030000 | productId));
    }

    void blankFt232rIsNotProgrammed()
    {
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT232R, s_factorySerial, 0x10);
        chip.setBlank(true);
        const USBResult result = program(0);
        QCOMPARE(result.getStatus(), 2);
        QCOMPARE(result.getMessage(), QStringLiteral("EEPROM not programmed"));
        QCOMPARE(chip.getProgramCount(), 0);
        QCOMPARE(bus().getCallLog(), (QStringList{"open(0)", "getDeviceInfo()", "readEeprom(2)", "close()"}));
    }

    void xSeries_data()
    {
        QTest::addColumn<bool>("option");
        QTest::addColumn<QVector<int>>("cbus");
        QTest::addColumn<int>("pullDown");
        QTest::addColumn<int>("forcePowerEnable");
        QTest::newRow("option set") << true << QVector<int>{4, 3, 0, 0} << 1 << 1;
        QTest::newRow("option clear") << false << QVector<int>{14, 4, 5, 4} << 0 << 0;
    }

    void xSeries()
    {
        QFETCH(bool, option);
        QFETCH(QVector<int>, cbus);
        QFETCH(int, pullDown);
        QFETCH(int, forcePowerEnable);

        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFTX, s_factorySerial, 0x10);
        QVERIFY(program(0, settings(option)).isOk());
        QCOMPARE(bus().getCallLog(), expectedCalls(0, "readEepromX(56)", "programEepromX(56)"));
        const USBFtdiXSeriesEeprom data = chip.getEepromX();
        QCOMPARE(data.serialNumber, QByteArray("VTBH001010042"));
        QCOMPARE(data.description, QByteArray("Talvex driver"));
        QCOMPARE(int(data.maxPower), 250);
        QCOMPARE(int(data.selfPowered), 1);
        QCOMPARE(int(data.serNumEnable), 1);
        QCOMPARE(int(data.bcdDisableSleep), 1);
        QCOMPARE(int(data.bcdEnable), 1);
        QCOMPARE((QVector<int>{data.cbus0, data.cbus1, data.cbus2, data.cbus3}), cbus);
        QCOMPARE(int(data.pullDownEnable), pullDown);
        QCOMPARE(int(data.bcdForceCbusPWREN), forcePowerEnable);
        QCOMPARE(data.manufacturer, QByteArray("FTDI"));
        QCOMPARE(data.manufacturerId, QByteArray("FT"));
    }

    // Never reported as success when nothing could be written.
    void otherChipsAreUnsupported()
    {
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT4232H, s_factorySerial, 0x10);
        const USBResult result = program(0);
        QCOMPARE(result.getMessage(), QStringLiteral("Unsupported devices"));
        QCOMPARE(chip.getProgramCount(), 0);
        QCOMPARE(bus().getCallLog(), (QStringList{"open(0)", "getDeviceInfo()", "close()"}));
    }

    void failuresAreReported_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("open") << 0 << "Device not opened" << QStringList{"open(0)"};
        QTest::newRow("device information") << 1 << "Insufficient resources"
                                            << QStringList{"open(0)", "getDeviceInfo()", "close()"};
        QTest::newRow("read") << 2 << "Insufficient resources"
                              << QStringList{"open(0)", "getDeviceInfo()", "readEeprom(3)", "close()"};
        QTest::newRow("program") << 3 << "Insufficient resources"
                                 << QStringList{"open(0)", "getDeviceInfo()", "readEeprom(3)", "programEeprom(3)", "close()"};
    }

    void failuresAreReported()
    {
        QFETCH(int, step);
        QFETCH(QString, message);
        QFETCH(QStringList, calls);

        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT2232H, s_factorySerial, 0x10);
        bus().failCallAt(step, step == 0 ? USBIFtdiApi::DeviceNotOpened : USBIFtdiApi::InsufficientResources);
        const USBResult result = program(0);
        QCOMPARE(result.getStatus(), 2);
        QCOMPARE(result.getMessage(), message);
        QCOMPARE(bus().getCallLog(), calls);
        QCOMPARE(chip.getEeprom().serialNumber, QByteArray(s_factorySerial));
    }

    void textsAreCutToWhatTheChipHolds()
    {
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT232R, s_factorySerial, 0x10);
        USBEepromSettings s = settings();
        s.serialNumber = QStringLiteral("VTBH0010100421234567");
        s.description = QString(70, QLatin1Char('d'));
        s.description[1] = QChar(0x03A9);
        s.description[2] = QChar(0x00E9);
        QVERIFY(program(0, s).isOk());
        const USBFtdiProgramData data = chip.getEeprom();
        QCOMPARE(data.serialNumber, QByteArray("VTBH001010042123"));
        QCOMPARE(data.description.size(), 63);
        QCOMPARE(data.description.left(4), QByteArray("d\0\xE9" "d", 4));
    }
};

TALVEX_TEST(tst_USBDeviceEeprom)
#include "tst_USBDeviceEeprom.moc"
