#include "TestRegistry.h"

#include "PlotUSBDataStream.h"
#include "USBPacketStreamEvent.h"

#include <QCoreApplication>
#include <QTest>
#include <boost/make_shared.hpp>
#include <memory>

namespace
{
class DispatcherLog : public PlotUSBDataStream::IUSBDispatcher
{
public:
    USBResult startStreaming(QObject* stream) override
    {
        m_calls << "start";
        m_pStream = stream;
        return m_startResult;
    }
    USBResult stopStreaming() override
    {
        m_calls << "stop";
        return m_stopResult;
    }
    void streamingFinished() override { m_calls << "finished"; }

    QStringList m_calls;
    QObject* m_pStream = nullptr;
    USBResult m_startResult;
    USBResult m_stopResult;
};

// Hands out the samples queued by the test, one per packet, and notes the start times.
class QueuedInterpreter : public PlotUSBDataStream::IStreamInterpreter
{
public:
    void interpret(double startTime, const QVector<quint8>& packet, StreamSample& sample) override
    {
        m_startTimes.append(startTime);
        m_packets.append(packet);
        sample = m_samples.isEmpty() ? StreamSample() : m_samples.takeFirst();
    }

    QList<StreamSample> m_samples;
    QVector<double> m_startTimes;
    QList<QVector<quint8>> m_packets;
};

class ClientLog : public PlotUSBDataStream::IStreamClient
{
public:
    void appendSamples(PlotSampleBuffer& buffer) override { m_points += buffer.process(); }
    void markFinished() override { ++m_finished; }
    void detachFromStream() override { ++m_detached; }
    QVector<PlotPoint> processedPoints() override { return m_points; }

    QVector<double> values() const
    {
        QVector<double> values;
        for (const PlotPoint& point : m_points)
            values.append(point.getValue());
        return values;
    }

    QVector<PlotPoint> m_points;
    int m_finished = 0;
    int m_detached = 0;
};

// Takes the points only every second time it is told of new ones, as a client that draws
// less often than packets arrive.
class EverySecondCallClient : public ClientLog
{
public:
    void appendSamples(PlotSampleBuffer& buffer) override
    {
        if (++m_calls % 2 == 0)
            ClientLog::appendSamples(buffer);
    }

    int m_calls = 0;
};

class StateLog : public PlotUSBDataStream::IStateObserver
{
public:
    void streamStateChanged(int state) override
    {
        m_states.append(state);
        if (m_pRemoveOnChange)
            m_pStream->removeStateObserver(m_pRemoveOnChange);
    }
    void streamDestroyed(PlotUSBDataStream* stream) override { m_destroyed.append(stream); }

    QVector<int> m_states;
    QVector<PlotUSBDataStream*> m_destroyed;
    PlotUSBDataStream* m_pStream = nullptr;
    StateLog* m_pRemoveOnChange = nullptr;
};

StreamSample sampleOf(int channel, const QVector<double>& values, double start, double step, bool last = false)
{
    StreamSample sample;
    QVector<double> keys;
    for (int i = 0; i < values.count(); ++i)
        keys.append(start + i * step);
    sample.setKeys(channel, keys);
    sample.setValues(channel, values);
    sample.setEndTime(start + values.count() * step);
    sample.setLast(last);
    return sample;
}

// A packet whose groups hold a signed voltage word, halved, and a counter word that the events
// and the quadrature channel share, sampled every 0.5 s from start on.
StreamSample wordsOf(const QVector<quint8>& packet, double start)
{
    StreamSample sample;
    const int groups = packet.count() / 4;
    sample.setWords(packet, groups, 4, start, 0.5);
    sample.setWordChannel(1, 0, true, 0.5);
    sample.setWordChannel(2, 2, false, 1.0);
    sample.setWordChannel(4, 2, false, 1.0);
    sample.setEndTime(start + groups * 0.5);
    return sample;
}

// A stream with its dispatcher, interpreter, one client on the step channel and an observer.
struct StreamRig
{
    StreamRig()
    {
        m_stream.setDispatcher(m_pDispatcher);
        m_stream.setInterpreter(m_pInterpreter);
        m_stream.registerClient(&m_client, 8, true);
        m_stream.addStateObserver(&m_observer);
    }

    ~StreamRig()
    {
        m_stream.removeClient(&m_client);
        m_stream.removeStateObserver(&m_observer);
    }

    void packet(const USBResult& result = USBResult())
    {
        USBPacketStreamEvent event(0, QVector<quint8>{1, 2, 3}, result);
        QCoreApplication::sendEvent(&m_stream, &event);
    }

