#include "TestRegistry.h"

#include "FileCrc32.h"
#include "InfoZip.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QVector>

#include <zlib.h>

class tst_FileCrc32 : public QObject
{
    Q_OBJECT

private slots:
    // One interpreter serves every row: it answers each file name on its input with Python's
    // zlib.crc32 of that file, read a block at a time (a buffer of a whole large file takes
    // longer to fill than the checksum).
    void initTestCase()
    {
        m_python.start(QStringLiteral(TALVEX_PYTHON3),
            {"-c", "import sys, zlib\n"
                   "for name in sys.stdin:\n"
                   "    crc = 0\n"
                   "    with open(name[:-1], 'rb') as file:\n"
                   "        for block in iter(lambda: file.read(1 << 18), b''):\n"
                   "            crc = zlib.crc32(block, crc)\n"
                   "    print(crc, flush=True)"});
    }

    void cleanupTestCase()
    {
        m_python.closeWriteChannel();
        m_python.waitForFinished();
    }

    void checksum_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<quint32>("crc");
        QTest::newRow("empty") << QByteArray() << quint32(0);
        QTest::newRow("abc") << QByteArray("abc") << quint32(0x352441C2);
        QTest::newRow("check string") << QByteArray("123456789") << quint32(0xCBF43926);
    }

    void checksum()
    {
        QFETCH(QByteArray, contents);
        QFETCH(quint32, crc);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("f"), contents));
        bool ok = false;
        QCOMPARE(computeFileCrc32(dir.filePath("f"), &ok), crc);
        QVERIFY(ok);
    }

    void missingFile()
    {
        QTemporaryDir dir;
        bool ok = true;
        QCOMPARE(computeFileCrc32(dir.filePath("missing"), &ok), quint32(0));
        QVERIFY(!ok);
        QCOMPARE(computeFileCrc32(dir.filePath("missing")), quint32(0));
        // A folder cannot be read as a file.
        QCOMPARE(computeFileCrc32(dir.path(), &ok), quint32(0));
        QVERIFY(!ok);
    }

    void sizes_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {1023, 1024, 1025, (1 << 20) - 1, 1 << 20, (1 << 20) + 1, 3 * 1000 * 1000})
            QTest::addRow("%d bytes", size) << size;
        // Large files are read in pieces on several threads: one piece just below two, an odd
        // remainder that goes with the last piece, and as many pieces as threads are used.
        for (int size : {(16 << 20) - 1, (16 << 20) + 3, (32 << 20) + 5})
            QTest::addRow("%d bytes in pieces", size) << size;
    }

    // Any size, also around the read block and the pieces, gives zlib's checksum of all bytes and Python's
    // zlib.crc32 of the same file.
    void sizes()
    {
        QFETCH(int, size);
        QTemporaryDir dir;
        const QString path = dir.filePath("f");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Random words, written and checksummed a block at a time: a generator call for each
        // byte, or a buffer of the whole file, took most of the test's time.
        QRandomGenerator generator{quint32(size)};
        QVector<quint32> block(1 << 16);
        const int blockBytes = block.size() * int(sizeof(quint32));
        uLong zlibCrc = crc32(0L, Z_NULL, 0);
        for (int left = size; left > 0; left -= blockBytes)
        {
            generator.fillRange(block.data(), block.size());
            const int count = qMin(left, blockBytes);
            const char* bytes = reinterpret_cast<const char*>(block.constData());
            zlibCrc = crc32(zlibCrc, reinterpret_cast<const Bytef*>(bytes), uInt(count));
            QCOMPARE(file.write(bytes, count), qint64(count));
        }
        file.close();
        QCOMPARE(computeFileCrc32(path), quint32(zlibCrc));

        m_python.write((path + "\n").toUtf8());
        while (!m_python.canReadLine())
            if (!m_python.waitForReadyRead(30000))
                QSKIP("python3 is not available");
        QCOMPARE(m_python.readLine().trimmed().toULong(), ulong(quint32(zlibCrc)));
    }

private:
    QProcess m_python;
};

TALVEX_TEST(tst_FileCrc32)
#include "tst_FileCrc32.moc"
