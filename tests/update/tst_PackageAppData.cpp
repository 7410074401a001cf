#include "TestRegistry.h"

#include "FileCrc32.h"
#include "PackageAppData.h"
#include "PackageInstallLatch.h"
#include "UpdateFolderFixture.h"
#include "ZipWriter.h"

#include <QDataStream>
#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>
#include <QtEndian>

#include <zlib.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
const char s_password[] = "Zq8Lm3Xv7Tn1Pk5";

QStringList entriesBelow(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        names << QDir(folder).relativeFilePath(it.next());
    names.sort();
    return names;
}

// Every entry below the folder, hidden ones too, with the contents of its files.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> entries;
    for (const QString& name : entriesBelow(folder))
    {
        const QString path = folder + "/" + name;
        entries.insert(name, QFileInfo(path).isDir() ? QByteArray("<folder>") : readFile(path));
    }
    return entries;
}

// What lies beside the folder under names that start like its own: nothing an install leaves.
QStringList besideFolder(const QString& folder)
{
    const QFileInfo info(folder);
    return QDir(info.absolutePath())
        .entryList({"*" + info.fileName() + "?*"}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

quint32 crc32Of(const QByteArray& bytes)
{
    return quint32(::crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
}

QByteArray devicePackage(const QByteArray& contents)
{
    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out << contents;
    return file;
}

// A repository archive of the application of UpdateFolderFixture("PAD"): the manifest as it is
// stored (none when null) and the files, deflated and encrypted.
QByteArray repositoryArchive(const QByteArray& manifest, const QMap<QString, QByteArray>& files)
{
    ZipWriter writer;
    QMap<QString, QByteArray> entries = files;
    if (!manifest.isNull())
        entries.insert(QString("PADApp%1.pkm").arg(QCoreApplication::applicationPid()), manifest);
    for (auto it = entries.begin(); it != entries.end(); ++it)
    {
        ZipWriter::Entry entry;
        entry.name = it.key();
        entry.data = it.value();
        entry.deflate = true;
        entry.password = s_password;
        writer.add(entry);
    }
    return writer.archive();
}

// A manifest of the given size, padded with blanks, compressed as stored with the length that
// its 4-byte prefix claims.
QByteArray manifestClaiming(int size, quint32 claimed)
{
    QByteArray plain = "<u><version Value=\"2\"/>";
    plain += QByteArray(size - plain.size() - 4, ' ') + "</u>";
    QByteArray stored = qCompress(plain, 9);
    qToBigEndian(claimed, stored.data());
    return stored;
}

// A second process that takes the lock, says so through a pipe and then waits to be killed, or
// (release true) releases it and ends.
class LockHolder
{
public:
    explicit LockHolder(bool release)
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        m_pid = fork();
        if (m_pid == 0)
        {
            close(fds[0]);
            // A process of its own: it does not hold what its parent holds.
            PackageAppData::releasePackageLock();
            const char taken = PackageAppData::takePackageLock() ? 1 : 0;
            if (release)
                PackageAppData::releasePackageLock();
            if (write(fds[1], &taken, 1) != 1)
                _exit(2);
            if (release)
                _exit(0);
            forever
                pause();
        }
        close(fds[1]);
        char taken = 0;
        m_taken = m_pid > 0 && read(fds[0], &taken, 1) == 1 && taken == 1;
        close(fds[0]);
    }

    ~LockHolder() { kill(); }

    bool taken() const { return m_taken; }

    // Ends the holder the hard way: it never releases anything.
    void kill()
    {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    bool m_taken = false;
};
}

class tst_PackageAppData : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        // A key of this run's own: a running studio's lock stays out of the tests.
        UpdateConstants::setPackageLockKey(QUuid::createUuid().toString(QUuid::WithoutBraces));
        UpdateConstants::setArchivePassword(s_password);
    }

    void cleanup()
    {
        PackageAppData::releasePackageLock();
        UpdateConstants::restoreDefaults();
    }

    void lockInThisProcess()
    {
        QVERIFY(!PackageAppData::isPackageLockHeld());
        QVERIFY(PackageAppData::takePackageLock());
        QVERIFY(PackageAppData::isPackageLockHeld());
        QVERIFY(!PackageAppData::takePackageLock());
        PackageAppData::releasePackageLock();
        QVERIFY(!PackageAppData::isPackageLockHeld());
        QVERIFY(PackageAppData::takePackageLock());
    }

    // A live holder blocks the other process, whichever of the two holds it; one that released,
    // or died holding it, does not.
    void lockAcrossProcesses()
    {
        {
            LockHolder holder(false);
            QVERIFY(holder.taken());
            QVERIFY(!PackageAppData::takePackageLock());
            QVERIFY(!PackageAppData::isPackageLockHeld());
            QVERIFY(!PackageAppData::takePackageLock());
            holder.kill();
            QVERIFY(PackageAppData::takePackageLock());
        }
        {
            LockHolder blocked(false);
            QVERIFY(!blocked.taken());
        }
        QVERIFY(PackageAppData::isPackageLockHeld());
        PackageAppData::releasePackageLock();
        {
            LockHolder releasing(true);
            QVERIFY(releasing.taken());
        }
        QVERIFY(PackageAppData::takePackageLock());
    }

    void installRepository_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("installed");
        QTest::newRow("right password") << s_password << true;
        QTest::newRow("wrong password") << "Wr0ngPassword00" << false;
    }

    // The folder's contents (subfolders and hidden files too) are replaced by the archive's, with
    // the manifest decompressed; a failure leaves the folder as it was. The lock is free afterwards.
    void installRepository()
    {
        QFETCH(QString, password);
        QFETCH(bool, installed);
        UpdateFolderFixture fixture("PAD");
        QVERIFY(fixture.isolated());
        const PackageAppData data(fixture.application(), fixture.subPath());
        QVERIFY(writeFile(data.getFolder() + "/old.pkg", "old"));
        QVERIFY(writeFile(data.getFolder() + "/.hidden", "h"));
        QVERIFY(writeFile(data.getFolder() + "/sub/deeper/.x", "x"));

        QTemporaryDir source;
        QTemporaryDir archives;
        const QByteArray manifest =
            QString("<u><app MajorVersion=\"6\" MinorVersion=\"1\" Checksum=\"%1\"/><firmware DeviceID=\"27\" "
                    "DeviceVersion=\"1\" MajorVersion=\"2\" MinorVersion=\"0\" Checksum=\"%2\"/></u>")
                .arg(crc32Of(QByteArray(100000, 'p')))
                .arg(crc32Of(devicePackage("firmware")))
                .toLatin1();
        QVERIFY(writeFile(source.filePath(fixture.application() + ".pkm"), qCompress(manifest)));
        QVERIFY(writeFile(source.filePath(fixture.application() + ".pkg"), QByteArray(100000, 'p')));
        QVERIFY(writeFile(source.filePath("002701.pkg"), devicePackage("firmware")));
        const QMap<QString, QByteArray> before = snapshot(data.getFolder());
        const QString archive = archives.filePath("repository.zip");
        QVERIFY(infoZip(source.path(), {"-r", "-P", password}, archive, {"."}));

        QVERIFY(!data.installRepositoryArchive(source.filePath("missing.zip")));
        QVERIFY(QFile::exists(data.getFolder() + "/old.pkg"));

        QCOMPARE(data.installRepositoryArchive(archive), installed);
        QVERIFY(!PackageAppData::isPackageLockHeld());
        QCOMPARE(besideFolder(data.getFolder()), QStringList());
        if (!installed)
        {
            QCOMPARE(snapshot(data.getFolder()), before);
            return;
        }
        QCOMPARE(entriesBelow(data.getFolder()),
            (QStringList{"002701.pkg", fixture.application() + ".pkg", fixture.application() + ".pkm"}));
        QCOMPARE(data.readManifestFile(), manifest);
        QCOMPARE(data.readDevicePackage(BootloaderFirmwareId(27, 1, 0, 0, 0)), QByteArray("firmware"));
    }

    // While this process or another holds the lock, an install fails at once and changes nothing.
    void installRepositoryWhileLocked()
    {
        UpdateFolderFixture fixture("PAD");
        const PackageAppData data(fixture.application(), fixture.subPath());
        QVERIFY(writeFile(data.getFolder() + "/keep.pkg", "keep"));
        QTemporaryDir source;
        QVERIFY(writeFile(source.filePath("new.pkg"), "new"));
        const QString manifest = fixture.application() + ".pkm";
        QVERIFY(writeFile(source.filePath(manifest),
            qCompress(QString("<u><version Value=\"2\"/><file Name=\"new\" Checksum=\"%1\"/></u>")
                          .arg(crc32Of("new"))
                          .toLatin1())));
        const QString archive = source.filePath("repository.zip");
        QVERIFY(infoZip(source.path(), {"-P", s_password}, archive, {"new.pkg", manifest}));

        QVERIFY(PackageAppData::takePackageLock());
        QVERIFY(!data.installRepositoryArchive(archive));
        QVERIFY(PackageAppData::isPackageLockHeld());
        PackageAppData::releasePackageLock();
        {
            LockHolder other(false);
            QVERIFY(other.taken());
            QVERIFY(!data.installRepositoryArchive(archive));
        }
        QCOMPARE(entriesBelow(data.getFolder()), QStringList{"keep.pkg"});
        QVERIFY(data.installRepositoryArchive(archive));
        QCOMPARE(entriesBelow(data.getFolder()), (QStringList{manifest, "new.pkg"}));
    }

    void installRepositoryRefused_data()
    {
        QTest::addColumn<QByteArray>("archive");
        QTest::addColumn<QString>("reason");

        auto manifestNaming = [](const QString& elements) {
            return qCompress(("<u><version Value=\"2\"/>" + elements + "</u>").toLatin1());
        };
        const QByteArray lib = QByteArray(3000, 'l');
        const QString libElement = QString("<file Name=\"lib\" Checksum=\"%1\"/>").arg(crc32Of(lib));
        const QByteArray whole = repositoryArchive(manifestNaming(libElement), {{"lib.pkg", lib}});

        QTest::newRow("junk") << QByteArray("this is no zip archive, only some text") << "Invalid or incompatible zip archive.";
        QTest::newRow("truncated") << whole.left(whole.size() - 30) << "Invalid or incompatible zip archive.";
        QTest::newRow("one text file") << repositoryArchive(QByteArray(), {{"readme.txt", "hello"}})
                                       << "The archive holds no update manifest.";
        QTest::newRow("manifest that does not read")
            << repositoryArchive(qCompress("<u><app/></u>"), {{"lib.pkg", lib}}) << "The update manifest cannot be read.";
        QTest::newRow("manifest not compressed")
            << repositoryArchive("<u/>", {}) << "The update manifest cannot be read.";
        QTest::newRow("manifest cut short") << repositoryArchive(manifestNaming(QString()).chopped(3), {})
                                            << "The update manifest cannot be read.";
        QTest::newRow("missing package") << repositoryArchive(manifestNaming(libElement), {})
                                         << "The package lib.pkg named by the update manifest is missing.";
        QTest::newRow("missing device package")
            << repositoryArchive(manifestNaming(libElement
                              + "<firmware DeviceID=\"27\" DeviceVersion=\"1\" MajorVersion=\"2\" MinorVersion=\"0\" "
                                "Checksum=\"5\"/>"),
                   {{"lib.pkg", lib}})
            << "The package 002701.pkg named by the update manifest is missing.";
        QTest::newRow("package that differs") << repositoryArchive(manifestNaming(libElement), {{"lib.pkg", lib + "x"}})
                                              << "The package lib.pkg does not match its checksum in the update manifest.";
    }

    // An archive that is no whole repository leaves the update data folder byte for byte as it
    // was, nothing beside it, the lock free, and says why.
    void installRepositoryRefused()
    {
        QFETCH(QByteArray, archive);
        QFETCH(QString, reason);
        UpdateFolderFixture fixture("PAD");
        const PackageAppData data(fixture.application(), fixture.subPath());
        QVERIFY(data.writeManifestFile("<u><version Value=\"2\"/></u>"));
        QVERIFY(writeFile(data.getFolder() + "/old.pkg", "old"));
        QVERIFY(writeFile(data.getFolder() + "/000102.pkg", devicePackage("firmware")));
        QVERIFY(writeFile(data.getFolder() + "/sub/.hidden", "h"));
        const QMap<QString, QByteArray> before = snapshot(data.getFolder());
        QTemporaryDir source;
        const QString path = source.filePath("repository.zip");
        QVERIFY(writeFile(path, archive));

        QString why;
        QVERIFY(!data.installRepositoryArchive(path, &why));
        QCOMPARE(why, reason);
        QCOMPARE(snapshot(data.getFolder()), before);
        QCOMPARE(besideFolder(data.getFolder()), QStringList());
        QVERIFY(!PackageAppData::isPackageLockHeld());
    }

    void manifestSizeBound_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<quint32>("claimed");
        QTest::addColumn<QString>("reason");
        const QString tooLarge = "The update manifest is larger than 4 KiB when decompressed.";
        QTest::newRow("at the bound") << 4096 << 4096u << "";
        QTest::newRow("one byte over") << 4097 << 4097u << tooLarge;
        QTest::newRow("far over, claiming little") << (1 << 20) << 100u << tooLarge;
        QTest::newRow("small, claiming 4 GiB") << 100 << 0xFFFFFFFFu << "";
    }

    // The manifest is judged by what it inflates to, whatever its length prefix claims: one over
    // the bound is refused with the reason and the folder stays as it was.
    void manifestSizeBound()
    {
        QFETCH(int, size);
        QFETCH(quint32, claimed);
        QFETCH(QString, reason);
        UpdateFolderFixture fixture("PAD");
        UpdateConstants::setMaxManifestSize(4096);
        const PackageAppData data(fixture.application(), fixture.subPath());
        QVERIFY(writeFile(data.getFolder() + "/old.pkg", "old"));
        const QMap<QString, QByteArray> before = snapshot(data.getFolder());
        QTemporaryDir source;
        const QString path = source.filePath("repository.zip");
        QVERIFY(writeFile(path, repositoryArchive(manifestClaiming(size, claimed), {})));

        QString why;
        QCOMPARE(data.installRepositoryArchive(path, &why), reason.isEmpty());
        QCOMPARE(why, reason);
        if (reason.isEmpty())
            QCOMPARE(data.readManifestFile().size(), size);
        else
            QCOMPARE(snapshot(data.getFolder()), before);
        QCOMPARE(besideFolder(data.getFolder()), QStringList());
    }

    // The install's file work runs in a worker thread while the calling thread's events go on;
    // all that time this process holds the lock, so a second install or a check started from
    // those events is refused, and the folder changes only at the end.
    void installRepositoryInWorker()
    {
        UpdateFolderFixture fixture("PAD");
        const PackageAppData data(fixture.application(), fixture.subPath());
        QVERIFY(writeFile(data.getFolder() + "/old.pkg", "old"));
        QTemporaryDir source;
        const QString path = source.filePath("repository.zip");
        QVERIFY(writeFile(path, repositoryArchive(manifestClaiming(100, 100), {})));

        struct
        {
            bool held = false;
            bool taken = true;
            QString second;
            QStringList entries;
        } whileHeld;
        PackageInstallLatch latch([&] {
            whileHeld.held = PackageAppData::isPackageLockHeld();
            whileHeld.taken = PackageAppData::takePackageLock();
            data.installRepositoryArchive(path, &whileHeld.second);
            whileHeld.entries = entriesBelow(data.getFolder());
        });
        QString why;
        const bool installed = data.installRepositoryArchive(path, &why);
        QVERIFY(latch.inWorker());
        QVERIFY(latch.seenHeld());
        QVERIFY2(installed, qPrintable(why));
        QVERIFY(whileHeld.held);
        QVERIFY(!whileHeld.taken);
        QCOMPARE(whileHeld.second, QString("Update packages are currently in use."));
        QCOMPARE(whileHeld.entries, QStringList{"old.pkg"});
        QVERIFY(!PackageAppData::isPackageLockHeld());
        QCOMPARE(entriesBelow(data.getFolder()), QStringList{fixture.application() + ".pkm"});
    }

    void installRepositoryWithUnsafeEntry()
    {
        UpdateFolderFixture fixture("PAD");
        const PackageAppData data(fixture.application(), fixture.subPath());
        QTemporaryDir source;
        ZipWriter writer;
        for (const char* name : {"a.pkg", "../escape.pkg"})
        {
            ZipWriter::Entry entry;
            entry.name = name;
            entry.data = "data";
            entry.password = s_password;
            writer.add(entry);
        }
        const QString archive = source.filePath("repository.zip");
        QVERIFY(writeFile(archive, writer.archive()));
        QVERIFY(!data.installRepositoryArchive(archive));
        QCOMPARE(entriesBelow(data.getFolder()), QStringList());
        QVERIFY(!QFile::exists(QFileInfo(data.getFolder()).absolutePath() + "/escape.pkg"));
    }

    void installFilePackage_data()
    {
        QTest::addColumn<bool>("executable");
        QTest::addColumn<QString>("storedName");
        QTest::addColumn<bool>("installed");
        const QString program = UpdateConstants::executableFileName("Prog");
        QTest::newRow("program") << true << program << true;
        QTest::newRow("library") << false << "Prog" << true;
        QTest::newRow("archive lacks the entry") << true << "Other" << false;
    }

    // The package replaces an older one; a failure leaves neither archive nor package.
    void installFilePackage()
    {
        QFETCH(bool, executable);
        QFETCH(QString, storedName);
        QFETCH(bool, installed);
        UpdateFolderFixture fixture("PAD");
        const PackageAppData data(fixture.application(), fixture.subPath());
        const UpdaterFileEntry entry{"Prog", executable, 0};
        QTemporaryDir source;
        QVERIFY(writeFile(source.filePath(storedName), "new program"));
        QVERIFY(infoZip(source.path(), {"-P", s_password}, data.archivePath("Prog"), {storedName}));
        QVERIFY(writeFile(data.packageFilePath("Prog"), "old package"));

        QCOMPARE(data.installFilePackage(entry, true), installed);
        QVERIFY(!QFile::exists(data.archivePath("Prog")));
        QCOMPARE(entriesBelow(data.getFolder()), installed ? QStringList{"Prog.pkg"} : QStringList());
        if (installed)
            QCOMPARE(readFile(data.packageFilePath("Prog")), QByteArray("new program"));
    }

    void failedDownloadDeletesTheArchive()
    {
        UpdateFolderFixture fixture("PAD");
        const PackageAppData data(fixture.application(), fixture.subPath());
        QVERIFY(writeFile(data.archivePath("Prog"), "partial"));
        QVERIFY(data.installFilePackage({"Prog", false, 0}, false));
        QVERIFY(!QFile::exists(data.archivePath("Prog")));
        // A name from a manifest never reaches outside the folder.
        QVERIFY(writeFile(data.getFolder() + "/../outside.pkz", "keep"));
        QVERIFY(!data.installFilePackage({"../outside", false, 0}, false));
        QVERIFY(QFile::exists(data.getFolder() + "/../outside.pkz"));
        QFile::remove(data.getFolder() + "/../outside.pkz");
    }

    void devicePackages()
    {
        UpdateFolderFixture fixture("PAD");
        const PackageAppData data(fixture.application(), fixture.subPath());
        const BootloaderFirmwareId id(1, 2, 3, 4, 0);
        QCOMPARE(data.devicePackagePath(id), data.getFolder() + "/000102.pkg");
        QVERIFY(!data.devicePackageExists(id));
        QCOMPARE(data.readDevicePackage(id), QByteArray());
        bool ok = true;
        data.devicePackageCrc(id, &ok);
        QVERIFY(!ok);

        const QByteArray file = devicePackage("firmware bytes");
        QVERIFY(data.saveDevicePackage(id, devicePackage("older")));
        QVERIFY(data.saveDevicePackage(id, file));
        QVERIFY(data.devicePackageExists(id));
        QCOMPARE(readFile(data.devicePackagePath(id)), file);
        QCOMPARE(data.readDevicePackage(id), QByteArray("firmware bytes"));
        QCOMPARE(data.devicePackageCrc(id, &ok), computeFileCrc32(data.devicePackagePath(id)));
        QVERIFY(ok);
    }

    void removeFolderContentsKeepsLinkedFolders()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("elsewhere/kept"), "kept"));
        QVERIFY(writeFile(dir.filePath("clear/.hidden/file"), "f"));
        QVERIFY(QFile::link(dir.filePath("elsewhere"), dir.filePath("clear/link")));
        PackageAppData::removeFolderContents(dir.filePath("clear"));
        QCOMPARE(entriesBelow(dir.filePath("clear")), QStringList());
        QVERIFY(QFile::exists(dir.filePath("elsewhere/kept")));
    }
};

TALVEX_TEST(tst_PackageAppData)
#include "tst_PackageAppData.moc"
