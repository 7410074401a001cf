#include "TestRegistry.h"

#include "PackageUpdaterManifest.h"

#include <QTest>

namespace
{
const QString s_app = QStringLiteral("TalvexStudio");

QString firmware(const PackageUpdaterResult& result, int productCode, int revision)
{
    const BootloaderFirmwareId id = result.getFirmware().value(qMakePair(productCode, revision));
    return QStringLiteral("%1.%2:%3").arg(id.getVersion().getMajor()).arg(id.getVersion().getMinor())
        .arg(quint32(id.getChecksum()));
}
}

class tst_PackageUpdaterManifest : public QObject
{
    Q_OBJECT

private slots:
    // Firmware elements are read in both formats; a later one for the same model wins.
    void firmwareTable()
    {
        const QByteArray xml = "<u><app MajorVersion=\"6\" MinorVersion=\"1\" Checksum=\"1\"/>"
                               "<firmware DeviceID=\"27\" DeviceVersion=\"1\" MajorVersion=\"2\" MinorVersion=\"3\" Checksum=\"4000000000\"/>"
                               "<firmware DeviceID=\"10\" DeviceVersion=\"1\" MajorVersion=\"1\" MinorVersion=\"0\" Checksum=\"5\"/>"
                               "<firmware DeviceID=\"27\" DeviceVersion=\"1\" MajorVersion=\"2\" MinorVersion=\"4\" Checksum=\"6\"/>"
                               "<file Name=\"ignored in format 1\" Checksum=\"1\"/></u>";
        const PackageUpdaterResult result = PackageUpdaterManifest().read(xml, s_app);
        QVERIFY(result.isValid());
        QCOMPARE(result.getManifestVersion(), 1);
        QCOMPARE(result.getFiles().size(), 1);
        QCOMPARE(result.getFirmware().size(), 2);
        QCOMPARE(firmware(result, 27, 1), QString("2.4:6"));
        QCOMPARE(firmware(result, 10, 1), QString("1.0:5"));
        QCOMPARE(result.getFirmware().value(qMakePair(27, 1)).fileName(), QString("002701.pkg"));
    }

    void firmwareWithoutAttribute()
    {
        const PackageUpdaterResult result = PackageUpdaterManifest().read(
            "<u><version Value=\"2\"/><firmware DeviceID=\"27\" DeviceVersion=\"1\" MajorVersion=\"2\" Checksum=\"6\"/></u>",
            s_app);
        QVERIFY(!result.isValid());
        QCOMPARE(result.getError(), QString("Update package contains invalid information."));
    }

    // What write gives reads back the same, and has no declaration that the reader would refuse.
    void writeReadsBack()
    {
        PackageUpdaterResult written;
        written.setVersion(6, 2);
        written.addFile({s_app, true, 0xFEDCBA98});
        written.addFile({"libdriver", false, 12});
        written.setReleaseNotes("<p>Faster & \"better\"</p>");
        written.addFirmware(BootloaderFirmwareId(27, 1, 3, 5, int(0x80000001u)));
        const QByteArray xml = PackageUpdaterManifest::write(written, s_app);
        QVERIFY(!xml.contains("<?xml"));

        const PackageUpdaterResult read = PackageUpdaterManifest().read(xml, s_app);
        QVERIFY2(read.isValid(), qPrintable(read.getError()));
        QCOMPARE(read.getManifestVersion(), 2);
        QCOMPARE(read.getMajorVersion(), 6);
        QCOMPARE(read.getMinorVersion(), 2);
        QCOMPARE(read.getFiles().size(), 2);
        QCOMPARE(read.getFiles().at(0).checksum, quint32(0xFEDCBA98));
        QVERIFY(read.getFiles().at(0).executable);
        QCOMPARE(read.getFiles().at(1).name, QString("libdriver"));
        QCOMPARE(read.getReleaseNotes(), written.getReleaseNotes());
        QCOMPARE(firmware(read, 27, 1), QString("3.5:2147483649"));
    }
};

TALVEX_TEST(tst_PackageUpdaterManifest)
#include "tst_PackageUpdaterManifest.moc"
