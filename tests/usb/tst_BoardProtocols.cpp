#include "TestRegistry.h"

#include "ScriptedRequest.h"
#include "SimBoardHandshakeFraming.h"
#include "SimulatedBoard.h"
#include "SimulatedBusClock.h"
#include "USBDriver.h"
#include "USBHandshakeProtocol.h"
#include "USBPacketProtocol.h"
#include "Waiting.h"

#include <QTest>

namespace
{
typedef QVector<quint8> Bytes;
typedef boost::shared_ptr<ScriptedRequest> RequestPtr;

// Passes everything on to the board's framing and keeps what the host wrote.
class RecordingEndpoint : public SimIChannelEndpoint
{
public:
    explicit RecordingEndpoint(const boost::shared_ptr<SimIChannelEndpoint>& inner) : m_pInner(inner) {}

    void hostWrote(SimFtdiChannel& channel, const QVector<quint8>& bytes) override
    {
        m_written += bytes;
        m_pInner->hostWrote(channel, bytes);
    }
    void advance(SimFtdiChannel& channel, qint64 milliseconds) override { m_pInner->advance(channel, milliseconds); }

    Bytes m_written;

private:
    boost::shared_ptr<SimIChannelEndpoint> m_pInner;
};

ScriptedFirmware::Step reply(quint8 status, const Bytes& data)
{
    ScriptedFirmware::Step step;
    step.reply.status = status;
    step.reply.data = data;
    return step;
}

ScriptedFirmware::Step silence(const std::function<void()>& action = std::function<void()>())
{
    ScriptedFirmware::Step step;
    step.reply.answered = false;
    step.action = action;
    return step;
}

RequestPtr makeRequest(int expectedCount)
{
    return boost::make_shared<ScriptedRequest>(0x22, Bytes{0x01, 0x02}, expectedCount);
}

// The board of SimulatedBoard, opened through a driver whose socket 0 runs a packet protocol
// on the bus's clock.
struct OpenBoard : SimulatedBoard
{
    OpenBoard()
    {
        protocol->setIdleSleep(1000);
        driver.setProtocol(protocol, 0);
        const QList<USBDevicePtr> devices = driver.enumerateDevices(true);
        if (devices.count() == 1)
            opened = driver.openDevice(devices.first(), 500000);
    }

    USBResult opened = USBResult("No board listed", 2);
    boost::shared_ptr<USBPacketProtocol> protocol = boost::make_shared<USBPacketProtocol>(boost::make_shared<SimulatedBusClock>());
    USBDriver driver;
};
}

