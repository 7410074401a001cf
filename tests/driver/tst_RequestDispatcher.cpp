#include "TestRegistry.h"

#include "ConnectedDriverBoard.h"
#include "DriverTestSupport.h"
#include "SettingsSandbox.h"
#include "TalvexDriverMotorMoveConfiguration.h"
#include "USBRequestEvent.h"

#include <QTest>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;
typedef TalvexDriverMotionConfiguration Motion;
typedef TalvexDriverMotorMoveConfiguration Move;

int countOf(const QVector<quint8>& opcodes, quint8 opcode)
{
    return int(std::count(opcodes.cbegin(), opcodes.cend(), opcode));
}

QByteArray motionWithVelocity(const D& model, int velocity)
{
    Motion motion;
    motion.setValue(Motion::Velocity, velocity);
    return motion.toByteArray(model);
}

class StateRecorder : public PlotUSBDataStream::IStateObserver
{
public:
    void streamStateChanged(int state) override { m_states.append(state); }
    void streamDestroyed(PlotUSBDataStream*) override {}

    QVector<int> m_states;
};

// Waits for the request's reply data without letting its event reach the dispatcher.
bool waitForReplyData(const boost::shared_ptr<R>& request)
{
    QElapsedTimer timer;
    timer.start();
    while (request->getReplyData().isEmpty() && timer.elapsed() < 5000)
        QThread::usleep(200);
    return !request->getReplyData().isEmpty();
}
}

