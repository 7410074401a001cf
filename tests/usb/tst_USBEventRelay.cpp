#include "TestRegistry.h"

#include "ScriptedRequest.h"

#include "USBDefaultCommRequest.h"
#include "USBEventRelay.h"
#include "USBPacketErrorEvent.h"
#include "USBPacketStreamEvent.h"
#include "USBRequestEvent.h"
#include "Waiting.h"

#include <QAtomicInt>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <boost/make_shared.hpp>
#include <vector>

namespace
{
class ThreadRecorder : public EventRecorder
{
    Q_OBJECT

public:
    QSet<QThread*> m_threads;

protected:
    void customEvent(QEvent* event) override
    {
        m_threads.insert(QThread::currentThread());
        EventRecorder::customEvent(event);
    }
};

// Runs the event loop inside the handling of its first event, after posting three more to
// itself: a receiver that opens a dialog or waits for something does that.
class NestingRecorder : public EventRecorder
{
    Q_OBJECT

protected:
    void customEvent(QEvent* event) override
    {
        EventRecorder::customEvent(event);
        if (m_records.count() != 1)
            return;
        for (int id = 3; id < 6; ++id)
            USBEventRelay::post(this, new USBPacketStreamEvent(id, {}, USBResult()));
        QCoreApplication::processEvents();
    }
};

class CountingReceiver : public QObject
{
    Q_OBJECT

public:
    explicit CountingReceiver(QAtomicInt* counter) : m_counter(counter) {}

protected:
    void customEvent(QEvent*) override { m_counter->ref(); }

private:
    QAtomicInt* m_counter;
};
}

class tst_USBEventRelay : public QObject
{
    Q_OBJECT

private slots:
    void eventTypesAndFields()
    {
        const USBPacketStreamEvent stream(0, {0xAA, 0xBB}, USBResult());
        QCOMPARE(int(stream.type()), 1001);
        QCOMPARE(stream.getData(), (QVector<quint8>{0xAA, 0xBB}));

        auto request = boost::make_shared<ScriptedRequest>(0x22, QVector<quint8>(), 0);
        {
            const USBRequestEvent event(request, USBResult("Motor is busy", 1));
            QCOMPARE(int(event.type()), 1002);
            QCOMPARE(event.getRequest().get(), request.get());
            QCOMPARE(event.getResult().getMessage(), QString("Motor is busy"));
            QCOMPARE(request.use_count(), 2L);
        }
        // The event's reference goes with the event.
        QCOMPARE(request.use_count(), 1L);

        const USBPacketErrorEvent error(0, USBResult("Communication stream is corrupted.", 2));
        QCOMPARE(int(error.type()), 1003);
        QCOMPARE(error.getCode(), 0);
    }

    void deliversInOrderInTheReceiversThread()
    {
        ThreadRecorder receiver;
        QPointer<QObject> guarded(&receiver);
        std::unique_ptr<QThread> worker(QThread::create([guarded] {
            for (int i = 0; i < 5; ++i)
                USBEventRelay::post(guarded, new USBPacketStreamEvent(i, {}, USBResult()));
            USBEventRelay::post(guarded, new USBPacketErrorEvent(0, USBResult("Device not open", 2)));
        }));
        worker->start();
        worker->wait();
        TALVEX_TRY_COMPARE(receiver.count(USBPacketErrorEvent::s_type), 1);
        QList<int> streamIds;
        for (const EventRecorder::Record& record : receiver.ofType(USBPacketStreamEvent::s_type))
            streamIds.append(record.id);
        QCOMPARE(streamIds, (QList<int>{0, 1, 2, 3, 4}));
        // The error came last, after every stream packet posted before it.
        QCOMPARE(receiver.m_records.last().type, int(USBPacketErrorEvent::s_type));
        QCOMPARE(receiver.m_threads, QSet<QThread*>{QThread::currentThread()});
    }

    void receiverRunningAnEventLoopGetsTheRestInOrder()
    {
        NestingRecorder receiver;
        for (int id = 0; id < 3; ++id)
            USBEventRelay::post(&receiver, new USBPacketStreamEvent(id, {}, USBResult()));
        TALVEX_TRY_COMPARE(receiver.m_records.count(), 6);
        QList<int> ids;
        for (const EventRecorder::Record& record : receiver.m_records)
            ids.append(record.id);
        // The events posted before the loop ran come before those posted inside it.
        QCOMPARE(ids, (QList<int>{0, 1, 2, 3, 4, 5}));
    }

    void receiverDeletedBeforeDeliveryGetsNothing()
    {
        auto* receiver = new EventRecorder;
        QPointer<QObject> guarded(receiver);
        auto request = boost::make_shared<ScriptedRequest>(0x22, QVector<quint8>(), 0);
        USBEventRelay::post(guarded, new USBRequestEvent(request, USBResult()));
        delete receiver;
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        // The dropped event released its reference to the request.
        TALVEX_TRY_COMPARE(request.use_count(), 1L);
    }

    void receiversDeletedWhileAThreadPosts()
    {
        // Receivers die in this thread while a worker keeps posting to them: nothing may touch
        // a deleted receiver (the sanitizer run catches it if anything does).
        QAtomicInt delivered;
        std::vector<QPointer<QObject>> receivers;
        for (int i = 0; i < 64; ++i)
            receivers.emplace_back(new CountingReceiver(&delivered));

        QAtomicInt stop;
        const std::vector<QPointer<QObject>> targets = receivers;
        std::unique_ptr<QThread> worker(QThread::create([&targets, &stop] {
            // Bounded, so a slow machine is not flooded with events.
            for (int round = 0; round < 500 && !stop.loadAcquire(); ++round)
                for (const QPointer<QObject>& target : targets)
                    USBEventRelay::post(target, new USBPacketStreamEvent(0, {1, 2, 3}, USBResult()));
        }));
        worker->start();
        TALVEX_TRY_VERIFY(delivered.loadAcquire() > 0);

        for (QPointer<QObject>& receiver : receivers)
        {
            QCoreApplication::processEvents();
            delete receiver.data();
        }
        stop.storeRelease(1);
        worker->wait();
        const int before = delivered.loadAcquire();
        QCoreApplication::processEvents();
        QCOMPARE(delivered.loadAcquire(), before);
    }
};

TALVEX_TEST(tst_USBEventRelay)
#include "tst_USBEventRelay.moc"