    boost::shared_ptr<DispatcherLog> m_pDispatcher = boost::make_shared<DispatcherLog>();
    boost::shared_ptr<QueuedInterpreter> m_pInterpreter = boost::make_shared<QueuedInterpreter>();
    PlotUSBDataStream m_stream;
    ClientLog m_client;
    StateLog m_observer;
};
}

class tst_PlotUSBDataStream : public QObject
{
    Q_OBJECT

private slots:
    void stopBeforeTheFirstPacket()
    {
        StreamRig rig;
        rig.m_stream.start(1);
        QCOMPARE(rig.m_stream.state(), 1);
        rig.m_stream.start(1);
        rig.m_stream.stop();
        QCOMPARE(rig.m_stream.state(), 0);
        QCOMPARE(rig.m_pDispatcher->m_calls, QStringList({"start", "stop", "finished"}));
        QCOMPARE(rig.m_observer.m_states, QVector<int>({1, 0}));
        QCOMPARE(rig.m_client.m_finished, 1);
        rig.m_stream.stop();
        QCOMPARE(rig.m_pDispatcher->m_calls.count(), 3);
    }

    // What the dispatcher could not send never leaves the stream waiting for a packet.
    void unsentRequestsEndTheAcquisition_data()
    {
        QTest::addColumn<bool>("startRefused");
        QTest::addColumn<bool>("packetFirst");
        QTest::addColumn<QStringList>("calls");
        QTest::addColumn<QVector<int>>("states");
        QTest::newRow("start refused") << true << false << QStringList{"start", "finished"} << QVector<int>{1, 0};
        QTest::newRow("stop not sent while receiving")
            << false << true << QStringList{"start", "stop", "finished"} << QVector<int>{1, 2, 0};
    }

    void unsentRequestsEndTheAcquisition()
    {
        QFETCH(bool, startRefused);
        QFETCH(bool, packetFirst);
        QFETCH(QStringList, calls);
        QFETCH(QVector<int>, states);
        StreamRig rig;
        const USBResult closed("No device is open", 2);
        (startRefused ? rig.m_pDispatcher->m_startResult : rig.m_pDispatcher->m_stopResult) = closed;
        rig.m_pInterpreter->m_samples << sampleOf(8, {1}, 0.0, 1.0);

        const USBResult started = rig.m_stream.start(1);
        QCOMPARE(started.isOk(), !startRefused);
        QCOMPARE(rig.m_pDispatcher->m_pStream, static_cast<QObject*>(&rig.m_stream));
        if (packetFirst)
            rig.packet();
        if (!startRefused)
            QCOMPARE(rig.m_stream.stop().getMessage(), closed.getMessage());
        QCOMPARE(rig.m_stream.state(), 0);
        QCOMPARE(rig.m_pDispatcher->m_calls, calls);
        QCOMPARE(rig.m_observer.m_states, states);
        QCOMPARE(rig.m_client.m_finished, 1);
    }

    void packetWhileStoppedIsIgnored()
    {
        StreamRig rig;
        rig.m_pInterpreter->m_samples << sampleOf(8, {1, 2}, 0.0, 0.1, true);
        rig.packet();
        QCOMPARE(rig.m_stream.state(), 0);
        QVERIFY(rig.m_pInterpreter->m_startTimes.isEmpty());
        QVERIFY(rig.m_client.m_points.isEmpty());
        QVERIFY(rig.m_observer.m_states.isEmpty());
    }

    void failedPacketEndsTheAcquisition()
    {
        StreamRig rig;
        rig.m_stream.start(1);
        rig.packet(USBResult("Communication stream is corrupted.", 2));
        QCOMPARE(rig.m_observer.m_states, QVector<int>({1, 2, 0}));
        QCOMPARE(rig.m_pDispatcher->m_calls, QStringList({"start", "finished"}));
        QCOMPARE(rig.m_client.m_finished, 1);
        QVERIFY(rig.m_pInterpreter->m_startTimes.isEmpty());
    }

    // Packets go through the interpreter with the time at which the previous one ended; the
    // step channel's first packet gives the offset, and the last packet ends the acquisition.
    void acquisition()
    {
        StreamRig rig;
        StreamSample first = sampleOf(8, {1, 2}, 0.0, 0.5);
        first.setScalar(8, 100.0);
        StreamSample second = sampleOf(8, {3}, 1.0, 0.5);
        second.setScalar(8, 500.0);
        rig.m_pInterpreter->m_samples << first << StreamSample() << second << sampleOf(8, {50}, 1.5, 0.5, true);

        rig.m_stream.start(1);
        for (int i = 0; i < 4; ++i)
            rig.packet();
        QCOMPARE(rig.m_pInterpreter->m_startTimes, QVector<double>({0.0, 1.0, 1.0, 1.5}));
        QCOMPARE(rig.m_pInterpreter->m_packets.first(), (QVector<quint8>{1, 2, 3}));
        QCOMPARE(rig.m_client.values(), QVector<double>({101, 102, 103, 150}));
        QCOMPARE(rig.m_observer.m_states, QVector<int>({1, 2, 0}));
        QCOMPARE(rig.m_pDispatcher->m_calls, QStringList({"start", "finished"}));
        QCOMPARE(rig.m_client.m_finished, 1);
    }

