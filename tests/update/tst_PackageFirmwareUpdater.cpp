#include "TestRegistry.h"

#include "Bootloader.h"
#include "BootloaderFirmwareInfo.h"
#include "BootloaderFirmwarePackage.h"
#include "GrabWhenAsked.h"
#include "HexText.h"
#include "PackageUpdaterManifest.h"
#include "SimulatedBus.h"
#include "UpdateOnConnectRig.h"

#include <QDir>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <QTest>

namespace
{
typedef QVector<quint8> Bytes;

const char s_visit[] = "\nCheck for updates online or visit www.veltramonde.example.";
const QDate s_released(2026, 6, 30);

Bytes pattern(int count, int seed)
{
    Bytes bytes(count);
    for (int i = 0; i < count; ++i)
        bytes[i] = quint8(i * 7 + seed);
    return bytes;
}

QByteArray packageContents(int major, int minor, const QByteArray& hex,
    const QList<PackageWriter::Secondary>& secondaries = {})
{
    return PackageWriter::contents(
        PackageWriter::innerData(major, minor, s_released, hex, secondaries, !secondaries.isEmpty()),
        BootloaderConstants::packageKey());
}

// The package kinds of the check table: a version "M.m" (an image of 300 bytes), or a package
// of version 2.1 that must be refused.
QByteArray packageOfKind(const QString& kind)
{
    if (kind == "corrupt")
    {
        QByteArray contents = packageContents(2, 1, hexText(pattern(300, 1)));
        contents[contents.size() - 3] = char(contents.at(contents.size() - 3) ^ 0x10);
        return contents;
    }
    if (kind == "layout 2")
    {
        QByteArray inner;
        QDataStream out(&inner, QIODevice::WriteOnly);
        out << qint32(-2) << qint32(2) << qint32(1);
        return PackageWriter::contents(inner, BootloaderConstants::packageKey());
    }
    if (kind == "bad hex")
        return packageContents(2, 1, ":0100000011EE\n:0100010022DD\n");
    if (kind == "too large")
        return packageContents(2, 1, hexText(pattern(256 * 128 + 1, 2)));
    if (kind == "huge secondary pages")
    {
        PackageWriter::Secondary secondary;
        secondary.header.name = "chip";
        secondary.header.pageSize = 0x7FFFFFFF;
        secondary.header.pagesPerSector = 1;
        secondary.data = QByteArray(300, 's');
        return packageContents(2, 1, hexText(pattern(300, 1)), {secondary});
    }
    if (kind == "empty image")
        return packageContents(2, 1, ":00000001FF\n");
    const QStringList version = kind.split('.');
    return packageContents(version.value(0).toInt(), version.value(1).toInt(), hexText(pattern(300, 1)));
}

QString withApplication(QString text, const QString& application)
{
    return text.replace("%app", application);
}

// The information page of a board of another model than its serial number names.
Bytes pageOfModel(int productCode, int revision, int major, int minor)
{
    BootloaderFirmwareInfo info;
    info.productCode = productCode;
    info.revision = revision;
    info.serialNumber = "VTAH001020001";
    info.major = major;
    info.minor = minor;
    return info.toBytes(128);
}
}

