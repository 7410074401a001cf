#include "TestRegistry.h"

#include "Plot.h"
#include "PlotSeries.h"
#include "PlotTracer.h"
#include "UISignalRelay.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <boost/make_shared.hpp>

namespace
{
// A plot with two graphs on the same keys, laid out and drawn so pixels map to keys.
struct TwoGraphs
{
    explicit TwoGraphs(bool withData = true)
    {
        m_plot.clear();
        QVector<PlotPoint> rising;
        QVector<PlotPoint> falling;
        for (int key = 0; key <= 4; ++key)
        {
            rising.append(PlotPoint(key, key));
            falling.append(PlotPoint(key, 10.0 - key));
        }
        m_first = add("rising", withData ? rising : QVector<PlotPoint>());
        m_second = add("falling", withData ? falling : QVector<PlotPoint>());
        m_plot.updatePlotData();
        m_plot.customPlot()->resize(800, 400);
        m_plot.customPlot()->replot(QCustomPlot::rpImmediateRefresh);
    }

    int add(const QString& name, const QVector<PlotPoint>& points)
    {
        boost::shared_ptr<PlotSeries> series = boost::make_shared<PlotSeries>();
        series->setName(name);
        series->setUnit("V");
        series->setPoints(points);
        return m_plot.addGraph(series, 0, 0, false, QPen(Qt::blue), PlotGraphStyle());
    }

    QCPGraph* graph(int index) const { return m_plot.customPlot()->graph(index); }
    QPointF pixelOf(double key, double value) const { return graph(0)->coordsToPixels(key, value); }
    static PlotTracer* tracerOf(UIIUserInput* input) { return static_cast<PlotTracer*>(input->object()); }
    static bool isVisible(UIIUserInput* input)
    {
        QCustomPlot* chart = qobject_cast<QCustomPlot*>(tracerOf(input)->parent());
        for (int i = 0; i < chart->itemCount(); ++i)
        {
            QCPItemTracer* item = qobject_cast<QCPItemTracer*>(chart->item(i));
            if (item && item->graph() == tracerOf(input)->graph())
                return item->visible();
        }
        return false;
    }

    void mouse(QEvent::Type type, const QPointF& pos, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, pos, m_plot.customPlot()->mapToGlobal(pos.toPoint()), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(m_plot.customPlot(), &event);
    }

    Plot m_plot;
    int m_first;
    int m_second;
};
}

class tst_PlotTracer : public QObject
{
    Q_OBJECT

private slots:
    void visibility_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<bool>("onCurrentGraph");
        QTest::addColumn<bool>("withData");
        QTest::addColumn<bool>("visible");

