#include "TestRegistry.h"
#include "SimulatedBus.h"

#include "SimFtdiChannel.h"
#include "SimFtdiChip.h"
#include "SimIChannelEndpoint.h"
#include "USBFtdiBufferedSocket.h"
#include "USBFtdiDevice.h"
#include "USBIFtdiApi.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <boost/make_shared.hpp>

namespace
{
const char* const s_board = "VTBH001010007";
const int s_blockSize = 16;

// Board side of channel A: every zero byte asks for one block; the blocks carry a running count.
class BlockEndpoint : public SimIChannelEndpoint
{
public:
    int requests = 0;

    void hostWrote(SimFtdiChannel& channel, const QVector<quint8>& bytes) override
    {
        for (quint8 b : bytes)
        {
            if (b != 0)
                continue;
            ++requests;
            QVector<quint8> block(s_blockSize);
            for (quint8& value : block)
                value = m_next++;
            channel.sendToHost(block);
        }
    }

    void advance(SimFtdiChannel&, qint64) override {}

private:
    quint8 m_next = 0;
};

QVector<quint8> counting(int from, int count)
{
    QVector<quint8> bytes(count);
    for (int i = 0; i < count; ++i)
        bytes[i] = quint8(from + i);
    return bytes;
}
}

class tst_USBSocketBuffered : public QObject
{
    Q_OBJECT

private:
    SimUsbBus& bus() { return SimUsbBus::instance(); }
    SimFtdiChannel* m_pChannelA = nullptr;
    boost::shared_ptr<BlockEndpoint> m_pEndpoint;

    QVector<quint8> readInto(USBISocket& socket, int count)
    {
        QVector<quint8> bytes(count);
        socket.readInto(bytes.data(), count);
        return bytes;
    }

private slots:
    void initTestCase() { QVERIFY(runsOnSimulatedBus()); }

    void init()
    {
        bus().reset();
        SimFtdiChip& chip = bus().addChip(USBIFtdiApi::ChipFT2232H, s_board, 0x100);
        m_pChannelA = &chip.getChannel(0);
        m_pEndpoint = boost::make_shared<BlockEndpoint>();
    }

    void openConfiguresAFifo()
    {
        USBFtdiBufferedSocket socket(0, USBFtdiDevice::s_blockSize);
        bus().clearCallLog();
        QVERIFY(socket.open(9600).isOk());
        QCOMPARE(bus().getCallLog(),
                 (QStringList{"open(0)", "getDeviceInfo()", "readEeprom(3)", "setBitMode(255, 0)", "pause(10)",
                              "setLatencyTimer(2)", "setUSBParameters(65536, 0)", "setFlowControl(256, 0, 0)",
                              "purge(3)"}));
        QVERIFY(socket.isFifo());
        QCOMPARE(socket.getBlockSize(), 0xFF00);

        const USBResult again = socket.open(9600);
        QCOMPARE(again.getMessage(), QStringLiteral("Device already open"));

        socket.applyTimeouts();
        QCOMPARE(m_pChannelA->getReadTimeout(), quint32(200));
        QCOMPARE(m_pChannelA->getWriteTimeout(), quint32(200));
    }

    void openRejectsAnUnknownSerialNumber()
    {
        m_pChannelA->getChip().setBlank(true);
        USBFtdiBufferedSocket socket(0, s_blockSize);
        QCOMPARE(socket.open(0).getMessage(), QStringLiteral("Unknown USB serial number"));
        QCOMPARE(bus().getOpenHandleCount(), 0);
    }

    void firstReadRequestsABlock()
    {
        USBFtdiBufferedSocket socket(0, s_blockSize);
        QVERIFY(socket.open(0).isOk());
        m_pChannelA->sendToHost({9, 8, 7, 6});
        QCOMPARE(readInto(socket, 3), (QVector<quint8>{9, 8, 7}));
        QCOMPARE(m_pChannelA->takeHostWritten(), QVector<quint8>{0});
    }

    void readsAcrossBlocks()
    {
        m_pChannelA->setEndpoint(m_pEndpoint);
        USBFtdiBufferedSocket socket(0, s_blockSize);
        QVERIFY(socket.open(0).isOk());

        QCOMPARE(readInto(socket, 5), counting(0, 5));
        QCOMPARE(readInto(socket, 30), counting(5, 30));
        QCOMPARE(m_pEndpoint->requests, 3);
        QCOMPARE(socket.getBytesRead(), quint64(48));
        QCOMPARE(m_pChannelA->getHostRxCount(), 0);
    }

    // A block that arrives in pieces is read piece by piece without asking for another.
    void blocksMayArriveInPieces()
    {
        m_pChannelA->setEndpoint(m_pEndpoint);
        m_pChannelA->setReadLimit(5);
        USBFtdiBufferedSocket socket(0, s_blockSize);
        QVERIFY(socket.open(0).isOk());
        QCOMPARE(readInto(socket, 20), counting(0, 20));
        QCOMPARE(m_pEndpoint->requests, 2);
    }