class tst_RequestDispatcher : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase()
    {
        QVERIFY(m_settings.isolated());
        QVERIFY(runsOnSimulatedBus());
    }

    // A requester has one request of a kind in flight; another requester is not held back.
    void pendingRequestsPerRequester()
    {
        ConnectedDriverBoard board(D::s_model1_2, USBVersion(3, 0));
        QVERIFY2(board.m_connected.isOk(), qPrintable(board.m_connected.getMessage()));
        QObject tab;
        QObject script;
        const quint8 state = R::commandCode(D::s_model1_2, R::GetMotorState);

        QVERIFY(board.m_pDispatcher->sendRequest(board.request(R::GetMotorState), &tab, "state").isOk());
        QVERIFY(!board.m_pDispatcher->canSendRequest(&tab, R::GetMotorState));
        QVERIFY(board.m_pDispatcher->canSendRequest(&tab, R::GetMotionConfiguration));
        QVERIFY(board.m_pDispatcher->canSendRequest(&script, R::GetMotorState));
        QVERIFY(board.m_pDispatcher->sendRequest(board.request(R::GetMotorState), &tab, QString()).isOk());
        QVERIFY(board.m_pDispatcher->sendRequest(board.request(R::GetMotorState), &script, QString()).isOk());
        QVERIFY(waitFor([&] { return board.answered(&tab, {R::GetMotorState}) && board.answered(&script, {R::GetMotorState}); }));
        QCOMPARE(countOf(board.m_pRecorder->opcodes(), state), 2);

        QVERIFY(board.m_pDispatcher->sendRequest(board.request(R::GetMotorState), &tab, QString()).isOk());
        QVERIFY(waitFor([&] { return board.answered(&tab, {R::GetMotorState}); }));
        QCOMPARE(countOf(board.m_pRecorder->opcodes(), state), 3);

        // Without a requester nothing is held back.
        board.m_pDispatcher->sendRequest(board.request(R::GetMotorState), nullptr, QString());
        board.m_pDispatcher->sendRequest(board.request(R::GetMotorState), nullptr, QString());
        QVERIFY(waitFor([&] { return countOf(board.m_pRecorder->opcodes(), state) == 5; }));
    }

    // The (1,1) motion reply has no backward velocity: the document's becomes the velocity.
    void motionReplyOfTheOldestModel()
    {
        ConnectedDriverBoard board(D::s_model1_1, USBVersion(2, 0));
        QVERIFY(board.m_connected.isOk());
        QCOMPARE(int(board.configureBoard(R::SetMotionConfiguration, motionWithVelocity(D::s_model1_1, 321))), 0);
        board.m_document.motionConfiguration()->setValue(Motion::BackwardVelocity, 50);
        QObject tab;
        QVERIFY(board.m_pDispatcher->sendRequest(board.request(R::GetMotionConfiguration), &tab, QString()).isOk());
        QVERIFY(waitFor([&] { return board.answered(&tab, {R::GetMotionConfiguration}); }));
        QCOMPARE(board.m_document.motionConfiguration()->value(Motion::Velocity).toInt(), 321);
        QCOMPARE(board.m_document.motionConfiguration()->value(Motion::BackwardVelocity).toInt(), 321);
    }

    void failuresReachTheObservers_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("move, motor off") << int(R::Move) << -1 << 2 << "Motor is turned off";
        QTest::newRow("read refused as busy") << int(R::GetMotionConfiguration) << 2 << 2 << "Target device is busy";
        QTest::newRow("range warning") << int(R::GetMotionConfiguration) << 200 << 1
                                       << "Some values for the motion configuration were out of range";
    }

    // A failed reply reaches every observer, clears its pending mark and changes no record.
    void failuresReachTheObservers()
    {
        QFETCH(int, action);
        QFETCH(int, status);
        QFETCH(int, code);
        QFETCH(QString, message);
        ConnectedDriverBoard board(D::s_model27_1, USBVersion(1, 0));
        QVERIFY(board.m_connected.isOk());
        QCOMPARE(int(board.configureBoard(R::SetMotionConfiguration, motionWithVelocity(D::s_model27_1, 321))), 0);
        if (status >= 0)
            board.m_pRecorder->refuse(R::commandCode(D::s_model27_1, action), quint8(status));
        FailureLog first;
        FailureLog second;
        board.m_pDispatcher->addResultObserver(&first);
        board.m_pDispatcher->addResultObserver(&second);
        QObject tab;

        const QByteArray payload = action == R::Move ? Move(Move::Counted, Move::Forward, 100).toByteArray(D::s_model27_1)
                                                     : QByteArray();
        QVERIFY(board.m_pDispatcher->sendRequest(board.request(action, payload), &tab, QString()).isOk());
        QVERIFY(waitFor([&] { return !first.m_results.isEmpty(); }));
        QVERIFY(board.m_pDispatcher->canSendRequest(&tab, action));
        QCOMPARE(first.m_results.count(), 1);
        QCOMPARE(second.m_results.count(), 1);
        QCOMPARE(first.m_results.first().getStatus(), code);
        QCOMPARE(first.m_results.first().getMessage(), message);
        QCOMPARE(board.m_document.motionConfiguration()->value(Motion::Velocity).toInt(), 200);

        board.m_pDispatcher->removeResultObserver(&second);
        QVERIFY(board.m_pDispatcher->sendRequest(board.request(action, payload), &tab, QString()).isOk());
        QVERIFY(waitFor([&] { return first.m_results.count() == 2; }));
        QCOMPARE(second.m_results.count(), 1);
    }

    void outOfRangeRepliesFail_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("message");
        QTest::newRow("sampling: over-sampling 3")
            << int(R::GetSamplingConfiguration) << 4 << 3
            << "The board sent a sampling configuration the studio cannot use. The over-sampling 3 is not one of 0 to 2.";
        QTest::newRow("sampling: period index 15")
            << int(R::GetSamplingConfiguration) << 5 << 15
            << "The board sent a sampling configuration the studio cannot use. "
               "The sample period index 15 is not one of 1 to 14.";
        QTest::newRow("input: ADC gain 7")
            << int(R::GetInputConfiguration) << 16 << 7
            << "The board sent an input configuration the studio cannot use. The ADC gain index 7 is not one of 0 to 6.";
        QTest::newRow("motion: micro-stepping 8")
            << int(R::GetMotionConfiguration) << 0 << 8
            << "The board sent a motion configuration the studio cannot use. "
               "The micro-stepping 8 is not one this model supports.";
        QTest::newRow("motor state: micro-stepping 9")
            << int(R::GetMotorState) << 8 << 9
            << "The board sent a motor state the studio cannot use. The micro-stepping 9 is not one this model supports.";
    }

    // A reply with a field the studio cannot interpret is a failed request: the observers
    // hear why and the document keeps what it had.
    void outOfRangeRepliesFail()
    {
        QFETCH(int, action);
        QFETCH(int, position);
        QFETCH(int, value);
        QFETCH(QString, message);
        const D model = D::s_model27_1;
        ConnectedDriverBoard board(model, USBVersion(1, 0));
        QVERIFY(board.m_connected.isOk());
        // A valid reply apart from the one field: period index 5 where a sampling reply has one.
        QVector<quint8> reply(R::expectedReplyLength(model, USBVersion(1, 0), action), 0);
        if (action == R::GetSamplingConfiguration)
            reply[5] = 5;
        reply[position] = quint8(value);
        board.m_pRecorder->answer(R::commandCode(model, action), reply);
        FailureLog log;
        board.m_pDispatcher->addResultObserver(&log);
        TalvexDocument& document = board.m_document;
        document.samplingConfiguration()->setValue(TalvexDriverSamplingConfiguration::SamplePeriod, 7);
        document.inputConfiguration()->setValue(TalvexDriverInputConfiguration::ADCGain, 2);
        const auto samplingBefore = document.samplingConfiguration()->values();
        const auto inputBefore = document.inputConfiguration()->values();
        const auto motionBefore = document.motionConfiguration()->values();
        QObject tab;

        QVERIFY(board.m_pDispatcher->sendRequest(board.request(action), &tab, QString()).isOk());
        QVERIFY(waitFor([&] { return !log.m_results.isEmpty(); }));
        QCOMPARE(log.m_results.count(), 1);
        QVERIFY(!log.m_results.first().isOk());
        QCOMPARE(log.m_results.first().getMessage(), message);
        QCOMPARE(document.samplingConfiguration()->values(), samplingBefore);
        QCOMPARE(document.inputConfiguration()->values(), inputBefore);
        QCOMPARE(document.motionConfiguration()->values(), motionBefore);
        QCOMPARE(document.motorInfo()->getMicroStepMode(), 0);
        QVERIFY(board.m_pDispatcher->canSendRequest(&tab, action));
        board.m_pDispatcher->removeResultObserver(&log);

        // With the field in range the same reply is stored.
        reply[position] = quint8(action == R::GetSamplingConfiguration && position == 5 ? 14 : 2);
        board.m_pRecorder->answer(R::commandCode(model, action), reply);
        QVERIFY(board.m_pDispatcher->sendRequest(board.request(action), &tab, QString()).isOk());
        QVERIFY(waitFor([&] { return board.answered(&tab, {action}); }));
        QCOMPARE(log.m_results.count(), 1);
        if (action == R::GetSamplingConfiguration)
            QVERIFY(document.samplingConfiguration()->values() != samplingBefore);
    }

    void refusedBeforeSending()
    {
        ConnectedDriverBoard board(D::s_model27_1, USBVersion(1, 0));
        QVERIFY(board.m_connected.isOk());
        QObject tab;

        // (27,1) has no relay.
        const USBResult relay = board.m_pDispatcher->sendRequest(board.request(R::RelayOn), &tab, QString());
        QCOMPARE(relay.getStatus(), 1);
        QCOMPARE(relay.getMessage(), QString("The command is not supported by the device"));

        board.m_state.disconnectDevice();
        QCOMPARE(board.m_pDispatcher->firmwareVersion().getMajor(), 0);
        QCOMPARE(board.m_pDispatcher->deviceDescriptor(), D::s_model27_1);
        const USBResult closed = board.m_pDispatcher->sendRequest(board.request(R::GetMotorState), &tab, QString());
        QCOMPARE(closed.getStatus(), 2);
        QCOMPARE(closed.getMessage(), QString("No device is open"));
        // Nothing went out, so nothing is pending.
        QVERIFY(board.m_pDispatcher->canSendRequest(&tab, R::GetMotorState));
        QVERIFY(board.m_pRecorder->opcodes().isEmpty());
    }

    void streamingRequests()
    {
        ConnectedDriverBoard board(D::s_model10_1, USBVersion(1, 1));
        QVERIFY(board.m_connected.isOk());
        board.m_document.samplingConfiguration()->setValue(TalvexDriverSamplingConfiguration::SampleCount, 1234);
        QVERIFY(board.m_pDispatcher->startStreaming(nullptr).isOk());
        QVERIFY(waitFor([&] { return board.m_pRecorder->opcodes().count() == 2; }));
        QCOMPARE(hexText(board.m_pRecorder->opcodes()), QString("2E 24"));
        QCOMPARE(board.m_pRecorder->payload(0).count(), 0);
        QCOMPARE(hexText(board.m_pRecorder->payload(1)),
            hexText(board.m_document.samplingConfiguration()->toByteArray()));
        QCOMPARE(board.m_pRecorder->payload(1).count(), 6);

        QVERIFY(board.m_pDispatcher->stopStreaming().isOk());
        QVERIFY(waitFor([&] { return board.m_pRecorder->opcodes().count() == 3; }));
        QCOMPARE(hexText(board.m_pRecorder->opcodes()), QString("2E 24 2F"));
    }

    // The reply of a board that was closed, or replaced by another model, before its event
    // came is not decoded with the model that is open now.
    void replyOfABoardThatHasGone_data()
    {
        QTest::addColumn<bool>("reconnect");
        QTest::newRow("closed") << false;
        QTest::newRow("another model connected") << true;
    }

    void replyOfABoardThatHasGone()
    {
        QFETCH(bool, reconnect);
        ConnectedDriverBoard board(D::s_model1_1, USBVersion(2, 0));
        QVERIFY(board.m_connected.isOk());
        QCOMPARE(int(board.configureBoard(R::SetMotionConfiguration, motionWithVelocity(D::s_model1_1, 321))), 0);
        board.plug(D::s_model27_1, USBVersion(1, 0), 0x200);
        QObject tab;

        const auto request = board.request(R::GetMotionConfiguration);
        QVERIFY(board.m_pDispatcher->sendRequest(request, &tab, QString()).isOk());
        QVERIFY(waitForReplyData(request));
        QCOMPARE(request->getReplyData().count(), 8);
        if (reconnect)
        {
            const USBDevicePtr other = board.m_state.getDriver()->enumerateDevices(true).value(1);
            QVERIFY(other);
            QVERIFY(board.m_state.connectDevice(other, 500000, 800).isOk());
            QCOMPARE(board.m_pDispatcher->deviceDescriptor(), D::s_model27_1);
        }
        else
        {
            board.m_state.disconnectDevice();
        }

        QVERIFY(waitFor([&] { return board.answered(&tab, {R::GetMotionConfiguration}); }));
        QCOMPARE(board.m_document.motionConfiguration()->value(Motion::Velocity).toInt(), 200);
    }

    void clearingForgetsPendingRequests()
    {
        ConnectedDriverBoard board(D::s_model1_2, USBVersion(4, 0));
        QVERIFY(board.m_connected.isOk());
        QObject tab;
        const auto first = board.request(R::GetMotorState);
        QVERIFY(board.m_pDispatcher->sendRequest(first, &tab, QString()).isOk());
        QVERIFY(!board.m_pDispatcher->canSendRequest(&tab, R::GetMotorState));
        board.m_pDispatcher->clearPendingRequests();
        QVERIFY(board.m_pDispatcher->canSendRequest(&tab, R::GetMotorState));
        QVERIFY(board.m_pDispatcher->sendRequest(board.request(R::GetMotorState), &tab, QString()).isOk());

        // The reply of the forgotten request leaves the mark of the newer one.
        USBRequestEvent late(first, USBResult());
        QCoreApplication::sendEvent(board.m_pDispatcher.get(), &late);
        QVERIFY(!board.m_pDispatcher->canSendRequest(&tab, R::GetMotorState));
        QVERIFY(waitFor([&] { return board.answered(&tab, {R::GetMotorState}); }));
        const quint8 state = R::commandCode(D::s_model1_2, R::GetMotorState);
        QCOMPARE(countOf(board.m_pRecorder->opcodes(), state), 2);
    }

    // An object built where a destroyed requester lived starts without its pending marks, and
    // the reply of the old request leaves the new object's marks alone.
    void destroyedRequesterTakesItsMarksAlong()
    {
        ConnectedDriverBoard board(D::s_model1_2, USBVersion(4, 0));
        QVERIFY(board.m_connected.isOk());
        alignas(QObject) unsigned char storage[sizeof(QObject)];
        QObject* tab = new (storage) QObject;
        const auto first = board.request(R::GetMotorState);
        QVERIFY(board.m_pDispatcher->sendRequest(first, tab, QString()).isOk());
        tab->~QObject();

        QObject* successor = new (storage) QObject;
        QCOMPARE(successor, tab);
        QVERIFY(board.m_pDispatcher->canSendRequest(successor, R::GetMotorState));
        QVERIFY(board.m_pDispatcher->sendRequest(board.request(R::GetMotorState), successor, QString()).isOk());
        USBRequestEvent late(first, USBResult());
        QCoreApplication::sendEvent(board.m_pDispatcher.get(), &late);
        QVERIFY(!board.m_pDispatcher->canSendRequest(successor, R::GetMotorState));

        const quint8 state = R::commandCode(D::s_model1_2, R::GetMotorState);
        QVERIFY(waitFor([&] { return countOf(board.m_pRecorder->opcodes(), state) == 2; }));
        QVERIFY(waitFor([&] { return board.answered(successor, {R::GetMotorState}); }));
        successor->~QObject();
    }

    // A start that cannot reach the board, or that the board refuses, ends the acquisition
    // instead of leaving the stream waiting for data.
    void refusedStreamStartEndsTheAcquisition_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QVector<int>>("states");
        QTest::addColumn<QString>("message");
        QTest::newRow("no board") << "unplugged" << QVector<int>{1, 0} << "No device is open";
        QTest::newRow("board refuses the stream start")
            << "refuse stream start" << QVector<int>{1, 2, 0} << "Measuring already in progress";
        QTest::newRow("board refuses the sampling configuration")
            << "refuse sampling" << QVector<int>{1, 2, 0} << "Measuring already in progress";
        QTest::newRow("start again before the first start was answered")
            << "start twice" << QVector<int>{1, 0, 1, 0}
            << "The previous start of streaming is still waiting for its reply";
    }

    void refusedStreamStartEndsTheAcquisition()
    {
        QFETCH(QString, cause);
        QFETCH(QVector<int>, states);
        QFETCH(QString, message);
        ConnectedDriverBoard board(D::s_model27_1, USBVersion(1, 0));
        QVERIFY(board.m_connected.isOk());
        const quint8 busy = 110;
        if (cause == "unplugged")
            board.m_state.disconnectDevice();
        else if (cause == "refuse stream start")
            board.m_pRecorder->refuse(R::commandCode(D::s_model27_1, R::StreamStart), busy);
        else if (cause == "refuse sampling")
            board.m_pRecorder->refuse(R::commandCode(D::s_model27_1, R::StartSampling), busy);
        PlotUSBDataStream stream;
        stream.setDispatcher(board.m_pDispatcher);
        StateRecorder observer;
        stream.addStateObserver(&observer);

        USBResult started = stream.start(1);
        if (cause == "start twice")
        {
            QVERIFY(started.isOk());
            stream.stop();
            started = stream.start(1);
        }
        if (!started.isOk())
        {
            QCOMPARE(started.getMessage(), message);
            QCOMPARE(stream.state(), 0);
        }
        QVERIFY(waitFor([&] { return stream.state() == 0; }));
        QCOMPARE(observer.m_states, states);
        stream.removeStateObserver(&observer);
    }
};

TALVEX_TEST(tst_RequestDispatcher)
#include "tst_RequestDispatcher.moc"
