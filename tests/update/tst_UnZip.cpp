#include "TestRegistry.h"

#include "InfoZip.h"
#include "UnZip.h"
#include "ZipWriter.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mman.h>
#include <unistd.h>

Q_DECLARE_METATYPE(UnZip::ErrorCode)
Q_DECLARE_METATYPE(UnZip::ExtractionOptions)

namespace
{
typedef QMap<QString, QByteArray> Files;

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, '\0');
    for (char& c : bytes)
        c = char(generator.bounded(256));
    return bytes;
}

// Every file below the folder by its relative path.
Files filesBelow(const QString& folder)
{
    Files files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
    {
        const QString path = it.next();
        files.insert(QDir(folder).relativeFilePath(path), readFile(path));
    }
    return files;
}

// Every entry below the folder, links not followed: a file by its contents, a folder as "folder",
// a symbolic link by where it points.
Files entriesBelow(const QString& folder)
{
    Files entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext())
    {
        const QFileInfo info(it.next());
        const QString name = QDir(folder).relativeFilePath(info.filePath());
        if (info.isSymLink())
            entries.insert(name, "link to " + info.symLinkTarget().toUtf8());
        else
            entries.insert(name, info.isDir() ? QByteArray("folder") : readFile(info.filePath()));
    }
    return entries;
}

QString writeArchive(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(QStringLiteral("made.zip"));
    writeFile(path, bytes);
    return path;
}

ZipWriter::Entry entry(const QString& name, const QByteArray& data)
{
    ZipWriter::Entry e;
    e.name = name;
    e.data = data;
    return e;
}
}

