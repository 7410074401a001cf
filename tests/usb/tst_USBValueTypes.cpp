#include "TestRegistry.h"

#include "USBByteHelpers.h"
#include "USBResult.h"
#include "USBSerialNumber.h"
#include "USBVersion.h"

#include <QTest>

class tst_USBValueTypes : public QObject
{
    Q_OBJECT

private slots:
    void serialNumberParsing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("anyUnit");
        QTest::addColumn<int>("deviceId");
        QTest::addColumn<int>("deviceVersion");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("formatted");

        QTest::newRow("nine characters") << "VTAH00101" << true << false << 1 << 1 << 0 << "VTAH001010000";
        QTest::newRow("thirteen characters") << "VTBP123459876" << true << false << 123 << 45 << 9876 << "VTBP123459876";
        QTest::newRow("wildcard, lower case") << "vtbp12345xxxx" << true << true << 123 << 45 << 0 << "VTBP12345XXXX";
        QTest::newRow("mixed-case prefix") << "Vtah00101" << true << false << 1 << 1 << 0 << "VTAH001010000";
        QTest::newRow("length 10") << "VTAH001010" << false << false << 0 << 0 << 0 << "";
        QTest::newRow("wrong prefix") << "XTAH00101" << false << false << 0 << 0 << 0 << "";
        QTest::newRow("third character c") << "VTCH00101" << false << false << 0 << 0 << 0 << "";
        QTest::newRow("fourth character x") << "VTAX00101" << false << false << 0 << 0 << 0 << "";
        QTest::newRow("letters in device id") << "VTAH0A101" << false << false << 0 << 0 << 0 << "";
        QTest::newRow("letters in device version") << "VTAH0010Z" << false << false << 0 << 0 << 0 << "";
        QTest::newRow("letters in unit number") << "VTAH00101ab12" << false << false << 0 << 0 << 0 << "";
        QTest::newRow("sign in device id") << "VTAH+0101" << false << false << 0 << 0 << 0 << "";
        QTest::newRow("negative device version") << "VTAH001-1" << false << false << 0 << 0 << 0 << "";
        QTest::newRow("blank in device id") << "VTAH 0101" << false << false << 0 << 0 << 0 << "";
        QTest::newRow("sign in unit number") << "VTAH00101+123" << false << false << 0 << 0 << 0 << "";
        QTest::newRow("empty") << "" << false << false << 0 << 0 << 0 << "";
    }

    void serialNumberParsing()
    {
        QFETCH(QString, text);
        const USBSerialNumber serial(text);
        QTEST(serial.isValid(), "valid");
        QTEST(serial.isAnyUnit(), "anyUnit");
        QTEST(serial.getDeviceId(), "deviceId");
        QTEST(serial.getDeviceVersion(), "deviceVersion");
        QTEST(serial.getUnitNumber(), "unit");
        QTEST(serial.toString(), "formatted");
        if (serial.isValid())
            QCOMPARE(serial.getDeviceType(), qMakePair(serial.getDeviceId(), serial.getDeviceVersion()));
    }

    void serialNumberComparison_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("equal");

        QTest::newRow("same unit") << "VTBP123459876" << "vtbp123459876" << true;
        QTest::newRow("other unit") << "VTBP123459876" << "VTBP123459877" << false;
        QTest::newRow("wildcard matches any unit") << "vtbp12345xxxx" << "VTBP123459876" << true;
        QTest::newRow("wildcard on the right") << "VTBP123459876" << "VTBP12345XXXX" << true;
        QTest::newRow("wildcard, other device") << "vtbp12345xxxx" << "VTBP123469876" << false;
        QTest::newRow("wildcard, other letter") << "vtap12345xxxx" << "VTBP123459876" << false;
        QTest::newRow("nine equals thirteen with unit 0") << "VTAH00101" << "VTAH001010000" << true;
        QTest::newRow("two invalid ones") << "bad" << "worse" << true;
        QTest::newRow("valid against invalid") << "VTAH00101" << "bad" << false;
    }

    void serialNumberComparison()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, equal);
        QCOMPARE(USBSerialNumber(a) == USBSerialNumber(b), equal);
        QCOMPARE(USBSerialNumber(b) == USBSerialNumber(a), equal);
    }

    void versionComparison_data()
    {
        QTest::addColumn<int>("aMajor");
        QTest::addColumn<int>("aMinor");
        QTest::addColumn<int>("bMajor");
        QTest::addColumn<int>("bMinor");
        QTest::addColumn<bool>("lessOrEqual");
        QTest::addColumn<bool>("greaterOrEqual");

        QTest::newRow("2.0 vs 1.9") << 2 << 0 << 1 << 9 << false << true;
        QTest::newRow("1.9 vs 1.10") << 1 << 9 << 1 << 10 << true << false;
        QTest::newRow("1.10 vs 1.9") << 1 << 10 << 1 << 9 << false << true;
        QTest::newRow("equal") << 2 << 1 << 2 << 1 << true << true;
        QTest::newRow("major wins over minor") << 1 << 99 << 2 << 0 << true << false;
    }

    void versionComparison()
    {
        QFETCH(int, aMajor);
        QFETCH(int, aMinor);
        QFETCH(int, bMajor);
        QFETCH(int, bMinor);
        const USBVersion a(aMajor, aMinor);
        const USBVersion b(bMajor, bMinor);
        QTEST(a <= b, "lessOrEqual");
        QTEST(a >= b, "greaterOrEqual");
    }

    void resultMessages_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("warning");

        QTest::newRow("success hides its text") << 0 << "x" << "Success" << true << false;
        QTest::newRow("warning") << 1 << "Motor is busy" << "Motor is busy" << false << true;
        QTest::newRow("error") << 2 << "Device not open" << "Device not open" << false << false;
    }

    void resultMessages()
    {
        QFETCH(int, status);
        QFETCH(QString, stored);
        const USBResult result(stored, status);
        QTEST(result.getMessage(), "message");
        QTEST(result.isOk(), "ok");
        QTEST(result.isWarning(), "warning");
        QCOMPARE(USBResult().getMessage(), QString("Success"));
        QVERIFY(USBResult().isOk());
    }

    void littleEndianFields()
    {
        QVector<quint8> bytes;
        appendUInt16(bytes, 0x1234);
        appendUInt32(bytes, 16909060);
        appendUInt32(bytes, 0xFFFFFFFFu);
        QCOMPARE(bytes, (QVector<quint8>{0x34, 0x12, 4, 3, 2, 1, 0xFF, 0xFF, 0xFF, 0xFF}));
        QCOMPARE(readUInt16(bytes, 0), quint16(0x1234));
        QCOMPARE(readUInt32(bytes, 2), quint32(16909060));
        QCOMPARE(readUInt32(bytes, 6), 0xFFFFFFFFu);
        // High bits survive: no sign extension from the byte type.
        QCOMPARE(readUInt16(QVector<quint8>{0xFF, 0x80}, 0), quint16(0x80FF));
    }

    // The configuration codecs' QByteArray and the USB layer's byte vector carry the same bytes,
    // the high ones included.
    void byteBufferConversions_data()
    {
        QTest::addColumn<QVector<quint8>>("bytes");

        QTest::newRow("empty") << QVector<quint8>{};
        QTest::newRow("low and high bytes") << QVector<quint8>{0x00, 0x7F, 0x80, 0xFF};
    }

    void byteBufferConversions()
    {
        QFETCH(QVector<quint8>, bytes);

        const QByteArray array = bytesToByteArray(bytes);
        QCOMPARE(array.size(), bytes.count());
        for (int i = 0; i < bytes.count(); ++i)
            QCOMPARE(quint8(array.at(i)), bytes.at(i));
        QCOMPARE(byteArrayToBytes(array), bytes);
    }
};

TALVEX_TEST(tst_USBValueTypes)
#include "tst_USBValueTypes.moc"