// The firmware check of a board being connected and its update through the bootloader, on a
// simulated board: every answer of the check with its text and code, whole updates with and
// without secondary images, failures in the middle of an update and the connect after them.
class tst_PackageFirmwareUpdater : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(runsOnSimulatedBus()); }

    void check_data()
    {
        QTest::addColumn<int>("boardMajor");
        QTest::addColumn<int>("boardMinor");
        QTest::addColumn<int>("oldest");
        QTest::addColumn<int>("newest");
        QTest::addColumn<QString>("package");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("updated");

        const int yes = QMessageBox::Yes;
        const int no = QMessageBox::No;
        const QString optional = "Firmware update: New firmware is available for the target device.\nUpdate firmware now?";
        const QString required = "Firmware update: The target device requires new firmware.\nUpdate firmware now?";
        const QString reason = "Unsupported firmware version 1.0 on target device.";
        const QString notAvailable = QString("The latest firmware package is not available.") + s_visit;
        const QString inUse = "The update repository is in use.\nUnable to perform firmware update at this stage. "
                              "Please, try again later.";
        const QString corrupt = QString("The firmware package file is corrupt.") + s_visit;
        const QString cannot = "The firmware image cannot be written to this device: ";

        QTest::newRow("supported, no package") << 1 << 0 << 1 << 1 << "" << 0 << 0 << "Success" << "" << false;
        QTest::newRow("too old, no package") << 1 << 0 << 2 << 4 << "" << 0 << 2 << reason + "\n" + notAvailable << ""
                                             << false;
        QTest::newRow("unknown model") << 1 << 0 << 0 << 0 << "1.1" << 0 << 2 << "Unsupported device 000101." << ""
                                       << false;
        QTest::newRow("too new for the studio") << 5 << 3 << 2 << 4 << "5.4" << 0 << 2
                                                << "Unsupported firmware version 5.3 on target device.\nPlease, update %app."
                                                << "" << false;
        QTest::newRow("same version") << 1 << 2 << 1 << 1 << "1.2" << 0 << 0 << "Success" << "" << false;
        QTest::newRow("older package") << 1 << 3 << 1 << 1 << "1.2" << 0 << 0 << "Success" << "" << false;
        QTest::newRow("optional, accepted") << 1 << 0 << 1 << 1 << "1.1" << yes << 0 << "Success" << optional << true;
        QTest::newRow("optional, declined") << 1 << 0 << 1 << 1 << "1.1" << no << 0 << "Success" << optional << false;
        QTest::newRow("required, accepted") << 1 << 0 << 2 << 2 << "2.0" << yes << 0 << "Success" << required << true;
        QTest::newRow("required, declined")
            << 1 << 0 << 2 << 2 << "2.0" << no << 2 << reason + "\nThe firmware on the target device must be updated."
            << required << false;
        QTest::newRow("corrupt, optional") << 1 << 0 << 1 << 2 << "corrupt" << 0 << 1 << corrupt << "" << false;
        QTest::newRow("corrupt, required") << 1 << 0 << 2 << 2 << "corrupt" << 0 << 2 << reason + "\n" + corrupt << ""
                                           << false;
        QTest::newRow("package larger than any flash takes")
            << 1 << 0 << 1 << 2 << "oversized file" << 0 << 1
            << QString("The firmware package file is too large.") + s_visit << "" << false;
        QTest::newRow("package file at the size limit") << 1 << 0 << 1 << 2 << "limit-sized file" << 0 << 1 << corrupt
                                                        << "" << false;
        QTest::newRow("unknown package layout") << 1 << 0 << 1 << 2 << "layout 2" << 0 << 1
                                                << QString("Unsupported firmware package version 2.") + s_visit << ""
                                                << false;
        QTest::newRow("package older than supported") << 1 << 0 << 2 << 3 << "1.5" << 0 << 2
                                                      << reason + "\n" + notAvailable << "" << false;
        QTest::newRow("package newer than supported, optional")
            << 1 << 0 << 1 << 1 << "2.0" << 0 << 1
            << reason + "\nThe latest firmware requires an update of %app, first." + s_visit << "" << false;
        QTest::newRow("repository in use, optional") << 1 << 0 << 1 << 1 << "lock" << 0 << 1 << inUse << "" << false;
        QTest::newRow("repository in use, required") << 1 << 0 << 2 << 2 << "lock" << 0 << 2 << reason + "\n" + inUse
                                                     << "" << false;
        QTest::newRow("invalid HEX image") << 1 << 0 << 1 << 2 << "bad hex" << 0 << 1
                                           << cannot + "Checksum error on row 2." + s_visit << "" << false;
        QTest::newRow("image larger than the flash")
            << 1 << 0 << 1 << 2 << "too large" << 0 << 1
            << cannot + "Address beyond the device's flash on row 2049." + s_visit << "" << false;
        QTest::newRow("no image, required") << 1 << 0 << 2 << 2 << "empty image" << 0 << 2
                                            << reason + "\nThe firmware package holds no firmware image." + s_visit
                                            << "" << false;
        QTest::newRow("secondary pages longer than the bootloader takes")
            << 1 << 0 << 1 << 2 << "huge secondary pages" << 0 << 1
            << QString("The secondary image \"chip\" has pages of 2147483647 bytes; the bootloader takes at most "
                       "65533.") + s_visit
            << "" << false;
        QTest::newRow("package for another model")
            << 1 << 0 << 1 << 2 << "other model" << 0 << 1
            << QString("The firmware package is for model 1.2, the device is model 1.1.") + s_visit << "" << false;
        QTest::newRow("package not the listed one")
            << 1 << 0 << 1 << 2 << "unlisted" << 0 << 1
            << QString("The firmware package is not the one the update data list for this device.") + s_visit << ""
            << false;
    }

    // What the check answers, what it asks, and whether the board was updated; a refused
    // package never takes the board into its bootloader.
    void check()
    {
        QFETCH(int, boardMajor);
        QFETCH(int, boardMinor);
        QFETCH(int, oldest);
        QFETCH(int, newest);
        QFETCH(QString, package);
        QFETCH(int, answer);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(QString, question);
        QFETCH(bool, updated);

        UpdateOnConnectRig rig("VTAH001010001", boardMajor, boardMinor);
        QVERIFY(rig.m_folder.isolated());
        if (oldest > 0)
            rig.support(1, 1, oldest, newest);
        if (package == "lock")
        {
            QVERIFY(PackageAppData::takePackageLock());
            QVERIFY(rig.placePackage(1, 1, packageOfKind("1.1")));
        }
        else if (package == "other model")
        {
            rig.m_pBoard->setInformationPage(pageOfModel(1, 2, boardMajor, boardMinor));
            rig.support(1, 2, oldest, newest);
            QVERIFY(rig.placePackage(1, 2, packageOfKind("2.1")));
        }
        else if (package == "unlisted")
        {
            QVERIFY(rig.placePackage(1, 1, packageOfKind("2.1")));
            PackageUpdaterResult manifest;
            UpdaterFileEntry program;
            program.name = rig.m_folder.application();
            program.executable = true;
            manifest.setVersion(6, 0);
            manifest.addFile(program);
            manifest.addFirmware(BootloaderFirmwareId(1, 1, 2, 1, 0x1234567));
            QVERIFY(rig.data().writeManifestFile(PackageUpdaterManifest::write(manifest, rig.m_folder.application())));
        }
        else if (package.endsWith("sized file"))
        {
            // Sparse, all zeros: only its size tells whether it is read.
            QVERIFY(rig.placePackage(1, 1, QByteArray()));
            QFile file(rig.data().devicePackagePath(BootloaderFirmwareId(1, 1, 0, 0, 0)));
            QVERIFY(file.resize(BootloaderConstants::maxPackageSize() + (package == "oversized file" ? 1 : 0)));
        }
        else if (!package.isEmpty())
        {
            QVERIFY(rig.placePackage(1, 1, packageOfKind(package)));
        }
        const Bytes flashBefore = rig.m_pBoard->getMemory().getFlash();

        UpdateWatcher watcher{QMessageBox::StandardButton(answer)};
        const USBResult connected = rig.connect();
        const USBResult result = rig.m_pRecorder->m_result;
        QCOMPARE(result.getMessage(), withApplication(message, rig.m_folder.application()));
        QCOMPARE(result.getStatus(), status);
        // A warning keeps the connection and is not passed on.
        QCOMPARE(connected.getStatus(), status == 1 ? 0 : status);
        QCOMPARE(watcher.questions(), question.isEmpty() ? QStringList() : QStringList{question});
        QCOMPARE(rig.m_state.isConnected(), status != 2);
        QCOMPARE(rig.m_pBoard->getMode(), SimBootloaderBoard::Firmware);
        QCOMPARE(rig.m_pBoard->getMemory().getFlash() != flashBefore, updated);
        QCOMPARE(watcher.m_messages.isEmpty(), !updated);
        const bool entered = rig.m_pBoard->getCommandLog().contains(Bytes{0x04});
        QCOMPARE(entered, updated);
        if (status != 2)
            QCOMPARE(rig.m_state.getFirmwareVersion().getMinor(), updated ? package.section('.', 1).toInt() : boardMinor);
        QVERIFY(rig.m_parent.findChildren<PackageFirmwareUpdaterDialog*>().isEmpty());
    }

    void fullUpdate_data()
    {
        QTest::addColumn<QString>("serialNumber");
        QTest::addColumn<int>("secondaryImages");

        QTest::newRow("1,1: main image only, pages of 128") << "VTAH001010001" << 0;
        QTest::newRow("1,2: main image only, write-locked pages of 256") << "VTAH001020001" << 0;
        QTest::newRow("27,1: main image and two secondary images") << "VTAH027010001" << 2;
    }

    // Flash, information page and secondary chip as the package says; the dialog shows each
    // step, with a progress bar exactly when there are secondary images; the connection reports
    // the version the board reports afterwards.
    void fullUpdate()
    {
        QFETCH(QString, serialNumber);
        QFETCH(int, secondaryImages);

        const int productCode = serialNumber.mid(4, 3).toInt();
        const int revision = serialNumber.mid(7, 2).toInt();
        UpdateOnConnectRig rig(serialNumber, 1, 0);
        rig.support(productCode, revision, 1, 3);
        const int pageSize = rig.m_pBoard->getMemory().getGeometry().pageSize;
        const Bytes image = pattern(3 * pageSize + 17, productCode);
        QList<PackageWriter::Secondary> secondaries;
        for (int i = 0; i < secondaryImages; ++i)
        {
            PackageWriter::Secondary secondary;
            secondary.header.name = QString("chip %1").arg(i);
            secondary.header.tag = 7 + i;
            secondary.header.pageSize = 128;
            secondary.header.pagesPerSector = 2;
            secondary.header.firstPage = 10 + 20 * i;
            const Bytes data = pattern(3 * 128 + 5, 40 + i);
            secondary.data = QByteArray(reinterpret_cast<const char*>(data.constData()), data.count());
            secondaries << secondary;
        }
        const QByteArray contents = packageContents(2, 7, hexText(image), secondaries);
        QVERIFY(rig.placePackage(productCode, revision, contents));
        BootloaderFirmwareInfo before = BootloaderFirmwareInfo::fromBytes(rig.m_pBoard->getMemory().getInformationPage());

        UpdateWatcher watcher(QMessageBox::Yes);
        const USBResult result = rig.connect();
        QVERIFY2(result.isOk(), qPrintable(result.getMessage()));
        QVERIFY(rig.m_state.isConnected());
        QCOMPARE(rig.m_state.getFirmwareVersion().getMajor(), 2);
        QCOMPARE(rig.m_state.getFirmwareVersion().getMinor(), 7);
        QCOMPARE(rig.m_state.getDevice()->getFirmwareVersion().getMinor(), 7);

        const SimBootloaderMemory memory = rig.m_pBoard->getMemory();
        QCOMPARE(memory.getFlash().mid(0, image.count()), image);
        QCOMPARE(memory.getFlash().mid(image.count()), Bytes(memory.getFlash().count() - image.count(), 0xFF));
        QString error;
        const BootloaderFirmwarePackage package(qMakePair(productCode, revision), contents, error);
        QVERIFY(error.isEmpty());
        QCOMPARE(memory.getInformationPage(), package.makeFirmwareInfo(before).toBytes(pageSize));
        const BootloaderFirmwareInfo after = BootloaderFirmwareInfo::fromBytes(memory.getInformationPage());
        QCOMPARE(after.serialNumber, serialNumber);
        QCOMPARE(after.secondaryHeaders.count(), secondaryImages);
        for (const PackageWriter::Secondary& secondary : secondaries)
            QCOMPARE(memory.getSecondaryFlash().mid(secondary.header.firstPage * 128, secondary.data.size()),
                Bytes(secondary.data.cbegin(), secondary.data.cend()));
        QCOMPARE(rig.m_pBoard->getMode(), SimBootloaderBoard::Firmware);

        const QString updating = "The firmware will now be updated.";
        QStringList messages{updating, updating + "\nEntering the bootloader.", updating + "\nUploading new firmware."};
        if (secondaryImages > 0)
            messages << "Preparing to update secondary firmware.\nExiting the bootloader."
                     << "Updating secondary firmware.\nBusy uploading data.";
        messages << "Update completed!";
        QCOMPARE(watcher.m_messages, messages);
        QCOMPARE(watcher.m_sawProgressBar, secondaryImages > 0);
        if (secondaryImages > 0)
        {
            // The bar runs from 0 to 100 % once for the main image and once for each secondary
            // image, each run beside its own step.
            QList<QList<UpdateWatcher::Step>> runs;
            int previous = -1;
            for (const UpdateWatcher::Step& step : watcher.m_steps)
            {
                if (step.percent < previous || runs.isEmpty())
                    runs << QList<UpdateWatcher::Step>();
                runs.last() << step;
                previous = step.percent;
            }
            QCOMPARE(runs.count(), 1 + secondaryImages);
            for (int i = 0; i < runs.count(); ++i)
            {
                QVERIFY(runs.at(i).first().percent < 100 / 3);
                QCOMPARE(runs.at(i).last().percent, 100);
                QCOMPARE(runs.at(i).first().message, i == 0 ? messages.at(2) : messages.at(4));
                if (i > 0)
                    QCOMPARE(runs.at(i).first().text, QString("Erasing sector %1").arg(5 + 10 * (i - 1)));
            }
            QCOMPARE(watcher.m_progress.last(), QString("Writing page 3"));
            // A finished image takes the text of its last step with it: none stays beside the
            // step between the images or beside the end.
            for (const QString& message : {messages.at(3), messages.last()})
            {
                QStringList texts;
                for (const UpdateWatcher::Step& look : watcher.m_looks)
                {
                    if (look.message == message)
                        texts << look.text;
                }
                QVERIFY2(!texts.isEmpty(), qPrintable(message));
                texts.removeAll(QString());
                QCOMPARE(texts, QStringList());
            }
            keepWhenAsked(watcher.m_picture, "firmware-update-progress");
        }
        QVERIFY(rig.m_parent.findChildren<PackageFirmwareUpdaterDialog*>().isEmpty());

        // The board runs the new firmware on the packet protocol the connection started with.
        BootloaderFirmwareInfo again;
        QVERIFY(Bootloader(false, rig.m_pClock).readTargetInfo(*rig.m_state.getDriver(), again).isOk());
        QCOMPARE(again.minor, 7);
    }

    // The bar follows the main image page by page, every percent in order, while the GUI thread
    // keeps running its events: the watcher's timer, started before the update, sees the bar
    // between 0 and 100 as the main image goes in.
    void mainImageProgress()
    {
        UpdateOnConnectRig rig("VTAH027010001", 1, 0);
        rig.support(27, 1, 1, 3);
        const int pages = 250;
        PackageWriter::Secondary secondary;
        secondary.header.name = "chip";
        secondary.header.pageSize = 128;
        secondary.header.pagesPerSector = 2;
        secondary.data = QByteArray(3 * 128, 's');
        QVERIFY(rig.placePackage(27, 1, packageContents(2, 7, hexText(pattern(pages * 256, 3)), {secondary})));

        UpdateWatcher watcher(QMessageBox::Yes);
        const USBResult result = rig.connect();
        QVERIFY2(result.isOk(), qPrintable(result.getMessage()));

        const QString uploading = "The firmware will now be updated.\nUploading new firmware.";
        QList<int> percents;
        QStringList texts;
        for (const UpdateWatcher::Step& step : watcher.m_steps)
        {
            if (step.message == uploading)
            {
                percents << step.percent;
                texts << step.text;
            }
        }
        QList<int> everyPercent;
        for (int percent = 0; percent <= 100; ++percent)
            everyPercent << percent;
        QCOMPARE(percents, everyPercent);
        QCOMPARE(texts.value(0), QString("Writing page 0"));
        const bool sawUploadRunning =
            std::any_of(watcher.m_looks.cbegin(), watcher.m_looks.cend(), [&uploading](const UpdateWatcher::Step& look) {
                return look.message == uploading && look.percent > 0 && look.percent < 100;
            });
        QVERIFY(sawUploadRunning);
    }

    // Every step of the update that waits for the board runs off the GUI thread, whose events
    // go on meanwhile: of the writes a board answering 40 ms late receives from the dialog's
    // showing to its closing, none comes from the GUI thread.
    void boardWaitsOffGuiThread()
    {
        UpdateOnConnectRig rig("VTAH027010001", 1, 0);
        USBDriver& driver = *rig.m_state.getDriver();
        const USBDevicePtr device = driver.enumerateDevices(true).value(0);
        QVERIFY(device && driver.openDevice(device, 500000).isOk());
        BootloaderFirmwareInfo boardInfo;
        QVERIFY(Bootloader(false, rig.m_pClock).readTargetInfo(driver, boardInfo).isOk());
        PackageWriter::Secondary secondary;
        secondary.header.name = "chip";
        secondary.header.pageSize = 128;
        secondary.header.pagesPerSector = 2;
        secondary.data = QByteArray(3 * 128, 's');
        QString error;
        const BootloaderFirmwarePackage package(
            qMakePair(27, 1), packageContents(2, 7, hexText(pattern(3 * 256, 5)), {secondary}), error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        rig.m_pBoard->setReplyDelay(40);
        rig.m_pBoard->clearCommandLog();

        UpdateWatcher watcher;
        const USBResult result = rig.m_pUpdater->runUpdate(device, &driver, package, package.makeFirmwareInfo(boardInfo));
        QVERIFY2(result.isOk(), qPrintable(result.getMessage()));
        QCOMPARE(watcher.m_messages.last(), QString("Update completed!"));
        QCOMPARE(BootloaderFirmwareInfo::fromBytes(rig.m_pBoard->getMemory().getInformationPage()).minor, 7);
        const QList<QThread*> writers = rig.m_pBoard->getWriterThreads();
        QVERIFY(!writers.isEmpty());
        QCOMPARE(writers.count(QThread::currentThread()), 0);
    }

    void interruptedUpdate_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("opcode");
        QTest::addColumn<QString>("message");

        QTest::newRow("program page busy") << "status" << 0x17 << "Target device is busy";
        QTest::newRow("erase answers 9") << "status" << 0x10
                                         << "Instruction stream was corrupted (unexpected return value [9])";
        QTest::newRow("page select unanswered") << "silent" << 0x13 << "Communication timed out";
        QTest::newRow("power cut at page 2") << "power" << 2 << "Communication error";
        // The secondary image covers pages 10 to 14 of the second chip.
        QTest::newRow("power cut at the second chip's first page") << "secondary power" << 10 << "Communication error";
        QTest::newRow("power cut at the second chip's middle page") << "secondary power" << 12 << "Communication error";
        QTest::newRow("power cut at the second chip's last page") << "secondary power" << 14 << "Communication error";
    }

    // A failure inside the bootloader or on the second chip closes the device with its text and
    // leaves a board that does not pass for the new release: the next connect asks for the update
    // and completes it on both chips.
    void interruptedUpdate()
    {
        QFETCH(QString, fault);
        QFETCH(int, opcode);
        QFETCH(QString, message);

        const bool secondChip = fault == "secondary power";
        const QString serialNumber = secondChip ? "VTAH027010001" : "VTAH001010001";
        const int productCode = secondChip ? 27 : 1;
        UpdateOnConnectRig rig(serialNumber, 1, 0);
        rig.support(productCode, 1, 1, 1);
        const Bytes image = pattern(5 * 128, 9);
        const Bytes data = pattern(4 * 128 + 60, 11);
        QList<PackageWriter::Secondary> secondaries;
        if (secondChip)
        {
            PackageWriter::Secondary secondary;
            secondary.header.name = "chip";
            secondary.header.pageSize = 128;
            secondary.header.pagesPerSector = 2;
            secondary.header.firstPage = 10;
            secondary.data = QByteArray(reinterpret_cast<const char*>(data.constData()), data.count());
            secondaries << secondary;
        }
        QVERIFY(rig.placePackage(productCode, 1, packageContents(1, 4, hexText(image), secondaries)));
        if (fault == "status")
            rig.m_pBoard->setStatusFault(quint8(opcode), opcode == 0x17 ? 2 : 9);
        else if (fault == "silent")
            rig.m_pBoard->setSilentFault(quint8(opcode));
        else if (secondChip)
            rig.m_pBoard->setPowerCutAtSecondaryPage(opcode);
        else
            rig.m_pBoard->setPowerCutAtPage(opcode);

        {
            UpdateWatcher watcher(QMessageBox::Yes);
            const USBResult result = rig.connect();
            QCOMPARE(result.getStatus(), 2);
            QCOMPARE(result.getMessage(), message);
            QVERIFY(!rig.m_state.isConnected());
            QVERIFY(!rig.m_state.getDriver()->isOpen());
            QVERIFY(rig.m_parent.findChildren<PackageFirmwareUpdaterDialog*>().isEmpty());
        }
        const BootloaderFirmwareInfo left = BootloaderFirmwareInfo::fromBytes(rig.m_pBoard->getMemory().getInformationPage());
        QCOMPARE(left.major, 0);
        QCOMPARE(left.minor, 0);
        QCOMPARE(left.serialNumber, serialNumber);

        rig.m_pBoard->clearFaults();
        if (fault.endsWith("power"))
            rig.m_pBoard->powerOn();
        UpdateWatcher watcher(QMessageBox::Yes);
        const USBResult result = rig.connect();
        QVERIFY2(result.isOk(), qPrintable(result.getMessage()));
        QCOMPARE(watcher.questions(),
            QStringList{"Firmware update: The target device requires new firmware.\nUpdate firmware now?"});
        QCOMPARE(rig.m_state.getFirmwareVersion().getMinor(), 4);
        const SimBootloaderMemory memory = rig.m_pBoard->getMemory();
        QCOMPARE(memory.getFlash().mid(0, image.count()), image);
        if (secondChip)
            QCOMPARE(memory.getSecondaryFlash().mid(10 * 128, data.count()), data);
    }

    // Declining the update of a board left without a firmware keeps it refused, with the text
    // that says what it needs.
    void interruptedUpdateDeclined()
    {
        UpdateOnConnectRig rig("VTAH001010001", 1, 0);
        rig.support(1, 1, 1, 1);
        QVERIFY(rig.placePackage(1, 1, packageContents(1, 4, hexText(pattern(5 * 128, 9)))));
        rig.m_pBoard->setPowerCutAtPage(1);
        {
            UpdateWatcher watcher(QMessageBox::Yes);
            QCOMPARE(rig.connect().getStatus(), 2);
        }
        rig.m_pBoard->powerOn();
        QCOMPARE(rig.m_pBoard->getMode(), SimBootloaderBoard::Bootloader);
        UpdateWatcher watcher(QMessageBox::No);
        const USBResult result = rig.connect();
        QCOMPARE(result.getStatus(), 2);
        QCOMPARE(result.getMessage(), QString("Unsupported firmware version 0.0 on target device.\nThe firmware on "
                                              "the target device must be updated."));
        QVERIFY(!rig.m_state.isConnected());
    }

    void unreadableBoard_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");

        QTest::newRow("information page corrupt") << "corrupt" << "Unable to get device information. Please, try again.";
        QTest::newRow("target info unanswered") << "silent" << "Unable to get device information. Please, try again.";
    }

    void unreadableBoard()
    {
        QFETCH(QString, fault);
        QFETCH(QString, message);

        UpdateOnConnectRig rig("VTAH001010001", 1, 0);
        rig.support(1, 1, 1, 1);
        if (fault == "corrupt")
            rig.m_pBoard->setCorruptInformationPage(true);
        else
            rig.m_pBoard->setSilentFault(0x14);
        const USBResult result = rig.connect();
        QCOMPARE(result.getStatus(), 2);
        QCOMPARE(result.getMessage(), message);
        QVERIFY(!rig.m_state.isConnected());
    }
};

TALVEX_TEST(tst_PackageFirmwareUpdater)
#include "tst_PackageFirmwareUpdater.moc"