class tst_BoardProtocols : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(runsOnSimulatedBus()); }
    void cleanupTestCase() { SimulatedBoard::bus().reset(); }

    // The frames on the wire, both ways, byte for byte.
    void wireVectors()
    {
        OpenBoard board;
        QVERIFY(board.opened.isOk());
        auto recorder = boost::make_shared<RecordingEndpoint>(board.m_pFraming);
        board.m_pChannel->setEndpoint(recorder);
        board.m_pFirmware->script({reply(0, {0x0A, 0x0B, 0x0C})});

        auto request = makeRequest(3);
        request->m_fixedId = 101;
        QVERIFY(board.driver.sendRequest(request, 0).isOk());
        QCOMPARE(recorder->m_written, (Bytes{0x05, 0x65, 0x00, 0x00, 0x00, 0x22, 0x02, 0x00, 0x01, 0x02}));
        QCOMPARE(board.m_pFirmware->commands().first().first, quint8(0x22));
        QCOMPARE(request->getReplyData(), (Bytes{0x0A, 0x0B, 0x0C}));

        // What the board sends, read raw from the channel: the protocol's worker no longer reads it.
        QVERIFY(board.protocol->stop());
        const USBSocketPtr socket = board.driver.getDevice()->getFirstSocket();
        board.m_pFirmware->script({reply(0, {0x0A, 0x0B, 0x0C})});
        socket->writeBytes({0x05, 0x65, 0x00, 0x00, 0x00, 0x22, 0x02, 0x00, 0x01, 0x02});
        QCOMPARE(socket->read(11), (Bytes{0x05, 0x65, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x0A, 0x0B, 0x0C}));
        board.m_pFirmware->streamPacket({0xAA, 0xBB});
        SimulatedBoard::bus().advance(1);
        QCOMPARE(socket->read(4), (Bytes{0x07, 0x02, 0xAA, 0xBB}));
        // A stream packet too long for a short frame goes out whole in a long one.
        board.m_pFirmware->streamPacket(Bytes(300, 0x11));
        SimulatedBoard::bus().advance(1);
        QCOMPARE(socket->read(8), (Bytes{0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x01}));
        QCOMPARE(socket->read(300), Bytes(300, 0x11));
    }

    // What the board does with a request, and what the host makes of it.
    void boardBehaviours_data()
    {
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Bytes>("data");
        QTest::addColumn<qint64>("minElapsed");
        QTest::addColumn<qint64>("maxElapsed");

        QTest::newRow("reply") << 0 << "Success" << Bytes{0x0A, 0x0B, 0x0C} << qint64(0) << qint64(0);
        QTest::newRow("refusing status") << 1 << "Refused 1" << Bytes{} << qint64(0) << qint64(0);
        QTest::newRow("wrong length") << 2 << "Unexpected packet length." << Bytes{} << qint64(0) << qint64(0);
        QTest::newRow("slow board") << 3 << "Success" << Bytes{0x0A, 0x0B, 0x0C} << qint64(300) << qint64(303);
        QTest::newRow("no reply") << 4 << "Communication timed out" << Bytes{} << qint64(4000) << qint64(4003);
        QTest::newRow("corrupt first byte") << 5 << "Communication stream is corrupted." << Bytes{} << qint64(0)
                                            << qint64(0);
        QTest::newRow("truncated frame") << 6 << "Communication timed out" << Bytes{} << qint64(1000) << qint64(1003);
        QTest::newRow("unplugged") << 7 << "Communication error" << Bytes{} << qint64(0) << qint64(0);
    }

    void boardBehaviours()
    {
        QFETCH(int, behaviour);
        QFETCH(QString, message);
        QFETCH(Bytes, data);
        QFETCH(qint64, minElapsed);
        QFETCH(qint64, maxElapsed);

        OpenBoard board;
        QVERIFY(board.opened.isOk());
        // Only the direct exchange reads the channel and moves the board's clock.
        QVERIFY(board.protocol->stop());
        auto request = makeRequest(3);
        const Bytes three{0x0A, 0x0B, 0x0C};
        SimFtdiChannel* channel = board.m_pChannel;
        SimFtdiChip* chip = board.m_pChip;
        const Bytes frame = USBPacketProtocol::makeLongFrame(quint32(request->getId()), 0, three);
        switch (behaviour)
        {
        case 0: board.m_pFirmware->script({reply(0, three)}); break;
        case 1: board.m_pFirmware->script({reply(1, three)}); break;
        case 2: board.m_pFirmware->script({reply(0, {0x0A, 0x0B})}); break;
        case 3:
            board.m_pFraming->setReplyDelay(300);
            board.m_pFirmware->script({reply(0, three)});
            break;
        case 4: board.m_pFirmware->script({silence()}); break;
        case 5: board.m_pFirmware->script({silence([channel] { channel->sendToHost({0x06}); })}); break;
        case 6: board.m_pFirmware->script({silence([channel, frame] { channel->sendToHost(frame.mid(0, 9)); })}); break;
        case 7: board.m_pFirmware->script({silence([chip] { chip->unplug(); })}); break;
        }

        const qint64 start = SimulatedBoard::bus().getTime();
        const USBResult result = board.driver.sendRequest(request, 0);
        const qint64 elapsed = SimulatedBoard::bus().getTime() - start;

        QCOMPARE(result.getMessage(), message);
        QCOMPARE(request->getReplyData(), data);
        QVERIFY2(elapsed >= minElapsed && elapsed <= maxElapsed, qPrintable(QString::number(elapsed)));
    }

    void lateReplyIsDropped()
    {
        OpenBoard board;
        // Nothing but the direct exchanges reads the channel, so the late reply waits there.
        QVERIFY(board.protocol->stop());
        board.m_pFraming->setReplyDelay(4500);
        auto late = makeRequest(1);
        board.m_pFirmware->script({reply(0, {0xEE})});
        QCOMPARE(board.driver.sendRequest(late, 0).getMessage(), QString("Communication timed out"));

        board.m_pFraming->setReplyDelay(0);
        SimulatedBoard::bus().advance(600);
        QVERIFY(board.m_pChannel->getHostRxCount() > 0);
        auto next = makeRequest(1);
        board.m_pFirmware->script({reply(0, {0x11})});
        QVERIFY(board.driver.sendRequest(next, 0).isOk());
        QCOMPARE(next->getReplyData(), Bytes{0x11});
        QCOMPARE(board.m_pChannel->getHostRxCount(), 0);
    }

    void queuedRequestsAndStreamPackets()
    {
        OpenBoard board;
        EventRecorder receiver;
        EventRecorder stream;
        board.driver.registerStreamReceiver(0, &stream, 0);
        auto first = makeRequest(2);
        auto second = makeRequest(2);

        QVERIFY(board.driver.postRequest(first, &receiver, 0).isOk());
        QVERIFY(board.driver.postRequest(second, &receiver, 0).isOk());
        board.m_pFirmware->streamPacket({0xAA, 0xBB}, 10);
        board.m_pFirmware->streamPacket({0xCC}, 20);

        TALVEX_TRY_COMPARE(receiver.m_records.count(), 2);
        QCOMPARE(receiver.m_records.at(0).id, first->getId());
        QCOMPARE(receiver.m_records.at(0).data, (Bytes{0x01, 0x02}));
        QCOMPARE(receiver.m_records.at(1).id, second->getId());
        TALVEX_TRY_COMPARE(stream.m_records.count(), 2);
        QCOMPARE(stream.m_records.at(0).id, 0);
        QCOMPARE(stream.m_records.at(0).data, (Bytes{0xAA, 0xBB}));
        QCOMPARE(stream.m_records.at(1).data, Bytes{0xCC});
    }

    // Nothing waits for what the board sends unasked: a corrupt byte there closes the channel,
    // tells the error receiver and ends the worker.
    void corruptStreamWhileIdle()
    {
        OpenBoard board;
        EventRecorder errors;
        board.driver.setErrorReceiver(&errors, 0);
        board.protocol->start();
        board.m_pChannel->sendToHost({0x06});

        TALVEX_TRY_COMPARE(errors.m_records.count(), 1);
        QCOMPARE(errors.m_records.first().result.getMessage(), QString("Communication stream is corrupted."));
        TALVEX_TRY_VERIFY(!board.protocol->isRunning());
        QCOMPARE(board.driver.getStatus().state, int(USBSocketStatus::NotOpen));
        board.driver.closeDevice();
    }

    // A channel that died while idle is still handed from protocol to protocol: the timeouts
    // can no longer be set, and the exchanges then report the closed channel.
    void protocolsChangeOnADeadChannel()
    {
        OpenBoard board;
        board.protocol->start();
        board.m_pChannel->sendToHost({0x06});
        TALVEX_TRY_VERIFY(!board.protocol->isRunning());

        auto handshake = boost::make_shared<USBHandshakeProtocol>(boost::make_shared<SimulatedBusClock>());
        board.driver.pushProtocol(handshake, 0);
        auto exchange = boost::make_shared<ScriptedRequest>(0x41, Bytes{0x01, 0x02}, 4);
        QCOMPARE(board.driver.sendRequest(exchange, 0).getMessage(), QString("Device not open."));

        board.driver.popProtocol(0);
        QCOMPARE(board.driver.sendRequest(makeRequest(2), 0).getMessage(), QString("Device not open"));
        board.driver.closeDevice();
    }

    // The bootloader's handshake pushed over the packet protocol for a synchronous exchange,
    // then the packet protocol back in charge.
    void handshakePushedAndPopped()
    {
        OpenBoard board;
        EventRecorder receiver;
        QVERIFY(board.driver.postRequest(makeRequest(2), &receiver, 0).isOk());
        TALVEX_TRY_COMPARE(receiver.m_records.count(), 1);
        QVERIFY(board.protocol->isRunning());

        auto bootloader = boost::make_shared<ScriptedBootloader>(2, 4);
        auto handshake = boost::make_shared<USBHandshakeProtocol>(boost::make_shared<SimulatedBusClock>());
        board.driver.pushProtocol(handshake, 0);
        board.m_pChannel->setEndpoint(boost::make_shared<SimBoardHandshakeFraming>(bootloader));
        QVERIFY(!board.protocol->isRunning());
        QVERIFY(handshake->isRunning());

        auto exchange = boost::make_shared<ScriptedRequest>(0x41, Bytes{0x01, 0x02}, 4);
        QVERIFY(board.driver.sendRequest(exchange, 0).isOk());
        QCOMPARE(exchange->getReplyData(), (Bytes{0x02, 0x01, 0x00, 0x00}));

        auto raw = boost::make_shared<ScriptedRequest>(0x05, Bytes{0x0A, 0x0B}, 0);
        raw->m_raw = true;
        QVERIFY(board.driver.sendRequest(raw, 0).isOk());

        auto refused = boost::make_shared<ScriptedRequest>(0x7F, Bytes{0x01, 0x02}, 4);
        QCOMPARE(board.driver.sendRequest(refused, 0).getMessage(), QString("Refused 1"));

        board.m_pChannel->sendToHost({0x55});
        QCOMPARE(board.driver.sendRequest(exchange, 0).getMessage(), QString("Unexpected received data."));
        QCOMPARE(board.m_pChannel->getHostRxCount(), 0);
        QCOMPARE(bootloader->finished(),
                 (QList<QPair<quint8, Bytes>>{{0x41, {0x01, 0x02}}, {0x05, {0x0A, 0x0B}}}));

        board.driver.popProtocol(0);
        board.m_pChannel->setEndpoint(board.m_pFraming);
        QVERIFY(!handshake->isRunning());
        QVERIFY(board.protocol->isRunning());
        auto after = makeRequest(2);
        QVERIFY(board.driver.postRequest(after, &receiver, 0).isOk());
        TALVEX_TRY_COMPARE(receiver.m_records.count(), 2);
        QVERIFY(receiver.m_records.last().result.isOk());
    }
};

TALVEX_TEST(tst_BoardProtocols)
#include "tst_BoardProtocols.moc"
