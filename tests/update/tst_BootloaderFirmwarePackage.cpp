#include "TestRegistry.h"

#include "BootloaderConstants.h"
#include "BootloaderFirmwareId.h"
#include "BootloaderFirmwarePackage.h"
#include "PackageWriter.h"

#include <QRandomGenerator>
#include <QTest>

namespace
{
typedef QVector<quint8> Bytes;
typedef QList<PackageWriter::Secondary> Secondaries;

const QPair<int, int> s_model(27, 1);

quint64 key()
{
    return BootloaderConstants::packageKey();
}

PackageWriter::Secondary secondary(const QString& name, int tag, int pageSize, int pagesPerSector, int firstPage,
    const QByteArray& data)
{
    PackageWriter::Secondary s;
    s.header.name = name;
    s.header.tag = tag;
    s.header.pageSize = pageSize;
    s.header.pagesPerSector = pagesPerSector;
    s.header.firstPage = firstPage;
    s.data = data;
    return s;
}
}

Q_DECLARE_METATYPE(Secondaries)

class tst_BootloaderFirmwarePackage : public QObject
{
    Q_OBJECT

private slots:
    void read_data()
    {
        QTest::addColumn<bool>("layout1");
        QTest::addColumn<Secondaries>("secondaries");
        QTest::addColumn<int>("flags");

        QTest::newRow("legacy") << false << Secondaries{} << int(PackageWriter::Checksum | PackageWriter::Compressed);
        QTest::newRow("legacy, plain") << false << Secondaries{} << 0;
        QTest::newRow("layout 1, two secondary images")
            << true
            << Secondaries{secondary("motor controller", 7, 128, 4, 16, QByteArray(300, 'm')),
                   secondary("encoder", 9, 64, 8, 0, QByteArray("\x01\x02\x03", 3))}
            << int(PackageWriter::Hash);
    }

    // Packages our own writer made read back to what was written, and their checksum is the
    // one the file stores.
    void read()
    {
        QFETCH(bool, layout1);
        QFETCH(Secondaries, secondaries);
        QFETCH(int, flags);

        const QDate date(2025, 11, 3);
        const QByteArray hex = ":0100000011EE\n:00000001FF\n";
        const QByteArray inner = PackageWriter::innerData(6, 12, date, hex, secondaries, layout1);
        QString error = "stale";
        const BootloaderFirmwarePackage package(s_model, PackageWriter::contents(inner, key(), quint8(flags)), error);

        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(package.getId().getVersion().getMajor(), 6);
        QCOMPARE(package.getId().getVersion().getMinor(), 12);
        QCOMPARE(package.getId().getDeviceType(), s_model);
        QCOMPARE(package.getId().getChecksum(), 0);
        QCOMPARE(package.getReleaseDate(), date);
        QCOMPARE(package.getData(), hex);
        QCOMPARE(package.getSecondaryImages().count(), secondaries.count());
        for (int i = 0; i < secondaries.count(); ++i)
        {
            const BootloaderSecondaryImageHeader& header = package.getSecondaryImages().at(i).getHeader();
            QCOMPARE(header.name, secondaries.at(i).header.name);
            QCOMPARE(header.tag, secondaries.at(i).header.tag);
            QCOMPARE(header.pageSize, secondaries.at(i).header.pageSize);
            QCOMPARE(header.pagesPerSector, secondaries.at(i).header.pagesPerSector);
            QCOMPARE(header.firstPage, secondaries.at(i).header.firstPage);
            QCOMPARE(package.getSecondaryImages().at(i).getData(), secondaries.at(i).data);
        }
        QCOMPARE(package.computeChecksum(), qChecksum(inner.constData(), uint(inner.size())));
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("error");

        const QString corrupt = "The firmware package file is corrupt.";
        const QByteArray inner = PackageWriter::innerData(1, 0, QDate(2020, 1, 1), "text", {}, false);
        QByteArray tampered = PackageWriter::contents(inner, key());
        tampered[tampered.size() - 3] = char(tampered.at(tampered.size() - 3) ^ 0x04);

        // A good payload under a checksum that does not match it.
        QByteArray wrongChecksum;
        {
            QDataStream out(&wrongChecksum, QIODevice::WriteOnly);
            out << quint16(qChecksum(inner.constData(), uint(inner.size())) ^ 1)
                << PackageWriter::encipher(inner, key(), 0);
        }
        // An empty decryption under a stored checksum of 0.
        QByteArray emptyUnderZero;
        {
            QDataStream out(&emptyUnderZero, QIODevice::WriteOnly);
            out << quint16(0) << QByteArray("\x03\x00\x42", 3);
        }
        QByteArray unsupported;
        {
            QByteArray newer;
            QDataStream out(&newer, QIODevice::WriteOnly);
            out << qint32(-2) << qint32(1);
            unsupported = PackageWriter::contents(newer, key());
        }

        QTest::newRow("tampered payload") << tampered << corrupt;
        QTest::newRow("wrong checksum") << wrongChecksum << corrupt;
        QTest::newRow("empty decryption, checksum 0") << emptyUnderZero << corrupt;
        QTest::newRow("other key") << PackageWriter::contents(inner, key() + 1) << corrupt;
        QTest::newRow("empty file") << QByteArray() << corrupt;
        QTest::newRow("newer layout") << unsupported << "Unsupported firmware package version 2.";
    }

