#include "TestRegistry.h"

#include "BootloaderHexData.h"
#include "HexText.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace
{
typedef QVector<quint8> Bytes;

const QByteArray s_end = ":00000001FF\n";

Bytes filled(int count, quint8 value = 0xFF)
{
    return Bytes(count, value);
}

// Runs a tool of binutils or srecord; false when it is missing or fails.
bool run(const QString& program, const QStringList& arguments)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return false;
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}
}

class tst_BootloaderHexData : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Bytes>("image");

        QTest::newRow("data at 0x10") << QByteArray(":03001000010203E7\n" + s_end) << filled(16) + Bytes{1, 2, 3};
        QTest::newRow("lower case, CR LF") << QByteArray(":0200000055aaff\r\n:00000001FF\r\n") << Bytes{0x55, 0xAA};
        QTest::newRow("the same bytes twice")
            << QByteArray(":020000001122CB\n:0100010022DC\n" + s_end) << Bytes{0x11, 0x22};
        QTest::newRow("rows without line breaks")
            << QByteArray(":0100000011EE:0100010022DC:00000001FF") << Bytes{0x11, 0x22};
        QTest::newRow("extended segment address")
            << QByteArray(":020000020001FB\n:010000007788\n" + s_end) << filled(16) + Bytes{0x77};
        QTest::newRow("start addresses are passed over")
            << QByteArray(":0400000300001234B3\n:0400000500001234B1\n:0100000042BD\n" + s_end) << Bytes{0x42};
        QTest::newRow("data after an end record") << QByteArray(s_end + ":0100000042BD\n" + s_end) << Bytes{0x42};
        QTest::newRow("only the end record") << QByteArray(s_end) << Bytes{};
    }

    void parse()
    {
        QFETCH(QByteArray, text);
        QFETCH(Bytes, image);

        const BootloaderHexData data(text);
        QVERIFY2(data.isValid(), qPrintable(data.getErrorString()));
        QVERIFY(data.getErrorString().isEmpty());
        QCOMPARE(data.getImage(), image);
    }

    // The upper address moves the base: one byte at 0x10000 makes an image of 65537 bytes.
    void extendedLinearAddress()
    {
        const BootloaderHexData data(":020000040001F9\n:0100000055AA\n" + s_end);
        QVERIFY(data.isValid());
        QCOMPARE(data.getImage().count(), 65537);
        QCOMPARE(data.getImage().last(), quint8(0x55));
        QCOMPARE(data.getImage().count(0xFF), 65536);
    }

    void errors_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("error");
        QTest::addColumn<Bytes>("kept");

        QTest::newRow("short row") << QByteArray(":0100000011EE\n:00000001\n") << "Invalid row length for row 2."
                                   << Bytes{0x11};
        QTest::newRow("bad count digit") << QByteArray(":G100000011EE\n") << "Parsing error on row 1." << Bytes{};
        QTest::newRow("sign in a field") << QByteArray(":01-0000011EE\n") << "Parsing error on row 1." << Bytes{};
        QTest::newRow("bad data digit") << QByteArray(":010000001XEE\n") << "Parsing error on row 1." << Bytes{};
        QTest::newRow("data row too long") << QByteArray(":0100000011EE00\n") << "Invalid row length for data row 1."
                                           << Bytes{};
        QTest::newRow("data row too short") << QByteArray(":0200000011EB\n")
                                            << "Invalid row length for data row 1." << Bytes{};
        QTest::newRow("wrong checksum") << QByteArray(":0100000011EE\n:0100010022DD\n") << "Checksum error on row 2."
                                        << Bytes{0x11};
        QTest::newRow("ELAR of three bytes") << QByteArray(":03000004000100F8\n")
                                             << "Invalid data length for ELAR row 1." << Bytes{};
        QTest::newRow("ELAR with an address") << QByteArray(":0100000011EE\n:020001040001F8\n")
                                              << "Invalid address for ELAR row 2." << Bytes{0x11};
        QTest::newRow("ESAR of one byte") << QByteArray(":0100000201FC\n") << "Invalid data length for ESAR row 1."
                                          << Bytes{};
        QTest::newRow("ESAR with an address") << QByteArray(":020001020001FA\n") << "Invalid address for ESAR row 1."
                                              << Bytes{};
        QTest::newRow("stray text is row 1") << QByteArray("firmware\n:0100000011EE\n")
                                             << "Invalid row length for row 1." << Bytes{};
        QTest::newRow("beyond the flash") << QByteArray(":0100000011EE\n:020000040010EA\n:0100000055AA\n")
                                          << "Address beyond the device's flash on row 3." << Bytes{0x11};
        QTest::newRow("other bytes at one address")
            << QByteArray(":020000001122CB\n:0100010033CB\n" + s_end) << "Overlapping data at 0x0001 on row 2."
            << Bytes{0x11, 0x22};
        QTest::newRow("overlap from the row's middle on")
            << QByteArray(":0400000001020304F2\n:020002000309F0\n" + s_end) << "Overlapping data at 0x0003 on row 2."
            << Bytes{1, 2, 3, 4};
        QTest::newRow("overlap through a segment address")
            << QByteArray(":0100100011DE\n:020000020001FB\n:0100000022DD\n" + s_end)
            << "Overlapping data at 0x0010 on row 3." << filled(16) + Bytes{0x11};
        QTest::newRow("no end record") << QByteArray(":0100000011EE\n:0100010022DC\n")
                                       << "No end-of-file record: the file is truncated after row 2."
                                       << Bytes{0x11, 0x22};
        QTest::newRow("data after the last end record")
            << QByteArray(s_end + ":0100000042BD\n") << "No end-of-file record: the file is truncated after row 2."
            << Bytes{0x42};
        QTest::newRow("no text") << QByteArray() << "No end-of-file record: the file is truncated after row 0."
                                 << Bytes{};
    }

    // The first fault stops the parse, names its row and keeps what came before it.
    void errors()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, error);
        QFETCH(Bytes, kept);

        const BootloaderHexData data(text);
        QVERIFY(!data.isValid());
        QCOMPARE(data.getErrorString(), error);
        QCOMPARE(data.getImage(), kept);
    }

    // An upper address at 2 GiB and beyond is refused like any address past the flash, and
    // nothing of that size is allocated.
    void farAddressIsRefused()
    {
        const BootloaderHexData data(":0200000480007A\n:0100000055AA\n", 1 << 20);
        QCOMPARE(data.getErrorString(), QString("Address beyond the device's flash on row 2."));
        const BootloaderHexData far(":02000004FFFFFC\n:0100000055AA\n", 1 << 20);
        QCOMPARE(far.getErrorString(), QString("Address beyond the device's flash on row 2."));
        QVERIFY(far.getImage().isEmpty());
    }

    void pages()
    {
        Bytes image(300);
        for (int i = 0; i < image.count(); ++i)
            image[i] = quint8(i);
        const QByteArray text = hexText(image);
        const BootloaderHexData data(text);
        QVERIFY2(data.isValid(), qPrintable(data.getErrorString()));
        QCOMPARE(data.getPageCount(256), 2);
        QCOMPARE(data.getPageCount(300), 1);
        QCOMPARE(data.getPageCount(0), 0);
        const Bytes second = data.getPage(256, 1);
        QCOMPARE(second.count(), 256);
        for (int j = 0; j < 44; ++j)
            QCOMPARE(second.at(j), quint8(256 + j));
        QCOMPARE(second.mid(44), filled(212));
        QCOMPARE(data.getPage(256, 5), filled(256));
        QVERIFY(data.getPage(0, 0).isEmpty());
    }

    void verify_data()
    {
        QTest::addColumn<Bytes>("readBack");
        QTest::addColumn<bool>("matches");

        QTest::newRow("same") << Bytes{1, 2, 3} << true;
        QTest::newRow("erased tail") << Bytes{1, 2, 3, 0xFF, 0xFF, 0xFF, 0xFF} << true;
        QTest::newRow("written tail") << Bytes{1, 2, 3, 0xFF, 0xFF, 0x00, 0xFF} << false;
        QTest::newRow("short") << Bytes{1, 2} << false;
        QTest::newRow("differs") << Bytes{1, 9, 3} << false;
    }

    void verify()
    {
        QFETCH(Bytes, readBack);
        QFETCH(bool, matches);
        const BootloaderHexData data(":03000000010203F7\n" + s_end);
        QCOMPARE(data.verify(readBack), matches);
    }

    void standardTools_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<int>("offset");

        QTest::newRow("objcopy") << "objcopy" << 0;
        // Beyond 64 KiB objcopy writes segment address and start records.
        QTest::newRow("objcopy, segment addresses") << "objcopy" << 0x1FFA0;
        QTest::newRow("srec_cat, linear addresses") << "srec_cat" << 0x1F000;
    }

    // HEX files made by the standard tools load to the bytes they were made from.
    void standardTools()
    {
        QFETCH(QString, tool);
        QFETCH(int, offset);

        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        QByteArray binary(5000, '\0');
        QRandomGenerator generator(7);
        for (char& byte : binary)
            byte = char(generator.bounded(256));
        const QString input = folder.filePath("image.bin");
        const QString output = folder.filePath("image.hex");
        QVERIFY(writeFile(input, binary));

        bool made = false;
        if (tool == "objcopy")
            made = run("objcopy",
                {"-I", "binary", "-O", "ihex", "--change-addresses", QString::number(offset), input, output});
        else
            made = run("srec_cat",
                {input, "-binary", "-offset", QString::number(offset), "-o", output, "-intel", "--address-length=4"});
        if (!made)
            QSKIP("binutils or srecord is not installed");

        const QByteArray text = readFile(output);
        QCOMPARE(text.contains("\n:02000002"), offset > 0xFFFF && tool == "objcopy");
        QCOMPARE(text.contains("\n:02000004"), offset > 0xFFFF && tool == "srec_cat");
        const BootloaderHexData data(text);
        QVERIFY2(data.isValid(), qPrintable(data.getErrorString()));
        const Bytes image = data.getImage();
        QCOMPARE(image.count(), offset + binary.size());
        QCOMPARE(image.mid(0, offset), filled(offset));
        QCOMPARE(image.mid(offset), Bytes(binary.cbegin(), binary.cend()));
    }

    // Truncated and random text never crashes the parser and never makes a huge image; text cut
    // anywhere before its last line break is refused.
    void damagedInput()
    {
        const QByteArray good = ":020000040000FA\n:10000000000102030405060708090A0B0C0D0E0F78\n"
                                ":020000021000EC\n:0100100011DE\n:00000001FF\n";
        for (int length = 0; length <= good.size(); ++length)
        {
            const BootloaderHexData data(good.left(length));
            QCOMPARE(data.isValid(), length >= good.size() - 1);
            QVERIFY(data.getImage().count() <= BootloaderHexData::defaultMaxSize());
        }
        QRandomGenerator generator(2024);
        const QByteArray alphabet = "0123456789ABCDEFabcdef:\n\r -+xG";
        for (int round = 0; round < 2000; ++round)
        {
            QByteArray text(generator.bounded(1, 120), '\0');
            for (char& c : text)
                c = round % 2 ? alphabet.at(generator.bounded(alphabet.size())) : char(generator.bounded(256));
            const BootloaderHexData data(text);
            QVERIFY(data.isValid() || !data.getErrorString().isEmpty());
            QVERIFY(data.getImage().count() <= BootloaderHexData::defaultMaxSize());
        }
    }
};

TALVEX_TEST(tst_BootloaderHexData)
#include "tst_BootloaderHexData.moc"
