#include "TestRegistry.h"

#include "BootloaderConstants.h"
#include "FileCrc32.h"
#include "PackageAppData.h"
#include "PackageInstallLatch.h"
#include "PackageUpdateDownloader.h"
#include "SimulatedBusClock.h"
#include "UpdateServerFixture.h"

#include <QDirIterator>
#include <QSignalSpy>
#include <QTest>

#include <boost/make_shared.hpp>

namespace
{
typedef UpdateServerFixture Fixture;

const QByteArray s_program = "the new program " + QByteArray(20000, 'p');
// Bytes that do not compress, so the library's archive is big enough to arrive in several parts.
QByteArray noise(int size)
{
    QByteArray bytes(size, '\0');
    quint32 state = 12345;
    for (char& byte : bytes)
    {
        state = state * 1103515245u + 12345u;
        byte = char(state >> 24);
    }
    return bytes;
}

const QByteArray s_library = "the new library " + noise(300000);
const BootloaderFirmwareId s_modelA(27, 1, 2, 3, 0);
const BootloaderFirmwareId s_modelB(1, 2, 1, 7, 0);
const QByteArray s_firmwareA = Fixture::devicePackage("firmware of model A");
const QByteArray s_firmwareB = Fixture::devicePackage("firmware of model B");

BootloaderFirmwareId withChecksum(const BootloaderFirmwareId& id, const QByteArray& file)
{
    return BootloaderFirmwareId(id.getDeviceType().first, id.getDeviceType().second, id.getVersion().getMajor(),
        id.getVersion().getMinor(), int(Fixture::crc(file)));
}

// An update to 6.1 of the application and a library, with firmware for two models.
PackageUpdaterResult update(const Fixture& fixture, const QByteArray& firmwareA = s_firmwareA)
{
    PackageUpdaterResult result;
    result.setVersion(6, 1);
    result.addFile({fixture.application(), true, Fixture::crc(s_program)});
    result.addFile({"Lib", false, Fixture::crc(s_library)});
    result.setReleaseNotes("<p>Faster</p>");
    result.addFirmware(withChecksum(s_modelA, firmwareA));
    result.addFirmware(withChecksum(s_modelB, s_firmwareB));
    return result;
}

// Puts the whole update on the server.
bool publish(const Fixture& fixture, const QByteArray& firmwareA = s_firmwareA)
{
    const PackageUpdaterResult manifest = update(fixture, firmwareA);
    return fixture.putManifest(manifest) && fixture.putFilePackage(manifest.getFiles().at(0), s_program)
        && fixture.putFilePackage(manifest.getFiles().at(1), s_library)
        && fixture.putDevicePackage(s_modelA, firmwareA) && fixture.putDevicePackage(s_modelB, s_firmwareB);
}

QStringList folderEntries(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

// One check: its finished signals and its progress as "description percent".
struct Check
{
    explicit Check(const Fixture& fixture, const USBProtocolClockPtr& clock = USBProtocolClockPtr())
        : m_downloader(fixture.application(), fixture.subPath(), clock)
        , m_finished(&m_downloader, &PackageUpdateDownloader::checkFinished)
    {
        QObject::connect(&m_downloader, &PackageUpdateDownloader::checkProgress,
            [this](const QString& description, int percent) { m_progress << QStringLiteral("%1 %2").arg(description).arg(percent); });
    }

    bool runOnline()
    {
        m_downloader.startManifestDownload();
        return waitFor([this] { return !m_finished.isEmpty(); }, 60000);
    }
    PackageUpdaterResult result() const { return m_finished.value(0).value(0).value<PackageUpdaterResult>(); }
    // The descriptions in the order they were first reported, each with its last percentage.
    QStringList finalProgress() const
    {
        QStringList order;
        QHash<QString, QString> last;
        for (const QString& line : m_progress)
        {
            const QString description = line.section(' ', 0, -2);
            if (!last.contains(description))
                order << description;
            last[description] = line;
        }
        QStringList finals;
        for (const QString& description : order)
            finals << last[description];
        return finals;
    }

    PackageUpdateDownloader m_downloader;
    QSignalSpy m_finished;
    QStringList m_progress;
};
}

// One update check against a local ftp server that asks for the login: what it fetches and
// keeps, what it reports, and how it ends.
class tst_PackageUpdateDownloader : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { BootloaderConstants::restoreDefaults(); }