    void expectedReadCountBoundsTheLibraryRead()
    {
        m_pChannelA->setEndpoint(m_pEndpoint);
        USBFtdiBufferedSocket socket(0, s_blockSize);
        QVERIFY(socket.open(0).isOk());
        socket.setExpectedReadCount(4);
        QCOMPARE(readInto(socket, 4), counting(0, 4));
        QCOMPARE(m_pChannelA->getHostRxCount(), s_blockSize - 4);
        QCOMPARE(readInto(socket, 12), counting(4, 12));
        QCOMPARE(m_pEndpoint->requests, 1);
    }

    void silentBoardTimesOut()
    {
        USBFtdiBufferedSocket socket(0, s_blockSize);
        QVERIFY(socket.open(0).isOk());
        socket.applyTimeouts();
        const qint64 before = bus().getTime();
        try
        {
            readInto(socket, 1);
            QFAIL("no exception");
        }
        catch (const USBResult& result)
        {
            QCOMPARE(result.getStatus(), 2);
            QCOMPARE(result.getMessage(), QStringLiteral("Reading data from device timed out"));
        }
        QCOMPARE(bus().getTime() - before, qint64(200));
    }

    void rxQueueCountRequestsWhenEmpty()
    {
        m_pChannelA->setEndpoint(m_pEndpoint);
        USBFtdiBufferedSocket socket(0, s_blockSize);
        QVERIFY(socket.open(0).isOk());
        QCOMPARE(socket.getRxQueueCount(), s_blockSize);
        QCOMPARE(m_pEndpoint->requests, 1);
        QCOMPARE(readInto(socket, 6), counting(0, 6));
        // 10 bytes in the buffer, none queued: no new request while data is held.
        QCOMPARE(socket.getRxQueueCount(), 10);
        QCOMPARE(m_pEndpoint->requests, 1);
        readInto(socket, 10);
        QCOMPARE(socket.getRxQueueCount(), s_blockSize);
        QCOMPARE(m_pEndpoint->requests, 2);
    }

    void closedSocketRefusesReads()
    {
        USBFtdiBufferedSocket socket(0, s_blockSize);
        quint8 byte = 0;
        QVERIFY_EXCEPTION_THROWN(socket.readInto(&byte, 1), USBResult);
        QVERIFY_EXCEPTION_THROWN(socket.getRxQueueCount(), USBResult);
        QCOMPARE(socket.getStatus().state, int(USBSocketStatus::NotOpen));
    }

    void clonesShareTheChannelButNotTheBuffer()
    {
        m_pChannelA->setEndpoint(m_pEndpoint);
        USBFtdiBufferedSocket socket(0, s_blockSize);
        QVERIFY(socket.open(0).isOk());
        QCOMPARE(readInto(socket, 4), counting(0, 4));

        const USBSocketPtr copy = socket.clone();
        QVERIFY(copy->isOpen());
        QVERIFY(copy->isFifo());
        // The copy starts with no buffer: its first read asks for a block of its own.
        QCOMPARE(readInto(*copy, 2), counting(16, 2));
        QCOMPARE(readInto(socket, 2), counting(4, 2));

        copy->close();
        QVERIFY(!socket.isOpen());
        QCOMPARE(bus().getOpenHandleCount(), 0);
    }

    void logWritesEveryBlock()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        USBFtdiBufferedSocket::setLogEnabled(true);
        {
            m_pChannelA->setEndpoint(m_pEndpoint);
            m_pChannelA->setReadLimit(10);
            USBFtdiBufferedSocket socket(0, s_blockSize);
            QVERIFY(socket.open(0).isOk());
            readInto(socket, 16);
        }
        USBFtdiBufferedSocket::setLogEnabled(false);
        QDir::setCurrent(previous);

        const QStringList logs = QDir(dir.path()).entryList({"Socket-0-*.log"});
        QCOMPARE(logs.count(), 1);
        QVERIFY(QRegularExpression("^Socket-0-\\d{4}\\.\\d\\d\\.\\d\\d-\\d\\d\\.\\d\\d\\.\\d\\d\\.log$").match(logs.first()).hasMatch());
        QFile file(dir.filePath(logs.first()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QDataStream stream(&file);
        stream.setByteOrder(QDataStream::LittleEndian);
        for (const int expected : {10, 6})
        {
            quint32 count = 0;
            stream >> count;
            QCOMPARE(int(count), expected);
            QByteArray bytes(expected, 0);
            QCOMPARE(stream.readRawData(bytes.data(), expected), expected);
        }
        QVERIFY(stream.atEnd());
    }
};

TALVEX_TEST(tst_USBSocketBuffered)
#include "tst_USBSocketBuffered.moc"
