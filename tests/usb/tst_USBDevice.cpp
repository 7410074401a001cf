#include "TestRegistry.h"

#include "USBFtdiBufferedSocket.h"
#include "USBFtdiDevice.h"
#include "USBFtdiSocket.h"
#include "USBIFtdiApi.h"

#include <QTest>
#include <boost/make_shared.hpp>

Q_DECLARE_METATYPE(QVector<USBFtdiListEntry>)

namespace
{
USBFtdiListEntry entry(int deviceIndex, int chipType, const QByteArray& serial, const QByteArray& description,
                       quint32 usbId = 0x04036010)
{
    USBFtdiListEntry e;
    e.deviceIndex = deviceIndex;
    e.node.chipType = chipType;
    e.node.usbId = usbId;
    e.node.serialNumber = serial;
    e.node.description = description;
    return e;
}

const int s_dual = USBIFtdiApi::ChipFT2232H;
const int s_single = USBIFtdiApi::ChipFT232R;
}

class tst_USBDevice : public QObject
{
    Q_OBJECT

private slots:
    void dualChannelChipBuildsTwoSockets_data()
    {
        QTest::addColumn<QVector<USBFtdiListEntry>>("entries");
        QTest::addColumn<int>("indexB");
        QTest::addColumn<int>("indexA");

        QTest::newRow("A listed first") << QVector<USBFtdiListEntry>{entry(4, s_dual, "VTBH001010007A", "Talvex board A"),
                                                                     entry(5, s_dual, "VTBH001010007B", "Talvex board B")}
                                        << 5 << 4;
        QTest::newRow("B listed first") << QVector<USBFtdiListEntry>{entry(2, s_dual, "VTBH001010007B", "Talvex board B"),
                                                                     entry(3, s_dual, "VTBH001010007A", "Talvex board A")}
                                        << 2 << 3;
    }

    void dualChannelChipBuildsTwoSockets()
    {
        QFETCH(QVector<USBFtdiListEntry>, entries);
        QFETCH(int, indexB);
        QFETCH(int, indexA);

        const boost::shared_ptr<USBFtdiDevice> device = USBFtdiDevice::build(entries);
        QVERIFY(device);
        QCOMPARE(device->getSerialNumberText(), QStringLiteral("VTBH001010007"));
        QCOMPARE(device->getDescription(), QStringLiteral("Talvex board"));
        QCOMPARE(device->getUsbId(), quint32(0x04036010));
        QCOMPARE(device->getDeviceType(), qMakePair(1, 1));
        QCOMPARE(device->getSockets().count(), 2);

        // Channel B is the command channel, run as a UART; channel A is read in blocks.
        auto* command = dynamic_cast<USBFtdiSocket*>(device->getFirstSocket().get());
        QVERIFY(command);
        QCOMPARE(command->getDeviceIndex(), indexB);
        QCOMPARE(command->getOptions(), int(USBFtdiSocket::UartChannel));
        auto* bulk = dynamic_cast<USBFtdiBufferedSocket*>(device->getSocket(1).get());
        QVERIFY(bulk);
        QCOMPARE(bulk->getDeviceIndex(), indexA);
        QCOMPARE(bulk->getBlockSize(), 0xFF00);
        QCOMPARE(device->getSecondarySockets(), QList<USBSocketPtr>{device->getSocket(1)});
    }

    void singleChannelChipBuildsOneSocket()
    {
        const auto device = USBFtdiDevice::build({entry(7, s_single, "VTAH002010001", "Talvex mini", 0x04036001)});
        QVERIFY(device);
        QCOMPARE(device->getSerialNumberText(), QStringLiteral("VTAH002010001"));
        QCOMPARE(device->getDescription(), QStringLiteral("Talvex mini"));
        QCOMPARE(device->getSockets().count(), 1);
        auto* socket = dynamic_cast<USBFtdiSocket*>(device->getFirstSocket().get());
        QVERIFY(socket);
        QCOMPARE(socket->getDeviceIndex(), 7);
        QCOMPARE(socket->getOptions(), 0);
        QVERIFY(device->getSecondarySockets().isEmpty());
    }

