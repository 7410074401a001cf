#include "IODiagramScene.h"
#include "TalvexIODiagramIds.h"
#include "TestRegistry.h"
#include "Waiting.h"

#include <QAnimationDriver>
#include <QGraphicsEllipseItem>
#include <QSignalSpy>
#include <QTest>

using namespace TalvexIODiagramIds;

namespace
{
// The time of Qt's animations, moved by the test alone: an item's 700 ms glide passes without
// real waiting.
class SteppedAnimationDriver : public QAnimationDriver
{
public:
    qint64 elapsed() const override { return m_elapsedMs; }
    void step(qint64 milliseconds)
    {
        m_elapsedMs += milliseconds;
        advance();
    }

private:
    qint64 m_elapsedMs = 0;
};
}

// The scene of model (1,1) as the IO tab shows it, driven with the mouse.
class tst_Diagram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_animationTime.install(); }
    void cleanupTestCase() { m_animationTime.uninstall(); }

    void dragConnectsOnlyWhereTheTerminalTakesTheChannel_data()
    {
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("function");
        QTest::addColumn<bool>("connects");
        QTest::newRow("channel 1 onto ADC +") << 1 << int(AdcPositive) << true;
        QTest::newRow("channel 4 onto ADC -") << 4 << int(AdcNegative) << true;
        QTest::newRow("channel 1 onto quadrature A") << 1 << int(QuadratureA) << true;
        QTest::newRow("channel 3 onto quadrature A") << 3 << int(QuadratureA) << true;
        QTest::newRow("channel 4 onto quadrature A") << 4 << int(QuadratureA) << false;
        QTest::newRow("channel 1 onto quadrature B") << 1 << int(QuadratureB) << false;
        QTest::newRow("channel 4 onto quadrature B") << 4 << int(QuadratureB) << true;
        QTest::newRow("channel 2 onto the start limit") << 2 << int(StartLimit) << true;
    }
    void dragConnectsOnlyWhereTheTerminalTakesTheChannel()
    {
        QFETCH(int, channel);
        QFETCH(int, function);
        QFETCH(bool, connects);
        IODiagramScene scene;
        QSignalSpy changes(scene.diagram(), &Diagram::connectionsChanged);
        DiagramChannelItem* item = scene.channel(channel);
        const QPointF home = item->pos();

        scene.press(item);
        // Only the terminals that would take the channel are marked while it is held.
        QVERIFY(scene.diagram()->targetMarkerCount() > 0);
        scene.moveAnchorTo(item, scene.terminal(function) + QPointF(3, 2));
        QCOMPARE(scene.diagram()->dropHint() != nullptr, connects);
        scene.release();

        QCOMPARE(scene.diagram()->targetMarkerCount(), 0);
        QVERIFY(!scene.diagram()->dropHint());
        QCOMPARE(scene.diagram()->channelFunction(channel), connects ? function : int(NoFunction));
        QCOMPARE(scene.diagram()->isFunctionConnected(function), connects);
        QCOMPARE(changes.count(), connects ? 1 : 0);
        if (connects)
        {
            // Released within 10 units of the terminal: it jumps there at once.
            QVERIFY(!item->isAnimating());
            QCOMPARE(scene.anchorOf(item), scene.terminal(function));
        }
        else
        {
            QVERIFY(item->isAnimating());
            QVERIFY(waitFor(
                [&] {
                    m_animationTime.step(20);
                    return item->pos() == home;
                },
                3000));
        }
    }

    void aTerminalTakesOneChannel()
    {
        IODiagramScene scene;
        scene.drag(scene.channel(1), scene.terminal(EventCounter));
        scene.drag(scene.channel(2), scene.terminal(EventCounter));
        QCOMPARE(scene.diagram()->channelFunction(1), int(EventCounter));
        QCOMPARE(scene.diagram()->channelFunction(2), int(NoFunction));
    }

    void dropReachIsBelowEightUnits_data()
    {
        QTest::addColumn<double>("distance");
        QTest::addColumn<bool>("connects");
        QTest::newRow("7.9") << 7.9 << true;
        QTest::newRow("8.0") << 8.0 << false;
    }
    void dropReachIsBelowEightUnits()
    {
        QFETCH(double, distance);
        QFETCH(bool, connects);
        IODiagramScene scene;
        QPointF position = scene.terminal(StartLimit) + QPointF(0, distance);
        QCOMPARE(scene.diagram()->connectChannel(2, position), connects);
        if (connects)
            QCOMPARE(position, scene.terminal(StartLimit));
    }

    void aPressTakesTheConnectionAway()
    {
        IODiagramScene scene;
        DiagramChannelItem* item = scene.channel(1);
        scene.drag(item, scene.terminal(AdcPositive));
        QSignalSpy changes(scene.diagram(), &Diagram::connectionsChanged);

        scene.press(item);
        QCOMPARE(scene.diagram()->channelFunction(1), int(NoFunction));
        QCOMPARE(changes.count(), 1);
        // Its own terminal is free again and marked with the others.
        const QPointF own = scene.terminal(AdcPositive);
        bool ownMarked = false;
        for (QGraphicsItem* marker : scene.diagram()->items(own))
            ownMarked = ownMarked || (dynamic_cast<QGraphicsEllipseItem*>(marker) && marker->zValue() == 20);
        QVERIFY(ownMarked);
        scene.moveAnchorTo(item, QPointF(300, 480));
        scene.release();
        QCOMPARE(changes.count(), 1);
        QVERIFY(item->isAnimating());
    }

    void buffersGoOntoBlocksWithAnOutput()
    {
        IODiagramScene scene;
        DiagramBufferItem* first = scene.buffer(1);
        DiagramBufferItem* second = scene.buffer(2);
        DiagramAcquisitionItem* adc = scene.blockBySample(1);
        DiagramAcquisitionItem* startLimit = scene.blockOf(StartLimit);

        scene.drag(first, adc->outputTerminalPosition());
        QCOMPARE(scene.diagram()->bufferSample(1), 1);
        QCOMPARE(scene.anchorOf(first), adc->outputTerminalPosition());
        // A taken output takes no second buffer.
        scene.drag(second, adc->outputTerminalPosition());
        QCOMPARE(scene.diagram()->bufferSample(2), 0);
        // A limit block has no output terminal where its right edge would put one.
        const QPointF limitRight = startLimit->pos() + QPointF(startLimit->symbolSize().width() + 30,
                                                             startLimit->symbolSize().height() / 2);
        scene.drag(second, limitRight);
        QCOMPARE(scene.diagram()->bufferSample(2), 0);
        scene.drag(second, scene.blockBySample(8)->outputTerminalPosition());
        QCOMPARE(scene.diagram()->bufferSample(2), 8);

        // A press on a connected buffer frees it.
        scene.press(first);
        QCOMPARE(scene.diagram()->bufferSample(1), 0);
        scene.release();
    }

    void replacingConnectionsSnapsAndSendsTheRestHome()
    {
        IODiagramScene scene;
        QSignalSpy changes(scene.diagram(), &Diagram::connectionsChanged);
        const QPointF home = scene.channel(3)->pos();
        QMultiMap<int, int> wiring;
        wiring.insert(1, QuadratureA);
        wiring.insert(2, QuadratureB);
        wiring.insert(3, StartLimit);
        scene.diagram()->setChannelFunctions(wiring);
        QCOMPARE(scene.anchorOf(scene.channel(1)), scene.terminal(QuadratureA));
        QCOMPARE(scene.anchorOf(scene.channel(3)), scene.terminal(StartLimit));
        QVERIFY(!scene.channel(3)->isAnimating());

        scene.diagram()->setChannelFunctions(QMultiMap<int, int>());
        QCOMPARE(scene.channel(3)->pos(), home);
        QCOMPARE(scene.diagram()->channelFunction(1), int(NoFunction));
        QVERIFY(!scene.diagram()->isFunctionConnected(QuadratureA));
        QCOMPARE(changes.count(), 0);
    }

    void aBlockShowsOneErrorMarkerWithTheLatestText()
    {
        IODiagramScene scene;
        DiagramAcquisitionItem* quadrature = scene.blockBySample(4);
        const int children = quadrature->childItems().count();
        scene.diagram()->setAcquisitionError(Diagram::BySample, 4, "first");
        scene.diagram()->setAcquisitionError(Diagram::ByFunction, QuadratureB, "second");
        QCOMPARE(quadrature->childItems().count(), children + 1);
        QCOMPARE(quadrature->error(), QString("second"));
        scene.diagram()->clearErrors();
        QCOMPARE(quadrature->error(), QString());
        QCOMPARE(quadrature->childItems().count(), children);
    }

    void aSelectedBlockIsFramedAndShowsItsPage()
    {
        IODiagramScene scene;
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(scene.diagram(), &activate);
        DiagramAcquisitionItem* event = scene.blockBySample(EventSample);
        DiagramAcquisitionItem* adc = scene.blockBySample(AdcSample);
        event->setFocus();
        // The pages are in the order of the blocks: the event block's is the third.
        QCOMPARE(scene.m_pages.currentIndex(), 2);
        QVERIFY(event->hasFocusFrame());
        adc->setFocus();
        QCOMPARE(scene.m_pages.currentIndex(), 0);
        QVERIFY(!event->hasFocusFrame());
        QVERIFY(adc->hasFocusFrame());
    }

    void fixedEncoderPinsSitOnTheirTerminalsAndStayThere()
    {
        IODiagramScene scene({ADC, Quadrature, Event, LimitStart, LimitEnd, Stop, StepCount, DualPWM}, 8, true);
        DiagramChannelItem* encoderA = scene.channel(100);
        QVERIFY(encoderA->isFixed());
        QVERIFY(!encoderA->isMovable());
        QCOMPARE(scene.anchorOf(encoderA), scene.terminal(QuadratureA));
        QCOMPARE(scene.anchorOf(scene.channel(101)), scene.terminal(QuadratureB));
        // The board's channels fill the column without gaps for the encoder pins.
        QCOMPARE(scene.channel(8)->homePosition(), QPointF(3, 36 * 7 + 3));
        // Quadrature takes any channel number on encoder pins.
        QVERIFY(scene.blockOf(QuadratureA)->acceptsChannel(8, 0));

        QSignalSpy changes(scene.diagram(), &Diagram::connectionsChanged);
        scene.press(encoderA);
        scene.release();
        QCOMPARE(scene.diagram()->channelFunction(100), int(QuadratureA));
        QCOMPARE(changes.count(), 0);
    }

private:
    SteppedAnimationDriver m_animationTime;
};

TALVEX_TEST(tst_Diagram)
#include "tst_Diagram.moc"
