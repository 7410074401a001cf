#include "TestRegistry.h"

#include "ScriptedRequest.h"
#include "ScriptedSocket.h"
#include "USBByteHelpers.h"
#include "USBPacketProtocol.h"
#include "Waiting.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSemaphore>
#include <QTest>
#include <boost/make_shared.hpp>

namespace
{
typedef QVector<quint8> Bytes;
typedef boost::shared_ptr<ScriptedRequest> RequestPtr;

Bytes longFrame(quint32 id, quint8 status, const Bytes& data)
{
    return USBPacketProtocol::makeLongFrame(id, status, data);
}

Bytes shortFrame(const Bytes& data)
{
    return Bytes{0x07, quint8(data.count())} + data;
}

RequestPtr makeRequest(int expectedCount, int fixedId = 0)
{
    auto request = boost::make_shared<ScriptedRequest>(0x22, Bytes{0x01, 0x02}, expectedCount);
    request->m_fixedId = fixedId;
    return request;
}

// A packet protocol on a scripted channel with a simulated clock. Its worker is stopped until
// a test posts or starts it, so a direct exchange alone reads the channel and moves the clock.
struct Rig
{
    Rig()
    {
        protocol->setIdleSleep(200);
        protocol->setSocket(boost::make_shared<ScriptedSocket>(channel));
        protocol->stop();
    }

    boost::shared_ptr<ManualClock> clock = boost::make_shared<ManualClock>();
    boost::shared_ptr<ScriptedChannel> channel = boost::make_shared<ScriptedChannel>(clock);
    boost::shared_ptr<USBPacketProtocol> protocol = boost::make_shared<USBPacketProtocol>(clock);
};

// A library call that does not come back until the test lets it: while the gate is shut,
// a look at the receive queue blocks. Clones share the gate.
struct Gate
{
    QSemaphore m_entered;
    QSemaphore m_released;
    QAtomicInt m_shut{0};
};

class GatedSocket : public ScriptedSocket
{
public:
    GatedSocket(const boost::shared_ptr<ScriptedChannel>& channel, const boost::shared_ptr<Gate>& gate)
        : ScriptedSocket(channel)
        , m_pChannel(channel)
        , m_pGate(gate)
    {
    }

    USBSocketPtr clone() const override { return boost::make_shared<GatedSocket>(m_pChannel, m_pGate); }
    int getRxQueueCount() override
    {
        if (m_pGate->m_shut.loadAcquire() != 0)
        {
            m_pGate->m_entered.release();
            m_pGate->m_released.acquire();
        }
        return ScriptedSocket::getRxQueueCount();
    }

private:
    boost::shared_ptr<ScriptedChannel> m_pChannel;
    boost::shared_ptr<Gate> m_pGate;
};

// Notes the thread each exchange of it runs in.
class ThreadNotingRequest : public ScriptedRequest
{
public:
    ThreadNotingRequest() : ScriptedRequest(0x22, {}, 0) {}

    USBResult checkReply(quint8 status) override
    {
        m_pThread = QThread::currentThread();
        return ScriptedRequest::checkReply(status);
    }

    QThread* m_pThread = nullptr;
};

// Counts request events delivered to any object of the application.
class RequestEventCounter : public QObject
{
    Q_OBJECT

public:
    int m_count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == USBRequestEvent::s_type)
            ++m_count;
        return false;
    }
};
}

class tst_PacketProtocol : public QObject
{
    Q_OBJECT

private slots:
    void requestFrames_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<quint8>("command");
        QTest::addColumn<Bytes>("payload");
        QTest::addColumn<bool>("raw");
        QTest::addColumn<Bytes>("wire");