    // A refused file leaves the default package.
    void refused()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, error);

        QString message;
        const BootloaderFirmwarePackage package(s_model, contents, message);
        QCOMPARE(message, error);
        QCOMPARE(package.getId().getVersion().getMajor(), 0);
        QVERIFY(package.getData().isEmpty());
        QVERIFY(package.getSecondaryImages().isEmpty());
        QVERIFY(package.getReleaseDate().isNull());
    }

    // A layout-1 package cut short after a correct checksum reads what is there and stops at the
    // end, whatever count it claims.
    void shortInnerData()
    {
        QByteArray inner;
        {
            QDataStream out(&inner, QIODevice::WriteOnly);
            out << qint32(-1) << qint32(3) << qint32(4) << QDate(2021, 2, 3) << QByteArray("hex")
                << qint32(0x7FFFFFFF) << qint32(5);
        }
        QString error;
        const BootloaderFirmwarePackage package(s_model, PackageWriter::contents(inner, key()), error);
        QVERIFY(error.isEmpty());
        QCOMPARE(package.getId().getVersion().getMinor(), 4);
        QCOMPARE(package.getSecondaryImages().count(), 1);
        QCOMPARE(package.getSecondaryImages().first().getHeader().tag, 5);
    }

    void fileNames_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("revision");
        QTest::addColumn<QString>("fileName");

        QTest::newRow("1,1") << 1 << 1 << "000101.pkg";
        QTest::newRow("1,2") << 1 << 2 << "000102.pkg";
        QTest::newRow("10,1") << 10 << 1 << "001001.pkg";
        QTest::newRow("27,1") << 27 << 1 << "002701.pkg";
        QTest::newRow("seven digits") << 12345 << 6 << "1234506.pkg";
    }

    void fileNames()
    {
        QFETCH(int, productCode);
        QFETCH(int, revision);
        QFETCH(QString, fileName);
        QCOMPARE(BootloaderFirmwareId(productCode, revision, 1, 0, 0).fileName(), fileName);
    }

    // 300 bytes in pages of 128 from page 0, four pages to a sector.
    void secondaryPages()
    {
        BootloaderSecondaryImageHeader header;
        header.pageSize = 128;
        header.pagesPerSector = 4;
        BootloaderSecondaryImage image(header, QByteArray(300, '\x5A'));
        QCOMPARE(image.getPageCount(), 3);

        bool newSector = false;
        quint16 sector = 99;
        QCOMPARE(image.getPage(0, newSector, sector).mid(0, 2), (Bytes{0x00, 0x00}));
        QVERIFY(newSector);
        QCOMPARE(sector, quint16(0));
        image.getPage(1, newSector, sector);
        QVERIFY(!newSector);
        const Bytes last = image.getPage(2, newSector, sector);
        QVERIFY(!newSector);
        QCOMPARE(last.count(), 130);
        QCOMPARE(last.mid(0, 2), (Bytes{0x02, 0x00}));
        QCOMPARE(last.mid(2, 44), Bytes(44, 0x5A));
        QCOMPARE(last.mid(46), Bytes(84, 0xFF));
        // The same page again: its sector is known by now.
        image.getPage(0, newSector, sector);
        QVERIFY(!newSector);

        // Page numbers are 16 bits, low byte first.
        header.firstPage = 0x1234;
        header.pagesPerSector = 0x100;
        BootloaderSecondaryImage far(header, QByteArray(1, '\x01'));
        QCOMPARE(far.getPage(0, newSector, sector).mid(0, 3), (Bytes{0x34, 0x12, 0x01}));
        QCOMPARE(sector, quint16(0x12));
    }

    void firmwareInfoFromPackage()
    {
        const Secondaries secondaries{secondary("encoder", 9, 64, 8, 3, QByteArray(10, 'e'))};
        const QByteArray inner = PackageWriter::innerData(7, 1, QDate(2026, 4, 30), "hex", secondaries, true);
        QString error;
        const BootloaderFirmwarePackage package(s_model, PackageWriter::contents(inner, key()), error);
        QVERIFY(error.isEmpty());

        BootloaderFirmwareInfo base;
        base.valid = base.present = true;
        base.productCode = 27;
        base.revision = 1;
        base.deviceName = "Axis X";
        base.serialNumber = "VTAH027010042";
        base.major = 6;
        base.secondaryHeaders.append(BootloaderSecondaryImageHeader());
        const BootloaderFirmwareInfo info = package.makeFirmwareInfo(base);
        QVERIFY(info.valid && info.present);
        QCOMPARE(info.deviceName, base.deviceName);
        QCOMPARE(info.serialNumber, base.serialNumber);
        QCOMPARE(info.productCode, 27);
        QCOMPARE(info.getFirmwareVersion().getMajor(), 7);
        QCOMPARE(info.getFirmwareVersion().getMinor(), 1);
        QCOMPARE(QDate(info.year, info.month, info.day), QDate(2026, 4, 30));
        QCOMPARE(info.packageChecksum, int(qChecksum(inner.constData(), uint(inner.size()))));
        QCOMPARE(info.secondaryHeaders.count(), 1);
        QCOMPARE(info.secondaryHeaders.first().name, QString("encoder"));
        QCOMPARE(info.secondaryHeaders.first().firstPage, 3);

        const BootloaderFirmwareId id(info);
        QCOMPARE(id.fileName(), QString("002701.pkg"));
        QCOMPARE(id.getVersion().getMajor(), 7);
        QCOMPARE(id.getChecksum(), 0);
    }

    // Truncated and random files never crash the reader.
    void damagedFiles()
    {
        const QByteArray inner = PackageWriter::innerData(2, 3, QDate(2022, 5, 6), ":00000001FF\n",
            {secondary("s", 1, 16, 2, 0, QByteArray(40, 's'))}, true);
        const QByteArray good = PackageWriter::contents(inner, key());
        for (int length = 0; length < good.size(); ++length)
        {
            QString error;
            BootloaderFirmwarePackage(s_model, good.left(length), error);
            QVERIFY(!error.isEmpty());
        }
        QRandomGenerator generator(99);
        for (int round = 0; round < 1000; ++round)
        {
            QByteArray contents = good;
            for (int flips = generator.bounded(1, 4); flips > 0; --flips)
                contents[generator.bounded(contents.size())] = char(generator.bounded(256));
            QString error;
            BootloaderFirmwarePackage(s_model, contents, error);
            QByteArray noise(generator.bounded(200), '\0');
            for (char& c : noise)
                c = char(generator.bounded(256));
            BootloaderFirmwarePackage(s_model, noise, error);
        }
    }
};

TALVEX_TEST(tst_BootloaderFirmwarePackage)
#include "tst_BootloaderFirmwarePackage.moc"
