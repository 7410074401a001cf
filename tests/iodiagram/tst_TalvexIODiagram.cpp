#include "DiagramOutputItem.h"
#include "IODiagramScene.h"
#include "TalvexDriverPWMSettings.h"
#include "TestRegistry.h"

#include <QTest>

namespace
{
typedef TalvexDriverInputConfiguration Input;
const QString s_singleEnded = "For single-ended inputs only a gain of x1 is supported!\n"
                              "To use non-unity gain for single-ended measurements,\n"
                              "connect the negative ADC input to ground and use differential measurements.";

Input configuration(const QMap<int, int>& channels, int mask = 0, int gain = 0)
{
    Input input;
    input.setChannelAssignments(channels);
    input.setOutputMask(mask);
    input.setValue(Input::ADCGain, gain);
    return input;
}

typedef QMap<int, int> Wiring;
}

Q_DECLARE_METATYPE(Wiring)

// The adapter between the scene and the board's input configuration.
class tst_TalvexIODiagram : public QObject
{
    Q_OBJECT

private slots:
    void validationMarksTheFaultyBlock_data()
    {
        QTest::addColumn<Wiring>("wiring");
        QTest::addColumn<int>("gain");
        QTest::addColumn<int>("sample");
        QTest::addColumn<QString>("message");
        QTest::newRow("nothing wired") << Wiring() << 3 << 0 << QString();
        QTest::newRow("quadrature on 3 and 4") << Wiring{{3, 16}, {4, 17}} << 0 << 0 << QString();
        QTest::newRow("quadrature A alone") << Wiring{{1, 16}} << 0 << 4 << "Both quadrature inputs must be connected!";
        QTest::newRow("quadrature B before A") << Wiring{{3, 17}, {4, 16}} << 0 << 4 << "Successive channels must be used!";
        QTest::newRow("quadrature with a gap") << Wiring{{1, 16}, {3, 17}} << 0 << 4 << "Successive channels must be used!";
        QTest::newRow("events with quadrature") << Wiring{{1, 16}, {2, 17}, {3, 48}} << 0 << 2
                                                << "The event counter cannot be used together with the quadrature decoder!";
        QTest::newRow("ADC negative alone") << Wiring{{2, 1}} << 3 << 1 << "The positive input of the ADC is not connected!";
        QTest::newRow("ADC positive alone, x1") << Wiring{{1, 0}} << 0 << 0 << QString();
        QTest::newRow("ADC positive alone, x2") << Wiring{{1, 0}} << 1 << 1 << s_singleEnded;
        QTest::newRow("ADC differential, x64") << Wiring{{1, 0}, {2, 1}} << 6 << 0 << QString();
    }
    void validationMarksTheFaultyBlock()
    {
        QFETCH(Wiring, wiring);
        QFETCH(int, gain);
        QFETCH(int, sample);
        QFETCH(QString, message);
        IODiagramScene scene;
        const Input input = configuration(wiring, 0, gain);
        scene.m_adapter.setInputConfiguration(input);
        QCOMPARE(scene.m_adapter.validateConnections(input), message.isEmpty());
        for (DiagramAcquisitionItem* block : scene.diagram()->acquisitionItems())
            QCOMPARE(block->error(), block->outputSample() == sample ? message : QString());
    }

    void encoderPinsSkipTheQuadratureChecks()
    {
        IODiagramScene scene({ADC, Quadrature, Event, LimitStart, LimitEnd, Stop, StepCount, DualPWM}, 8, true);
        const Input input = configuration({{5, 16}, {6, 48}});
        scene.m_adapter.setInputConfiguration(input);
        QVERIFY(scene.m_adapter.validateConnections(input));
    }

    void theConfigurationRoundTripsThroughTheScene()
    {
        IODiagramScene scene;
        // Mask 13: the ADC, quadrature and step bits; two buffers take the first two of the
        // order ADC, quadrature, events, steps.
        const Input input = configuration({{1, 16}, {2, 17}, {3, 32}, {4, 0}}, 13);
        scene.m_adapter.setInputConfiguration(input);
        QCOMPARE(scene.diagram()->channelFunction(3), 32);
        QCOMPARE(scene.anchorOf(scene.channel(3)), scene.terminal(32));
        QCOMPARE(scene.diagram()->bufferSample(1), 1);
        QCOMPARE(scene.diagram()->bufferSample(2), 4);

        Input written;
        scene.m_adapter.writeInputConfiguration(written);
        QCOMPARE(written.getChannelAssignments(), (Wiring{{1, 16}, {2, 17}, {3, 32}, {4, 0}}));
        QCOMPARE(written.getOutputMask(), 5);

        // Everything taken away: no channel keeps an entry, the mask is empty.
        scene.m_adapter.setInputConfiguration(Input());
        scene.m_adapter.writeInputConfiguration(written);
        QVERIFY(written.getChannelAssignments().isEmpty());
        QCOMPARE(written.channelAssignment(2), 255);
        QCOMPARE(written.getOutputMask(), 0);
    }

    void withoutBuffersTheMaskIsLeftAlone()
    {
        QStackedWidget pages;
        TalvexIODiagram adapter(nullptr, 250, 200, 0, TalvexDriverDescriptor());
        adapter.setOption(TalvexIODiagram::OptionFixedChannels, true);
        adapter.setChannelCount(5);
        adapter.setFixedChannelInput(1, 32);
        adapter.setFixedChannelInput(2, 33);
        adapter.buildScene(&pages, {{LimitStart, 0}, {LimitEnd, 1}});
        Diagram* diagram = adapter.diagram();
        // Fixed channels sit on their terminals once a configuration is shown; channel 5 has no
        // input of its own and gets none.
        adapter.setInputConfiguration(configuration({{1, 0}}, 9));
        QCOMPARE(diagram->channelFunctions(1), (QList<int>{32, 0}));
        QCOMPARE(diagram->channelFunction(5), 255);
        QVERIFY(!diagram->channelItem(1)->isMovable());
        QVERIFY(!diagram->channelItem(5)->isMovable());
        Input written = configuration({}, 9);
        adapter.writeInputConfiguration(written);
        QCOMPARE(written.getOutputMask(), 9);
        QCOMPARE(written.channelAssignment(2), 33);
        QCOMPARE(written.channelAssignment(5), 255);
    }

    void symbolsLabelsAndDutyCycles()
    {
        IODiagramScene scene({ADC, Quadrature, Event, LimitStart, LimitEnd, Stop, StepCount, DualPWM}, 8, true);
        Input input;
        input.setValue(Input::ADCGain, 4);
        scene.m_adapter.setInputConfiguration(input);
        QCOMPARE(scene.blockBySample(1)->label(), QString("x16"));

        TalvexDriverPWMSettings pwm;
        pwm.setValue(TalvexDriverPWMSettings::PWM1DutyCycleLimit, 100);
        pwm.setValue(TalvexDriverPWMSettings::PWM2DutyCycleLimit, 100);
        pwm.setValue(TalvexDriverPWMSettings::PWM1DutyCycle, 25);
        pwm.setValue(TalvexDriverPWMSettings::PWM2DutyCycle, 70);
        scene.m_adapter.updatePWMLabels(pwm);
        DiagramOutputItem* dual = scene.diagram()->outputItems().value(0);
        QCOMPARE(dual->outputLabel(1), QString("1: 25 %"));
        QCOMPARE(dual->outputLabel(2), QString("2: 70 %"));
        dual->setOutputLabel(QString(), 2);
        QCOMPARE(dual->outputLabel(2), QString());
    }
};

TALVEX_TEST(tst_TalvexIODiagram)
#include "tst_TalvexIODiagram.moc"
