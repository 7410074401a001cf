#include "TestRegistry.h"

#include "Plot.h"
#include "PlotSeries.h"
#include "PlotTracerReading.h"

#include <QTest>
#include <boost/make_shared.hpp>
#include <memory>

namespace
{
// One graph whose points the tracers snap to, on a chart laid out so pixels map to keys.
struct ReadingPlot
{
    ReadingPlot()
    {
        m_plot.clear();
        boost::shared_ptr<PlotSeries> series = boost::make_shared<PlotSeries>();
        series->setPoints({{0.0, 3.0}, {0.000123456, 1.0}, {2.5, 7.0}});
        m_id = m_plot.addGraph(series, 0, 0, false, QPen(), PlotGraphStyle());
        m_plot.updatePlotData();
        m_plot.customPlot()->resize(800, 400);
        m_plot.customPlot()->replot(QCustomPlot::rpImmediateRefresh);
    }

    void moveTo(UIIUserInput* tracer, double key)
    {
        // Zoomed in on the key, so that the pixel picks exactly that point.
        m_plot.customPlot()->xAxis->setRange(key - 1e-6, key + 1e-6);
        tracer->setValue(QVariant(QPointF(m_plot.customPlot()->xAxis->coordToPixel(key), 0.0)));
    }

    Plot m_plot;
    int m_id;
};
}

class tst_PlotTracerReading : public QObject
{
    Q_OBJECT

private slots:
    void reading_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("twoTracers");
        QTest::addColumn<double>("firstKey");
        QTest::addColumn<double>("secondKey");
        QTest::addColumn<QString>("text");

        QTest::newRow("key of one tracer") << 0 << false << 2.5 << 0.0 << "2.5";
        QTest::newRow("value of one tracer") << 1 << false << 2.5 << 0.0 << "7";
        QTest::newRow("difference of keys, five digits") << 0 << true << 0.000123456 << 0.0 << "0.00012346";
        QTest::newRow("difference of values") << 1 << true << 0.000123456 << 0.0 << "-2";
        QTest::newRow("negative key difference") << 0 << true << 0.0 << 2.5 << "-2.5";
    }

    void reading()
    {
        QFETCH(int, kind);
        QFETCH(bool, twoTracers);
        QFETCH(double, firstKey);
        QFETCH(double, secondKey);
        QFETCH(QString, text);

        ReadingPlot plot;
        UIIUserInput* first = plot.m_plot.addTracer(1, plot.m_id, false);
        UIIUserInput* second = plot.m_plot.addTracer(2, plot.m_id, false);
        std::unique_ptr<PlotTracerReading> reading(twoTracers ? new PlotTracerReading(first, second, kind)
                                                              : new PlotTracerReading(first, kind));
        QVERIFY(reading->isReadOnly());
        QCOMPARE(reading->alignment(), Qt::Alignment(Qt::AlignRight));

        // Moving either tracer updates the reading.
        plot.moveTo(second, secondKey);
        plot.moveTo(first, firstKey);
        QCOMPARE(reading->text(), text);
        if (!twoTracers)
            return;
        plot.moveTo(first, secondKey);
        plot.moveTo(second, firstKey);
        QCOMPARE(reading->text(), text.startsWith('-') ? text.mid(1) : "-" + text);
    }
};

TALVEX_TEST(tst_PlotTracerReading)
#include "tst_PlotTracerReading.moc"
