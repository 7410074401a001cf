#include "TestRegistry.h"

#include "AppTestSupport.h"
#include "ConnectedDriverBoard.h"
#include "DriverTestSupport.h"
#include "ModalAnswers.h"
#include "Plot.h"
#include "SettingsSandbox.h"
#include "TalvexDriverMotorMoveConfiguration.h"
#include "TalvexIODiagramWidget.h"
#include "TalvexMeasurementTab.h"
#include "TalvexStreamInterpreter.h"
#include "UIUserInputRegister.h"
#include "UIWidgetFor.h"
#include "USBPacketStreamEvent.h"

#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <memory>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;
typedef TalvexDriverInputConfiguration Input;
typedef TalvexDriverSamplingConfiguration Sampling;
typedef UIWidgetFor<QLineEdit> LineEdit;

// Notes the board's last packet on its way to the stream.
class LastPacketSpy : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == USBPacketStreamEvent::s_type)
        {
            const QVector<quint8> data = static_cast<USBPacketStreamEvent*>(event)->getData();
            m_lastSeen = m_lastSeen || (data.size() > 1 && data.at(1) != 0);
        }
        return false;
    }

    bool m_lastSeen = false;
};

// The Measurements tab on a board of one model, with the sample stream as the main window
// wires it and the inputs that the Motion and IO tabs register.
struct MeasurementTabOnBoard
{
    explicit MeasurementTabOnBoard(bool withCountsPerRevolution = true)
        : m_board(D::s_model1_2, USBVersion(4, 0))
    {
        m_stream.setDispatcher(m_board.m_pDispatcher);
        m_stream.setInterpreter(m_pInterpreter);
        m_board.m_state.getDriver()->registerStreamReceiver(0, &m_stream, 0);
        for (const char* key : {"StepDegrees", "Pitch", "MicroSteppingFactor", "MicroStepping", "QuadratureCPR"})
        {
            if (QString(key) == "QuadratureCPR" && !withCountsPerRevolution)
                continue;
            LineEdit* edit = new LineEdit;
            edit->setParent(&m_otherTabs);
            m_inputs.add(key, edit);
        }
        m_inputs.get("StepDegrees")->setValue(1.8);
        m_inputs.get("Pitch")->setValue(4.0);
        m_inputs.get("MicroSteppingFactor")->setValue(16);
        if (withCountsPerRevolution)
            m_inputs.get("QuadratureCPR")->setValue(500);
        createTab();
    }

    ~MeasurementTabOnBoard()
    {
        delete m_pTab;
        m_board.m_state.getDriver()->unregisterStreamReceiver(0, 0);
    }

    void createTab()
    {
        m_pTab = new TalvexMeasurementTab(nullptr, &m_board.m_document, m_board.m_pDispatcher, &m_stream,
            m_pInterpreter, &m_inputs);
        QObject::connect(m_pTab, &TalvexMeasurementTab::statusMessage,
            [this](const USBResult& result) { m_messages << result.getMessage(); });
        m_pTab->resize(900, 650);
    }

    // The board and the document get the same input configuration, as after its read-back.
    void configure(int mask, int adcMode = 0)
    {
        Input input;
        input.setOutputMask(mask);
        input.setValue(Input::ADCMode, adcMode);
        m_board.configureBoard(R::SetInputConfiguration, input.toByteArray(m_board.m_model, m_board.m_firmwareVersion));
        *m_board.m_document.inputConfiguration() = input;
    }

    Sampling* sampling() { return m_board.m_document.samplingConfiguration(); }
    QTabWidget* options() { return m_pTab->findChild<QTabWidget*>(); }
    Plot* plot() { return m_pTab->findChild<Plot*>(); }
    QCustomPlot* customPlot() { return plot()->customPlot(); }

    QStringList pageTitles()
    {
        QStringList titles;
        for (int i = 0; i < options()->count(); ++i)
            titles << options()->tabText(i);
        return titles;
    }

