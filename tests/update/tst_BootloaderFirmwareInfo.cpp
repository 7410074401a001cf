#include "TestRegistry.h"

#include "BootloaderFirmwareInfo.h"

#include <QTest>

namespace
{
typedef QVector<quint8> Bytes;

// A page by hand: magic, layout, name, serial number, seven numbers, then what follows.
Bytes page(int layout, const QByteArray& serialNumber, const Bytes& rest = Bytes(), int size = 128)
{
    Bytes bytes{0x35, 0x72, 0xD1, quint8(layout)};
    const QByteArray name = "Bench axis";
    for (int i = 0; i < 40; ++i)
        bytes.append(i < name.size() ? quint8(name.at(i)) : 0);
    for (int i = 0; i < 16; ++i)
        bytes.append(i < serialNumber.size() ? quint8(serialNumber.at(i)) : 0);
    bytes += Bytes{0x00, 0x1B, 0x00, 0x01, 0x00, 0x06, 0x00, 0x0C, 0x07, 0xE9, 0x00, 0x0B, 0x00, 0x03};
    bytes += rest;
    while (bytes.count() < size)
        bytes.append(0xFF);
    return bytes;
}
}

class tst_BootloaderFirmwareInfo : public QObject
{
    Q_OBJECT

private slots:
    void decode_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("checksum");
        QTest::addColumn<int>("headers");

