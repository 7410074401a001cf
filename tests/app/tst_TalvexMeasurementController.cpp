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

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;
typedef TalvexDriverSamplingConfiguration Sampling;
typedef TalvexMeasurementController C;

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
    }

    ~ControllerOnBoard() { m_board.m_state.getDriver()->unregisterStreamReceiver(0, 0); }

    Sampling& sampling() { return *m_board.m_document.samplingConfiguration(); }

    QStringList wire() const { return m_board.m_pRecorder->wire(); }

    ConnectedDriverBoard m_board;
    QObject m_requester;
    boost::shared_ptr<TalvexStreamInterpreter> m_pInterpreter = boost::make_shared<TalvexStreamInterpreter>();
    PlotUSBDataStream m_stream;
    C m_controller;
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

    void checkStart_data()
    {
        QTest::addColumn<bool>("channels");
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("overSample");
        QTest::addColumn<QString>("fault");
        QTest::newRow("fine") << true << 5 << 0 << QString();
        QTest::newRow("shortest period") << true << 1 << 0 << QString();
        QTest::newRow("longest period") << true << 14 << 0 << QString();
        QTest::newRow("no channel enabled") << false << 5 << 0 << "No channel is enabled for sampling";
        QTest::newRow("period below the table") << true << 0 << 0 << "The sample period index 0 is not one of 1 to 14.";
        QTest::newRow("period beyond the table") << true << 15 << 0 << "The sample period index 15 is not one of 1 to 14.";
        QTest::newRow("unknown over-sampling") << true << 5 << 3 << "The over-sampling 3 is not one of 0 to 2.";
    }

    // A start is refused with the fault of the settings, and nothing goes to the board then.
    void checkStart()
    {
        QFETCH(bool, channels);
        QFETCH(int, period);
        QFETCH(int, overSample);
        QFETCH(QString, fault);
        ControllerOnBoard on;
        QVERIFY(on.m_board.m_connected.isOk());
        on.sampling().setValue(Sampling::SamplePeriod, period);
        on.sampling().setValue(Sampling::OverSample, overSample);

        const USBResult checked = on.m_controller.checkStart(channels);
        QCOMPARE(checked.isOk(), fault.isEmpty());
        if (!fault.isEmpty())
            QCOMPARE(checked.getMessage(), fault);
        if (!fault.isEmpty())
            QCOMPARE(checked.getStatus(), 2);
        QVERIFY(on.m_board.m_pRecorder->opcodes().isEmpty());
    }

    // A count beyond what the board counts is brought to its most before the start.
    void checkStartBringsTheCountIntoRange()
    {
        ControllerOnBoard on;
        on.sampling().setValue(Sampling::SampleCount, 1000000);
        QVERIFY(on.m_controller.checkStart(true).isOk());
        QCOMPARE(variantToInt(on.sampling().value(Sampling::SampleCount)), on.sampling().maximumSampleCount());
    }

    // Without a board's document nothing may start.
    void checkStartWithoutDocument()
    {
        ControllerOnBoard on;
        PlotUSBDataStream stream;
        C controller(nullptr, on.m_board.m_pDispatcher, &stream, on.m_pInterpreter, &on.m_requester, nullptr);
        QCOMPARE(controller.checkStart(true).getMessage(), QString("No device is open"));
        QCOMPARE(controller.duration(), 0.0);
    }

    // The start sends the stream start and the sampling record as the document holds it.
    void startSendsTheSampling()
    {
        ControllerOnBoard on;
        on.sampling().setValue(Sampling::SampleCount, 1234);
        TalvexDriverInputConfiguration input;
        input.setChannelAssignments({{1, 32}});
        QVERIFY(on.m_controller.checkStart(true).isOk());
        const USBResult started = on.m_controller.start(input);
        QVERIFY2(started.isOk(), qPrintable(started.getMessage()));
        QVERIFY(waitFor([&] { return on.wire().count() == 2; }));
        QCOMPARE(on.wire(), QStringList({"2E", "24 05 D2 04 00 00 05"}));
        QVERIFY(on.m_stream.state() != PlotUSBDataStream::Stopped);
        on.m_stream.reset();
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
        QVERIFY(on.m_controller.clear(C::Counter(counter)).isOk());
        QVERIFY(on.m_controller.clear(C::Counter(counter)).isOk());
        QVERIFY(waitFor([&] { return on.m_board.answered(&on.m_requester, {action}); }));
        QCOMPARE(on.wire(), QStringList({opcode}));
        QVERIFY(on.m_controller.clear(C::Counter(counter)).isOk());
        QVERIFY(waitFor([&] { return on.wire().count() == 2; }));
    }

    // Without a board the clear is refused with the dispatcher's text.
    void clearWithoutBoard()
    {
        ControllerOnBoard on;
        on.m_board.m_state.disconnectDevice();
        const USBResult cleared = on.m_controller.clear(C::EventCounter);
        QCOMPARE(cleared.getMessage(), QString("No device is open"));
    }
};

TALVEX_TEST(tst_TalvexMeasurementController)
#include "tst_TalvexMeasurementController.moc"