    QPushButton* buttonWithTip(const QString& tip)
    {
        for (QPushButton* button : m_pTab->findChildren<QPushButton*>())
            if (button->toolTip() == tip)
                return button;
        return nullptr;
    }

    // The start/stop button: the one without a fixed tool tip among the top row's.
    QPushButton* startStop()
    {
        for (QPushButton* button : m_pTab->findChildren<QPushButton*>())
            if (button->iconSize() == QSize(32, 32) && !button->toolTip().startsWith("Save")
                && !button->toolTip().startsWith("Clear"))
                return button;
        return nullptr;
    }

    QString stateText()
    {
        for (QLabel* label : m_pTab->findChildren<QLabel*>())
            for (const char* text : {"Stopped", "Waiting for trigger", "Running", "Stopping"})
                if (label->text() == text)
                    return label->text();
        return QString();
    }

    template <class W>
    W* widget(const QString& key) { return dynamic_cast<W*>(m_inputs.get(key)->object()); }

    int count(int action) const
    {
        return int(std::count(m_board.m_pRecorder->opcodes().cbegin(), m_board.m_pRecorder->opcodes().cend(),
            R::commandCode(m_board.m_model, action)));
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

    bool runs()
    {
        return waitFor([&] { return count(R::StartSampling) > m_startsSeen; })
            && (advance(300), waitFor([&] { return stateText() == "Running"; }));
    }

    void refresh() { QMetaObject::invokeMethod(m_pTab, "updatePlot"); }

    // A measurement while the motor turns, so the counts are not all zero: the first graph's
    // values once it has stopped.
    bool measureWhileTheMotorTurns(QVector<double>& values)
    {
        m_board.configureBoard(R::MotorOn, QByteArray());
        m_board.configureBoard(R::Move,
            TalvexDriverMotorMoveConfiguration(TalvexDriverMotorMoveConfiguration::Continuous,
                TalvexDriverMotorMoveConfiguration::Forward, 0).toByteArray(m_board.m_model));
        QTest::mousePress(startStop(), Qt::LeftButton);
        if (!runs())
            return false;
        advance(1000);
        if (!waitFor([&] { return stateText() == "Stopped"; }))
            return false;
        plot()->updatePlotData();
        for (const QCPGraphData& point : *customPlot()->graph(0)->data())
            values << point.value;
        return !values.isEmpty();
    }

    int points(int graph) { return customPlot()->graph(graph)->data()->size(); }

    ConnectedDriverBoard m_board;
    boost::shared_ptr<TalvexStreamInterpreter> m_pInterpreter = boost::make_shared<TalvexStreamInterpreter>();
    PlotUSBDataStream m_stream;
    UIUserInputRegister m_inputs;
    QWidget m_otherTabs;
    TalvexMeasurementTab* m_pTab = nullptr;
    QStringList m_messages;
    int m_startsSeen = 0;
};
}