        QTest::newRow("enabled on the current graph") << true << true << true << true;
        QTest::newRow("disabled") << false << true << true << false;
        QTest::newRow("on another graph") << true << false << true << false;
        QTest::newRow("graph without data") << true << true << false << false;
    }

    void visibility()
    {
        QFETCH(bool, enabled);
        QFETCH(bool, onCurrentGraph);
        QFETCH(bool, withData);
        QFETCH(bool, visible);

        TwoGraphs plot(withData);
        // The first graph added is the current one.
        UIIUserInput* tracer = plot.m_plot.addTracer(1, onCurrentGraph ? plot.m_first : plot.m_second, false);
        tracer->setEnabled(enabled);
        QCOMPARE(tracer->isEnabled(), enabled);
        QCOMPARE(TwoGraphs::isVisible(tracer), visible);
        plot.m_plot.refresh();
        QCOMPARE(TwoGraphs::isVisible(tracer), visible);
        QCOMPARE(tracer->text(), QString(onCurrentGraph ? "rising" : "falling"));
    }

    void currentGraphShowsItsTracerOnly()
    {
        TwoGraphs plot;
        UIIUserInput* first = plot.m_plot.addTracer(1, plot.m_first, false);
        UIIUserInput* second = plot.m_plot.addTracer(1, plot.m_second, false);
        UIIUserInput* otherCursor = plot.m_plot.addTracer(2, plot.m_first, false);
        first->setEnabled(true);
        second->setEnabled(true);
        QVERIFY(TwoGraphs::isVisible(first));
        QVERIFY(!TwoGraphs::isVisible(second));

        // The user selects the second graph.
        plot.graph(1)->setSelection(QCPDataSelection(plot.graph(1)->data()->dataRange()));
        emit plot.m_plot.customPlot()->selectionChangedByUser();
        QVERIFY(!TwoGraphs::isVisible(first));
        QVERIFY(TwoGraphs::isVisible(second));
        QVERIFY(!TwoGraphs::isVisible(otherCursor));
    }

    void draggingMovesTheWholeCursorToOneKey()
    {
        TwoGraphs plot;
        UIIUserInput* first = plot.m_plot.addTracer(1, plot.m_first, false);
        UIIUserInput* second = plot.m_plot.addTracer(1, plot.m_second, false);
        UIIUserInput* otherCursor = plot.m_plot.addTracer(2, plot.m_first, false);
        for (UIIUserInput* tracer : {first, second, otherCursor})
            tracer->setEnabled(true);
        QSignalSpy moved(first->object()->findChild<UISignalRelay*>(), SIGNAL(signal()));

        // The tracers start at key 0; press on the crosshair's vertical line.
        const QPointF onLine(plot.pixelOf(0.0, 0.0).x(), plot.pixelOf(0.0, 5.0).y());
        plot.mouse(QEvent::MouseButtonPress, onLine, Qt::LeftButton);
        QVERIFY(TwoGraphs::tracerOf(first)->isSelected());
        plot.mouse(QEvent::MouseMove, plot.pixelOf(3.0, 5.0), Qt::LeftButton);
        QCOMPARE(first->getValue().toPointF(), QPointF(3.0, 3.0));
        QCOMPARE(second->getValue().toPointF(), QPointF(3.0, 7.0));
        QCOMPARE(otherCursor->getValue().toPointF(), QPointF(0.0, 0.0));
        QVERIFY(moved.count() >= 1);

        plot.mouse(QEvent::MouseButtonRelease, plot.pixelOf(3.0, 5.0), Qt::NoButton);
        QVERIFY(!TwoGraphs::tracerOf(first)->isSelected());
        plot.mouse(QEvent::MouseMove, plot.pixelOf(1.0, 5.0), Qt::NoButton);
        QCOMPARE(first->getValue().toPointF(), QPointF(3.0, 3.0));
    }

    void pressBesideTheCursorSelectsNothing()
    {
        TwoGraphs plot;
        UIIUserInput* first = plot.m_plot.addTracer(1, plot.m_first, false);
        first->setEnabled(true);
        plot.mouse(QEvent::MouseButtonPress, plot.pixelOf(2.0, 8.0), Qt::LeftButton);
        QVERIFY(!TwoGraphs::tracerOf(first)->isSelected());
        plot.mouse(QEvent::MouseButtonRelease, plot.pixelOf(2.0, 8.0), Qt::NoButton);
    }

    void interpolatingTracerFollowsTheLine()
    {
        TwoGraphs plot;
        UIIUserInput* tracer = plot.m_plot.addTracer(1, plot.m_first, true);
        tracer->setValue(QVariant(plot.pixelOf(2.5, 0.0)));
        const QPointF point = tracer->getValue().toPointF();
        QVERIFY2(qAbs(point.x() - 2.5) < 0.01, qPrintable(QString::number(point.x())));
        QVERIFY(qAbs(point.y() - point.x()) < 1e-9);
    }

    void newDataMovesTheTracer()
    {
        Plot plot;
        plot.clear();
        boost::shared_ptr<PlotSeries> series = boost::make_shared<PlotSeries>();
        const int id = plot.addGraph(series, 0, 0, false, QPen(), PlotGraphStyle());
        UIIUserInput* tracer = plot.addTracer(1, id, false);
        tracer->setEnabled(true);
        QVERIFY(!TwoGraphs::isVisible(tracer));

        PlotSampleBuffer buffer(false);
        buffer.append({0.0, 0.5}, {4.0, 6.0});
        series->appendSamples(buffer);
        plot.refresh();
        QVERIFY(TwoGraphs::isVisible(tracer));
        QCOMPARE(tracer->getValue().toPointF(), QPointF(0.0, 4.0));
    }
};

TALVEX_TEST(tst_PlotTracer)
#include "tst_PlotTracer.moc"
