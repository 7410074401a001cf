#include "TestRegistry.h"

#include "ConnectedDriverBoard.h"
#include "DriverTestSupport.h"
#include "SettingsSandbox.h"
#include "PlotUSBDataStream.h"
#include "StreamableVersionException.h"
#include "TalvexDriverMotorMoveConfiguration.h"
#include "TalvexStreamInterpreter.h"

#include <QTest>
#include <boost/make_shared.hpp>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;
typedef TalvexDriverMotionConfiguration Motion;
typedef TalvexDriverMotorConfiguration Motor;
typedef TalvexDriverInputConfiguration Input;
typedef TalvexDriverSamplingConfiguration Sampling;
typedef TalvexDriverAdvancedMotorMoveConfiguration Advanced;
typedef TalvexDriverMotorMoveConfiguration Move;
typedef TalvexDriverPWMSettings PWM;

// A plot series as far as the stream is concerned.
class SeriesStub : public PlotUSBDataStream::IStreamClient
{
public:
    void appendSamples(PlotSampleBuffer& buffer) override { m_points += buffer.process(); }
    void markFinished() override { ++m_finished; }
    void detachFromStream() override {}
    QVector<PlotPoint> processedPoints() override { return m_points; }

    QVector<PlotPoint> m_points;
    int m_finished = 0;
};

int countOf(const QVector<quint8>& opcodes, quint8 opcode)
{
    return int(std::count(opcodes.cbegin(), opcodes.cend(), opcode));
}

QByteArray saved(const TalvexDocument& document)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << document;
    return bytes;
}
}