class tst_UnZip : public QObject
{
    Q_OBJECT

private slots:
    void extractsInfoZipArchives_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::newRow("stored") << QStringList{"-0"};
        QTest::newRow("deflated") << QStringList{"-9"};
        QTest::newRow("deflated without folder entries") << QStringList{"-9", "-D"};
        QTest::newRow("stored, password") << QStringList{"-0", "-P", "Secret4Update99"};
        QTest::newRow("deflated, password") << QStringList{"-6", "-P", "Secret4Update99"};
    }

    // Contents and modification times come back as zip stored them, also for entries larger
    // than one read buffer, empty files and files deep in folders.
    void extractsInfoZipArchives()
    {
        QFETCH(QStringList, options);
        QTemporaryDir source;
        QTemporaryDir target;
        const Files files{{"top.txt", "plain text\n"},
            {"dir/sub/file.txt", QByteArray(5000, 'x') + "tail"},
            {"dir/big.bin", randomBytes(700000, 7)},
            {"dir/empty", QByteArray()}};
        // Even seconds: MS-DOS times have a resolution of two.
        const QDateTime stamp(QDate(2024, 11, 3), QTime(8, 15, 42), Qt::LocalTime);
        int offset = 0;
        for (auto it = files.begin(); it != files.end(); ++it)
        {
            QVERIFY(writeFile(source.filePath(it.key()), it.value()));
            QFile file(source.filePath(it.key()));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(stamp.addSecs(offset += 3600), QFileDevice::FileModificationTime));
        }
        const QString archive = target.filePath(QStringLiteral("a.zip"));
        QVERIFY(infoZip(source.path(), QStringList{"-r"} << options, archive, QStringList{"."}));

        UnZip zip;
        zip.setPassword(QStringLiteral("Secret4Update99"));
        QCOMPARE(zip.openArchive(archive), UnZip::Success);
        const QString out = target.filePath(QStringLiteral("out"));
        QCOMPARE(zip.extractAll(out), UnZip::Success);
        QCOMPARE(filesBelow(out), files);
        for (auto it = files.begin(); it != files.end(); ++it)
            QCOMPARE(QFileInfo(out + "/" + it.key()).lastModified(), QFileInfo(source.filePath(it.key())).lastModified());
    }

    void wrongPasswordSkipsEncryptedEntries_data()
    {
        QTest::addColumn<bool>("infoZip");
        QTest::newRow("check byte from the time (Info-ZIP)") << true;
        QTest::newRow("check byte from the CRC") << false;
    }

    // A wrong password skips the encrypted entries, the others are extracted, and the run does
    // not report success. The right password opens entries of both check-byte forms.
    void wrongPasswordSkipsEncryptedEntries()
    {
        QFETCH(bool, infoZip);
        QTemporaryDir dir;
        const QByteArray secret = randomBytes(3000, 11) + QByteArray(3000, 's');
        QString archive;
        if (infoZip)
        {
            QVERIFY(writeFile(dir.filePath("src/secret.bin"), secret));
            QVERIFY(writeFile(dir.filePath("src/zz_open.txt"), "open"));
            archive = dir.filePath("a.zip");
            QVERIFY(::infoZip(dir.filePath("src"), {"-P", "right"}, archive, {"secret.bin"}));
            QVERIFY(::infoZip(dir.filePath("src"), {}, archive, {"zz_open.txt"}));
        }
        else
        {
            ZipWriter writer;
            ZipWriter::Entry stored = entry("secret.bin", secret);
            stored.password = "right";
            ZipWriter::Entry deflated = entry("secret2.bin", secret);
            deflated.password = "right";
            deflated.deflate = true;
            writer.add(stored);
            writer.add(deflated);
            writer.add(entry("zz_open.txt", "open"));
            archive = writeArchive(dir, writer.archive());
        }

        UnZip zip;
        QCOMPARE(zip.openArchive(archive), UnZip::Success);
        zip.setPassword("wrong");
        QCOMPARE(zip.extractFile("secret.bin", dir.filePath("wrong")), UnZip::EntrySkipped);
        QVERIFY(!QFile::exists(dir.filePath("wrong/secret.bin")));
        QCOMPARE(zip.extractAll(dir.filePath("wrong")), UnZip::EntrySkipped);
        QCOMPARE(filesBelow(dir.filePath("wrong")), (Files{{"zz_open.txt", "open"}}));

        zip.setPassword("right");
        QCOMPARE(zip.extractAll(dir.filePath("right")), UnZip::Success);
        QCOMPARE(readFile(dir.filePath("right/secret.bin")), secret);
        if (!infoZip)
            QCOMPARE(readFile(dir.filePath("right/secret2.bin")), secret);
    }

    void resultCodes_data()
    {
        QTest::addColumn<QByteArray>("archive");
        QTest::addColumn<UnZip::ErrorCode>("opened");
        QTest::addColumn<QString>("name");
        QTest::addColumn<UnZip::ErrorCode>("extracted");
        QTest::addColumn<Files>("written");

        const QByteArray endOnly = QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0');
        QTest::newRow("end record only") << endOnly << UnZip::Success << "a" << UnZip::NotFound << Files{};
        QTest::newRow("21 bytes") << endOnly.left(21) << UnZip::BadArchive << "" << UnZip::NoArchive << Files{};
        QTest::newRow("no end record") << randomBytes(4000, 3) << UnZip::BadArchive << "" << UnZip::NoArchive
                                       << Files{};

        for (int length : {1, 3, 200})
        {
            ZipWriter writer;
            writer.add(entry("a.txt", "alpha"));
            writer.setComment(QByteArray(length, 'c'));
            QTest::addRow("archive comment of %d bytes", length)
                << writer.archive() << UnZip::Success << "a.txt" << UnZip::Success << Files{{"a.txt", "alpha"}};
        }
        {
            ZipWriter writer;
            ZipWriter::Entry odd = entry("odd.bin", "x");
            odd.method = 12;
            writer.add(odd);
            writer.add(entry("z.txt", "zulu"));
            QTest::newRow("method 12 skipped, next entry read")
                << writer.archive() << UnZip::Success << "odd.bin" << UnZip::NotFound << Files{};
            QTest::newRow("entry behind method 12") << writer.archive() << UnZip::Success << "z.txt" << UnZip::Success
                                                    << Files{{"z.txt", "zulu"}};
        }
        {
            ZipWriter writer;
            ZipWriter::Entry newer = entry("new.bin", "x");
            newer.version = 45;
            writer.add(newer);
            QTest::newRow("version 4.5 skipped")
                << writer.archive() << UnZip::Success << "new.bin" << UnZip::NotFound << Files{};
        }
        {
            ZipWriter writer;
            ZipWriter::Entry empty = entry("empty", QByteArray());
            writer.add(empty);
            QTest::newRow("empty stored entry") << writer.archive() << UnZip::Success << "empty" << UnZip::Success
                                                << Files{{"empty", QByteArray()}};
            ZipWriter bad;
            empty.crc = 0x1234;
            bad.add(empty);
            QTest::newRow("empty entry with a CRC")
                << bad.archive() << UnZip::Success << "empty" << UnZip::ArchiveCorrupted << Files{};
        }
        {
            ZipWriter writer;
            ZipWriter::Entry wrong = entry("wrong.txt", QByteArray(400, 'w'));
            wrong.deflate = true;
            wrong.crc = 77;
            writer.add(wrong);
            QTest::newRow("CRC mismatch removes the file")
                << writer.archive() << UnZip::Success << "wrong.txt" << UnZip::ArchiveCorrupted << Files{};
        }
        {
            ZipWriter writer;
            ZipWriter::Entry renamed = entry("a.txt", "alpha");
            renamed.localName = "b.txt";
            writer.add(renamed);
            QTest::newRow("local name differs")
                << writer.archive() << UnZip::Success << "a.txt" << UnZip::HeaderMismatch << Files{};
            QByteArray archive = writer.archive();
            archive[2] = 9;
            QTest::newRow("local signature broken")
                << archive << UnZip::Success << "a.txt" << UnZip::BadArchive << Files{};
        }
        {
            // A "deflated" entry whose bytes are no deflate stream.
            ZipWriter writer;
            ZipWriter::Entry garbage = entry("g.bin", "\xff\xff\xff\xff\xff\xff");
            garbage.method = 8;
            writer.add(garbage);
            QTest::newRow("bad deflate data")
                << writer.archive() << UnZip::Success << "g.bin" << UnZip::ZlibFailed << Files{};
        }
        {
            // Encrypted, but its data are shorter than the 12-byte encryption header.
            ZipWriter writer;
            writer.add(entry("short.bin", "abc"));
            QByteArray archive = writer.archive();
            archive[6] = 1;
            const int central = archive.indexOf("PK\x01\x02");
            archive[central + 8] = 1;
            QTest::newRow("encrypted entry too short")
                << archive << UnZip::Success << "short.bin" << UnZip::ArchiveCorrupted << Files{};
        }
        {
            ZipWriter writer;
            writer.add(entry("a.txt", "alpha"));
            writer.add(entry("b.txt", "bravo"));
            const QByteArray archive = writer.archive();
            const int directory = archive.indexOf("PK\x01\x02");
            const int end = archive.indexOf("PK\x05\x06");
            const int second = archive.lastIndexOf("PK\x01\x02");
            QByteArray cut = archive.left(second + 10) + archive.mid(end);
            QTest::newRow("directory record cut short")
                << cut << UnZip::ReadError << "a.txt" << UnZip::NoArchive << Files{};
            // The end record before the directory, counting one record more than the directory
            // holds: the directory runs into the end of the file.
            QByteArray record = archive.mid(end);
            const quint32 offset = quint32(directory + record.size());
            for (int i = 0; i < 4; ++i)
                record[16 + i] = char(offset >> (8 * i));
            record[10] = 3;
            QTest::newRow("directory runs to the end")
                << archive.left(directory) + record + archive.mid(directory, end - directory)
                << UnZip::PartlyCorrupted << "a.txt" << UnZip::NoArchive << Files{};
            // The same with the right count: every record is there, but behind the end record.
            record[10] = 2;
            QTest::newRow("directory behind the end record")
                << archive.left(directory) + record + archive.mid(directory, end - directory)
                << UnZip::PartlyCorrupted << "a.txt" << UnZip::NoArchive << Files{};
            QByteArray fewer = archive;
            fewer[end + 10] = 1;
            QTest::newRow("directory holds more than counted")
                << fewer << UnZip::PartlyCorrupted << "a.txt" << UnZip::NoArchive << Files{};
            QByteArray none = archive;
            none[end + 10] = 0;
            QTest::newRow("count of 0 beside a directory")
                << none << UnZip::ArchiveCorrupted << "a.txt" << UnZip::NoArchive << Files{};
            record = archive.mid(end);
            const quint32 past = quint32(end + record.size());
            for (int i = 0; i < 4; ++i)
                record[16 + i] = char(past >> (8 * i));
            QTest::newRow("directory past the end")
                << archive.left(end) + record << UnZip::ArchiveCorrupted << "a.txt" << UnZip::NoArchive << Files{};
        }
    }

    // Each outcome of opening and extracting one entry, and what stays on disk.
    void resultCodes()
    {
        QFETCH(QByteArray, archive);
        QFETCH(UnZip::ErrorCode, opened);
        QFETCH(QString, name);
        QFETCH(UnZip::ErrorCode, extracted);
        QFETCH(Files, written);
        QTemporaryDir dir;
        UnZip zip;
        QCOMPARE(zip.openArchive(writeArchive(dir, archive)), opened);
        QCOMPARE(zip.extractFile(name, dir.filePath("out")), extracted);
        QCOMPARE(filesBelow(dir.filePath("out")), written);
    }

    // Every field of the directory records and local headers is taken from its own place: extra
    // fields of other lengths in the two headers and entry comments move the data and the next
    // records, and each entry is still found and checked.
    void recordsWithExtraFieldsAndComments()
    {
        QTemporaryDir dir;
        ZipWriter writer;
        ZipWriter::Entry stored = entry("a/stored.txt", "stored data");
        stored.extra = QByteArray("\x55\x54\x05\x00\x03\x12\x34\x56\x78", 9);
        stored.comment = "first comment";
        ZipWriter::Entry deflated = entry("deflated.txt", QByteArray(2000, 'd') + "end");
        deflated.deflate = true;
        deflated.localExtra = QByteArray(13, '\xEE');
        ZipWriter::Entry encrypted = entry("z.bin", randomBytes(300, 11));
        encrypted.password = "pw";
        encrypted.extra = QByteArray(4, '\x01');
        encrypted.localExtra = QByteArray(1, '\x02');
        encrypted.comment = "c";
        for (const ZipWriter::Entry& e : {stored, deflated, encrypted})
            writer.add(e);
        UnZip zip;
        zip.setPassword("pw");
        QCOMPARE(zip.openArchive(writeArchive(dir, writer.archive())), UnZip::Success);
        const QString out = dir.filePath("out");
        QCOMPARE(zip.extractAll(out), UnZip::Success);
        QCOMPARE(filesBelow(out),
            (Files{{stored.name, stored.data}, {deflated.name, deflated.data}, {encrypted.name, encrypted.data}}));
        QCOMPARE(QFileInfo(out + "/z.bin").lastModified(),
            QDateTime(QDate(2025, 4, 12), QTime(13, 26, 52), Qt::LocalTime));
    }

    void extractionOverEarlierFiles_data()
    {
        QTest::addColumn<qint64>("crc");
        QTest::addColumn<UnZip::ErrorCode>("extracted");
        QTest::addColumn<QByteArray>("left");
        QTest::newRow("good entry") << qint64(-1) << UnZip::Success << QByteArray("new");
        QTest::newRow("corrupt entry") << qint64(5) << UnZip::ArchiveCorrupted << QByteArray("earlier, longer contents");
    }

    // A good entry replaces an earlier, longer file completely; one that fails its check leaves
    // the earlier file as it was. Nothing else stays behind.
    void extractionOverEarlierFiles()
    {
        QFETCH(qint64, crc);
        QFETCH(UnZip::ErrorCode, extracted);
        QFETCH(QByteArray, left);
        QTemporaryDir dir;
        ZipWriter writer;
        ZipWriter::Entry e = entry("d/f.txt", "new");
        e.crc = crc;
        writer.add(e);
        const QString archive = writeArchive(dir, writer.archive());
        QVERIFY(writeFile(dir.filePath("out/d/f.txt"), "earlier, longer contents"));
        UnZip zip;
        QCOMPARE(zip.openArchive(archive), UnZip::Success);
        QCOMPARE(zip.extractAll(dir.filePath("out")), extracted);
        QCOMPARE(filesBelow(dir.filePath("out")), (Files{{"d/f.txt", left}}));
    }

    void extractionOverEarlierExtraction_data()
    {
        QTest::addColumn<QString>("earlierA");
        QTest::addColumn<bool>("corruptB");
        QTest::newRow("plain files") << "plain" << false;
        QTest::newRow("second entry corrupt") << "plain" << true;
        QTest::newRow("first file open for reading") << "open" << false;
        QTest::newRow("first file mapped") << "mapped" << false;
        QTest::newRow("first file with a second name") << "linked" << false;
        QTest::newRow("first file a symbolic link") << "symlink" << false;
        QTest::newRow("first file of other permissions") << "permissions" << false;
    }

    // Over an earlier extraction of a folder each file is replaced whole, with the permissions of
    // a new file and the entry's time; one that fails its check leaves the earlier file and those
    // behind it as they were. Whoever else has an earlier file keeps it as it was: a reader
    // that holds it open or mapped, its second name, the file that a symbolic link of its name
    // points to.
    void extractionOverEarlierExtraction()
    {
        QFETCH(QString, earlierA);
        QFETCH(bool, corruptB);
        QTemporaryDir dir;
        const Files fresh{{"d/a.bin", randomBytes(1000, 21)}, {"d/b.bin", randomBytes(2000, 22)},
            {"d/c.bin", randomBytes(4000, 23)}};
        // Longer and shorter than their successors.
        const Files earlier{{"d/a.bin", randomBytes(3000, 31)}, {"d/b.bin", randomBytes(5000, 32)},
            {"d/c.bin", randomBytes(10, 33)}};
        ZipWriter writer;
        for (auto it = fresh.begin(); it != fresh.end(); ++it)
        {
            ZipWriter::Entry e = entry(it.key(), it.value());
            e.deflate = it.key() != "d/c.bin";
            if (corruptB && it.key() == "d/b.bin")
                e.crc = 5;
            writer.add(e);
        }
        const QString archive = writeArchive(dir, writer.archive());
        const QString out = dir.filePath("out");
        for (auto it = earlier.begin(); it != earlier.end(); ++it)
            QVERIFY(writeFile(out + "/" + it.key(), it.value()));
        const QString a = out + "/d/a.bin";
        const QString elsewhere = dir.filePath("elsewhere.bin");
        QFile held(a);
        const int mappedSize = earlier["d/a.bin"].size();
        void* mapped = MAP_FAILED;
        if (earlierA == "open" || earlierA == "mapped")
            QVERIFY(held.open(QIODevice::ReadOnly));
        if (earlierA == "mapped")
        {
            // Like a library of a running program: mapped, its file closed.
            mapped = ::mmap(nullptr, size_t(mappedSize), PROT_READ, MAP_SHARED, held.handle(), 0);
            QVERIFY(mapped != MAP_FAILED);
            held.close();
        }
        else if (earlierA == "linked")
            QCOMPARE(::link(QFile::encodeName(a).constData(), QFile::encodeName(elsewhere).constData()), 0);
        else if (earlierA == "symlink")
            QVERIFY(QFile::rename(a, elsewhere) && QFile::link(elsewhere, a));
        else if (earlierA == "permissions")
            QVERIFY(QFile::setPermissions(a, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));

        UnZip zip;
        QCOMPARE(zip.openArchive(archive), UnZip::Success);
        QCOMPARE(zip.extractAll(out), corruptB ? UnZip::ArchiveCorrupted : UnZip::Success);
        Files expected = corruptB ? earlier : fresh;
        expected["d/a.bin"] = fresh["d/a.bin"];
        QCOMPARE(filesBelow(out), expected);
        if (earlierA == "open")
            QCOMPARE(held.readAll(), earlier["d/a.bin"]);
        if (mapped != MAP_FAILED)
        {
            const QByteArray seen(static_cast<const char*>(mapped), mappedSize);
            ::munmap(mapped, size_t(mappedSize));
            QCOMPARE(seen, earlier["d/a.bin"]);
        }
        if (earlierA == "linked" || earlierA == "symlink")
            QCOMPARE(readFile(elsewhere), earlier["d/a.bin"]);

        UnZip newFiles;
        QCOMPARE(newFiles.openArchive(archive), UnZip::Success);
        QCOMPARE(newFiles.extractFile("d/a.bin", dir.filePath("new")), UnZip::Success);
        const QFileDevice::Permissions permissions = QFileInfo(dir.filePath("new/d/a.bin")).permissions();
        const QDateTime stamp(QDate(2025, 4, 12), QTime(13, 26, 52), Qt::LocalTime);
        for (const QString& name : fresh.keys())
        {
            if (expected[name] != fresh[name])
                continue;
            const QFileInfo file(out + "/" + name);
            QVERIFY2(!file.isSymLink(), qPrintable(name));
            QCOMPARE(file.permissions(), permissions);
            QCOMPARE(file.lastModified(), stamp);
        }
    }

    // A folder where the archive has a file is no earlier file: it stays, and the file is not
    // extracted.
    void folderInPlaceOfAFileStays()
    {
        QTemporaryDir dir;
        ZipWriter writer;
        writer.add(entry("a.bin", "new"));
        const QString out = dir.filePath("out");
        QVERIFY(writeFile(out + "/a.bin/inside.txt", "inside"));
        UnZip zip;
        QCOMPARE(zip.openArchive(writeArchive(dir, writer.archive())), UnZip::Success);
        QCOMPARE(zip.extractAll(out), UnZip::FileOpenFailed);
        QCOMPARE(filesBelow(out), (Files{{"a.bin/inside.txt", "inside"}}));
    }

    // An entry the reader cannot extract does not hide the others, but a whole extraction
    // without it is not a success.
    void unsupportedEntryFailsExtractAll()
    {
        QTemporaryDir dir;
        ZipWriter writer;
        ZipWriter::Entry odd = entry("odd.bin", "x");
        odd.method = 12;
        writer.add(odd);
        writer.add(entry("z.txt", "zulu"));
        UnZip zip;
        QCOMPARE(zip.openArchive(writeArchive(dir, writer.archive())), UnZip::Success);
        QCOMPARE(zip.extractAll(dir.filePath("out")), UnZip::EntrySkipped);
        QCOMPARE(filesBelow(dir.filePath("out")), (Files{{"z.txt", "zulu"}}));
    }

    void openAndExtractWithoutArchive()
    {
        QTemporaryDir dir;
        UnZip zip;
        QCOMPARE(zip.openArchive(dir.filePath("missing.zip")), UnZip::NotFound);
        QCOMPARE(zip.extractAll(dir.path()), UnZip::NoArchive);
        QCOMPARE(zip.extractFile("a", dir.path()), UnZip::NoArchive);

        ZipWriter writer;
        writer.add(entry("a.txt", "alpha"));
        QCOMPARE(zip.openArchive(writeArchive(dir, writer.archive())), UnZip::Success);
        zip.closeArchive();
        QCOMPARE(zip.extractAll(dir.path()), UnZip::NoArchive);

        QCOMPARE(zip.openArchive(writeArchive(dir, QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'))),
            UnZip::Success);
        QCOMPARE(zip.extractAll(dir.path()), UnZip::Success);
    }

    void options_data()
    {
        QTest::addColumn<UnZip::ExtractionOptions>("options");
        QTest::addColumn<Files>("written");
        QTest::addColumn<bool>("folderMade");
        QTest::newRow("keep folders") << UnZip::ExtractionOptions(UnZip::KeepFolders)
                                      << Files{{"dir/sub/file.txt", "deep"}, {"top.txt", "top"}} << true;
        QTest::newRow("flatten folders") << UnZip::ExtractionOptions(UnZip::FlattenFolders)
                                         << Files{{"file.txt", "deep"}, {"top.txt", "top"}} << false;
        QTest::newRow("check only") << UnZip::ExtractionOptions(UnZip::CheckOnly) << Files{} << false;
    }

    void options()
    {
        QFETCH(UnZip::ExtractionOptions, options);
        QFETCH(Files, written);
        QFETCH(bool, folderMade);
        QTemporaryDir dir;
        ZipWriter writer;
        writer.add(entry("empty dir/", QByteArray()));
        writer.add(entry("dir/sub/file.txt", "deep"));
        writer.add(entry("top.txt", "top"));
        UnZip zip;
        QCOMPARE(zip.openArchive(writeArchive(dir, writer.archive())), UnZip::Success);
        const QString out = dir.filePath("out");
        QCOMPARE(zip.extractAll(out, options), UnZip::Success);
        QCOMPARE(filesBelow(out), written);
        QCOMPARE(QFileInfo(out + "/empty dir").isDir(), folderMade);
    }

    void checkOnlyFindsCorruptData()
    {
        QTemporaryDir dir;
        ZipWriter writer;
        ZipWriter::Entry wrong = entry("wrong.txt", "data");
        wrong.crc = 1;
        writer.add(wrong);
        UnZip zip;
        QCOMPARE(zip.openArchive(writeArchive(dir, writer.archive())), UnZip::Success);
        QCOMPARE(zip.extractAll(dir.filePath("out"), UnZip::CheckOnly), UnZip::ArchiveCorrupted);
        QVERIFY(!QFile::exists(dir.filePath("out")));
    }

    void unsafeNamesAreRefused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("parent") << "../escaped.txt";
        QTest::newRow("deeper parent") << "a/../../escaped.txt";
        QTest::newRow("backslash parent") << "..\\escaped.txt";
        QTest::newRow("absolute") << "/tmp/escaped.txt";
        QTest::newRow("backslash absolute") << "\\escaped.txt";
        QTest::newRow("drive") << "C:escaped.txt";
        QTest::newRow("parent folder entry") << "../escaped/";
    }

    // Nothing lands outside the target folder; the archive's other entries are still extracted
    // and the run reports the refusal.
    void unsafeNamesAreRefused()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        ZipWriter writer;
        writer.add(entry(name, "evil"));
        writer.add(entry("safe.txt", "safe"));
        UnZip zip;
        QCOMPARE(zip.openArchive(writeArchive(dir, writer.archive())), UnZip::Success);
        const QString out = dir.filePath("deep/out");
        QCOMPARE(zip.extractFile(name, out), UnZip::UnsafeName);
        QCOMPARE(zip.extractAll(out), UnZip::UnsafeName);
        QCOMPARE(filesBelow(dir.path()), (Files{{"deep/out/safe.txt", "safe"}, {"made.zip", writer.archive()}}));
        QVERIFY(!QFileInfo::exists(dir.filePath("deep/escaped")));
    }

    void symbolicLinksInTheTargetAreNotFollowed_data()
    {
        // Where the link is below the target, where it points below the temporary folder, the
        // entry and the result.
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("pointsTo");
        QTest::addColumn<QString>("name");
        QTest::addColumn<UnZip::ErrorCode>("extracted");

        const UnZip::ErrorCode refused = UnZip::LinkOnPath;
        QTest::newRow("folder link at the top, file in it") << "sub" << "outside" << "sub/x" << refused;
        QTest::newRow("folder link deeper, file in it") << "a/sub" << "outside" << "a/sub/x" << refused;
        QTest::newRow("folder link, file further down") << "a/sub" << "outside" << "a/sub/new/x" << refused;
        QTest::newRow("folder link, folder entry below it") << "sub" << "outside" << "sub/new/" << refused;
        QTest::newRow("folder link as a folder entry") << "a/sub" << "outside" << "a/sub/" << refused;
        QTest::newRow("file link at the top, file in it") << "sub" << "outside/kept.txt" << "sub/x" << refused;
        QTest::newRow("file link deeper, file in it") << "a/sub" << "outside/kept.txt" << "a/sub/x" << refused;
        QTest::newRow("dangling link, file in it") << "sub" << "outside/missing" << "sub/x" << refused;
        QTest::newRow("link into the target") << "sub" << "out/real" << "sub/x" << refused;
        // In a file's own place a link is an earlier file: replaced, where it points left alone.
        QTest::newRow("file link in the file's place") << "x" << "outside/kept.txt" << "x" << UnZip::Success;
        QTest::newRow("folder link in the file's place, deeper") << "a/x" << "outside" << "a/x" << UnZip::Success;
    }

    // A symbolic link found in the target folder is never followed: an entry with one for a
    // folder on its path is refused, nothing is made where the link leads, the link stays, and
    // the archive's other entries are still extracted.
    void symbolicLinksInTheTargetAreNotFollowed()
    {
        QFETCH(QString, link);
        QFETCH(QString, pointsTo);
        QFETCH(QString, name);
        QFETCH(UnZip::ErrorCode, extracted);
        QTemporaryDir dir;
        const QString out = dir.filePath("out");
        QVERIFY(writeFile(dir.filePath("outside/kept.txt"), "outside"));
        QVERIFY(writeFile(out + "/real/inner.txt", "inner"));
        QVERIFY(QDir().mkpath(QFileInfo(out + "/" + link).absolutePath()));
        QVERIFY(QFile::link(dir.filePath(pointsTo), out + "/" + link));
        const Files outside = entriesBelow(dir.filePath("outside"));
        const Files inside = entriesBelow(out + "/real");
        ZipWriter writer;
        writer.add(entry(name, name.endsWith('/') ? QByteArray() : QByteArray("new")));
        writer.add(entry("zz.txt", "safe"));
        UnZip zip;
        QCOMPARE(zip.openArchive(writeArchive(dir, writer.archive())), UnZip::Success);

        const UnZip::ErrorCode result = zip.extractAll(out);
        QCOMPARE(entriesBelow(dir.filePath("outside")), outside);
        QCOMPARE(entriesBelow(out + "/real"), inside);
        QCOMPARE(result, extracted);
        QCOMPARE(readFile(out + "/zz.txt"), QByteArray("safe"));
        const QFileInfo placed(out + "/" + link);
        if (extracted == UnZip::Success)
        {
            QVERIFY(!placed.isSymLink());
            QCOMPARE(readFile(placed.filePath()), QByteArray("new"));
        }
        else
        {
            QCOMPARE(placed.symLinkTarget(), dir.filePath(pointsTo));
            QCOMPARE(zip.extractFile(name, out), extracted);
            QCOMPARE(entriesBelow(dir.filePath("outside")), outside);
        }
    }

    // Only links inside the target matter: the target itself may be reached through one, and is
    // made where it leads.
    void targetReachedThroughALink()
    {
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath("real")));
        QVERIFY(QFile::link(dir.filePath("real"), dir.filePath("linked")));
        ZipWriter writer;
        writer.add(entry("d/a.txt", "alpha"));
        writer.add(entry("top.txt", "top"));
        UnZip zip;
        QCOMPARE(zip.openArchive(writeArchive(dir, writer.archive())), UnZip::Success);
        QCOMPARE(zip.extractAll(dir.filePath("linked/out")), UnZip::Success);
        QCOMPARE(filesBelow(dir.filePath("real")), (Files{{"out/d/a.txt", "alpha"}, {"out/top.txt", "top"}}));
    }

    // Damaged archives of every length and with random bytes changed give a result and write
    // only inside the target; a success has the right contents.
    void damagedArchivesNeverMisbehave()
    {
        QTemporaryDir dir;
        ZipWriter writer;
        ZipWriter::Entry deflated = entry("d/deflated.txt", QByteArray(3000, 'd') + randomBytes(500, 5));
        deflated.deflate = true;
        ZipWriter::Entry encrypted = entry("encrypted.bin", randomBytes(700, 6));
        encrypted.password = "pw";
        writer.add(deflated);
        writer.add(encrypted);
        writer.add(entry("stored.txt", "stored"));
        const QByteArray good = writer.archive();
        const Files expected{{"d/deflated.txt", deflated.data}, {"encrypted.bin", encrypted.data}, {"stored.txt", "stored"}};

        QRandomGenerator generator(99);
        QList<QByteArray> damaged;
        for (int length = 0; length < good.size(); ++length)
            damaged << good.left(length);
        for (int i = 0; i < 400; ++i)
        {
            QByteArray copy = good;
            for (int flips = 0; flips < 3; ++flips)
                copy[int(generator.bounded(copy.size()))] = char(generator.bounded(256));
            damaged << copy;
        }
        const QString path = dir.filePath("damaged.zip");
        const QString out = dir.filePath("out/inside");
        for (const QByteArray& archive : damaged)
        {
            QVERIFY(writeFile(path, archive));
            UnZip zip;
            zip.setPassword("pw");
            if (zip.openArchive(path) == UnZip::Success && zip.extractAll(out) == UnZip::Success)
                QCOMPARE(filesBelow(out), expected);
            for (const QString& file : filesBelow(dir.path()).keys())
                QVERIFY2(file == "damaged.zip" || file.startsWith("out/inside/"), qPrintable(file));
            QDir(dir.filePath("out")).removeRecursively();
        }
    }

    void formatError_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "ZIP operation completed successfully.";
        QTest::newRow("4") << 4 << "Partially corrupted archive. Some files might be extracted.";
        QTest::newRow("5") << 5 << "Corrupted archive.";
        QTest::newRow("6") << 6 << "Wrong password.";
        QTest::newRow("8") << 8 << "File or directory does not exist.";
        QTest::newRow("14") << 14 << "Invalid or incompatible zip archive.";
        QTest::newRow("15") << 15 << "Inconsistent headers. Archive might be corrupted.";
        QTest::newRow("16") << 16 << "Unknown error.";
        QTest::newRow("17") << 17 << "Entry name leads outside the target folder.";
        QTest::newRow("18") << 18 << "Entry path goes through a symbolic link in the target folder.";
        QTest::newRow("out of range") << 99 << "Unknown error.";
    }

    void formatError()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(UnZip::formatError(UnZip::ErrorCode(code)), text);
    }
};

TALVEX_TEST(tst_UnZip)
#include "tst_UnZip.moc"
