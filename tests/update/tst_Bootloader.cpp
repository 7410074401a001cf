#include "TestRegistry.h"

#include "Bootloader.h"
#include "BootloaderBoardRig.h"
#include "BootloaderConstants.h"
#include "BootloaderFirmwareInfo.h"
#include "BootloaderHexData.h"
#include "BootloaderIProgress.h"
#include "BootloaderSecondaryImage.h"
#include "HexText.h"
#include "SimBoardHandshakeFraming.h"
#include "SimFtdiChannel.h"
#include "SimIBoardBootloader.h"
#include "SimulatedBoard.h"

#include <QTest>

namespace
{
typedef QVector<quint8> Bytes;
typedef QList<Bytes> Log;

Bytes bytesOf(const QByteArray& text)
{
    return Bytes(text.cbegin(), text.cend());
}

Bytes entry(quint8 opcode, const Bytes& payload = Bytes())
{
    return Bytes{opcode} + payload;
}

Bytes pattern(int count, int seed)
{
    Bytes bytes(count);
    for (int i = 0; i < count; ++i)
        bytes[i] = quint8(i * 7 + seed);
    return bytes;
}

Bytes pageOf(const Bytes& image, int pageSize, int index)
{
    Bytes page = image.mid(index * pageSize, pageSize);
    while (page.count() < pageSize)
        page.append(0xFF);
    return page;
}

class ProgressLog : public BootloaderIProgress
{
public:
    void updateProgress(const QString& text, int percent) override
    {
        m_steps.append(QStringLiteral("%1 (%2)").arg(text).arg(percent));
    }
    void finishProgress() override { m_steps.append(QStringLiteral("finished")); }

    QStringList m_steps;
};

// A clock that only notes what it is asked to sleep.
class NotingClock : public USBProtocolClock
{
public:
    void sleepMicroseconds(unsigned long microseconds) override { m_sleeps.append(microseconds); }

    QList<unsigned long> m_sleeps;
};

// A bootloader that reports a page size of its choice and notes the commands it is sent; it
// takes page data of 128 bytes and 16-bit page numbers.
class GeometryBootloader : public SimIBoardBootloader
{
public:
    explicit GeometryBootloader(const Bytes& targetInfo) : m_targetInfo(targetInfo) {}

    Command beginCommand(quint8 command) override
    {
        m_commands.append(command);
        Command answer;
        answer.raw = command == 0x0A;
        answer.payloadLength = command == 0x0A ? 36 : command == 0x11 ? 128 : command == 0x13 ? 2 : 0;
        return answer;
    }
    Reply finishCommand(quint8 command, const QVector<quint8>&) override
    {
        Reply reply;
        if (command == 0x14)
            reply.data = m_targetInfo;
        return reply;
    }

    Bytes m_targetInfo;
    Bytes m_commands;
};

BootloaderFirmwareInfo newInfo(const BootloaderFirmwareInfo& base)
{
    BootloaderFirmwareInfo info = base;
    info.major = 7;
    info.minor = 3;
    info.year = 2026;
    info.month = 1;
    info.day = 15;
    info.packageChecksum = 0x4242;
    return info;
}
}

