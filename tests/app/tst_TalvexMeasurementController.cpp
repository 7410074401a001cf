#include "TestRegistry.h"

#include "ConnectedDriverBoard.h"
#include "DriverTestSupport.h"
#include "PlotUSBDataStream.h"
#include "SettingsSandbox.h"
#include "TalvexMeasurementController.h"
#include "TalvexStreamInterpreter.h"
#include "ValueConversions.h"

#include <QSignalSpy>
#include <QTest>
#include <algorithm>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;
typedef TalvexDriverInputConfiguration Input;
typedef TalvexDriverSamplingConfiguration Sampling;
typedef TalvexMeasurementController C;

// Tells the controller of the stream's state, as the tab does.
class StateRelay : public PlotUSBDataStream::IStateObserver
{
public:
    explicit StateRelay(C* controller) : m_pController(controller) {}
    void streamStateChanged(int state) override { m_pController->streamStateChanged(state); }
    void streamDestroyed(PlotUSBDataStream*) override { m_pController->streamDestroyed(); }

private:
    C* m_pController;
};

// The controller of a (1,2) board's Measurements tab, with the stream the tab would have.
struct ControllerOnBoard
{
    ControllerOnBoard()
        : m_board(D::s_model1_2, USBVersion(4, 0))
        , m_controller(&m_board.m_document, m_board.m_pDispatcher, &m_stream, m_pInterpreter, &m_requester, nullptr)
    {
        m_stream.setDispatcher(m_board.m_pDispatcher);
        m_stream.setInterpreter(m_pInterpreter);
        m_board.m_state.getDriver()->registerStreamReceiver(0, &m_stream, 0);
        m_stream.addStateObserver(&m_relay);
        QObject::connect(&m_controller, &C::stateChanged, [this](int state) { m_states << state; });
        QObject::connect(&m_controller, &C::statusMessage, [this](const USBResult& result) { m_messages << result; });
    }

    ~ControllerOnBoard()
    {
        m_stream.removeStateObserver(&m_relay);
        m_board.m_state.getDriver()->unregisterStreamReceiver(0, 0);
    }

    Sampling& sampling() { return *m_board.m_document.samplingConfiguration(); }

    // The board samples with this input configuration, and the pages are built for it.
    void configure(int mask, int adcMode = 0)
    {
        Input input;
        input.setOutputMask(mask);
        input.setValue(Input::ADCMode, adcMode);
        m_board.configureBoard(R::SetInputConfiguration, input.toByteArray(m_board.m_model, m_board.m_firmwareVersion));
        m_controller.inputConfigurationChanged(input);
    }

    QStringList wire() const { return m_board.m_pRecorder->wire(); }

    int count(int action) const
    {
        const QVector<quint8> opcodes = m_board.m_pRecorder->opcodes();
        return int(std::count(opcodes.cbegin(), opcodes.cend(), R::commandCode(m_board.m_model, action)));
    }

    // The simulated board's clock runs; its packets reach the stream.
    void advance(int milliseconds)
    {
        for (int ms = 0; ms < milliseconds; ms += 50)
        {
            ConnectedDriverBoard::bus().advance(50);
            QCoreApplication::processEvents();
        }
    }

    // Pressed start: the board samples and its packets come.
    bool runs()
    {
        m_controller.startStopPressed();
        return waitFor([&] { return count(R::StartSampling) == 1; })
            && (advance(300), waitFor([&] { return m_controller.state() == C::Running; }));
    }

    ConnectedDriverBoard m_board;
    QObject m_requester;
    boost::shared_ptr<TalvexStreamInterpreter> m_pInterpreter = boost::make_shared<TalvexStreamInterpreter>();
    PlotUSBDataStream m_stream;
    C m_controller;
    StateRelay m_relay{&m_controller};
    QVector<int> m_states;
    QVector<USBResult> m_messages;
};
}

