#include "TestRegistry.h"

#include "SimBoardPacketFraming.h"
#include "SimBoardRig.h"
#include "SimFtdiChannel.h"
#include "SimFtdiChip.h"
#include "SimUsbBus.h"
#include "USBIFtdiApi.h"

#include <QTest>
#include <boost/make_shared.hpp>

// The driver board's frames on its command channel, byte for byte, as the host's side of the
// bus sees them.
class tst_SimBoardPacketFraming : public QObject
{
    Q_OBJECT

    USBIFtdiApi::Handle m_handle = 0;

    SimUsbBus& bus() { return SimUsbBus::instance(); }

    void write(const QString& trace)
    {
        const QVector<quint8> bytes = hexBytes(trace);
        quint32 written = 0;
        bus().getApi().write(m_handle, bytes.constData(), quint32(bytes.count()), written);
    }

    QString read(int count)
    {
        QVector<quint8> bytes(count);
        quint32 bytesRead = 0;
        bus().getApi().read(m_handle, bytes.data(), quint32(count), bytesRead);
        bytes.resize(int(bytesRead));
        return hexText(bytes);
    }

private slots:
    void init()
    {
        bus().reset();
        const QString serial = SimDriverFirmware::serialNumberOf(1, 2, 1);
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT2232H, serial.toLatin1(), 0x100);
        chip.getChannel(1).setEndpoint(boost::make_shared<SimBoardPacketFraming>(
            boost::make_shared<SimDriverFirmware>(serial, USBVersion(3, 0))));
        QCOMPARE(bus().getApi().open(1, m_handle), int(USBIFtdiApi::Ok));
    }

    void cleanup()
    {
        bus().getApi().close(m_handle);
        bus().reset();
    }

    void framesOnTheWire_data()
    {
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("reply");
        QTest::newRow("motor state of request 101")
            << "05 65 00 00 00 41 00 00" << "05 65 00 00 00 00 0E 00 00 00 00 00 00 00 00 00 00 00 00 04 00 00";
        QTest::newRow("a payload, a 32-bit id") << "05 04 03 02 01 25 01 00 2A" << "05 04 03 02 01 00 00 00";
        QTest::newRow("unknown opcode") << "05 66 00 00 00 47 00 00" << "05 66 00 00 00 01 00 00";
        QTest::newRow("stray bytes before the frame") << "FF 00 05 67 00 00 00 27 00 00" << "05 67 00 00 00 00 00 00";
    }

    void framesOnTheWire()
    {
        QFETCH(QString, request);
        QFETCH(QString, reply);
        write(request);
        QCOMPARE(read(hexBytes(reply).count() + 1), reply);
    }

    void requestSplitOverWrites()
    {
        write("05 68 00 00");
        QCOMPARE(read(1), QString());
        write("00 40 00 00");
        QCOMPARE(read(18), QString("05 68 00 00 00 00 0A 00 00 00 00 00 00 00 E0 01 06 00"));
    }

    // A run of one 1 ms sample without channels: the last packet goes out as a short frame.
    void streamPacketsAsShortFrames()
    {
        write("05 69 00 00 00 24 06 00 03 01 00 00 00 03");
        QCOMPARE(read(8), QString("05 69 00 00 00 00 00 00"));
        QCOMPARE(read(9), QString("07 06 00 01 00 00 00 00"));
    }
};

TALVEX_TEST(tst_SimBoardPacketFraming)
#include "tst_SimBoardPacketFraming.moc"