    // The manifest, both device packages first, then both file packages, unpacked in a worker
    // while the GUI thread runs its events; the server's login is given when asked, and the lock
    // is free once the check ended.
    void fetchesTheWholeUpdate()
    {
        Fixture fixture("DL");
        QVERIFY(fixture.ready());
        QVERIFY(publish(fixture));
        Check check(fixture);
        int unpackingsSeen = 0;
        PackageInstallLatch latch([&] { unpackingsSeen += check.m_downloader.isBusy() ? 1 : 0; });
        QVERIFY(!check.m_downloader.isBusy());
        check.m_downloader.startManifestDownload();
        QVERIFY(check.m_downloader.isBusy());
        QVERIFY(PackageAppData::isPackageLockHeld());
        QVERIFY(waitFor([&] { return !check.m_finished.isEmpty(); }, 60000));
        QVERIFY(latch.inWorker());
        QCOMPARE(unpackingsSeen, 2);

        const PackageUpdaterResult result = check.result();
        QVERIFY2(result.isValid(), qPrintable(result.getError()));
        QCOMPARE(result.getMajorVersion(), 6);
        QCOMPARE(result.getMinorVersion(), 1);
        QCOMPARE(result.getFirmware().size(), 2);
        QVERIFY(!check.m_downloader.isBusy());
        QVERIFY(!PackageAppData::isPackageLockHeld());

        const PackageAppData data(fixture.application(), fixture.subPath());
        QCOMPARE(folderEntries(data.getFolder()),
            QStringList({"000102.pkg", "002701.pkg", fixture.application() + ".pkg", fixture.application() + ".pkm",
                "Lib.pkg"}));
        QCOMPARE(data.readManifestFile(), PackageUpdaterManifest::write(update(fixture), fixture.application()));
        QCOMPARE(readFile(data.packageFilePath(fixture.application())), s_program);
        QCOMPARE(readFile(data.packageFilePath("Lib")), s_library);
        QCOMPARE(readFile(data.devicePackagePath(s_modelA)), s_firmwareA);
        QCOMPARE(data.readDevicePackage(s_modelB), QByteArray("firmware of model B"));

        // Each download reports its progress up to 100 %; the file packages come last, the
        // last manifest entry first.
        const QStringList progress = check.finalProgress();
        QCOMPARE(progress.size(), 4);
        QCOMPARE(progress.at(0), QString("Downloading update manifest 100"));
        QCOMPARE(progress.at(1), QString("Downloading device packages 100"));
        QCOMPARE(progress.at(2), QString("Downloading file package Lib.pkz 100"));
        QCOMPARE(progress.at(3), QString("Downloading file package %1.pkz 100").arg(fixture.application()));
        for (const QString& line : check.m_progress)
            QVERIFY2(line.section(' ', -1).toInt() >= 0, qPrintable(line));
        QCOMPARE(check.m_finished.size(), 1);
    }

    // Packages already in the folder with the manifest's checksum are not fetched again (the
    // server does not even hold them); one that differs is.
    void keepsWhatIsPresent_data()
    {
        QTest::addColumn<bool>("libraryDiffers");
        QTest::newRow("all present") << false;
        QTest::newRow("the library differs") << true;
    }

    void keepsWhatIsPresent()
    {
        QFETCH(bool, libraryDiffers);
        Fixture fixture("DL");
        QVERIFY(fixture.ready());
        const PackageUpdaterResult manifest = update(fixture);
        QVERIFY(fixture.putManifest(manifest));
        QVERIFY(fixture.putFilePackage(manifest.getFiles().at(1), s_library));
        const PackageAppData data(fixture.application(), fixture.subPath());
        QVERIFY(writeFile(data.packageFilePath(fixture.application()), s_program));
        QVERIFY(writeFile(data.packageFilePath("Lib"), libraryDiffers ? "an older library" : s_library));
        QVERIFY(writeFile(data.devicePackagePath(s_modelA), s_firmwareA));
        QVERIFY(writeFile(data.devicePackagePath(s_modelB), s_firmwareB));

        Check check(fixture);
        QVERIFY(check.runOnline());
        QVERIFY2(check.result().isValid(), qPrintable(check.result().getError()));
        QStringList expected{"Downloading update manifest 100"};
        if (libraryDiffers)
            expected << "Downloading file package Lib.pkz 100";
        QCOMPARE(check.finalProgress(), expected);
        QCOMPARE(readFile(data.packageFilePath("Lib")), s_library);
    }