class tst_TalvexMeasurementController : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase()
    {
        QVERIFY(m_settings.isolated());
        QVERIFY(runsOnSimulatedBus());
    }

    void startRefused_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("overSample");
        QTest::addColumn<QString>("fault");
        QTest::newRow("fine") << 0x8 << 5 << 0 << QString();
        QTest::newRow("shortest period") << 0x8 << 1 << 0 << QString();
        QTest::newRow("longest period") << 0x8 << 14 << 0 << QString();
        QTest::newRow("no channel enabled") << 0 << 5 << 0 << "No channel is enabled for sampling";
        QTest::newRow("period below the table") << 0x8 << 0 << 0 << "The sample period index 0 is not one of 1 to 14.";
        QTest::newRow("period beyond the table") << 0x8 << 15 << 0 << "The sample period index 15 is not one of 1 to 14.";
        QTest::newRow("unknown over-sampling") << 0x8 << 5 << 3 << "The over-sampling 3 is not one of 0 to 2.";
    }

    // A start is refused with the fault of the settings and shows stopped again; nothing goes to
    // the board then. A sound start waits for the trigger.
    void startRefused()
    {
        QFETCH(int, mask);
        QFETCH(int, period);
        QFETCH(int, overSample);
        QFETCH(QString, fault);
        ControllerOnBoard on;
        QVERIFY(on.m_board.m_connected.isOk());
        on.configure(mask);
        on.sampling().setValue(Sampling::SamplePeriod, period);
        on.sampling().setValue(Sampling::OverSample, overSample);
        on.m_states.clear();

        on.m_controller.startStopPressed();
        if (fault.isEmpty())
        {
            QVERIFY(on.m_messages.isEmpty());
            QCOMPARE(on.m_states.last(), int(C::WaitingForTrigger));
            QVERIFY(on.m_stream.state() != PlotUSBDataStream::Stopped);
            return;
        }
        QCOMPARE(on.m_messages.count(), 1);
        QCOMPARE(on.m_messages.at(0).getMessage(), fault);
        QCOMPARE(on.m_messages.at(0).getStatus(), 2);
        QCOMPARE(on.m_states, (QVector<int>{C::WaitingForTrigger, C::Stopped}));
        QCOMPARE(on.m_stream.state(), int(PlotUSBDataStream::Stopped));
        QVERIFY(on.m_board.m_pRecorder->opcodes().isEmpty());
    }

    // A count beyond what the board counts is brought to its most before the start.
    void startBringsTheCountIntoRange()
    {
        ControllerOnBoard on;
        on.configure(0x8);
        on.sampling().setValue(Sampling::SampleCount, 1000000);
        on.m_controller.startStopPressed();
        QVERIFY(on.m_messages.isEmpty());
        QCOMPARE(variantToInt(on.sampling().value(Sampling::SampleCount)), on.sampling().maximumSampleCount());
    }

    // Without a board's document nothing may start.
    void startWithoutDocument()
    {
        ControllerOnBoard on;
        PlotUSBDataStream stream;
        C controller(nullptr, on.m_board.m_pDispatcher, &stream, on.m_pInterpreter, &on.m_requester, nullptr);
        QStringList messages;
        QObject::connect(&controller, &C::statusMessage, [&](const USBResult& result) { messages << result.getMessage(); });
        controller.startStopPressed();
        QCOMPARE(messages, QStringList{"No device is open"});
        QCOMPARE(controller.state(), C::Stopped);
        QCOMPARE(controller.duration(), 0.0);
        QVERIFY(controller.infoText().isEmpty());
    }

    // The start sends the stream start and the sampling record as the document holds it.
    void startSendsTheSampling()
    {
        ControllerOnBoard on;
        on.sampling().setValue(Sampling::SampleCount, 1234);
        Input input;
        input.setChannelAssignments({{1, 32}});
        input.setOutputMask(0x8);
        on.m_controller.inputConfigurationChanged(input);
        on.m_controller.startStopPressed();
        QVERIFY(on.m_messages.isEmpty());
        QVERIFY(waitFor([&] { return on.wire().count() == 2; }));
        QCOMPARE(on.wire(), QStringList({"2E", "24 05 D2 04 00 00 05"}));
        QVERIFY(on.m_stream.state() != PlotUSBDataStream::Stopped);
    }

    // A run from start to the board's last packet; a second press while the board still sends
    // stops it once and waits for that packet with the button disabled.
    void runsAndStops()
    {
        ControllerOnBoard on;
        on.configure(0x8);
        on.sampling().setValue(Sampling::SampleCount, 5000);
        on.m_states.clear();
        QVERIFY(on.runs());
        QCOMPARE(on.m_states.first(), int(C::WaitingForTrigger));
        QVERIFY(on.m_controller.startStopEnabled());

        on.m_controller.startStopPressed();
        QCOMPARE(on.m_controller.state(), C::Stopping);
        QVERIFY(!on.m_controller.startStopEnabled());
        on.m_controller.startStopPressed();
        on.m_controller.end();
        QVERIFY(waitFor([&] { return on.count(R::StopStreaming) == 1; }));
        // Packets that come while it stops show no run again.
        on.m_controller.streamStateChanged(PlotUSBDataStream::Receiving);
        QCOMPARE(on.m_controller.state(), C::Stopping);
        on.advance(100);
        QVERIFY(waitFor([&] { return on.m_controller.state() == C::Stopped; }));
        QCOMPARE(on.count(R::StopStreaming), 1);
        QVERIFY(on.m_controller.startStopEnabled());
        QVERIFY(on.m_messages.isEmpty());
    }

    // A stop whose last packet never comes ends when the stop timer fires.
    void stopTimesOut()
    {
        ControllerOnBoard on;
        on.configure(0x8);
        on.sampling().setValue(Sampling::SampleCount, 5000);
        QVERIFY(on.runs());
        on.m_board.m_pRecorder->refuse(R::commandCode(on.m_board.m_model, R::StopStreaming), 3);
        on.m_controller.startStopPressed();
        QCOMPARE(on.m_controller.state(), C::Stopping);
        QVERIFY(waitFor([&] { return on.count(R::StopStreaming) == 1; }));
        on.m_controller.stopTimedOut();
        QCOMPARE(on.m_controller.state(), C::Stopped);
        QCOMPARE(on.m_stream.state(), int(PlotUSBDataStream::Stopped));
        QVERIFY(on.m_controller.startStopEnabled());
    }

    // A measurement started elsewhere (a script) shows here without a second start; a press
    // then stops it.
    void startedElsewhere()
    {
        ControllerOnBoard on;
        on.configure(0x8);
        on.m_stream.start(1);
        QCOMPARE(on.m_controller.state(), C::WaitingForTrigger);
        QVERIFY(waitFor([&] { return on.count(R::StartSampling) == 1; }));
        on.advance(300);
        QVERIFY(waitFor([&] { return on.m_controller.state() == C::Running; }));
        QCOMPARE(on.count(R::StartSampling), 1);
        on.m_controller.startStopPressed();
        QVERIFY(waitFor([&] { return on.count(R::StopStreaming) == 1; }));
    }

    // A new input configuration ends the run before the pages are built for it.
    void inputConfigurationChangeEndsTheRun()
    {
        ControllerOnBoard on;
        on.configure(0x8);
        on.sampling().setValue(Sampling::SampleCount, 5000);
        QVERIFY(on.runs());
        on.configure(0x1);
        QCOMPARE(on.m_controller.state(), C::Stopping);
        QVERIFY(waitFor([&] { return on.count(R::StopStreaming) == 1; }));
    }

    void startStopEnabled_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("no channel") << 0 << false;
        QTest::newRow("voltage") << 0x1 << true;
        QTest::newRow("every channel") << 0xF << true;
    }

    // The button may be pressed with a channel to sample, whether to start or to stop.
    void startStopEnabled()
    {
        QFETCH(int, mask);
        QFETCH(bool, enabled);
        ControllerOnBoard on;
        QVERIFY(!on.m_controller.startStopEnabled());
        on.configure(mask);
        QCOMPARE(on.m_controller.startStopEnabled(), enabled);
        on.m_stream.start(1);
        QCOMPARE(on.m_controller.state(), C::WaitingForTrigger);
        QCOMPARE(on.m_controller.startStopEnabled(), enabled);
    }

    void samplePeriodsFollowTheAdcMode_data()
    {
        QTest::addColumn<int>("adcMode");
        QTest::addColumn<int>("period");
        QTest::addColumn<QStringList>("offered");
        QTest::addColumn<int>("kept");
        const QStringList all{"200 us", "500 us", "1 ms", "2 ms", "5 ms", "10 ms", "20 ms", "50 ms", "100 ms",
            "200 ms", "500 ms", "1 s", "2 s", "5 s"};
        QTest::newRow("normal, shortest") << 0 << 1 << all << 1;
        QTest::newRow("normal, longest") << 0 << 14 << all << 14;
        QTest::newRow("peak-peak, too short") << 1 << 2 << QStringList(all.mid(5)) << 6;
        QTest::newRow("peak-peak, just too short") << 1 << 5 << QStringList(all.mid(5)) << 6;
        QTest::newRow("peak-peak, shortest") << 1 << 6 << QStringList(all.mid(5)) << 6;
        QTest::newRow("peak-peak, longest") << 1 << 14 << QStringList(all.mid(5)) << 14;
    }

    // The board cannot sample peak-peak values fast: only the periods it can are offered, and a
    // shorter one in the settings becomes the shortest it can.
    void samplePeriodsFollowTheAdcMode()
    {
        QFETCH(int, adcMode);
        QFETCH(int, period);
        QFETCH(QStringList, offered);
        QFETCH(int, kept);
        ControllerOnBoard on;
        on.sampling().setValue(Sampling::SamplePeriod, period);
        on.configure(0x1, adcMode);
        QStringList texts;
        int index = 15 - offered.count();
        for (const C::SamplePeriod& each : on.m_controller.samplePeriods())
        {
            texts << each.text;
            QCOMPARE(each.index, index++);
        }
        QCOMPARE(texts, offered);
        QCOMPARE(variantToInt(on.sampling().value(Sampling::SamplePeriod)), kept);
    }

    void infoText_data()
    {
        QTest::addColumn<int>("adcMode");
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("overSample");
        QTest::addColumn<QString>("text");
        const QString normal("Voltage sample mode: normal\nMaximum resolvable voltage signal frequency: %1 Hz");
        const QString peak("Voltage sample mode: Peak-peak\nMaximum AC signal frequency : 1250 Hz\n"
                           "Minimum AC signal frequency convertable to DC: %1 Hz");
        QTest::newRow("normal 200 us") << 0 << 1 << 0 << normal.arg("1250");
        QTest::newRow("normal 5 ms") << 0 << 5 << 0 << normal.arg("50");
        QTest::newRow("normal 5 s") << 0 << 14 << 2 << normal.arg("0.05");
        QTest::newRow("peak-peak 10 ms") << 1 << 6 << 0 << peak.arg("200");
        QTest::newRow("peak-peak 10 ms, over-sampled") << 1 << 6 << 2 << peak.arg("2000");
        QTest::newRow("peak-peak 20 ms, low over-sampling") << 1 << 7 << 1 << peak.arg("400");
    }

    void infoText()
    {
        QFETCH(int, adcMode);
        QFETCH(int, period);
        QFETCH(int, overSample);
        QFETCH(QString, text);
        ControllerOnBoard on;
        on.configure(0x1, adcMode);
        on.sampling().setValue(Sampling::SamplePeriod, period);
        on.sampling().setValue(Sampling::OverSample, overSample);
        QCOMPARE(on.m_controller.infoText(), text);
    }

    void durationChanged_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("seconds");
        QTest::newRow("200 us") << 1 << 5000 << 1.0;
        QTest::newRow("10 ms") << 6 << 100 << 1.0;
        QTest::newRow("5 s") << 14 << 200 << 1000.0;
    }

    // Each edit of the sampling settings scales the plot once, to the time the samples span.
    void durationChanged()
    {
        QFETCH(int, period);
        QFETCH(int, count);
        QFETCH(double, seconds);
        ControllerOnBoard on;
        on.sampling().setValue(Sampling::SampleCount, count);
        QSignalSpy changed(&on.m_controller, &C::durationChanged);
        on.sampling().setValue(Sampling::SamplePeriod, period);
        QCOMPARE(changed.count(), 1);
        QVERIFY(qFuzzyCompare(changed.at(0).at(0).toDouble(), seconds));
        QVERIFY(qFuzzyCompare(on.m_controller.duration(), seconds));
    }

    void clear_data()
    {
        QTest::addColumn<int>("counter");
        QTest::addColumn<int>("action");
        QTest::newRow("steps") << int(C::StepCounter) << int(R::ZeroPosition);
        QTest::newRow("events") << int(C::EventCounter) << int(R::ClearCounters);
        QTest::newRow("quadrature") << int(C::QuadratureCounter) << int(R::ClearCounters);
    }

    // A clear goes to the board once while it is in flight; a press after its answer sends again.
    void clear()
    {
        QFETCH(int, counter);
        QFETCH(int, action);
        ControllerOnBoard on;
        const QString opcode = hexText(QVector<quint8>{R::commandCode(on.m_board.m_model, action)});
        on.m_controller.clear(C::Counter(counter));
        on.m_controller.clear(C::Counter(counter));
        QVERIFY(waitFor([&] { return on.m_board.answered(&on.m_requester, {action}); }));
        QCOMPARE(on.wire(), QStringList({opcode}));
        on.m_controller.clear(C::Counter(counter));
        QVERIFY(waitFor([&] { return on.wire().count() == 2; }));
        QVERIFY(on.m_messages.isEmpty());
    }

    // Without a board the clear is refused with the dispatcher's text.
    void clearWithoutBoard()
    {
        ControllerOnBoard on;
        on.m_board.m_state.disconnectDevice();
        on.m_controller.clear(C::EventCounter);
        QCOMPARE(on.m_messages.count(), 1);
        QCOMPARE(on.m_messages.at(0).getMessage(), QString("No device is open"));
    }
};

TALVEX_TEST(tst_TalvexMeasurementController)
#include "tst_TalvexMeasurementController.moc"
