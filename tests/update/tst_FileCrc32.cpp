#include "TestRegistry.h"

#include "FileCrc32.h"
#include "InfoZip.h"

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
    // zlib.crc32 of that file.
    void initTestCase()
    {
        m_python.start(QStringLiteral(TALVEX_PYTHON3),
            {"-c", "import sys, zlib\nfor name in sys.stdin:\n    print(zlib.crc32(open(name[:-1], 'rb').read()), flush=True)"});
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
        // Whole random words: a generator call for each byte took most of the test's time.
        QVector<quint32> words((size + 3) / 4);
        QRandomGenerator{quint32(size)}.fillRange(words.data(), words.size());
        const QByteArray contents(reinterpret_cast<const char*>(words.constData()), size);
        const QString path = dir.filePath("f");
        QVERIFY(writeFile(path, contents));
        const quint32 zlibCrc = quint32(crc32(0, reinterpret_cast<const Bytef*>(contents.constData()), uInt(size)));
        QCOMPARE(computeFileCrc32(path), zlibCrc);

        m_python.write((path + "\n").toUtf8());
        while (!m_python.canReadLine())
            if (!m_python.waitForReadyRead(30000))
                QSKIP("python3 is not available");
        QCOMPARE(m_python.readLine().trimmed().toULong(), ulong(zlibCrc));
    }

private:
    QProcess m_python;
};

TALVEX_TEST(tst_FileCrc32)
#include "tst_FileCrc32.moc"
