#include "TestRegistry.h"

#include "ScriptedRequest.h"
#include "ScriptedSocket.h"
#include "USBHandshakeProtocol.h"
#include "Waiting.h"

#include <QTest>
#include <boost/make_shared.hpp>

namespace
{
typedef QVector<quint8> Bytes;

// A handshake protocol on a scripted channel.
struct HandshakeRig
{
    HandshakeRig() { protocol->setSocket(boost::make_shared<ScriptedSocket>(channel)); }

    boost::shared_ptr<ManualClock> clock = boost::make_shared<ManualClock>();
    boost::shared_ptr<ScriptedChannel> channel = boost::make_shared<ScriptedChannel>(clock);
    boost::shared_ptr<USBHandshakeProtocol> protocol = boost::make_shared<USBHandshakeProtocol>(clock);
};
}

class tst_HandshakeProtocol : public QObject
{
    Q_OBJECT

private slots:
    // What the board answers to each write of the host, and what the host wrote.
    void exchange_data()
    {
        QTest::addColumn<Bytes>("payload");
        QTest::addColumn<int>("expectedCount");
        QTest::addColumn<bool>("raw");
        QTest::addColumn<bool>("parses");
        QTest::addColumn<QList<Bytes>>("answers");
        QTest::addColumn<QList<Bytes>>("writes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Bytes>("reply");

        const Bytes payload{0x01, 0x02};
        const Bytes four{0xD1, 0xD2, 0xD3, 0xD4};
        QTest::newRow("command, payload, reply")
            << payload << 4 << false << false << QList<Bytes>{{0x00}, Bytes{0x00} + four}
            << QList<Bytes>{{0x41}, payload} << "Success" << four;
        QTest::newRow("empty payload: one acknowledge")
            << Bytes{} << 2 << false << false << QList<Bytes>{{0x00, 0xE1, 0xE2}} << QList<Bytes>{{0x41}} << "Success"
            << Bytes{0xE1, 0xE2};
        QTest::newRow("no reply data") << payload << 0 << false << false << QList<Bytes>{{0x00}, {0x00}}
                                       << QList<Bytes>{{0x41}, payload} << "Success" << Bytes{};
        QTest::newRow("raw") << payload << 0 << true << false << QList<Bytes>{} << QList<Bytes>{{0x41}, payload}
                             << "Success" << Bytes{};
        QTest::newRow("command refused") << payload << 4 << false << false << QList<Bytes>{{0x05}}
                                         << QList<Bytes>{{0x41}} << "Refused 5" << Bytes{};
        QTest::newRow("payload refused") << payload << 4 << false << false << QList<Bytes>{{0x00}, {0x09}}
                                         << QList<Bytes>{{0x41}, payload} << "Refused 9" << Bytes{};
        QTest::newRow("reply too short") << payload << 4 << false << false
                                         << QList<Bytes>{{0x00}, {0x00, 0xD1, 0xD2}} << QList<Bytes>{{0x41}, payload}
                                         << "Communication timed out" << Bytes{};
        QTest::newRow("no acknowledge") << payload << 4 << false << false << QList<Bytes>{} << QList<Bytes>{{0x41}}
                                        << "Communication timed out" << Bytes{};
        QTest::newRow("request reads its reply")
            << payload << 0 << false << true << QList<Bytes>{{0x00}, {0x00, 0x02, 0xAB, 0xCD}}
            << QList<Bytes>{{0x41}, payload} << "Success" << Bytes{};
    }

    void exchange()
    {
        QFETCH(Bytes, payload);
        QFETCH(int, expectedCount);
        QFETCH(bool, raw);
        QFETCH(bool, parses);
        QFETCH(QList<Bytes>, answers);
        QFETCH(QList<Bytes>, writes);
        QFETCH(QString, message);
        QFETCH(Bytes, reply);

        HandshakeRig rig;
        QList<ScriptedReply> script;
        for (const Bytes& answer : answers)
            script.append({answer});
        rig.channel->script(script);
        auto request = boost::make_shared<ScriptedRequest>(0x41, payload, expectedCount);
        request->m_raw = raw;
        request->m_parses = parses;

        const USBResult result = rig.protocol->transact(request);

        QCOMPARE(result.getMessage(), message);
        QCOMPARE(rig.channel->writes(), writes);
        QCOMPARE(request->getReplyData(), reply);
        if (parses)
            QCOMPARE(request->m_processed, (Bytes{0xAB, 0xCD}));
        // The request carries its outcome as well, once it is known.
        QVERIFY(request->isDone());
        QCOMPARE(request->getResult().getMessage(), message);
        QCOMPARE(rig.channel->timeoutsApplied(), 1);
    }

    void unexpectedReceivedData()
    {
        HandshakeRig rig;
        rig.channel->send({0xAA, 0xBB, 0xCC});
        auto request = boost::make_shared<ScriptedRequest>(0x41, Bytes{0x01}, 0);

        QCOMPARE(rig.protocol->transact(request).getMessage(), QString("Unexpected received data."));
        QVERIFY(rig.channel->written().isEmpty());
        QCOMPARE(rig.channel->pendingBytes(), 0);

        // The channel is clean again: the next request goes through.
        rig.channel->script({{{0x00}}, {{0x00}}});
        QVERIFY(rig.protocol->transact(request).isOk());
    }

    void deviceNotOpen()
    {
        HandshakeRig rig;
        auto request = boost::make_shared<ScriptedRequest>(0x41, Bytes{}, 0);
        rig.channel->close();
        QCOMPARE(rig.protocol->transact(request).getMessage(), QString("Device not open."));

        rig.protocol->setSocket(USBSocketPtr());
        QCOMPARE(rig.protocol->transact(request).getMessage(), QString("Device not open."));
        QVERIFY(rig.channel->written().isEmpty());
    }

    void queuedRequests()
    {
        HandshakeRig rig;
        EventRecorder receiver;
        auto refused = boost::make_shared<ScriptedRequest>(0x41, Bytes{}, 0);
        auto fine = boost::make_shared<ScriptedRequest>(0x42, Bytes{}, 1);
        rig.channel->script({{{0x03}}, {{0x00, 0x77}}});

        rig.protocol->post(refused, &receiver);
        rig.protocol->post(fine, &receiver);
        QVERIFY(rig.protocol->isRunning());

        TALVEX_TRY_COMPARE(receiver.m_records.count(), 2);
        QCOMPARE(receiver.m_records.at(0).id, refused->getId());
        QCOMPARE(receiver.m_records.at(0).result.getMessage(), QString("Refused 3"));
        QCOMPARE(receiver.m_records.at(1).id, fine->getId());
        QCOMPARE(receiver.m_records.at(1).data, Bytes{0x77});
        QCOMPARE(rig.channel->writes(), (QList<Bytes>{{0x41}, {0x42}}));
        TALVEX_TRY_VERIFY(rig.protocol->isIdle());

        // The worker only ends when its socket goes; the queue is emptied then.
        rig.protocol->setSocket(USBSocketPtr());
        QVERIFY(!rig.protocol->isRunning());
    }
};

TALVEX_TEST(tst_HandshakeProtocol)
#include "tst_HandshakeProtocol.moc"