    void groupsThatMakeNoDevice_data()
    {
        QTest::addColumn<QVector<USBFtdiListEntry>>("entries");

        QTest::newRow("empty") << QVector<USBFtdiListEntry>{};
        QTest::newRow("dual, one entry") << QVector<USBFtdiListEntry>{entry(0, s_dual, "VTBH001010007A", "x A")};
        QTest::newRow("dual, three entries") << QVector<USBFtdiListEntry>{entry(0, s_dual, "VTBH001010007A", "x A"),
                                                                          entry(1, s_dual, "VTBH001010007B", "x B"),
                                                                          entry(2, s_dual, "VTBH001010007B", "x B")};
        QTest::newRow("dual, A and C") << QVector<USBFtdiListEntry>{entry(0, s_dual, "VTBH001010007A", "x A"),
                                                                    entry(1, s_dual, "VTBH001010007C", "x C")};
        QTest::newRow("dual, A twice") << QVector<USBFtdiListEntry>{entry(0, s_dual, "VTBH001010007A", "x A"),
                                                                    entry(1, s_dual, "VTBH001010007A", "x A")};
        QTest::newRow("dual, no serial numbers") << QVector<USBFtdiListEntry>{entry(0, s_dual, "", "x A"),
                                                                              entry(1, s_dual, "", "x B")};
        // A list that lost a node pairs the channels of two boards: that is no board.
        QTest::newRow("dual, channels of two chips") << QVector<USBFtdiListEntry>{entry(0, s_dual, "VTBH001010007B", "x B"),
                                                                                  entry(1, s_dual, "VTBH001010008A", "x A")};
        QTest::newRow("single, two entries") << QVector<USBFtdiListEntry>{entry(0, s_single, "VTAH001010007", "x"),
                                                                          entry(1, s_single, "VTAH001010008", "x")};
    }

    void groupsThatMakeNoDevice()
    {
        QFETCH(QVector<USBFtdiListEntry>, entries);
        QVERIFY(!USBFtdiDevice::build(entries));
    }

    void identity()
    {
        USBFtdiDevice device(0x04036010, "VTBH001010007", "Talvex board");
        QVERIFY(device.isVendorDevice());
        QVERIFY(device.getSerialNumber().isValid());
        QVERIFY(!USBFtdiDevice(0x04036010, "vtbh001010007", "Talvex board").isVendorDevice());
        QVERIFY(!USBFtdiDevice(0x04036010, "", "Talvex board").isVendorDevice());

        USBFtdiDevice other(0x04036010, "VTBH001010007", "Talvex board");
        other.setFirmwareVersion(USBVersion(3, 4));
        other.addSocket(boost::make_shared<USBFtdiSocket>(1));
        QVERIFY(device == other);
        QVERIFY(!(device == USBFtdiDevice(0x04036001, "VTBH001010007", "Talvex board")));
        QVERIFY(!(device == USBFtdiDevice(0x04036010, "VTBH001010008", "Talvex board")));
        QVERIFY(device != USBFtdiDevice(0x04036010, "VTBH001010007", "Talvex"));
    }

    void cloneSharesTheSockets()
    {
        const auto device = USBFtdiDevice::build({entry(0, s_dual, "VTBH001010007A", "x A"),
                                                  entry(1, s_dual, "VTBH001010007B", "x B")});
        device->setFirmwareVersion(USBVersion(2, 7));
        const auto copy = device->clone();
        QVERIFY(copy != device);
        QVERIFY(*copy == *device);
        QCOMPARE(copy->getFirmwareVersion().getMajor(), 2);
        QCOMPARE(copy->getFirmwareVersion().getMinor(), 7);
        QCOMPARE(copy->getSockets(), device->getSockets());
    }
};

TALVEX_TEST(tst_USBDevice)
#include "tst_USBDevice.moc"