    void emptyLastPacketEndsTheAcquisition()
    {
        StreamRig rig;
        StreamSample last;
        last.setLast(true);
        rig.m_pInterpreter->m_samples << last;
        rig.m_stream.start(1);
        rig.packet();
        QCOMPARE(rig.m_stream.state(), 0);
        QCOMPARE(rig.m_client.m_finished, 1);
    }

    void stopWaitsForTheBoardsLastPacket()
    {
        StreamRig rig;
        rig.m_pInterpreter->m_samples << sampleOf(8, {1}, 0.0, 1.0) << sampleOf(8, {2}, 1.0, 1.0, true);
        rig.m_stream.start(1);
        rig.packet();
        rig.m_stream.stop();
        QCOMPARE(rig.m_stream.state(), 2);
        QCOMPARE(rig.m_client.m_finished, 0);
        rig.packet();
        QCOMPARE(rig.m_stream.state(), 0);
        QCOMPARE(rig.m_pDispatcher->m_calls, QStringList({"start", "stop", "finished"}));
        QCOMPARE(rig.m_client.values(), QVector<double>({1, 2}));
    }

    // The board has gone: the acquisition ends without asking it, and a new one can start.
    void resetAfterTheBoardWentAway()
    {
        StreamRig rig;
        rig.m_pInterpreter->m_samples << sampleOf(8, {1}, 0.0, 1.0);
        rig.m_stream.start(1);
        rig.packet();
        rig.m_stream.reset();
        QCOMPARE(rig.m_stream.state(), 0);
        QCOMPARE(rig.m_observer.m_states, QVector<int>({1, 2, 0}));
        QCOMPARE(rig.m_pDispatcher->m_calls, QStringList({"start", "finished"}));
        QCOMPARE(rig.m_client.m_finished, 1);
        rig.m_stream.reset();
        QCOMPARE(rig.m_observer.m_states.count(), 3);

        rig.m_stream.start(1);
        QCOMPARE(rig.m_stream.state(), 1);
        QCOMPARE(rig.m_pDispatcher->m_calls.count(), 3);
    }

    void followOnAcquisition()
    {
        StreamRig rig;
        StreamSample end = sampleOf(8, {5}, 0.0, 1.0, true);
        end.setFollowOn(true);
        rig.m_pInterpreter->m_samples << end << sampleOf(8, {7}, 0.0, 1.0, true);
        rig.m_stream.start(1);
        rig.packet();
        QCOMPARE(rig.m_stream.state(), 3);
        QCOMPARE(rig.m_pDispatcher->m_calls, QStringList({"start"}));
        rig.packet();
        // The buffers start again: no wrap against the previous acquisition's values.
        QCOMPARE(rig.m_pInterpreter->m_startTimes, QVector<double>({0.0, 0.0}));
        QCOMPARE(rig.m_observer.m_states, QVector<int>({1, 2, 3, 2, 0}));
        QCOMPARE(rig.m_client.values(), QVector<double>({5, 7}));
        QCOMPARE(rig.m_client.m_finished, 2);

        rig.m_pInterpreter->m_samples << end;
        rig.m_stream.start(1);
        rig.packet();
        rig.packet(USBResult("Communication timed out", 2));
        QCOMPARE(rig.m_stream.state(), 0);
    }

    // Clients on one channel each get their own buffer; the average count comes with the start.
    // The samples that a client leaves in its buffer outlive the packet they came with.
    void pointsTakenLater()
    {
        StreamRig rig;
        EverySecondCallClient late;
        rig.m_stream.registerClient(&late, 8, true);
        rig.m_pInterpreter->m_samples << sampleOf(8, {1, 2}, 0.0, 0.5) << sampleOf(8, {3}, 1.0, 0.5)
                                      << sampleOf(8, {4, 5}, 1.5, 0.5) << sampleOf(8, {6}, 2.5, 0.5, true);
        rig.m_stream.start(1);
        rig.packet();
        rig.packet();
        QCOMPARE(late.values(), QVector<double>({1, 2, 3}));
        rig.packet();
        QCOMPARE(late.values(), QVector<double>({1, 2, 3}));
        // A reset client starts afresh: what it left behind is dropped.
        rig.m_stream.resetClient(&late);
        rig.packet();
        QCOMPARE(late.values(), QVector<double>({1, 2, 3, 6}));
        QCOMPARE(rig.m_client.values(), QVector<double>({1, 2, 3, 4, 5, 6}));
        rig.m_stream.removeClient(&late);
    }

