#include "TestRegistry.h"

#include "TalvexApplicationTraits.h"

#include <QTest>

class tst_ApplicationTraits : public QObject
{
    Q_OBJECT

private slots:
    void verdicts_data()
    {
        QTest::addColumn<QString>("serialNumber");
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("device");
        QTest::addColumn<int>("firmware");
        QTest::newRow("(1,2) 3") << "VTAH00102" << 3 << 0 << 0;
        QTest::newRow("(1,2) 2") << "VTAH001020001" << 2 << 0 << 0;
        QTest::newRow("(1,2) 4") << "VTAH00102" << 4 << 0 << 0;
        QTest::newRow("(1,2) 5") << "VTAH00102" << 5 << 0 << 1;
        QTest::newRow("(1,2) 1") << "VTAH00102" << 1 << 0 << 2;
        QTest::newRow("(1,1) 2") << "vtbp001010007" << 2 << 0 << 0;
        QTest::newRow("(1,1) 3") << "VTAH00101" << 3 << 0 << 1;
        QTest::newRow("(10,1) 1") << "VTAH01001" << 1 << 0 << 0;
        QTest::newRow("(10,1) 0") << "VTAH01001" << 0 << 0 << 2;
        QTest::newRow("(23,1) 1 without a command set") << "VTAH02301" << 1 << 0 << 0;
        QTest::newRow("(27,1) 2") << "VTAH027010001" << 2 << 0 << 1;
        QTest::newRow("(1,3)") << "VTAH00103" << 1 << 3 << 3;
        QTest::newRow("(2,1)") << "VTAH00201" << 1 << 3 << 3;
        QTest::newRow("wildcard unit") << "VTAH00102xxxx" << 3 << 0 << 0;
        QTest::newRow("invalid serial") << "VTAH0010" << 3 << 3 << 3;
        QTest::newRow("empty serial") << "" << 3 << 3 << 3;
    }

    void verdicts()
    {
        QFETCH(QString, serialNumber);
        QFETCH(int, version);
        QFETCH(int, device);
        QFETCH(int, firmware);
        const TalvexApplicationTraits traits;
        const USBSerialNumber serial(serialNumber);
        QCOMPARE(traits.checkDevice(serial), device);
        QCOMPARE(traits.checkFirmware(serial, version), firmware);
        if (serial.isValid())
        {
            QCOMPARE(traits.isKnownDevice(serial.getDeviceType()), device);
            QCOMPARE(traits.checkVersion(serial.getDeviceType(), version), firmware);
        }
    }

    void usableThroughTheInterface()
    {
        const USBDeviceTraitsPtr traits(new TalvexApplicationTraits);
        QCOMPARE(traits->checkVersion(qMakePair(1, 2), 3), 0);
        QCOMPARE(traits->isKnownDevice(qMakePair(27, 1)), 0);
        QCOMPARE(traits->isKnownDevice(qMakePair(27, 2)), 3);
    }
};

TALVEX_TEST(tst_ApplicationTraits)
#include "tst_ApplicationTraits.moc"