        QTest::newRow("request 101") << 101 << quint8(0x22) << Bytes{0x01, 0x02} << false
                                     << Bytes{0x05, 0x65, 0x00, 0x00, 0x00, 0x22, 0x02, 0x00, 0x01, 0x02};
        QTest::newRow("empty payload, wide id")
            << 0x01020304 << quint8(0x0A) << Bytes{} << false << Bytes{0x05, 0x04, 0x03, 0x02, 0x01, 0x0A, 0x00, 0x00};
        QTest::newRow("raw") << 101 << quint8(0x22) << Bytes{0x01, 0x02} << true << Bytes{0x22, 0x01, 0x02};
    }

    void requestFrames()
    {
        QFETCH(int, id);
        QFETCH(quint8, command);
        QFETCH(Bytes, payload);
        QFETCH(bool, raw);
        QFETCH(Bytes, wire);

        Rig rig;
        auto request = boost::make_shared<ScriptedRequest>(command, payload, 0);
        request->m_fixedId = id;
        request->m_raw = raw;
        if (!raw)
            rig.channel->script({{longFrame(quint32(id), 0, {})}});

        const USBResult result = rig.protocol->transact(request);

        QVERIFY2(result.isOk(), qPrintable(result.getMessage()));
        QCOMPARE(rig.channel->written(), wire);
        QCOMPARE(rig.clock->getMilliseconds(), qint64(0));
        QCOMPARE(rig.channel->timeoutsApplied(), 1);
    }

    void framesOfDifferentLengthsInARow()
    {
        Rig rig;
        QList<Bytes> frames;
        for (const Bytes& payload : {Bytes{0x01, 0x02, 0x03, 0x04, 0x05}, Bytes{}, Bytes{0x09}})
        {
            auto request = boost::make_shared<ScriptedRequest>(0x22, payload, 0);
            rig.channel->script({{longFrame(quint32(request->getId()), 0, {})}});
            QVERIFY(rig.protocol->transact(request).isOk());
            frames.append(longFrame(quint32(request->getId()), 0x22, payload));
        }
        // Each frame as it went out, none of them changed by those built after it.
        QCOMPARE(rig.channel->writes(), frames);
    }

    void replies_data()
    {
        QTest::addColumn<Bytes>("reply");
        QTest::addColumn<int>("expectedCount");
        QTest::addColumn<bool>("parses");
        QTest::addColumn<QString>("message");
        QTest::addColumn<Bytes>("data");

        const Bytes three{0x0A, 0x0B, 0x0C};
        QTest::newRow("long frame") << Bytes{0x05, 0x65, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x0A, 0x0B, 0x0C} << 3
                                    << false << "Success" << three;
        QTest::newRow("one byte longer") << longFrame(101, 0, three + Bytes{0x0D}) << 3 << false
                                         << "Unexpected packet length." << Bytes{};
        QTest::newRow("one byte shorter") << longFrame(101, 0, {0x0A, 0x0B}) << 3 << false
                                          << "Unexpected packet length." << Bytes{};
        QTest::newRow("status refused") << longFrame(101, 7, three) << 3 << false << "Refused 7" << Bytes{};
        QTest::newRow("corrupt first byte") << Bytes{0x06} << 3 << false << "Communication stream is corrupted."
                                            << Bytes{};
        QTest::newRow("truncated frame") << Bytes{0x05, 0x65, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x0A} << 3 << false
                                         << "Communication timed out" << Bytes{};
        QTest::newRow("other id first") << longFrame(102, 0, {0x01}) + longFrame(101, 0, three) << 3 << false
                                        << "Success" << three;
        QTest::newRow("stream packet first") << shortFrame({0xAA, 0xBB}) + longFrame(101, 0, three) << 3 << false
                                             << "Success" << three;
        QTest::newRow("request parses itself") << longFrame(101, 0, three) << 0 << true << "Success" << Bytes{};
    }

    void replies()
    {
        QFETCH(Bytes, reply);
        QFETCH(int, expectedCount);
        QFETCH(bool, parses);
        QFETCH(QString, message);
        QFETCH(Bytes, data);

        Rig rig;
        auto request = makeRequest(expectedCount, 101);
        request->m_parses = parses;
        rig.channel->script({{reply}});

        const USBResult result = rig.protocol->transact(request);

        QCOMPARE(result.getMessage(), message);
        QVERIFY(request->isDone());
        QCOMPARE(request->getResult().getMessage(), message);
        QCOMPARE(request->getReplyData(), data);
        if (parses)
            QCOMPARE(request->m_processed, longFrame(101, 0, {0x0A, 0x0B, 0x0C}).mid(8));

        // Whatever went wrong, the protocol is in step again for the next request.
        auto next = makeRequest(1, 103);
        rig.channel->script({{longFrame(103, 0, {0x5A})}});
        QCOMPARE(rig.protocol->transact(next).getMessage(), QString("Success"));
        QCOMPARE(next->getReplyData(), Bytes{0x5A});
    }

    void timeoutAndLateReply()
    {
        Rig rig;
        auto silent = makeRequest(1, 101);

        const USBResult result = rig.protocol->transact(silent);

        QCOMPARE(result.getMessage(), QString("Communication timed out"));
        const qint64 waited = rig.clock->getMilliseconds() - rig.channel->writeTimes().first();
        QVERIFY2(waited >= 4000 && waited <= 4002, qPrintable(QString::number(waited)));

        // The late reply belongs to nobody and must not be taken for the next request's.
        rig.channel->send(longFrame(101, 0, {0xEE}));
        auto next = makeRequest(1, 102);
        rig.channel->script({{longFrame(102, 0, {0x11}), 30}});
        QCOMPARE(rig.protocol->transact(next).getMessage(), QString("Success"));
        QCOMPARE(next->getReplyData(), Bytes{0x11});
        QCOMPARE(rig.channel->pendingBytes(), 0);
    }

    void refusals_data()
    {
        QTest::addColumn<bool>("withSocket");
        QTest::addColumn<int>("payloadSize");
        QTest::addColumn<QString>("message");

        QTest::newRow("no socket") << false << 2 << "Invalid communication handle.";
        QTest::newRow("payload over 16 bits") << true << 0x10000 << "Request payload too long.";
    }

    void refusals()
    {
        QFETCH(bool, withSocket);
        QFETCH(int, payloadSize);
        QFETCH(QString, message);

        Rig rig;
        if (!withSocket)
            rig.protocol->setSocket(USBSocketPtr());
        auto request = boost::make_shared<ScriptedRequest>(0x22, Bytes(payloadSize, 0x33), 0);

        QCOMPARE(rig.protocol->transact(request).getMessage(), message);
        QCOMPARE(request->getResult().getMessage(), message);
        QVERIFY(rig.channel->written().isEmpty());
    }

    void streamPackets_data()
    {
        QTest::addColumn<Bytes>("frame");
        QTest::addColumn<int>("streamId");
        QTest::addColumn<Bytes>("data");

        QTest::newRow("short frame to stream 0") << shortFrame({0xAA, 0xBB}) << 0 << Bytes{0xAA, 0xBB};
        QTest::newRow("long frame to stream 3") << longFrame(3, 0, {0x01, 0x02, 0x03}) << 3 << Bytes{0x01, 0x02, 0x03};
        QTest::newRow("empty short frame") << shortFrame({}) << 0 << Bytes{};
        QTest::newRow("unregistered stream") << longFrame(9, 0, {0x01}) << -1 << Bytes{};
    }

    void streamPackets()
    {
        QFETCH(Bytes, frame);
        QFETCH(int, streamId);
        QFETCH(Bytes, data);

        Rig rig;
        EventRecorder receiver;
        EventRecorder errors;
        rig.protocol->registerStreamReceiver(0, &receiver);
        rig.protocol->registerStreamReceiver(3, &receiver);
        rig.protocol->setErrorReceiver(&errors);
        rig.protocol->start();
        QVERIFY(rig.protocol->isRunning());

        rig.channel->send(frame);
        // A frame for nobody is dropped and reception goes on.
        rig.channel->send(shortFrame({0x42}));

        TALVEX_TRY_COMPARE(receiver.m_records.count(), streamId < 0 ? 1 : 2);
        if (streamId >= 0)
        {
            QCOMPARE(receiver.m_records.first().id, streamId);
            QCOMPARE(receiver.m_records.first().data, data);
            QVERIFY(receiver.m_records.first().result.isOk());
        }
        QCOMPARE(receiver.m_records.last().data, Bytes{0x42});
        QCOMPARE(int(receiver.m_records.last().type), int(USBPacketStreamEvent::s_type));
        QVERIFY(errors.m_records.isEmpty());
        QVERIFY(rig.protocol->isRunning());
    }

    void unregisteredStreamIsDropped()
    {
        Rig rig;
        EventRecorder receiver;
        rig.protocol->registerStreamReceiver(0, &receiver);
        rig.protocol->start();
        rig.channel->send(shortFrame({0x01}));
        TALVEX_TRY_COMPARE(receiver.m_records.count(), 1);

        rig.protocol->unregisterStreamReceiver(0);
        rig.channel->send(shortFrame({0x02}));
        TALVEX_TRY_COMPARE(rig.channel->pendingBytes(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(receiver.m_records.count(), 1);
    }

    void idleReceptionFailureEndsWorker_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<bool>("unplug");
        QTest::addColumn<QString>("message");

        QTest::newRow("corrupt first byte") << Bytes{0x06, 0x05} << false << "Communication stream is corrupted.";
        QTest::newRow("truncated frame") << Bytes{0x05, 0x00} << false << "Communication timed out";
        QTest::newRow("unplugged") << Bytes{} << true << "Communication error";
    }

    void idleReceptionFailureEndsWorker()
    {
        QFETCH(Bytes, bytes);
        QFETCH(bool, unplug);
        QFETCH(QString, message);

        Rig rig;
        EventRecorder errors;
        rig.protocol->setErrorReceiver(&errors);
        rig.protocol->start();
        if (unplug)
            rig.channel->unplug();
        else
            rig.channel->send(bytes);

        TALVEX_TRY_COMPARE(errors.m_records.count(), 1);
        QCOMPARE(int(errors.m_records.first().type), int(USBPacketErrorEvent::s_type));
        QCOMPARE(errors.m_records.first().id, 0);
        QCOMPARE(errors.m_records.first().result.getMessage(), message);
        TALVEX_TRY_VERIFY(!rig.protocol->isRunning());
        QVERIFY(!rig.channel->isOpen());

        // The protocol still answers: every later request fails in its own event with what
        // killed the channel, which is not reported again.
        EventRecorder receiver;
        QList<RequestPtr> later{makeRequest(0), makeRequest(0), makeRequest(0)};
        for (const RequestPtr& request : later)
            rig.protocol->post(request, &receiver);
        rig.protocol->start();
        TALVEX_TRY_COMPARE(receiver.count(USBRequestEvent::s_type), later.count());
        for (int i = 0; i < later.count(); ++i)
        {
            QCOMPARE(receiver.m_records.at(i).id, later.at(i)->getId());
            QCOMPARE(receiver.m_records.at(i).result.getMessage(), message);
            QCOMPARE(later.at(i)->getResult().getMessage(), message);
        }
        QVERIFY(!rig.protocol->isRunning());
        QCoreApplication::processEvents();
        QCOMPARE(errors.m_records.count(), 1);
    }

    // A request on the wire is not done yet: its outcome comes with its reply.
    void requestIsDoneOnlyWithItsOutcome()
    {
        Rig rig;
        rig.clock->setFrozen(true);
        EventRecorder receiver;
        auto request = makeRequest(1);
        rig.channel->script({{}});

        rig.protocol->post(request, &receiver);
        TALVEX_TRY_COMPARE(rig.channel->writes().count(), 1);
        QVERIFY(!request->isDone());

        rig.channel->send(longFrame(quint32(request->getId()), 0, {0x01}));
        TALVEX_TRY_COMPARE(receiver.m_records.count(), 1);
        QVERIFY(request->isDone());
        QVERIFY(request->getResult().isOk());
        QCOMPARE(request->getReplyData(), Bytes{0x01});
    }

    // One worker serves the channel from the socket's arrival: it was running before the first
    // post, and every request, with idle passes between them, runs in that same thread.
    void oneWorkerServesTheChannel()
    {
        auto channel = boost::make_shared<ScriptedChannel>(boost::make_shared<ManualClock>());
        USBPacketProtocol protocol;
        protocol.setSocket(boost::make_shared<ScriptedSocket>(channel));
        QVERIFY(protocol.isRunning());
        EventRecorder receiver;
        QList<boost::shared_ptr<ThreadNotingRequest>> requests;
        for (int i = 0; i < 4; ++i)
        {
            requests.append(boost::make_shared<ThreadNotingRequest>());
            channel->script({{longFrame(quint32(requests.last()->getId()), 0, {})}});
            protocol.post(requests.last(), &receiver);
            TALVEX_TRY_COMPARE(receiver.m_records.count(), i + 1);
            QVERIFY(receiver.m_records.last().result.isOk());
        }
        QVERIFY(requests.first()->m_pThread);
        QVERIFY(requests.first()->m_pThread != QThread::currentThread());
        for (const auto& request : requests)
            QCOMPARE(request->m_pThread, requests.first()->m_pThread);
    }

    // A worker stuck in a library call holds the caller of setSocket (null) for the bound only.
    // When the call comes back, the worker forgets the old socket: it ends, or serves the socket
    // set meanwhile.
    void socketTakenFromAStuckWorker_data()
    {
        QTest::addColumn<bool>("newSocket");

        QTest::newRow("then nothing") << false;
        QTest::newRow("then a new socket") << true;
    }

    void socketTakenFromAStuckWorker()
    {
        QFETCH(bool, newSocket);

        auto clock = boost::make_shared<ManualClock>();
        auto channel = boost::make_shared<ScriptedChannel>(clock);
        auto gate = boost::make_shared<Gate>();
        USBPacketProtocol protocol(clock);
        protocol.setIdleSleep(200);
        gate->m_shut.storeRelease(1);
        protocol.setSocket(boost::make_shared<GatedSocket>(channel, gate));
        gate->m_entered.acquire();

        const qint64 before = clock->getMilliseconds();
        protocol.setSocket(USBSocketPtr());
        QCOMPARE(clock->getMilliseconds() - before, qint64(USBQueuedProtocol::s_workerEndTimeoutMs));
        QVERIFY(protocol.isRunning());
        QVERIFY(!protocol.getSocket());

        EventRecorder receiver;
        auto request = makeRequest(1);
        if (newSocket)
        {
            gate->m_shut.storeRelease(0);
            protocol.setSocket(boost::make_shared<ScriptedSocket>(channel));
            channel->script({{longFrame(quint32(request->getId()), 0, {0x42})}});
            protocol.post(request, &receiver);
        }
        gate->m_released.release();

        if (newSocket)
        {
            TALVEX_TRY_COMPARE(receiver.m_records.count(), 1);
            QVERIFY(receiver.m_records.first().result.isOk());
            QCOMPARE(receiver.m_records.first().data, Bytes{0x42});
            QVERIFY(protocol.isRunning());
        }
        else
        {
            TALVEX_TRY_VERIFY(!protocol.isRunning());
        }
    }

    // A direct exchange waits for the worker's exchange in progress within its own bound.
    void directExchangeBehindAStuckWorker()
    {
        auto clock = boost::make_shared<ManualClock>();
        auto channel = boost::make_shared<ScriptedChannel>(clock);
        auto gate = boost::make_shared<Gate>();
        USBPacketProtocol protocol(clock);
        gate->m_shut.storeRelease(1);
        protocol.setSocket(boost::make_shared<GatedSocket>(channel, gate));
        gate->m_entered.acquire();

        auto request = makeRequest(0);
        const qint64 before = clock->getMilliseconds();
        QCOMPARE(protocol.transact(request).getMessage(), QString("Communication timed out"));
        QCOMPARE(clock->getMilliseconds() - before, qint64(USBQueuedProtocol::s_replyTimeoutMs));
        QCOMPARE(request->getResult().getMessage(), QString("Communication timed out"));
        QVERIFY(channel->written().isEmpty());

        gate->m_shut.storeRelease(0);
        gate->m_released.release();
        channel->script({{longFrame(quint32(request->getId()), 0, {})}});
        QVERIFY(protocol.transact(request).isOk());
    }

    void queuedRequestsRunInOrder()
    {
        Rig rig;
        EventRecorder receiver;
        QList<RequestPtr> requests;
        QList<ScriptedReply> replies;
        for (int i = 0; i < 3; ++i)
        {
            requests.append(makeRequest(1));
            replies.append({longFrame(quint32(requests.last()->getId()), 0, {quint8(i)}), 5});
        }
        rig.channel->script(replies);

        for (const RequestPtr& request : requests)
            rig.protocol->post(request, &receiver);
        QVERIFY(rig.protocol->isRunning());

        TALVEX_TRY_COMPARE(receiver.m_records.count(), 3);
        for (int i = 0; i < 3; ++i)
        {
            QCOMPARE(receiver.m_records.at(i).id, requests.at(i)->getId());
            QCOMPARE(receiver.m_records.at(i).data, Bytes{quint8(i)});
            QVERIFY(receiver.m_records.at(i).result.isOk());
            QCOMPARE(quint32(readUInt32(rig.channel->writes().at(i), 1)), quint32(requests.at(i)->getId()));
        }
        TALVEX_TRY_VERIFY(rig.protocol->isIdle());
    }

    void burstRepliesReachTheirOwnReceiversInOrder()
    {
        Rig rig;
        EventRecorder receivers[2];
        QList<int> expected[2];
        QList<ScriptedReply> replies;
        QList<RequestPtr> requests;
        for (int i = 0; i < 40; ++i)
        {
            requests.append(makeRequest(1));
            replies.append({longFrame(quint32(requests.last()->getId()), 0, {quint8(i)})});
            expected[i % 2].append(requests.last()->getId());
        }
        rig.channel->script(replies);

        for (int i = 0; i < requests.count(); ++i)
            rig.protocol->post(requests.at(i), &receivers[i % 2]);

        for (int r = 0; r < 2; ++r)
        {
            TALVEX_TRY_COMPARE(receivers[r].m_records.count(), expected[r].count());
            QList<int> ids;
            for (const EventRecorder::Record& record : receivers[r].m_records)
            {
                QVERIFY(record.result.isOk());
                QCOMPARE(int(record.data.value(0)) % 2, r);
                ids.append(record.id);
            }
            QCOMPARE(ids, expected[r]);
        }
        TALVEX_TRY_VERIFY(rig.protocol->isIdle());
    }

    void failedRequestDoesNotStopWorker()
    {
        Rig rig;
        EventRecorder receiver;
        auto refused = makeRequest(1);
        auto fine = makeRequest(1);
        rig.channel->script({{longFrame(quint32(refused->getId()), 4, {0x00})},
                             {longFrame(quint32(fine->getId()), 0, {0x01})}});

        rig.protocol->post(refused, &receiver);
        rig.protocol->post(fine, &receiver);

        TALVEX_TRY_COMPARE(receiver.m_records.count(), 2);
        QCOMPARE(receiver.m_records.at(0).result.getMessage(), QString("Refused 4"));
        QVERIFY(receiver.m_records.at(1).result.isOk());
        QVERIFY(rig.protocol->isRunning());
    }

    // clearQueue while a request is on the wire: the queued ones vanish without events, the
    // running one still reports, and a request posted meanwhile is not mistaken for it.
    void clearQueueDuringExchange()
    {
        Rig rig;
        rig.clock->setFrozen(true);
        EventRecorder receiver;
        auto running = makeRequest(1);
        auto dropped1 = makeRequest(1);
        auto dropped2 = makeRequest(1);
        auto later = makeRequest(1);
        rig.channel->script({{}, {longFrame(quint32(later->getId()), 0, {0x02})}});

        rig.protocol->post(running, &receiver);
        rig.protocol->post(dropped1, &receiver);
        rig.protocol->post(dropped2, &receiver);
        TALVEX_TRY_COMPARE(rig.channel->writes().count(), 1);

        rig.protocol->clearQueue();
        QVERIFY(rig.protocol->isIdle());
        rig.protocol->post(later, &receiver);
        rig.channel->send(longFrame(quint32(running->getId()), 0, {0x01}));

        TALVEX_TRY_COMPARE(receiver.m_records.count(), 2);
        QCOMPARE(receiver.m_records.at(0).id, running->getId());
        QCOMPARE(receiver.m_records.at(1).id, later->getId());
        QVERIFY(receiver.m_records.at(1).result.isOk());
        QCOMPARE(rig.channel->writes().count(), 2);
        TALVEX_TRY_VERIFY(rig.protocol->isIdle());
        QCoreApplication::processEvents();
        QCOMPARE(receiver.m_records.count(), 2);
    }

    void receiverDeletedBeforeRunGetsNoEvent()
    {
        Rig rig;
        rig.clock->setFrozen(true);
        RequestEventCounter counter;
        QCoreApplication::instance()->installEventFilter(&counter);
        EventRecorder first;
        auto blocking = makeRequest(1);
        auto orphan = makeRequest(1);
        rig.channel->script({{}, {longFrame(quint32(orphan->getId()), 0, {0x02})}});

        auto* doomed = new EventRecorder;
        rig.protocol->post(blocking, &first);
        rig.protocol->post(orphan, doomed);
        TALVEX_TRY_COMPARE(rig.channel->writes().count(), 1);
        delete doomed;
        rig.channel->send(longFrame(quint32(blocking->getId()), 0, {0x01}));

        TALVEX_TRY_COMPARE(rig.channel->writes().count(), 2);
        TALVEX_TRY_VERIFY(rig.protocol->isIdle());
        TALVEX_TRY_COMPARE(first.m_records.count(), 1);
        QCoreApplication::processEvents();
        QCoreApplication::instance()->removeEventFilter(&counter);
        QCOMPARE(counter.m_count, 1);
        QVERIFY(orphan->isDone());
        TALVEX_TRY_COMPARE(orphan.use_count(), 1L);
    }

    void closingDuringWaitReturnsPromptly()
    {
        Rig rig;
        rig.clock->setFrozen(true);
        EventRecorder receiver;
        auto waiting = makeRequest(1);
        auto queued = makeRequest(1);
        rig.protocol->post(waiting, &receiver);
        rig.protocol->post(queued, &receiver);
        TALVEX_TRY_COMPARE(rig.channel->writes().count(), 1);

        // The clock is frozen: a close that waited for the exchange's time-out would never return.
        rig.protocol->setSocket(USBSocketPtr());

        QVERIFY(!rig.protocol->isRunning());
        QVERIFY(rig.protocol->isIdle());
        QVERIFY(!rig.protocol->getSocket());
        TALVEX_TRY_COMPARE(receiver.m_records.count(), 1);
        QCOMPARE(receiver.m_records.first().id, waiting->getId());
        QCOMPARE(receiver.m_records.first().result.getMessage(), QString("Invalid communication handle."));

        // Reopened, the protocol serves again and has forgotten the dropped request.
        rig.clock->setFrozen(false);
        rig.protocol->setSocket(boost::make_shared<ScriptedSocket>(rig.channel));
        auto again = makeRequest(1);
        rig.channel->script({{longFrame(quint32(again->getId()), 0, {0x07})}});
        rig.protocol->post(again, &receiver);
        TALVEX_TRY_COMPARE(receiver.m_records.count(), 2);
        QCOMPARE(receiver.m_records.last().id, again->getId());
        QVERIFY(receiver.m_records.last().result.isOk());
        QCOMPARE(rig.channel->writes().count(), 2);
    }

    // A worker pausing for a long idle time still takes new work, and its end, at once: the
    // pause outlasts the test, so only a wake-up lets the worker go on.
    void idleWorkerWakesUp()
    {
        auto channel = boost::make_shared<ScriptedChannel>(boost::make_shared<ManualClock>());
        USBPacketProtocol protocol;
        protocol.setIdleSleep(3600000000UL);
        protocol.setSocket(boost::make_shared<ScriptedSocket>(channel));
        EventRecorder receiver;
        auto first = makeRequest(0);
        auto second = makeRequest(0);
        channel->script({{longFrame(quint32(first->getId()), 0, {})}, {longFrame(quint32(second->getId()), 0, {})}});
        protocol.post(first, &receiver);
        TALVEX_TRY_COMPARE(receiver.m_records.count(), 1);

        protocol.post(second, &receiver);
        TALVEX_TRY_COMPARE(receiver.m_records.count(), 2);

        protocol.setSocket(USBSocketPtr());
        QVERIFY(!protocol.isRunning());
    }

    // A stop ends the worker until a start or a post.
    void stopAndRestart()
    {
        Rig rig;
        QVERIFY(!rig.protocol->isRunning());
        QVERIFY(!rig.protocol->stop());
        rig.protocol->start();
        QVERIFY(rig.protocol->isRunning());
        QVERIFY(rig.protocol->stop());

        EventRecorder receiver;
        auto request = makeRequest(0);
        rig.channel->script({{longFrame(quint32(request->getId()), 0, {})}});
        rig.protocol->post(request, &receiver);
        TALVEX_TRY_COMPARE(receiver.m_records.count(), 1);
        QVERIFY(receiver.m_records.first().result.isOk());
    }

    // Direct exchanges in the caller's thread while the worker reads stream packets: nobody
    // reads the socket at the same time, every reply and every packet arrives intact.
    void directExchangesBesideIdleReception()
    {
        Rig rig;
        EventRecorder receiver;
        rig.protocol->registerStreamReceiver(0, &receiver);
        rig.protocol->start();

        const int packets = 200;
        for (int i = 0; i < packets; ++i)
            rig.channel->send(shortFrame({quint8(i), quint8(i >> 8)}), i / 4);

        for (int i = 0; i < 40; ++i)
        {
            auto request = makeRequest(2);
            rig.channel->script({{longFrame(quint32(request->getId()), 0, {0xC0, quint8(i)})}});
            const USBResult result = rig.protocol->transact(request);
            QVERIFY2(result.isOk(), qPrintable(result.getMessage()));
            QCOMPARE(request->getReplyData(), (Bytes{0xC0, quint8(i)}));
        }

        TALVEX_TRY_COMPARE(receiver.m_records.count(), packets);
        for (int i = 0; i < packets; ++i)
            QCOMPARE(readUInt16(receiver.m_records.at(i).data, 0), quint16(i));
        QVERIFY(!rig.channel->sawOverlappingReads());
        QVERIFY(rig.protocol->isRunning());
    }

    // The cable is pulled at some point of a queued exchange: the request ends in a clear
    // error, the worker's next look at the channel reports it and ends.
    void unplugDuringExchange_data()
    {
        QTest::addColumn<int>("point");
        QTest::addColumn<QString>("message");

        QTest::newRow("before the frame") << 0 << "Communication error";
        QTest::newRow("while waiting for the reply") << 1 << "Communication error";
        QTest::newRow("inside the reply frame") << 2 << "Communication error";
    }

    void unplugDuringExchange()
    {
        QFETCH(int, point);
        QFETCH(QString, message);

        Rig rig;
        EventRecorder receiver;
        EventRecorder errors;
        rig.protocol->setErrorReceiver(&errors);
        auto request = makeRequest(3);
        if (point == 0)
            rig.channel->unplug();
        else if (point == 1)
            rig.channel->script({{Bytes{}, 0, true}});
        else
        {
            rig.channel->script({{longFrame(quint32(request->getId()), 0, {0x01, 0x02, 0x03})}});
            rig.channel->unplugAfterReading(8);
        }

        rig.protocol->post(request, &receiver);

        TALVEX_TRY_COMPARE(receiver.m_records.count(), 1);
        QCOMPARE(receiver.m_records.first().result.getMessage(), message);
        TALVEX_TRY_COMPARE(errors.m_records.count(), 1);
        QCOMPARE(errors.m_records.first().result.getMessage(), QString("Communication error"));
        TALVEX_TRY_VERIFY(!rig.protocol->isRunning());
        QVERIFY(!rig.channel->isOpen());
    }
};

TALVEX_TEST(tst_PacketProtocol)
#include "tst_PacketProtocol.moc"