class tst_Bootloader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(runsOnSimulatedBus()); }
    void cleanup() { BootloaderConstants::restoreDefaults(); }

    void readTargetInfo_data()
    {
        QTest::addColumn<QString>("serialNumber");
        QTest::addColumn<bool>("flag");

        QTest::newRow("1,1") << "VTAH001010040" << false;
        QTest::newRow("1,2") << "VTAH001020041" << true;
        QTest::newRow("10,1") << "VTBP010010042" << true;
        QTest::newRow("27,1") << "VTAH027010043" << true;
    }

    // Through the packet protocol the running firmware gives the information page.
    void readTargetInfo()
    {
        QFETCH(QString, serialNumber);
        QFETCH(bool, flag);

        BootloaderBoardRig rig(serialNumber, 3, 14);
        QVERIFY(rig.m_opened.isOk());
        BootloaderFirmwareInfo info;
        bool unlock = !flag;
        const USBResult result = Bootloader(false).readTargetInfo(rig.m_driver, info, &unlock);
        QVERIFY2(result.isOk(), qPrintable(result.getMessage()));
        QCOMPARE(unlock, flag);
        QVERIFY(info.valid);
        QCOMPARE(info.deviceName, QString("Stepper motor driver"));
        QCOMPARE(info.serialNumber, serialNumber);
        QCOMPARE(info.productCode, serialNumber.mid(4, 3).toInt());
        QCOMPARE(info.major, 3);
        QCOMPARE(info.minor, 14);
        QCOMPARE(QDate(info.year, info.month, info.day), QDate(2024, 3, 18));
        QCOMPARE(rig.m_driver.getDevice()->getFirmwareVersion().getMinor(), 14);
        QCOMPARE(rig.m_pBoard->getCommandLog(), (Log{{0x14}, {0x15}, {0x12}}));
    }

    void update_data()
    {
        QTest::addColumn<QString>("serialNumber");
        QTest::addColumn<int>("pageSize");
        QTest::addColumn<bool>("locked");

        QTest::newRow("1,1: pages of 128, open") << "VTAH001010040" << 128 << false;
        QTest::newRow("27,1: pages of 256, locked") << "VTAH027010043" << 256 << true;
    }

    // The whole update as the firmware update runs it: every byte the board receives, the
    // flash it is left with and the information page it reports afterwards.
    void update()
    {
        QFETCH(QString, serialNumber);
        QFETCH(int, pageSize);
        QFETCH(bool, locked);

        BootloaderBoardRig rig(serialNumber);
        const Bootloader bootloader(false);
        BootloaderFirmwareInfo before;
        QVERIFY(bootloader.readTargetInfo(rig.m_driver, before).isOk());
        rig.m_pBoard->clearCommandLog();

        const Bytes image = pattern(2 * pageSize + 40, 3);
        const BootloaderHexData hex(hexText(image));
        const BootloaderFirmwareInfo info = newInfo(before);
        QVERIFY(bootloader.enterBootloader(rig.m_driver, true).isOk());
        QVERIFY(rig.toBootloaderProtocol().isOk());
        QCOMPARE(rig.m_pBoard->getMode(), SimBootloaderBoard::Bootloader);
        USBResult result = bootloader.writeFirmwareInfo(rig.m_driver, info);
        QVERIFY2(result.isOk(), qPrintable(result.getMessage()));
        result = bootloader.uploadFirmware(rig.m_driver, hex, true, 0);
        QVERIFY2(result.isOk(), qPrintable(result.getMessage()));
        QVERIFY(bootloader.exitBootloader(rig.m_driver).isOk());
        QVERIFY(rig.toPacketProtocol().isOk());

        const Log unlock = locked ? Log{entry(0x0A, bytesOf(BootloaderConstants::writeUnlockCode()))} : Log{};
        Log expected{entry(0x06, bytesOf(BootloaderConstants::entryUnlockCode())), {0x04}, {0x14}};
        expected += unlock;
        expected += Log{entry(0x11, info.toBytes(pageSize)), {0x18}, {0x14}};
        expected += unlock;
        expected += Log{{0x10}, {0x13, 0x00}, entry(0x11, pageOf(image, pageSize, 0)), {0x17}, {0x10}};
        for (quint8 page = 0; page < 3; ++page)
            expected += Log{{0x13, page}, entry(0x11, pageOf(image, pageSize, page)), {0x17}};
        expected += Log{{0x03}};
        QCOMPARE(rig.m_pBoard->getCommandLog(), expected);

        const SimBootloaderMemory memory = rig.m_pBoard->getMemory();
        QCOMPARE(memory.getFlash().mid(0, image.count()), image);
        QCOMPARE(memory.getFlash().mid(image.count()), Bytes(256 * pageSize - image.count(), 0xFF));
        QCOMPARE(memory.getInformationPage(), info.toBytes(pageSize));

        BootloaderFirmwareInfo after;
        QVERIFY(bootloader.readTargetInfo(rig.m_driver, after).isOk());
        QCOMPARE(rig.m_pBoard->getMode(), SimBootloaderBoard::Firmware);
        QCOMPARE(after.major, 7);
        QCOMPARE(after.minor, 3);
        QCOMPARE(after.packageChecksum, 0x4242);
        QCOMPARE(after.serialNumber, serialNumber);
        QCOMPARE(rig.m_driver.getDevice()->getFirmwareVersion().getMajor(), 7);
    }

    // Four pages from page 10, two pages to a sector, through the firmware's secondary update.
    void secondaryImage()
    {
        BootloaderBoardRig rig("VTAH027010043");
        const Bootloader bootloader(false);
        QVERIFY(bootloader.enterBootloader(rig.m_driver, true).isOk());
        QVERIFY(rig.toBootloaderProtocol().isOk());
        QVERIFY(bootloader.exitToSecondaryUpdate(rig.m_driver).isOk());
        QVERIFY(rig.toPacketProtocol().isOk());
        QCOMPARE(rig.m_pBoard->getMode(), SimBootloaderBoard::SecondaryUpdate);
        rig.m_pBoard->clearCommandLog();

        BootloaderSecondaryImageHeader header;
        header.name = "encoder";
        header.pageSize = 128;
        header.pagesPerSector = 2;
        header.firstPage = 10;
        const Bytes data = pattern(4 * 128, 11);
        BootloaderSecondaryImage image(header, QByteArray(reinterpret_cast<const char*>(data.constData()), data.count()));
        ProgressLog progress;
        const USBResult result = bootloader.uploadSecondaryFirmware(rig.m_driver, image, &progress);
        QVERIFY2(result.isOk(), qPrintable(result.getMessage()));
        QVERIFY(bootloader.finishSecondaryUpdate(rig.m_driver).isOk());

        QCOMPARE(progress.m_steps, (QStringList{"Erasing sector 5 (25)", "Writing page 0 (25)", "Writing page 1 (50)",
                                       "Erasing sector 6 (75)", "Writing page 2 (75)", "Writing page 3 (100)",
                                       "finished"}));
        Log opcodes;
        for (const Bytes& command : rig.m_pBoard->getCommandLog())
            opcodes.append(command.mid(0, command.first() == 0x1A ? 3 : command.first() == 0x1B ? 3 : 1));
        QCOMPARE(opcodes, (Log{{0x19}, {0x1B, 5, 0}, {0x1A, 10, 0}, {0x1A, 11, 0}, {0x1B, 6, 0}, {0x1A, 12, 0},
                              {0x1A, 13, 0}, {0x1C}}));
        QCOMPARE(rig.m_pBoard->getMemory().getSecondaryFlash().mid(10 * 128, data.count()), data);
        QCOMPARE(rig.m_pBoard->getMode(), SimBootloaderBoard::Firmware);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("opcode");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("last");

        QTest::newRow("erase busy") << "status" << 0x10 << 2 << "Target device is busy" << 0x10;
        QTest::newRow("program answers 4") << "status" << 0x17 << 4
                                           << "Instruction stream was corrupted (unexpected return value [4])" << 0x17;
        QTest::newRow("page data refused") << "status" << 0x11 << 1
                                           << "Instruction was not recognised by target device" << 0x11;
        QTest::newRow("program silent") << "silent" << 0x17 << 0 << "Communication timed out" << 0x17;
        QTest::newRow("wrong write code") << "code" << 0 << 0 << "Device was not unlocked for write" << 0x17;
    }

    // A failing step ends the upload with its text; nothing after it is sent.
    void failures()
    {
        QFETCH(QString, fault);
        QFETCH(int, opcode);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(int, last);

        BootloaderBoardRig rig("VTAH027010043");
        const Bootloader bootloader(false);
        QVERIFY(bootloader.enterBootloader(rig.m_driver, true).isOk());
        QVERIFY(rig.toBootloaderProtocol().isOk());
        if (fault == "status")
            rig.m_pBoard->setStatusFault(quint8(opcode), quint8(status));
        else if (fault == "silent")
            rig.m_pBoard->setSilentFault(quint8(opcode));
        else
            BootloaderConstants::setWriteUnlockCode("00000000-0000-0000-0000-000000000000");
        rig.m_pBoard->clearCommandLog();

        const BootloaderHexData hex(hexText(pattern(600, 1)));
        const USBResult result = bootloader.uploadFirmware(rig.m_driver, hex, false, 0);
        QCOMPARE(result.getStatus(), 2);
        QCOMPARE(result.getMessage(), message);
        const Log log = rig.m_pBoard->getCommandLog();
        QCOMPARE(int(log.last().first()), last);
        QCOMPARE(log.count(Bytes{0x17}), last == 0x17 ? 1 : 0);

        // The board is still in its bootloader and answers the next request.
        rig.m_pBoard->clearFaults();
        BootloaderFirmwareInfo info;
        rig.m_driver.purgeDevice();
        QVERIFY(bootloader.readTargetInfo(rig.m_driver, info).isOk());
        QVERIFY(info.valid);
    }

    // The power fails while page 1 is programmed: the upload reports it, and once the power is
    // back the board waits in its bootloader, where a new upload succeeds.
    void powerCut()
    {
        BootloaderBoardRig rig("VTAH001010040");
        const Bootloader bootloader(false);
        QVERIFY(bootloader.enterBootloader(rig.m_driver, true).isOk());
        QVERIFY(rig.toBootloaderProtocol().isOk());
        rig.m_pBoard->setPowerCutAtPage(1);
        const Bytes image = pattern(3 * 128, 5);
        const BootloaderHexData hex(hexText(image));

        const USBResult cut = bootloader.uploadFirmware(rig.m_driver, hex, false, 0);
        QCOMPARE(cut.getStatus(), 2);
        QCOMPARE(cut.getMessage(), QString("Communication error"));
        QVERIFY(rig.m_driver.enumerateDevices(true).isEmpty());

        rig.m_pBoard->powerOn();
        QCOMPARE(rig.m_pBoard->getMode(), SimBootloaderBoard::Bootloader);
        rig.m_driver.closeDevice();
        // Spoken to as a running firmware, the board answers nothing that makes sense.
        rig.m_driver.popProtocol(0);
        QVERIFY(rig.open().isOk());
        BootloaderFirmwareInfo info;
        const USBResult asFirmware = bootloader.readTargetInfo(rig.m_driver, info);
        QCOMPARE(asFirmware.getStatus(), 2);
        QCOMPARE(asFirmware.getMessage(), QString("Communication stream is corrupted."));
        QVERIFY(!info.present);

        QVERIFY(rig.toBootloaderProtocol().isOk());
        QVERIFY(bootloader.uploadFirmware(rig.m_driver, hex, false, 0).isOk());
        QVERIFY(bootloader.exitBootloader(rig.m_driver).isOk());
        QCOMPARE(rig.m_pBoard->getMemory().getFlash().mid(0, image.count()), image);
        QCOMPARE(rig.m_pBoard->getMode(), SimBootloaderBoard::Firmware);
    }

    void firmwareFaults_data()
    {
        QTest::addColumn<int>("opcode");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("message");

        QTest::newRow("target info refused") << 0x14 << false << "Instruction was not recognised by target device";
        QTest::newRow("page load busy") << 0x15 << false << "Target device is busy";
        QTest::newRow("page read unanswered") << 0x12 << true << "Communication timed out";
    }

    // The running firmware's refusals and silence reach the caller as they are.
    void firmwareFaults()
    {
        QFETCH(int, opcode);
        QFETCH(bool, silent);
        QFETCH(QString, message);

        BootloaderBoardRig rig("VTAH010010042");
        if (silent)
            rig.m_pBoard->setSilentFault(quint8(opcode));
        else
            rig.m_pBoard->setStatusFault(quint8(opcode), opcode == 0x14 ? 1 : 2);
        BootloaderFirmwareInfo info;
        const USBResult result = Bootloader(false).readTargetInfo(rig.m_driver, info);
        QCOMPARE(result.getStatus(), 2);
        QCOMPARE(result.getMessage(), message);
        QVERIFY(!info.present);
        QCOMPARE(rig.m_pBoard->getCommandLog().last(), Bytes{quint8(opcode)});

        rig.m_pBoard->clearFaults();
        QVERIFY(Bootloader(false).readTargetInfo(rig.m_driver, info).isOk());
        QVERIFY(info.valid);
    }

    void corruptInformationPage()
    {
        BootloaderBoardRig rig("VTAH001010040");
        rig.m_pBoard->setCorruptInformationPage(true);
        BootloaderFirmwareInfo info;
        info.deviceName = "kept";
        const USBResult result = Bootloader(false).readTargetInfo(rig.m_driver, info);
        QCOMPARE(result.getStatus(), 2);
        QCOMPARE(result.getMessage(), QString("Data from device is corrupt"));
        QCOMPARE(info.deviceName, QString("kept"));
    }

    // A page that was never written is read as a record that is not there, version 0.0.
    void blankInformationPage()
    {
        BootloaderBoardRig rig("VTAH001010040");
        rig.m_pBoard->setInformationPage(Bytes(128, 0xFF));
        rig.m_driver.getDevice()->setFirmwareVersion(USBVersion(5, 5));
        BootloaderFirmwareInfo info;
        QVERIFY(Bootloader(false).readTargetInfo(rig.m_driver, info).isOk());
        QVERIFY(!info.present);
        QVERIFY(!info.valid);
        QCOMPARE(rig.m_driver.getDevice()->getFirmwareVersion().getMajor(), 0);
        QCOMPARE(rig.m_driver.getDevice()->getFirmwareVersion().getMinor(), 0);
    }

    void refusedGeometry_data()
    {
        QTest::addColumn<Bytes>("targetInfo");
        QTest::addColumn<int>("imageSize");
        QTest::addColumn<int>("headers");
        QTest::addColumn<QString>("upload");
        QTest::addColumn<QString>("information");

        const QString zero = "The device reported an invalid page size (0).";
        QTest::newRow("page size 0") << Bytes{0x00, 0x00} << 100 << 0 << zero << zero;
        QTest::newRow("page size 65535") << Bytes{0xFF, 0xFF, 0xFF, 0x00} << 100 << 0
                                         << "The device reported an invalid page size (65535)."
                                         << "The device reported an invalid page size (65535).";
        QTest::newRow("257 pages") << Bytes{0x00, 0x80} << 257 * 128 << 3
                                   << "The firmware image needs 257 pages of 128 bytes; the bootloader can address 256."
                                   << "The firmware information needs 151 bytes; a page of the device holds 128.";
    }

    // What the bootloader cannot carry out is refused after the target info, before any write.
    void refusedGeometry()
    {
        QFETCH(Bytes, targetInfo);
        QFETCH(int, imageSize);
        QFETCH(int, headers);
        QFETCH(QString, upload);
        QFETCH(QString, information);

        SimUsbBus& bus = SimUsbBus::instance();
        bus.reset();
        SimFtdiChip& chip = bus.addChip(USBIFtdiApi::ChipFT2232H, "VTAH001010044", 0x100);
        const auto bootloader = boost::make_shared<GeometryBootloader>(targetInfo);
        chip.getChannel(1).setEndpoint(boost::make_shared<SimBoardHandshakeFraming>(bootloader));
        USBDriver driver;
        driver.setProtocol(boost::make_shared<USBHandshakeProtocol>(boost::make_shared<SimulatedBusClock>()), 0);
        QVERIFY(driver.openDevice(driver.enumerateDevices(true).value(0), 500000).isOk());

        const BootloaderHexData hex(hexText(pattern(imageSize, 0)));
        USBResult result = Bootloader(false).uploadFirmware(driver, hex, true, 0);
        QCOMPARE(result.getStatus(), 2);
        QCOMPARE(result.getMessage(), upload);
        BootloaderFirmwareInfo info;
        for (int i = 0; i < headers; ++i)
            info.secondaryHeaders.append(BootloaderSecondaryImageHeader());
        result = Bootloader(false).writeFirmwareInfo(driver, info);
        QCOMPARE(result.getMessage(), information);
        QCOMPARE(bootloader->m_commands, (Bytes{0x14, 0x14}));

        // Wide page numbers reach further: the same image goes through.
        if (imageSize > 256 * 128)
        {
            QVERIFY(Bootloader(true).uploadFirmware(driver, hex, false, 0).isOk());
            QVERIFY(bootloader->m_commands.contains(0x17));
        }
        driver.closeDevice();
        bus.reset();
    }

    void refusedSecondaryImages_data()
    {
        QTest::addColumn<int>("pageSize");
        QTest::addColumn<int>("pagesPerSector");
        QTest::addColumn<int>("firstPage");
        QTest::addColumn<QString>("message");

        QTest::newRow("page size 0") << 0 << 2 << 0 << "The secondary image \"chip\" has no valid page or sector size.";
        QTest::newRow("no sectors") << 128 << 0 << 0 << "The secondary image \"chip\" has no valid page or sector size.";
        QTest::newRow("past page 65535") << 16 << 2 << 65530
                                         << "The secondary image \"chip\" reaches beyond the pages of its chip.";
        const QString tooLarge = "The secondary image \"chip\" has pages of %1 bytes; the bootloader takes at most 65533.";
        QTest::newRow("page longer than a frame") << 65534 << 2 << 0 << tooLarge.arg(65534);
        QTest::newRow("page of 1 GiB") << (1 << 30) << 2 << 0 << tooLarge.arg(1 << 30);
        QTest::newRow("page of 2^31-1") << 0x7FFFFFFF << 1 << 0 << tooLarge.arg(0x7FFFFFFF);
    }

    void refusedSecondaryImages()
    {
        QFETCH(int, pageSize);
        QFETCH(int, pagesPerSector);
        QFETCH(int, firstPage);
        QFETCH(QString, message);

        BootloaderBoardRig rig("VTAH027010043");
        rig.m_pBoard->clearCommandLog();
        BootloaderSecondaryImageHeader header;
        header.name = "chip";
        header.pageSize = pageSize;
        header.pagesPerSector = pagesPerSector;
        header.firstPage = firstPage;
        BootloaderSecondaryImage image(header, QByteArray(160, 'c'));
        ProgressLog progress;
        const USBResult result = Bootloader(false).uploadSecondaryFirmware(rig.m_driver, image, &progress);
        QCOMPARE(result.getMessage(), message);
        QVERIFY(rig.m_pBoard->getCommandLog().isEmpty());
        QVERIFY(progress.m_steps.isEmpty());
    }

    // An image that did not parse is never written; the delays run on the given clock.
    void imageAndDelays()
    {
        BootloaderBoardRig rig("VTAH001010040");
        const auto clock = boost::make_shared<NotingClock>();
        const Bootloader bootloader(false, clock);
        QVERIFY(bootloader.enterBootloader(rig.m_driver, true).isOk());
        QVERIFY(rig.toBootloaderProtocol().isOk());
        rig.m_pBoard->clearCommandLog();

        const BootloaderHexData broken(":0100000011EE\n:0100010022DD\n");
        const USBResult refused = bootloader.uploadFirmware(rig.m_driver, broken, true, 50);
        QCOMPARE(refused.getMessage(), QString("The firmware image is invalid: Checksum error on row 2."));
        QVERIFY(rig.m_pBoard->getCommandLog().isEmpty());

        const BootloaderHexData empty(QByteArray(":00000001FF\n"));
        QVERIFY(bootloader.uploadFirmware(rig.m_driver, empty, true, 50).isOk());
        QCOMPARE(clock->m_sleeps, (QList<unsigned long>{50000, 50000}));
        QCOMPARE(rig.m_pBoard->getCommandLog(),
            (Log{{0x14}, {0x10}, {0x13, 0x00}, entry(0x11, Bytes(128, 0xFF)), {0x17}, {0x10}}));
    }

    // Entering without the unlock code leaves the board in its firmware.
    void entryNeedsItsCode()
    {
        BootloaderBoardRig rig("VTAH001010040");
        const Bootloader bootloader(false);
        QVERIFY(bootloader.enterBootloader(rig.m_driver, false).isOk());
        QCOMPARE(rig.m_pBoard->getMode(), SimBootloaderBoard::Firmware);
        BootloaderConstants::setEntryUnlockCode("ffffffff-ffff-ffff-ffff-ffffffffffff");
        QVERIFY(bootloader.enterBootloader(rig.m_driver, true).isOk());
        QCOMPARE(rig.m_pBoard->getMode(), SimBootloaderBoard::Firmware);
        BootloaderConstants::restoreDefaults();
        QVERIFY(bootloader.enterBootloader(rig.m_driver, true).isOk());
        QCOMPARE(rig.m_pBoard->getMode(), SimBootloaderBoard::Bootloader);
        // The board stays listed under its serial number.
        QCOMPARE(rig.m_driver.enumerateDevices(true).value(0)->getSerialNumberText().left(13), QString("VTAH001010040"));
    }
};

TALVEX_TEST(tst_Bootloader)
#include "tst_Bootloader.moc"