class tst_TalvexMeasurementTab : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase()
    {
        QVERIFY(m_settings.isolated());
        QVERIFY(runsOnSimulatedBus());
        Q_INIT_RESOURCE(rc);
    }

    void pagesFollowTheChannelMask_data()
    {
        QTest::addColumn<int>("mask");
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<QStringList>("cursorRows");
        QTest::addColumn<QString>("rightAxis");
        QTest::newRow("none") << 0 << QStringList{"Sampling"} << QStringList() << QString();
        QTest::newRow("events and steps") << 0xA << QStringList{"Sampling", "Events", "Steps", "Cursors"}
                                          << QStringList{"X", "Motor steps", "Events"} << "Step count";
        QTest::newRow("all") << 0xF
                             << QStringList{"Sampling", "Voltage", "Quadrature", "Events", "Steps", "Cursors"}
                             << QStringList{"X", "Voltage", "Motor steps", "Quadrature", "Events"}
                             << "Quadrature count, Event count, Step count";
    }

    void pagesFollowTheChannelMask()
    {
        QFETCH(int, mask);
        QFETCH(QStringList, pages);
        QFETCH(QStringList, cursorRows);
        QFETCH(QString, rightAxis);
        MeasurementTabOnBoard tab;
        // Nothing but the sampling until the board's input configuration is known.
        QCOMPARE(tab.pageTitles(), QStringList{"Sampling"});
        QVERIFY(!tab.startStop()->isEnabled());

        tab.configure(mask);
        QCOMPARE(tab.pageTitles(), pages);
        QCOMPARE(tab.startStop()->isEnabled(), mask != 0);
        QCOMPARE(tab.customPlot()->yAxis2->label(), rightAxis);
        QStringList rows;
        if (QWidget* cursors = tab.options()->widget(pages.indexOf("Cursors")))
        {
            QGridLayout* grid = cursors->findChild<QGridLayout*>();
            for (int row = 1; row < grid->rowCount(); ++row)
                rows << qobject_cast<QLabel*>(grid->itemAtPosition(row, 0)->widget())->text().remove("<b>").remove("</b>");
        }
        QCOMPARE(rows, cursorRows);
    }

    // A rebuild takes the old pages' inputs out of the register; without the IO tab's counts
    // per revolution there is no phasor to offer.
    void rebuildKeepsTheRegisterSound()
    {
        MeasurementTabOnBoard tab(false);
        tab.configure(0xF);
        QVERIFY(tab.m_inputs.contains("StepsUnit"));
        QVERIFY(!tab.widget<QCheckBox>("QuadratureAsPhasor")->isEnabled());
        tab.configure(0x1);
        QCOMPARE(tab.pageTitles(), (QStringList{"Sampling", "Voltage", "Cursors"}));
        for (const char* key : {"StepsUnit", "QuadratureAsPhasor", "EventsFactor", "StepsInverted"})
            QVERIFY2(!tab.m_inputs.contains(key), key);
        QVERIFY(tab.m_inputs.contains("VoltageFactor"));

        // The Motion tab's input goes away: the steps page is built again without it.
        tab.configure(0x8);
        QVERIFY(tab.widget<QComboBox>("StepsUnit")->isEnabled());
        delete tab.m_inputs.get("Pitch")->object();
        QVERIFY(!tab.m_inputs.contains("Pitch"));
        QVERIFY(!tab.widget<QComboBox>("StepsUnit")->isEnabled());
        tab.refresh();

        // A key another tab registered since stays when this tab goes.
        LineEdit newer;
        tab.m_inputs.add("Trigger", &newer);
        delete tab.m_pTab;
        tab.m_pTab = nullptr;
        for (const char* key : {"SampleCount", "SamplePeriod", "StepsUnit", "ShowCursor1"})
            QVERIFY2(!tab.m_inputs.contains(key), key);
        QCOMPARE(tab.m_inputs.get("Trigger"), static_cast<UIIUserInput*>(&newer));
    }

    void samplePeriodsFollowTheAdcMode()
    {
        MeasurementTabOnBoard tab;
        const QStringList all{"200 us", "500 us", "1 ms", "2 ms", "5 ms", "10 ms", "20 ms", "50 ms", "100 ms",
            "200 ms", "500 ms", "1 s", "2 s", "5 s"};
        QComboBox* period = tab.widget<QComboBox>("SamplePeriod");
        QCOMPARE(itemTexts(period), all);
        tab.sampling()->setValue(Sampling::SamplePeriod, 2);
        tab.configure(0x1, 1);
        QCOMPARE(itemTexts(period), all.mid(5));
        // The board cannot sample peak-peak values that fast: the period is one it can.
        QCOMPARE(tab.sampling()->value(Sampling::SamplePeriod).toInt(), 6);
        QCOMPARE(period->currentText(), QString("10 ms"));
        QVERIFY(tab.m_pTab->findChild<QGroupBox*>()->findChild<QLabel*>()->text().startsWith(
            "Voltage sample mode: Peak-peak\nMaximum AC signal frequency : 1250 Hz\n"
            "Minimum AC signal frequency convertable to DC: "));
        tab.configure(0x1, 0);
        QCOMPARE(itemTexts(period), all);
    }

    void infoAndDurationFollowTheSampling()
    {
        MeasurementTabOnBoard tab;
        tab.configure(0x9);
        tab.widget<QSpinBox>("SampleCount")->setValue(5000);
        tab.widget<QComboBox>("SamplePeriod")->setCurrentText("5 ms");
        QLabel* info = tab.m_pTab->findChild<QGroupBox*>()->findChild<QLabel*>();
        QCOMPARE(info->text(), QString("Voltage sample mode: normal\nMaximum resolvable voltage signal frequency: 50 Hz"));
        QCOMPARE(tab.customPlot()->xAxis->range().upper, 25.0);
    }

    // A run from start to the board's last packet, the refresh filling the graphs.
    void measures()
    {
        MeasurementTabOnBoard tab;
        tab.configure(0xF);
        tab.widget<QSpinBox>("SampleCount")->setValue(100);
        tab.widget<QComboBox>("SamplePeriod")->setCurrentText("10 ms");
        QTest::mousePress(tab.startStop(), Qt::LeftButton);
        QCOMPARE(tab.stateText(), QString("Waiting for trigger"));
        QVERIFY(!tab.buttonWithTip("Save graph in CSV format.")->isEnabled());
        QVERIFY(!tab.buttonWithTip("Save graph to *.png file.")->isEnabled());
        QVERIFY(tab.runs());
        tab.refresh();
        for (int graph = 0; graph < 4; ++graph)
            QVERIFY2(tab.points(graph) > 0, qPrintable(QString::number(graph)));
        tab.advance(1200);
        QVERIFY(waitFor([&] { return tab.stateText() == "Stopped"; }));
        for (int graph = 0; graph < 4; ++graph)
            QCOMPARE(tab.points(graph), 100);
        QVERIFY(tab.buttonWithTip("Save graph in CSV format.")->isEnabled());
        QCOMPARE(tab.m_stream.state(), int(PlotUSBDataStream::Stopped));
        QVERIFY(tab.m_messages.isEmpty());

        // Started elsewhere (a script): shown here, without a second start.
        tab.m_startsSeen = tab.count(R::StartSampling);
        tab.m_stream.start(1);
        QCOMPARE(tab.stateText(), QString("Waiting for trigger"));
        QVERIFY(!tab.buttonWithTip("Save graph to *.png file.")->isEnabled());
        QVERIFY(tab.runs());
        QCOMPARE(tab.count(R::StartSampling), tab.m_startsSeen + 1);
        // Pressing start then stops it.
        QTest::mousePress(tab.startStop(), Qt::LeftButton);
        QVERIFY(waitFor([&] { return tab.count(R::StopStreaming) == 1; }));
        tab.advance(100);
        QVERIFY(waitFor([&] { return tab.stateText() == "Stopped"; }));
    }

    // A stop whose last packet never comes ends after a while; a new run works.
    void stopWithoutLastPacket()
    {
        MeasurementTabOnBoard tab;
        tab.configure(0x8);
        tab.widget<QSpinBox>("SampleCount")->setValue(5000);
        QTest::mousePress(tab.startStop(), Qt::LeftButton);
        QVERIFY(tab.runs());
        // The board takes no stop, so its last packet never comes.
        tab.m_board.m_pRecorder->refuse(R::commandCode(tab.m_board.m_model, R::StopStreaming), 3);
        QTest::mousePress(tab.startStop(), Qt::LeftButton);
        QCOMPARE(tab.stateText(), QString("Stopping"));
        QVERIFY(!tab.startStop()->isEnabled());
        QVERIFY(!tab.startStop()->toolTip().isEmpty());
        QVERIFY(waitFor([&] { return tab.count(R::StopStreaming) == 1; }));
        tab.m_pTab->findChild<TalvexMeasurementController*>()->stopTimedOut();
        QCOMPARE(tab.stateText(), QString("Stopped"));
        QVERIFY(tab.startStop()->isEnabled());
        QCOMPARE(tab.m_stream.state(), int(PlotUSBDataStream::Stopped));

        // Once the board is idle again, a new run works.
        LastPacketSpy spy;
        tab.m_stream.installEventFilter(&spy);
        tab.m_board.configureBoard(R::StopStreaming, QByteArray());
        tab.advance(50);
        QVERIFY(waitFor([&] { return spy.m_lastSeen; }));
        tab.m_startsSeen = tab.count(R::StartSampling);
        QTest::mousePress(tab.startStop(), Qt::LeftButton);
        QVERIFY(tab.runs());
        tab.refresh();
        QVERIFY(tab.points(0) > 0);
    }

    // A start the board refuses ends at once, and the tab can start again.
    void refusedStartEnds()
    {
        MeasurementTabOnBoard tab;
        tab.configure(0x8);
        tab.m_board.m_pRecorder->refuse(R::commandCode(tab.m_board.m_model, R::StartSampling), 3);
        QTest::mousePress(tab.startStop(), Qt::LeftButton);
        QVERIFY(waitFor([&] { return tab.stateText() == "Stopped"; }));
        QVERIFY(tab.startStop()->isEnabled());
        QVERIFY(tab.buttonWithTip("Save graph in CSV format.")->isEnabled());
        QCOMPARE(tab.m_stream.state(), int(PlotUSBDataStream::Stopped));
    }

    // The board goes away during a run: its tab goes, and after a reconnect a new one measures.
    void measuresAgainAfterReconnect()
    {
        MeasurementTabOnBoard tab;
        tab.configure(0x8);
        tab.widget<QSpinBox>("SampleCount")->setValue(5000);
        QTest::mousePress(tab.startStop(), Qt::LeftButton);
        QVERIFY(tab.runs());
        tab.m_board.m_state.disconnectDevice();
        delete tab.m_pTab;
        tab.m_pTab = nullptr;
        QCOMPARE(tab.m_stream.state(), int(PlotUSBDataStream::Stopped));
        // A board plugged in again starts idle.
        tab.m_board.configureBoard(R::StopStreaming, QByteArray());
        tab.advance(100);

        const USBDevicePtr device = tab.m_board.m_state.getDriver()->enumerateDevices(true).value(0);
        QVERIFY(device);
        QVERIFY(tab.m_board.m_state.connectDevice(device, 500000, 800).isOk());
        tab.m_board.m_state.getDriver()->registerStreamReceiver(0, &tab.m_stream, 0);
        tab.createTab();
        tab.configure(0x8);
        tab.m_startsSeen = tab.count(R::StartSampling);
        QTest::mousePress(tab.startStop(), Qt::LeftButton);
        QVERIFY(tab.runs());
        tab.refresh();
        QVERIFY(tab.points(0) > 0);
    }

    void clearButtonsClearTheBoardsCounters()
    {
        MeasurementTabOnBoard tab;
        tab.configure(0xE);
        QTest::mousePress(tab.buttonWithTip("Clear step counter."), Qt::LeftButton);
        QVERIFY(waitFor([&] { return tab.count(R::ZeroPosition) == 1; }));
        QTest::mousePress(tab.buttonWithTip("Clear event counter."), Qt::LeftButton);
        QVERIFY(waitFor([&] { return tab.count(R::ClearCounters) == 1; }));
        QVERIFY(waitFor([&] { return tab.m_board.answered(tab.m_pTab, {R::ClearCounters}); }));
        QTest::mousePress(tab.buttonWithTip("Clear quadrature counter."), Qt::LeftButton);
        QVERIFY(waitFor([&] { return tab.count(R::ClearCounters) == 2; }));
        QVERIFY(tab.m_messages.isEmpty());
    }

    // The step unit, then invert, then scale and offset.
    void postProcessorsRunInOrder()
    {
        MeasurementTabOnBoard tab;
        tab.configure(0x8);
        tab.widget<QSpinBox>("SampleCount")->setValue(100);
        tab.widget<QComboBox>("StepsUnit")->setCurrentIndex(3);
        tab.m_inputs.get("MicroSteppingFactor")->setValue(1);
        QVector<double> distance;
        QVERIFY(tab.measureWhileTheMotorTurns(distance));
        QVERIFY(distance.last() != 0.0);

        tab.widget<QCheckBox>("StepsInverted")->setChecked(true);
        tab.m_inputs.get("StepsFactor")->setValue(2);
        tab.m_inputs.get("StepsOffset")->setValue(1);
        tab.plot()->updatePlotData();
        int i = 0;
        for (const QCPGraphData& point : *tab.customPlot()->graph(0)->data())
            QCOMPARE(point.value, -2.0 * distance.at(i++) + 1.0);
    }

    // The quadrature phasor counts the periods of the IO tab's counts per revolution.
    void quadraturePhasorTakesTheIOTabsCountsPerRevolution()
    {
        MeasurementTabOnBoard tab(false);
        TalvexIODiagramWidget ioTab(nullptr, &tab.m_board.m_document, tab.m_board.m_pDispatcher, &tab.m_inputs);
        tab.configure(0x4);
        QCheckBox* phasor = tab.widget<QCheckBox>("QuadratureAsPhasor");
        QVERIFY(phasor->isEnabled());
        tab.widget<QSpinBox>("SampleCount")->setValue(100);
        QVector<double> counts;
        QVERIFY(tab.measureWhileTheMotorTurns(counts));
        QVERIFY(counts.last() > 200.0);

        // 50 counts per revolution: four counts a period, 200 a turn.
        qobject_cast<QSpinBox*>(tab.m_inputs.get("QuadratureCPR")->widget())->setValue(50);
        phasor->setChecked(true);
        tab.plot()->updatePlotData();
        int i = 0;
        for (const QCPGraphData& point : *tab.customPlot()->graph(0)->data())
        {
            const double turn = std::fmod(std::trunc(counts.at(i++)), 200.0);
            QVERIFY(qAbs(point.value - std::sin(turn * 1.8 / 180.0 * 3.14159265359)) < 1e-9);
        }
    }

    void exportsCsvAndPng_data()
    {
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::newRow("csv appended") << "Save graph in CSV format." << "graph" << "graph.csv";
        QTest::newRow("dat kept") << "Save graph in CSV format." << "X.DAT" << "X.DAT";
        QTest::newRow("png appended") << "Save graph to *.png file." << "graph" << "graph.png";
    }

    void exportsCsvAndPng()
    {
        QFETCH(QString, tip);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QTemporaryDir dir;
        MeasurementTabOnBoard tab;
        tab.configure(0x8);
        tab.widget<QSpinBox>("SampleCount")->setValue(100);
        QTest::mousePress(tab.startStop(), Qt::LeftButton);
        QVERIFY(tab.runs());
        tab.advance(1000);
        QVERIFY(waitFor([&] { return tab.stateText() == "Stopped"; }));

        ModalAnswers answers;
        answers.add(ModalAnswers::chooseFile(dir.filePath(typed), ModalAnswers::TypeAcceptOrCancel));
        QTest::mousePress(tab.buttonWithTip(tip), Qt::LeftButton);
        QFile file(dir.filePath(written));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(written));
        const QByteArray contents = file.readAll();
        if (written.endsWith(".png"))
        {
            QVERIFY(contents.startsWith("\x89PNG"));
            return;
        }
        const QList<QByteArray> lines = contents.trimmed().split('\n');
        QVERIFY2(lines.first().contains("Motor steps:Time [s]") && lines.first().contains("Motor steps:Step count"),
            lines.first().constData());
        QCOMPARE(lines.count(), 101);
    }
};

TALVEX_TEST(tst_TalvexMeasurementTab)
#include "tst_TalvexMeasurementTab.moc"