    // Channels read from the packet's words: each client gets its own channel's words of every
    // group, one that takes them late as well, after the packet they came with has gone.
    void channelsReadFromThePacket()
    {
        StreamRig rig;
        ClientLog voltage;
        ClientLog events;
        ClientLog quadrature;
        EverySecondCallClient late;
        rig.m_stream.registerClient(&voltage, 1, false);
        rig.m_stream.registerClient(&events, 2, false);
        rig.m_stream.registerClient(&quadrature, 4, true);
        rig.m_stream.registerClient(&late, 4, true);
        rig.m_pInterpreter->m_samples << wordsOf({0xFE, 0xFF, 0xFF, 0xFF, 0x04, 0x00, 0x01, 0x00}, 0.0)
                                      << wordsOf({0x00, 0x80, 0x05, 0x00}, 1.0);
        rig.m_stream.start(1);
        rig.packet();
        rig.packet();

        QCOMPARE(voltage.m_points, QVector<PlotPoint>({{0.0, -1.0}, {0.5, 2.0}, {1.0, -16384.0}}));
        QCOMPARE(events.values(), QVector<double>({65535, 1, 5}));
        QCOMPARE(quadrature.values(), QVector<double>({-1, 1, 5}));
        QCOMPARE(late.m_points, quadrature.m_points);
        QVERIFY(rig.m_client.m_points.isEmpty());
        for (ClientLog* client : {&voltage, &events, &quadrature, static_cast<ClientLog*>(&late)})
            rig.m_stream.removeClient(client);
    }

    void clientsAndChannels()
    {
        StreamRig rig;
        ClientLog voltage;
        ClientLog again;
        ClientLog quadrature;
        rig.m_stream.registerClient(&voltage, 1, false);
        rig.m_stream.registerClient(&again, 1, false);
        rig.m_stream.registerClient(&quadrature, 4, true);
        QVERIFY(rig.m_stream.hasChannel(1));
        QVERIFY(!rig.m_stream.hasChannel(2));
        QCOMPARE(rig.m_stream.client(1), &voltage);
        QCOMPARE(rig.m_stream.client(8), &rig.m_client);

        StreamSample sample = sampleOf(1, {1, 2, 3, 4}, 0.0, 0.25);
        sample.setKeys(4, {0.0, 0.25, 0.5, 0.75});
        sample.setValues(4, {10, 20, 65535, 65533});
        rig.m_pInterpreter->m_samples << sample;
        rig.m_stream.start(2);
        rig.packet();
        QCOMPARE(voltage.values(), QVector<double>({1.5, 3.5}));
        QCOMPARE(again.values(), QVector<double>({1.5, 3.5}));
        QCOMPARE(quadrature.values(), QVector<double>({15, -2}));
        QVERIFY(rig.m_client.m_points.isEmpty());

        rig.m_stream.removeClient(&again);
        QCOMPARE(rig.m_stream.client(1), &voltage);
        rig.m_stream.resetChannelOffset(4);
        rig.m_stream.resetClient(&voltage);
        rig.m_stream.removeClient(&voltage);
        rig.m_stream.removeClient(&quadrature);
        QVERIFY(!rig.m_stream.hasChannel(1));
    }

    void observerRemovedDuringANotificationIsNotTold()
    {
        StreamRig rig;
        StateLog first;
        StateLog second;
        first.m_pStream = &rig.m_stream;
        second.m_pStream = &rig.m_stream;
        first.m_pRemoveOnChange = &second;
        second.m_pRemoveOnChange = &first;
        rig.m_stream.addStateObserver(&first);
        rig.m_stream.addStateObserver(&second);
        rig.m_stream.start(1);
        // Observers are told in the order they came: the first removed the second.
        QCOMPARE(first.m_states, QVector<int>{1});
        QVERIFY(second.m_states.isEmpty());
        rig.m_stream.removeStateObserver(&first);
        rig.m_stream.removeStateObserver(&second);
    }

    void destructionTellsClientsAndObservers()
    {
        ClientLog client;
        StateLog observer;
        auto stream = std::make_unique<PlotUSBDataStream>();
        stream->registerClient(&client, 2, true);
        stream->addStateObserver(&observer);
        PlotUSBDataStream* address = stream.get();
        stream.reset();
        QCOMPARE(client.m_detached, 1);
        QCOMPARE(observer.m_destroyed, QVector<PlotUSBDataStream*>({address}));
    }
};

TALVEX_TEST(tst_PlotUSBDataStream)
#include "tst_PlotUSBDataStream.moc"