    void stagingFolder_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("staging");
        QTest::newRow("none") << QStringList() << false;
        QTest::newRow("the switch") << QStringList{"studio", "--update-staging"} << true;
        QTest::newRow("another case") << QStringList{"studio", "--Update-Staging"} << false;
        QTest::newRow("with a value") << QStringList{"studio", "--update-staging=1"} << false;
    }

    // The switch is one exact argument; with it the manifest comes from the staging folder.
    void stagingFolder()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, staging);
        QCOMPARE(UpdateConstants::isStagingRequested(arguments), staging);

        Fixture fixture("DL");
        QVERIFY(fixture.ready());
        PackageUpdaterResult released;
        released.setVersion(6, 1);
        PackageUpdaterResult staged = released;
        staged.setVersion(7, 2);
        const UpdaterFileEntry program{fixture.application(), true, Fixture::crc(s_program)};
        QVERIFY(writeFile(PackageAppData(fixture.application(), fixture.subPath()).packageFilePath(program.name), s_program));
        released.addFile(program);
        staged.addFile(program);
        QVERIFY(fixture.putManifest(released, "downloads"));
        QVERIFY(fixture.putManifest(staged, "staging"));
        UpdateConstants::setStagingUsed(staging);
        Check check(fixture);
        QVERIFY(check.runOnline());
        QVERIFY2(check.result().isValid(), qPrintable(check.result().getError()));
        QCOMPARE(check.result().getMajorVersion(), staging ? 7 : 6);
    }

    // While a check holds the lock, a second check ends at once with the lock's text and leaves
    // the first alone, whether it starts on the same downloader, another one, or offline.
    void secondCheckIsRefused()
    {
        Fixture fixture("DL");
        QVERIFY(fixture.ready());
        QVERIFY(publish(fixture));
        Check first(fixture);
        first.m_downloader.startManifestDownload();

        Check second(fixture);
        second.m_downloader.startManifestDownload();
        second.m_downloader.readManifest();
        first.m_downloader.startManifestDownload();
        QCOMPARE(second.m_finished.size(), 2);
        for (int i = 0; i < 2; ++i)
        {
            const PackageUpdaterResult refused = second.m_finished.at(i).at(0).value<PackageUpdaterResult>();
            QVERIFY(!refused.isValid());
            QCOMPARE(refused.getError(), QString("Update packages are currently in use."));
        }
        QCOMPARE(first.m_finished.size(), 1);
        QCOMPARE(first.result().getError(), QString("Update packages are currently in use."));
        QVERIFY(first.m_downloader.isBusy());
        QVERIFY(PackageAppData::isPackageLockHeld());

        first.m_finished.clear();
        QVERIFY(waitFor([&] { return !first.m_finished.isEmpty(); }, 60000));
        QVERIFY2(first.result().isValid(), qPrintable(first.result().getError()));
        QVERIFY(!PackageAppData::isPackageLockHeld());
    }

    // A manifest that does not decompress within the size bound, parse or pass the reader ends
    // the check with the reason or the reader's text and leaves the old manifest and every
    // package alone.
    void badManifest_data()
    {
        QTest::addColumn<QByteArray>("onServer");
        QTest::addColumn<QString>("error");
        const QByteArray unsafeName =
            "<u><version Value=\"2\"/><app MajorVersion=\"6\" MinorVersion=\"2\" Checksum=\"1\"/>"
            "<file Name=\"../../escape\" Checksum=\"2\"/></u>";
        QTest::newRow("not compressed") << QByteArray("<u><app MajorVersion=\"6\"/></u>") << QString();
        QTest::newRow("compressed nonsense") << qCompress("<u><app") << QString();
        QTest::newRow("unsupported version") << qCompress("<u><version Value=\"3\"/></u>")
                                             << "Unsupported manifest version 3.";
        QTest::newRow("name outside the folder")
            << qCompress(unsafeName) << "Update package contains invalid information.";
        // The test's bound is 4 KiB.
        QTest::newRow("over the size bound")
            << qCompress("<u><version Value=\"2\"/>" + QByteArray(4096, ' ') + "</u>")
            << "The update manifest is larger than 4 KiB when decompressed.";
        // Refused by its length, before it is inflated or even whole.
        QTest::newRow("longer than a manifest within the bound")
            << QByteArray(4, '\0') + noise(64 * 1024) << "The update manifest is larger than 4 KiB when decompressed.";
    }

    void badManifest()
    {
        QFETCH(QByteArray, onServer);
        QFETCH(QString, error);
        Fixture fixture("DL");
        QVERIFY(fixture.ready());
        UpdateConstants::setMaxManifestSize(4096);
        QVERIFY(writeFile(fixture.serverFolder() + "/" + fixture.application() + ".pkm", onServer));
        QVERIFY(writeFile(fixture.serverFolder() + "/escape.pkz", "anything"));
        const PackageAppData data(fixture.application(), fixture.subPath());
        const QByteArray oldManifest = PackageUpdaterManifest::write(update(fixture), fixture.application());
        QVERIFY(data.writeManifestFile(oldManifest));

        Check check(fixture);
        QVERIFY(check.runOnline());
        QVERIFY(!check.result().isValid());
        QVERIFY(!check.result().getError().isEmpty());
        if (!error.isEmpty())
            QCOMPARE(check.result().getError(), error);
        QCOMPARE(data.readManifestFile(), oldManifest);
        QCOMPARE(folderEntries(data.getFolder()), QStringList{fixture.application() + ".pkm"});
        QVERIFY(!QFile::exists(QFileInfo(data.getFolder()).absolutePath() + "/escape.pkz"));
        QVERIFY(!PackageAppData::isPackageLockHeld());
    }

    // A package whose checksum is not the manifest's is not kept, and the check fails with
    // its name; what was fetched before stays.
    void wrongChecksum_data()
    {
        QTest::addColumn<bool>("devicePackage");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("device package") << true << "Downloaded package 000102.pkg does not match the update information."
                                        << QStringList{"002701.pkg"};
        QTest::newRow("file package") << false << "Downloaded package Lib.pkz does not match the update information."
                                      << QStringList{"000102.pkg", "002701.pkg"};
    }

    void wrongChecksum()
    {
        QFETCH(bool, devicePackage);
        QFETCH(QString, error);
        QFETCH(QStringList, kept);
        Fixture fixture("DL");
        QVERIFY(fixture.ready());
        QVERIFY(publish(fixture));
        if (devicePackage)
            QVERIFY(fixture.putDevicePackage(s_modelB, Fixture::devicePackage("damaged firmware")));
        else
            QVERIFY(fixture.putFilePackage({"Lib", false, 0}, "damaged library"));

        Check check(fixture);
        QVERIFY(check.runOnline());
        QCOMPARE(check.result().getError(), error);
        const PackageAppData data(fixture.application(), fixture.subPath());
        QCOMPARE(folderEntries(data.getFolder()), kept << fixture.application() + ".pkm");
        QVERIFY(!PackageAppData::isPackageLockHeld());
    }

    // A device package larger than a connect reads is refused as soon as the server announces its
    // size or sends a byte more, before it is whole: its part file never holds more than the
    // bound and one read of the network layer, nothing of it is kept, and the check says why.
    // One of the size itself is kept and announced.
    void devicePackageBound_data()
    {
        QTest::addColumn<bool>("offersSize");
        QTest::addColumn<int>("overBound");
        QTest::newRow("at the bound") << true << 0;
        QTest::newRow("a byte over, size announced") << true << 1;
        QTest::newRow("a byte over, size not told") << false << 1;
        // Far beyond what one read of the network layer takes (a few MB here), so that bytes
        // stored past the bound would show in the part file.
        QTest::newRow("far over, size announced") << true << (16 << 20);
        QTest::newRow("far over, size not told") << false << (16 << 20);
    }

    void devicePackageBound()
    {
        QFETCH(bool, offersSize);
        QFETCH(int, overBound);
        BootloaderConstants::setMaxImageSize(4096);
        const QByteArray firmwareA = Fixture::devicePackage(noise(int(BootloaderConstants::maxPackageSize()) - 4 + overBound));
        Fixture fixture("DL", offersSize);
        QVERIFY(fixture.ready());
        QVERIFY(publish(fixture, firmwareA));

        Check check(fixture);
        const PackageAppData data(fixture.application(), fixture.subPath());
        // The part file's size after each read, while the transfer runs.
        const QString part = data.devicePackagePath(s_modelA) + ".part";
        qint64 largestRead = 0;
        qint64 largestPart = 0;
        check.m_downloader.setReadProbe([&](qint64 bytes) {
            largestRead = qMax(largestRead, bytes);
            largestPart = qMax(largestPart, QFileInfo(part).size());
        });
        QVERIFY(check.runOnline());
        if (overBound == 0)
        {
            QVERIFY2(check.result().isValid(), qPrintable(check.result().getError()));
            QCOMPARE(readFile(data.devicePackagePath(s_modelA)), firmwareA);
            return;
        }
        QVERIFY2(largestPart <= BootloaderConstants::maxPackageSize() + largestRead,
            qPrintable(QStringLiteral("part file %1, largest read %2").arg(largestPart).arg(largestRead)));
        // Untold, the size shows only in the bytes that arrive: the probe saw them.
        if (!offersSize)
            QVERIFY(largestRead > 0);
        QCOMPARE(check.result().getError(), QString("Device package 002701.pkg is too large: a device accepts at most 32.00 KiB."));
        QCOMPARE(folderEntries(data.getFolder()), QStringList{fixture.application() + ".pkm"});
        // An announced size cuts the transfer short; untold, no percentage is reported at all.
        if (offersSize)
            QVERIFY2(!check.m_progress.contains("Downloading device packages 100"),
                qPrintable(check.m_progress.join(", ")));
        QCOMPARE(check.m_finished.size(), 1);
        QVERIFY(!PackageAppData::isPackageLockHeld());
    }

    // Whatever stops a download, the check ends once with the network layer's text, the lock is
    // free, and no part of a file package stays.
    void failedDownload_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("libraryOnServer");
        QTest::addColumn<QStringList>("kept");
        const QStringList devices{"000102.pkg", "002701.pkg"};
        QTest::newRow("no server") << "ftp://127.0.0.1:1" << Fixture::s_password << true << QStringList();
        QTest::newRow("wrong login") << QString() << "wrong1pw" << true << QStringList();
        QTest::newRow("package missing on the server") << QString() << Fixture::s_password << false << devices;
    }

    void failedDownload()
    {
        QFETCH(QString, server);
        QFETCH(QString, password);
        QFETCH(bool, libraryOnServer);
        QFETCH(QStringList, kept);
        Fixture fixture("DL");
        QVERIFY(fixture.ready());
        QVERIFY(publish(fixture));
        if (!libraryOnServer)
            QVERIFY(QFile::remove(fixture.serverFolder() + "/Lib.pkz"));
        if (!server.isEmpty())
            UpdateConstants::setUpdateServer(server);
        UpdateConstants::setUpdateLogin(Fixture::s_user, password);

        Check check(fixture);
        QVERIFY(check.runOnline());
        QVERIFY(!check.result().isValid());
        QVERIFY(!check.result().getError().isEmpty());
        const PackageAppData data(fixture.application(), fixture.subPath());
        if (!kept.isEmpty())
            kept << fixture.application() + ".pkm";
        QCOMPARE(folderEntries(data.getFolder()), kept);
        QVERIFY(!PackageAppData::isPackageLockHeld());
        QCOMPARE(check.m_finished.size(), 1);
    }

    // A server that stops sending, or whose process serving the check ends, half-way through a
    // file: Qt's ftp layer tells neither, so the check ends once when no byte came for the
    // transfer time-out, frees the lock for the next check and keeps no partial package.
    void serverBreaksDown_data()
    {
        QTest::addColumn<QString>("breakdown");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("kept");
        const struct
        {
            const char* name;
            const char* file;
            QStringList kept;
        } points[] = {{"manifest", ".pkm", {}}, {"device package", "002701.pkg", {".pkm"}},
            {"file package", "Lib.pkz", {"000102.pkg", "002701.pkg", ".pkm"}}};
        for (const auto& point : points)
        {
            QTest::addRow("%s stalls", point.name) << "stall" << point.file << point.kept;
            QTest::addRow("%s dropped", point.name) << "drop" << point.file << point.kept;
        }
    }

    void serverBreaksDown()
    {
        QFETCH(QString, breakdown);
        QFETCH(QString, file);
        QFETCH(QStringList, kept);
        Fixture fixture("DL", true, {breakdown, file});
        QVERIFY(fixture.ready());
        QVERIFY(publish(fixture));
        UpdateConstants::setTransferTimeout(1000);

        Check check(fixture, boost::make_shared<SimulatedBusClock>());
        check.m_downloader.startManifestDownload();
        QVERIFY(waitFor([&] { return fixture.serverBrokeDown(); }, 60000));
        // A package is on disk as far as it came, under a name of its own beside its place.
        if (file != ".pkm")
        {
            const QString part = PackageAppData(fixture.application(), fixture.subPath()).getFolder() + "/" + file + ".part";
            const qint64 half = QFileInfo(fixture.serverFolder() + "/" + file).size() / 2;
            QVERIFY2(waitFor([&] { return QFileInfo(part).size() == half; }, 60000), qPrintable(part));
        }
        // The time-out passes on the clock alone: nothing ends the check while it stands still.
        QVERIFY(check.m_finished.isEmpty());
        QVERIFY(waitOnBusClock([&] { return !check.m_finished.isEmpty(); }, 100, 60000));
        QCOMPARE(check.m_finished.size(), 1);
        QVERIFY(!check.result().isValid());
        QCOMPARE(check.result().getError(), QString("The update server stopped sending data."));
        QVERIFY(!check.m_downloader.isBusy());
        QVERIFY(!PackageAppData::isPackageLockHeld());
        const PackageAppData data(fixture.application(), fixture.subPath());
        for (QString& name : kept)
            if (name == ".pkm")
                name.prepend(fixture.application());
        QCOMPARE(folderEntries(data.getFolder()), kept);
    }

    // The library's package of an earlier update is in the folder and the new one cannot be
    // fetched: the old package goes, so the new manifest's version is not offered with it.
    void stalePackageIsNotOffered()
    {
        Fixture fixture("DL");
        QVERIFY(fixture.ready());
        QVERIFY(publish(fixture));
        QVERIFY(QFile::remove(fixture.serverFolder() + "/Lib.pkz"));
        const PackageAppData data(fixture.application(), fixture.subPath());
        QFile old(data.packageFilePath("Lib"));
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("the library of 6.0") > 0);
        old.close();
        UpdateConstants::setUpdateLogin(Fixture::s_user, Fixture::s_password);

        Check check(fixture);
        QVERIFY(check.runOnline());
        QVERIFY(!check.result().isValid());
        QVERIFY(!data.packageFileExists("Lib"));
        QVERIFY(!data.isUpdateAvailable(6, 0));
    }

    // Aborted while a package arrives: one checkFinished, and nothing of that package stays
    // (neither its part nor, for a file package, an archive or package of that entry).
    void abortWhileAPackageDownloads_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("device package") << "002701.pkg.part" << QStringList();
        QTest::newRow("file package") << "Lib.pkz.part" << QStringList({"000102.pkg", "002701.pkg"});
    }

    void abortWhileAPackageDownloads()
    {
        QFETCH(QString, part);
        QFETCH(QStringList, kept);
        Fixture fixture("DL");
        QVERIFY(fixture.ready());
        QVERIFY(publish(fixture));
        const PackageAppData data(fixture.application(), fixture.subPath());
        Check check(fixture);
        check.m_downloader.startManifestDownload();
        QVERIFY(waitFor([&] { return QFile::exists(data.getFolder() + "/" + part) || !check.m_finished.isEmpty(); }, 60000));
        QVERIFY(check.m_finished.isEmpty());
        check.m_downloader.abort();
        QCOMPARE(check.m_finished.size(), 1);
        QVERIFY(!check.result().isValid());
        QVERIFY(!check.m_downloader.isBusy());
        QCOMPARE(folderEntries(data.getFolder()), kept << fixture.application() + ".pkm");
        QVERIFY(!PackageAppData::isPackageLockHeld());
        check.m_downloader.abort();
        QCOMPARE(check.m_finished.size(), 1);
    }

    // A downloader that goes while its check runs gives the lock back.
    void destroyedWhileBusy()
    {
        Fixture fixture("DL");
        QVERIFY(fixture.ready());
        QVERIFY(publish(fixture));
        {
            Check check(fixture);
            check.m_downloader.startManifestDownload();
            QVERIFY(PackageAppData::isPackageLockHeld());
        }
        QVERIFY(!PackageAppData::isPackageLockHeld());
        Check next(fixture);
        QVERIFY(next.runOnline());
        QVERIFY2(next.result().isValid(), qPrintable(next.result().getError()));
    }

    // A server that does not tell the size: the download works, and the only percentage is the
    // one of a download that has ended.
    void unknownSize()
    {
        Fixture fixture("DL", false);
        QVERIFY(fixture.ready());
        QVERIFY(publish(fixture));
        Check check(fixture);
        QVERIFY(check.runOnline());
        QVERIFY2(check.result().isValid(), qPrintable(check.result().getError()));
        QVERIFY(!check.m_progress.isEmpty());
        for (const QString& line : check.m_progress)
            QVERIFY2(line.endsWith(" 100"), qPrintable(line));
        QCOMPARE(readFile(PackageAppData(fixture.application(), fixture.subPath()).packageFilePath("Lib")), s_library);
    }

    // Offline the check reads only the folder's manifest, and says why when there is none.
    void offlineCheck_data()
    {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<bool>("present");
        QTest::addColumn<QString>("error");
        QTest::newRow("no manifest") << QByteArray() << false
                                     << "Update information not available. Check for updates online or visit "
                                        "www.veltramonde.example.";
        QTest::newRow("empty manifest") << QByteArray() << true
                                        << "Invalid update information. Check for updates online or visit "
                                           "www.veltramonde.example.";
        QTest::newRow("unsupported") << QByteArray("<u><version Value=\"9\"/></u>") << true
                                     << "Unsupported manifest version 9.";
        QTest::newRow("valid") << QByteArray("<u><app MajorVersion=\"6\" MinorVersion=\"4\" Checksum=\"1\"/></u>")
                               << true << QString();
    }

    void offlineCheck()
    {
        QFETCH(QByteArray, manifest);
        QFETCH(bool, present);
        QFETCH(QString, error);
        Fixture fixture("DL");
        QVERIFY(fixture.isolated());
        UpdateConstants::setUpdateServer("ftp://127.0.0.1:1");
        const PackageAppData data(fixture.application(), fixture.subPath());
        if (present)
            QVERIFY(writeFile(data.manifestFilePath(), manifest));

        Check check(fixture);
        check.m_downloader.readManifest();
        QCOMPARE(check.m_finished.size(), 1);
        QCOMPARE(check.result().isValid(), error.isEmpty());
        QCOMPARE(check.result().getError(), error);
        if (error.isEmpty())
            QCOMPARE(check.result().getMinorVersion(), 4);
        QVERIFY(!check.m_downloader.isBusy());
        QVERIFY(!PackageAppData::isPackageLockHeld());

        QVERIFY(PackageAppData::takePackageLock());
        check.m_downloader.readManifest();
        PackageAppData::releasePackageLock();
        QCOMPARE(check.result().isValid(), error.isEmpty());
        QCOMPARE(check.m_finished.at(1).at(0).value<PackageUpdaterResult>().getError(),
            QString("Update packages are currently in use."));
    }
};

TALVEX_TEST(tst_PackageUpdateDownloader)
#include "tst_PackageUpdateDownloader.moc"