class tst_EndToEnd : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase()
    {
        QVERIFY(m_settings.isolated());
        QVERIFY(runsOnSimulatedBus());
    }

    void everyModel_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::newRow("(1,1)") << D::s_model1_1 << USBVersion(2, 0);
        QTest::newRow("(1,2)") << D::s_model1_2 << USBVersion(4, 0);
        QTest::newRow("(10,1)") << D::s_model10_1 << USBVersion(1, 1);
        QTest::newRow("(27,1)") << D::s_model27_1 << USBVersion(1, 0);
    }

    // The studio's roads on a board of each model: its state into the document, a changed
    // configuration back to it, the pending and failure handling of the dispatcher, the
    // document's file, and a sampling run from the board's packets to the series' points.
    void everyModel()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        ConnectedDriverBoard board(model, firmware);
        QVERIFY2(board.m_connected.isOk(), qPrintable(board.m_connected.getMessage()));
        QVERIFY(board.m_pDispatcher->deviceDescriptor() == model);
        TalvexDocument& document = board.m_document;
        TalvexRequestDispatcher& dispatcher = *board.m_pDispatcher;
        QObject home;
        QObject motionTab;

        // The board was set up elsewhere: reading its state brings that into the document.
        Motion motion;
        motion.setValue(Motion::Velocity, 321);
        QCOMPARE(int(board.configureBoard(R::SetMotionConfiguration, motion.toByteArray(model))), 0);
        Motor motor;
        motor.setValue(Motor::MotorCurrent, 400);
        QCOMPARE(int(board.configureBoard(R::SetMotorConfiguration, motor.toByteArray(model, firmware))), 0);
        Input input;
        input.setChannelAssignments({{2, Input::s_startLimitFunction}});
        QCOMPARE(int(board.configureBoard(R::SetInputConfiguration, input.toByteArray(model, firmware))), 0);
        Advanced advanced;
        advanced.setValue(Advanced::BacklashSteps, 25);
        QCOMPARE(int(board.configureBoard(R::SetAdvancedMotorMoveConfiguration, advanced.toByteArray())), 0);
        PWM pwm;
        pwm.setValue(PWM::PWM1DutyCycle, 30);
        QCOMPARE(int(board.configureBoard(R::SetPWM, pwm.toByteArray(model, firmware))), 0);

        document.readDeviceState(&dispatcher, &home);
        QVERIFY(waitFor([&] { return board.answered(&home, {R::GetMotorConfiguration, R::GetMotionConfiguration,
            R::GetInputConfiguration, R::GetAdvancedMotorMoveConfiguration, R::GetPWMSettings}); }));
        QCOMPARE(document.motionConfiguration()->value(Motion::Velocity).toInt(), 321);
        QCOMPARE(document.motorConfiguration()->value(Motor::MotorCurrent).toInt(), 400);
        QCOMPARE(document.inputConfiguration()->channelAssignment(2), int(Input::s_startLimitFunction));
        QCOMPARE(document.advancedMotorMoveConfiguration()->value(Advanced::BacklashSteps).toInt(), 25);
        // Only (10,1) from firmware 1.1 has its PWM settings read.
        QCOMPARE(document.pwmSettings()->value(PWM::PWM1DutyCycle).toInt(), model == D::s_model10_1 ? 30 : 0);

        // A changed configuration goes up with its write action; the matching read replaces the
        // document's record with what the board took.
        Motion* documentMotion = document.motionConfiguration();
        documentMotion->setValue(Motion::MicroStepping, 3);
        documentMotion->setValue(Motion::Velocity, 2000);
        documentMotion->setValue(Motion::AccelerationMethod, 0);
        QVERIFY(documentMotion->validate(model).isEmpty());
        document.inputConfiguration()->setOutputMask(0xD);
        board.m_pRecorder->clear();
        for (int action : {int(R::SetMotionConfiguration), int(R::GetMotionConfiguration),
                 int(R::SetInputConfiguration), int(R::GetInputConfiguration)})
        {
            const QByteArray payload = action == R::SetMotionConfiguration ? documentMotion->toByteArray(model)
                : action == R::SetInputConfiguration ? document.inputConfiguration()->toByteArray(model, firmware)
                                                     : QByteArray();
            QVERIFY(dispatcher.sendRequest(board.request(action, payload), &motionTab, QString()).isOk());
        }
        documentMotion->setValue(Motion::Velocity, 1);
        document.inputConfiguration()->setOutputMask(0);
        QVERIFY(waitFor([&] { return board.answered(&motionTab, {R::GetMotionConfiguration, R::GetInputConfiguration}); }));
        QCOMPARE(hexText(board.m_pRecorder->opcodes()), QString("20 42 23 44"));
        QCOMPARE(documentMotion->value(Motion::Velocity).toInt(), 2000);
        QCOMPARE(document.inputConfiguration()->getOutputMask(), 0xD);

        // One motor-state request of a tab at a time.
        const quint8 state = R::commandCode(model, R::GetMotorState);
        QVERIFY(dispatcher.sendRequest(board.request(R::GetMotorState), &motionTab, QString()).isOk());
        QVERIFY(dispatcher.sendRequest(board.request(R::GetMotorState), &motionTab, QString()).isOk());
        QVERIFY(waitFor([&] { return board.answered(&motionTab, {R::GetMotorState}); }));
        QCOMPARE(countOf(board.m_pRecorder->opcodes(), state), 1);
        QCOMPARE(document.motorInfo()->stateName(), QString("Off"));
        QVERIFY(dispatcher.sendRequest(board.request(R::GetMotorState), &motionTab, QString()).isOk());
        QVERIFY(waitFor([&] { return board.answered(&motionTab, {R::GetMotorState}); }));
        QCOMPARE(countOf(board.m_pRecorder->opcodes(), state), 2);

        // A move of a motor that is off fails where the observers see it.
        FailureLog failures;
        dispatcher.addResultObserver(&failures);
        dispatcher.sendRequest(board.request(R::Move, Move(Move::Counted, Move::Forward, 100).toByteArray(model)),
            &motionTab, QString());
        QVERIFY(waitFor([&] { return !failures.m_results.isEmpty(); }));
        QCOMPARE(failures.m_results.first().getMessage(), QString("Motor is turned off"));
        failures.m_results.clear();

        // The document's file, read back whole; a file of another version is refused.
        const QByteArray file = saved(document);
        QByteArray head;
        QDataStream headOut(&head, QIODevice::WriteOnly);
        headOut << QString("AF3F0285-592D-453D-8C02-751BBB58A3A5") << qint32(2);
        QVERIFY(file.startsWith(head));
        TalvexDocument loaded;
        QDataStream in(file);
        in >> loaded;
        QCOMPARE(loaded.motionConfiguration()->values(), document.motionConfiguration()->values());
        QCOMPARE(loaded.motorConfiguration()->values(), document.motorConfiguration()->values());
        QCOMPARE(loaded.samplingConfiguration()->values(), document.samplingConfiguration()->values());
        QCOMPARE(loaded.advancedMotorMoveConfiguration()->values(), document.advancedMotorMoveConfiguration()->values());
        QCOMPARE(loaded.pwmSettings()->values(), document.pwmSettings()->values());
        QCOMPARE(loaded.plotSettings()->values(), document.plotSettings()->values());
        QCOMPARE(loaded.inputConfiguration()->getChannelAssignments(), document.inputConfiguration()->getChannelAssignments());
        QCOMPARE(loaded.inputConfiguration()->getOutputMask(), 0xD);
        QByteArray future = file;
        future[head.size() - 1] = 3;
        try
        {
            QDataStream futureIn(future);
            futureIn >> loaded;
            QFAIL("version 3 read");
        }
        catch (const StreamableVersionException& e)
        {
            QCOMPARE(e.getVersion(), 3);
        }

        // A sampling run: 20 ms samples over-sampled 4 times (the board samples every 5 ms), on
        // a motor making 16000 of its 1/8 steps a second, so the 16-bit step counter wraps.
        const auto interpreter = boost::make_shared<TalvexStreamInterpreter>();
        // The series outlive the stream here, as they would unregister in their destructors.
        SeriesStub voltage;
        SeriesStub quadrature;
        SeriesStub steps;
        PlotUSBDataStream stream;
        stream.setDispatcher(board.m_pDispatcher);
        stream.setInterpreter(interpreter);
        stream.registerClient(&voltage, TalvexStreamInterpreter::VoltageChannel, false);
        stream.registerClient(&quadrature, TalvexStreamInterpreter::QuadratureChannel, true);
        stream.registerClient(&steps, TalvexStreamInterpreter::StepsChannel, true);
        board.m_state.getDriver()->registerStreamReceiver(0, &stream, 0);

        Sampling* sampling = document.samplingConfiguration();
        sampling->setValue(Sampling::SamplePeriod, 7);
        sampling->setValue(Sampling::OverSample, 1);
        sampling->setValue(Sampling::SampleCount, 250);
        QCOMPARE(sampling->overSamplingFactor(), 4);
        interpreter->setConfigurations(*sampling, *document.inputConfiguration(), *document.motionConfiguration());
        dispatcher.sendRequest(board.request(R::MotorOn), &motionTab, QString());
        dispatcher.sendRequest(board.request(R::Move, Move(Move::Continuous, Move::Forward, 0).toByteArray(model)),
            &motionTab, QString());
        QVERIFY(waitFor([&] { return board.answered(&motionTab, {R::MotorOn, R::Move}); }));
        QVERIFY(failures.m_results.isEmpty());

        // The motor turns for a second first, so the plotted steps must start from its position
        // (the first packet's head), not from the board's step counter alone.
        ConnectedDriverBoard::bus().advance(1000);
        QVERIFY(dispatcher.sendRequest(board.request(R::GetMotorState), &motionTab, QString()).isOk());
        QVERIFY(waitFor([&] { return board.answered(&motionTab, {R::GetMotorState}); }));
        const double startPosition = document.motorInfo()->microStepPosition(model);
        QCOMPARE(startPosition, 16000.0);

        // The quadrature count of the second the motor turned is cleared before the run.
        dispatcher.sendRequest(board.request(R::ClearCounters), &motionTab, QString());
        const quint8 startSampling = R::commandCode(model, R::StartSampling);
        stream.start(sampling->overSamplingFactor());
        QCOMPARE(stream.state(), int(PlotUSBDataStream::WaitingForData));
        QVERIFY(waitFor([&] { return countOf(board.m_pRecorder->opcodes(), startSampling) == 1; }));
        for (int ms = 0; ms < 5100 && stream.state() != PlotUSBDataStream::Stopped; ms += 100)
        {
            ConnectedDriverBoard::bus().advance(100);
            QCoreApplication::processEvents();
        }
        QVERIFY(waitFor([&] { return stream.state() == PlotUSBDataStream::Stopped; }));
        QVERIFY(failures.m_results.isEmpty());

        for (SeriesStub* series : {&voltage, &quadrature, &steps})
        {
            QCOMPARE(series->m_finished, 1);
            QCOMPARE(series->m_points.count(), 250);
            for (int i = 0; i < series->m_points.count(); ++i)
                QVERIFY(qAbs(series->m_points.at(i).getKey() - i * 0.02) < 1e-9);
        }
        double highest = -10.0;
        double lowest = 10.0;
        for (const PlotPoint& point : voltage.m_points)
        {
            highest = qMax(highest, point.getValue());
            lowest = qMin(lowest, point.getValue());
        }
        QVERIFY2(highest > 0.95 && highest <= 1.0 && lowest < -0.95 && lowest >= -1.0,
            qPrintable(QString("%1 to %2 V").arg(lowest).arg(highest)));
        // Four board samples of 5 ms to a point: 320 micro-steps and 160 quadrature counts.
        for (int i = 1; i < steps.m_points.count(); ++i)
        {
            QCOMPARE(steps.m_points.at(i).getValue() - steps.m_points.at(i - 1).getValue(), 320.0);
            QCOMPARE(quadrature.m_points.at(i).getValue() - quadrature.m_points.at(i - 1).getValue(), 160.0);
        }
        // The first point averages the first 20 ms of the run.
        const double firstSteps = steps.m_points.first().getValue();
        QVERIFY2(firstSteps >= startPosition && firstSteps < startPosition + 320.0, qPrintable(QString::number(firstSteps)));
        QVERIFY(steps.m_points.last().getValue() - firstSteps > 65536.0);
        QVERIFY2(quadrature.m_points.first().getValue() < 160.0,
            qPrintable(QString::number(quadrature.m_points.first().getValue())));

        // A run stopped by the studio ends with the board's last packet.
        sampling->setValue(Sampling::SampleCount, 5000);
        interpreter->setConfigurations(*sampling, *document.inputConfiguration(), *document.motionConfiguration());
        // As the series do when a measurement starts again.
        for (SeriesStub* series : {&voltage, &quadrature, &steps})
        {
            series->m_points.clear();
            stream.resetClient(series);
        }
        stream.start(sampling->overSamplingFactor());
        QVERIFY(waitFor([&] { return countOf(board.m_pRecorder->opcodes(), startSampling) == 2; }));
        ConnectedDriverBoard::bus().advance(300);
        QVERIFY(waitFor([&] { return steps.m_points.count() >= 10; }));
        stream.stop();
        QCOMPARE(stream.state(), int(PlotUSBDataStream::Receiving));
        const quint8 stopStreaming = R::commandCode(model, R::StopStreaming);
        QVERIFY(waitFor([&] { return countOf(board.m_pRecorder->opcodes(), stopStreaming) == 1; }));
        ConnectedDriverBoard::bus().advance(1);
        QVERIFY(waitFor([&] { return stream.state() == PlotUSBDataStream::Stopped; }));
        QCOMPARE(steps.m_finished, 2);
        QCOMPARE(steps.m_points.count(), 15);
        QVERIFY(failures.m_results.isEmpty());

        board.m_state.getDriver()->unregisterStreamReceiver(0, 0);
        dispatcher.removeResultObserver(&failures);
    }
};

TALVEX_TEST(tst_EndToEnd)
#include "tst_EndToEnd.moc"
