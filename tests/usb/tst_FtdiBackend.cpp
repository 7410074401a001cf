#include "TestRegistry.h"
#include "SimulatedBus.h"

#include "USBFtdiBackend.h"
#include "USBLibFtdiApi.h"
#include "USBStatusText.h"

#include <QRegularExpression>
#include <QTest>

class tst_FtdiBackend : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(runsOnSimulatedBus()); }

    // TALVEX_USB_BACKEND: libftdi unless the simulator is named; a wrong name is not fatal.
    void backendNamed_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("warns");

        QTest::newRow("unset") << QByteArray() << int(USBFtdiBackend::LibFtdi) << false;
        QTest::newRow("libftdi") << QByteArray("libftdi") << int(USBFtdiBackend::LibFtdi) << false;
        QTest::newRow("simulator") << QByteArray("simulator") << int(USBFtdiBackend::Simulator) << false;
        QTest::newRow("unknown") << QByteArray("ftd2xx") << int(USBFtdiBackend::LibFtdi) << true;
        QTest::newRow("case matters") << QByteArray("Simulator") << int(USBFtdiBackend::LibFtdi) << true;
    }

    void backendNamed()
    {
        QFETCH(QByteArray, name);
        QFETCH(int, kind);
        QFETCH(bool, warns);
        if (warns)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("TALVEX_USB_BACKEND=.* is unknown"));
        QCOMPARE(int(USBFtdiBackend::kindNamed(name)), kind);
    }

    void statusTexts_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("text");

        const QStringList texts{"Invalid handle", "Device not found", "Device not opened", "Communication error",
                                "Insufficient resources", "Invalid parameter", "Invalid BAUD rate",
                                "Unable to erase", "Unable to write", "Unable to write", "Unable to read EEPROM",
                                "Unable to write EEPROM", "Unable to erase EEPROM", "EEPROM not present",
                                "EEPROM not programmed", "Invalid arguments", "Unsupported devices"};
        QTest::newRow("0") << 0 << 0 << "Success";
        for (int code = 1; code <= 17; ++code)
            QTest::newRow(qPrintable(QString::number(code))) << code << 2 << texts.at(code - 1);
        QTest::newRow("18") << 18 << 2 << "Unknown error";
        QTest::newRow("1000") << 1000 << 2 << "Unknown error";
        QTest::newRow("-1") << -1 << 2 << "Unknown error";
    }

    void statusTexts()
    {
        QFETCH(int, code);
        QFETCH(int, status);
        QFETCH(QString, text);
        const USBResult result = usbStatusText(code);
        QCOMPARE(result.getStatus(), status);
        QCOMPARE(result.getMessage(), text);
    }

    // The real back-end on a machine without FTDI chips: nothing listed, no error, and opening
    // finds nothing. (With a chip attached, the list only has to agree with its count.)
    void libftdiListsWithoutChips()
    {
        USBLibFtdiApi api;
        quint32 count = 99;
        QCOMPARE(api.createDeviceInfoList(count), 0);
        QVector<USBFtdiDeviceListNode> nodes;
        QCOMPARE(api.getDeviceInfoList(nodes), 0);
        QCOMPARE(quint32(nodes.count()), count);
        if (count > 0)
            QSKIP("an FTDI chip is attached to this machine");

        USBIFtdiApi::Handle handle = 0;
        QCOMPARE(api.open(0, handle), int(USBIFtdiApi::DeviceNotFound));
        QCOMPARE(handle, USBIFtdiApi::Handle(0));
        QCOMPARE(api.close(1), int(USBIFtdiApi::InvalidHandle));
        quint32 rx = 0;
        QCOMPARE(api.getQueueStatus(1, rx), int(USBIFtdiApi::InvalidHandle));
    }
};

TALVEX_TEST(tst_FtdiBackend)
#include "tst_FtdiBackend.moc"