        // Marker, name "enc" in 16 bytes, tag 9, page size 64, 8 pages per sector, first page 3.
        Bytes header(17, 0x00);
        header[0] = 0x01;
        header[1] = 'e';
        header[2] = 'n';
        header[3] = 'c';
        header += Bytes{0x00, 0x09, 0x00, 0x40, 0x00, 0x08, 0x00, 0x03};
        QTest::newRow("blank") << Bytes(128, 0xFF) << false << false << 0 << 0;
        QTest::newRow("too short") << page(2, "VTAH027010042").mid(0, 99) << false << false << 0 << 0;
        QTest::newRow("layout 3") << page(3, "VTAH027010042") << false << false << 0 << 0;
        QTest::newRow("layout 2, nine characters") << page(2, "VTBH00101", {0x12, 0x34}) << true << true << 0x1234
                                                   << 0;
        QTest::newRow("layout 2, fourth character X") << page(2, "VTBX00101") << true << false << 0xFFFF << 0;
        QTest::newRow("layout 2, lower case p") << page(2, "vtap00101") << true << true << 0xFFFF << 0;
        QTest::newRow("layout 2, four characters") << page(2, "VTAH") << true << false << 0xFFFF << 0;
        QTest::newRow("layout 2, two headers") << page(2, "VTAH027010042", Bytes{0, 7} + header + header) << true
                                               << true << 7 << 2;
        QTest::newRow("layout 2, header cut by the page end")
            << page(2, "VTAH027010042", Bytes{0, 7} + header + header).mid(0, 120) << true << true << 7 << 1;
        QTest::newRow("layout 1 needs vta") << page(1, "VTBH00101", {0x12, 0x34}) << true << false << 0 << 0;
        QTest::newRow("layout 1 never has headers") << page(1, "vTaH00101", Bytes{0, 7} + header) << true << true << 0
                                                    << 0;
    }

    void decode()
    {
        QFETCH(Bytes, bytes);
        QFETCH(bool, present);
        QFETCH(bool, valid);
        QFETCH(int, checksum);
        QFETCH(int, headers);

        const BootloaderFirmwareInfo info = BootloaderFirmwareInfo::fromBytes(bytes);
        QCOMPARE(info.present, present);
        QCOMPARE(info.valid, valid);
        QCOMPARE(info.packageChecksum, checksum);
        QCOMPARE(info.secondaryHeaders.count(), headers);
        if (!present)
        {
            QVERIFY(info.serialNumber.isEmpty() && info.deviceName.isEmpty());
            QCOMPARE(info.major + info.minor + info.productCode, 0);
            return;
        }
        QCOMPARE(info.deviceName, QString("Bench axis"));
        QCOMPARE(info.productCode, 27);
        QCOMPARE(info.revision, 1);
        QCOMPARE(info.getFirmwareVersion().getMajor(), 6);
        QCOMPARE(info.getFirmwareVersion().getMinor(), 12);
        QCOMPARE(QDate(info.year, info.month, info.day), QDate(2025, 11, 3));
        if (headers > 0)
        {
            QCOMPARE(info.secondaryHeaders.first().name, QString("enc"));
            QCOMPARE(info.secondaryHeaders.first().tag, 9);
            QCOMPARE(info.secondaryHeaders.first().pageSize, 64);
            QCOMPARE(info.secondaryHeaders.first().pagesPerSector, 8);
            QCOMPARE(info.secondaryHeaders.first().firstPage, 3);
        }
    }

    // 76 bytes of record, then 0xFF to the page end; every field comes back.
    void encode()
    {
        BootloaderFirmwareInfo info;
        info.deviceName = QString(45, QLatin1Char('n'));
        info.serialNumber = "VTAH027010042";
        info.productCode = 27;
        info.revision = 1;
        info.major = 6;
        info.minor = 2;
        info.year = 2025;
        info.month = 12;
        info.day = 24;
        info.packageChecksum = 0xBEEF;

        const Bytes bytes = info.toBytes(128);
        QCOMPARE(bytes.count(), 128);
        QCOMPARE(bytes.mid(0, 4), (Bytes{0x35, 0x72, 0xD1, 0x02}));
        QCOMPARE(bytes.at(4 + 38), quint8('n'));
        QCOMPARE(bytes.at(4 + 39), quint8(0));
        QCOMPARE(bytes.mid(60, 16), (Bytes{0, 27, 0, 1, 0, 6, 0, 2, 0x07, 0xE9, 0, 12, 0, 24, 0xBE, 0xEF}));
        QCOMPARE(bytes.mid(76), Bytes(52, 0xFF));

        const BootloaderFirmwareInfo back = BootloaderFirmwareInfo::fromBytes(bytes);
        QVERIFY(back.valid);
        QCOMPARE(back.deviceName, QString(39, QLatin1Char('n')));
        QCOMPARE(back.serialNumber, info.serialNumber);
        QCOMPARE(back.productCode, 27);
        QCOMPARE(back.revision, 1);
        QCOMPARE(back.major, 6);
        QCOMPARE(back.minor, 2);
        QCOMPARE(back.year, 2025);
        QCOMPARE(back.month, 12);
        QCOMPARE(back.day, 24);
        QCOMPARE(back.packageChecksum, 0xBEEF);
    }

    // Two headers need 126 bytes of page; a record that does not fit says so.
    void headers()
    {
        BootloaderFirmwareInfo info;
        info.serialNumber = "VTAH027010042";
        for (int i = 0; i < 2; ++i)
        {
            BootloaderSecondaryImageHeader header;
            header.name = QStringLiteral("chip %1 with a long name").arg(i);
            header.tag = 0x100 + i;
            header.pageSize = 128;
            header.pagesPerSector = 2;
            header.firstPage = 0x2000 + i;
            info.secondaryHeaders.append(header);
        }
        QCOMPARE(info.encodedSize(), 126);
        const Bytes bytes = info.toBytes(128);
        QCOMPARE(bytes.count(), 128);
        QCOMPARE(bytes.mid(126), Bytes(2, 0xFF));

        const BootloaderFirmwareInfo back = BootloaderFirmwareInfo::fromBytes(bytes);
        QCOMPARE(back.secondaryHeaders.count(), 2);
        QCOMPARE(back.secondaryHeaders.at(1).name, QString("chip 1 with a l"));
        QCOMPARE(back.secondaryHeaders.at(1).tag, 0x101);
        QCOMPARE(back.secondaryHeaders.at(1).firstPage, 0x2001);

        info.secondaryHeaders.append(info.secondaryHeaders.first());
        QCOMPARE(info.encodedSize(), 151);
        QCOMPARE(info.toBytes(128).count(), 151);
    }
};

TALVEX_TEST(tst_BootloaderFirmwareInfo)
#include "tst_BootloaderFirmwareInfo.moc"
