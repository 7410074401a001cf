#include "TestRegistry.h"

#include "Plot.h"
#include "PlotSeries.h"
#include "PlotSeriesFeed.h"
#include "UIIUserInput.h"
#include "Waiting.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <boost/make_shared.hpp>
#include <cmath>
#include <csignal>
#include <sys/resource.h>

namespace
{
boost::shared_ptr<PlotSeries> seriesOf(const QString& name, const QString& unit, const QVector<PlotPoint>& points = {})
{
    boost::shared_ptr<PlotSeries> series = boost::make_shared<PlotSeries>();
    series->setName(name);
    series->setUnit(unit);
    series->setPoints(points);
    return series;
}

int addTo(Plot& plot, const boost::shared_ptr<PlotSeries>& series, int side = 0, int index = 0)
{
    return plot.addGraph(series, side, index, false, QPen(Qt::blue), PlotGraphStyle());
}


QByteArray contentOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A chart laid out at the size of the measurement plot and drawn once, so hit tests work.
void layOut(Plot& plot)
{
    plot.customPlot()->resize(800, 400);
    plot.customPlot()->replot(QCustomPlot::rpImmediateRefresh);
}

// A point on an axis, on the graph's flat part at value 3 from key 0.5 on, or beside it.
QPointF hitPoint(Plot& plot, const QString& where)
{
    QCustomPlot* chart = plot.customPlot();
    const QRect rect = chart->axisRect()->rect();
    if (where == "left axis")
        return QPointF(rect.left() - 4, rect.center().y());
    if (where == "bottom axis")
        return QPointF(rect.center().x(), rect.bottom() + 4);
    if (where == "graph")
        return chart->graph(0)->coordsToPixels(0.75, 3.0);
    return chart->graph(0)->coordsToPixels(0.2, 3.0);
}

void mouse(QWidget* widget, QEvent::Type type, const QPointF& pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, QPointF(widget->mapToGlobal(pos.toPoint())), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void turnWheel(QWidget* widget, const QPointF& pos)
{
    QWheelEvent wheel(pos, QPointF(widget->mapToGlobal(pos.toPoint())), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}
}

class tst_Plot : public QObject
{
    Q_OBJECT

    static void exportKinds()
    {
        QTest::addColumn<bool>("csv");
        QTest::newRow("CSV") << true;
        QTest::newRow("PNG") << false;
    }

private slots:
    void idsContinueAcrossPlots()
    {
        Plot first;
        Plot second;
        const int a = addTo(first, seriesOf("a", "V"));
        const int b = addTo(second, seriesOf("b", "V"));
        const int c = addTo(first, seriesOf("c", "V"));
        QVERIFY(a >= 1);
        QCOMPARE(b, a + 1);
        QCOMPARE(c, a + 2);
        first.removeSeries(c);
        QCOMPARE(addTo(first, seriesOf("d", "V")), a + 3);
        QCOMPARE(first.series(a)->name(), QString("a"));
    }

    void valueAxisLabel_data()
    {
        QTest::addColumn<QStringList>("units");
        QTest::addColumn<QString>("label");

        QTest::newRow("one unit") << QStringList{"V"} << "V";
        QTest::newRow("same unit twice") << QStringList{"V", "V"} << "V";
        QTest::newRow("two units") << QStringList{"V", "mm"} << "V, mm";
        QTest::newRow("a unit again after another") << QStringList{"V", "mm", "V"} << "V, mm";
    }

    void valueAxisLabel()
    {
        QFETCH(QStringList, units);
        QFETCH(QString, label);

        Plot plot;
        plot.clear();
        for (const QString& unit : units)
            addTo(plot, seriesOf("s", unit));
        QCOMPARE(plot.customPlot()->yAxis->label(), label);
        QVERIFY(plot.customPlot()->yAxis->tickLabels());
    }

    void rightAxesAreAddedByIndex()
    {
        Plot plot;
        plot.clear();
        QCPAxisRect* rect = plot.customPlot()->axisRect();
        const int first = addTo(plot, seriesOf("a", "V"), 1, 0);
        const int second = addTo(plot, seriesOf("b", "mm"), 1, 1);
        QCOMPARE(rect->axisCount(QCPAxis::atRight), 2);
        QCOMPARE(plot.customPlot()->graph(0)->valueAxis(), plot.customPlot()->yAxis2);
        QCOMPARE(plot.customPlot()->graph(1)->valueAxis(), rect->axis(QCPAxis::atRight, 1));
        QCOMPARE(rect->axis(QCPAxis::atRight, 1)->label(), QString("mm"));
        QVERIFY(second > first);

        plot.clear();
        QCOMPARE(rect->axisCount(QCPAxis::atRight), 1);
        QCOMPARE(plot.customPlot()->graphCount(), 0);
        QCOMPARE(plot.customPlot()->yAxis2->label(), QString());
        QCOMPARE(plot.keyAxisLabel(), QString("Time [s]"));
    }

    void addGraphFitsTheAxes()
    {
        Plot plot;
        plot.clear();
        boost::shared_ptr<PlotSeries> series = seriesOf("a", "V", {{0.0, 1.0}, {1.0, 2.0}, {2.0, 3.0}});
        series->setDuration(25.0);
        addTo(plot, series);
        QCOMPARE(plot.customPlot()->yAxis->range().lower, -0.15);
        QCOMPARE(plot.customPlot()->yAxis->range().upper, 3.15);
        QCOMPARE(plot.customPlot()->xAxis->range().upper, 25.0);
    }

    void refreshMovesNewPointsAndFits()
    {
        Plot plot;
        plot.clear();
        boost::shared_ptr<PlotSeries> voltage = seriesOf("v", "V");
        boost::shared_ptr<PlotSeries> current = seriesOf("i", "A");
        addTo(plot, voltage);
        addTo(plot, current);
        plot.customPlot()->xAxis->setRange(0.0, 5.0);

        feedSeries(*voltage, {1.0, 2.0, 3.0}, 0.0);
        feedSeries(*current, {-4.0}, 0.0);
        plot.refresh();
        QCOMPARE(plot.customPlot()->graph(0)->data()->size(), 3);
        QCOMPARE(plot.customPlot()->graph(1)->data()->size(), 1);
        // Both graphs share the left axis: the ranges are merged.
        QCOMPARE(plot.customPlot()->yAxis->range().lower, -4.2);
        QCOMPARE(plot.customPlot()->yAxis->range().upper, 3.15);
        QCOMPARE(plot.customPlot()->xAxis->range().upper, 5.0);

        plot.clearGraphData();
        QVERIFY(plot.customPlot()->graph(0)->data()->isEmpty());
        QVERIFY(voltage->rawPoints().isEmpty());
    }

    void drawsFastWhileDataArrive()
    {
        Plot plot;
        plot.clear();
        boost::shared_ptr<PlotSeries> series = seriesOf("v", "V");
        addTo(plot, series);
        QCustomPlot* chart = plot.customPlot();
        QVERIFY(!chart->notAntialiasedElements().testFlag(QCP::aePlottables));

        feedSeries(*series, {1.0, 2.0}, 0.0);
        plot.refresh();
        QVERIFY(chart->notAntialiasedElements().testFlag(QCP::aePlottables));
        QTimer* quality = plot.findChild<QTimer*>();
        QVERIFY(quality);
        QVERIFY(quality->isActive());
        QVERIFY(quality->isSingleShot());
        QCOMPARE(quality->interval(), 500);

        // Its time has come.
        quality->start(0);
        TALVEX_TRY_VERIFY(!quality->isActive());
        QVERIFY(!chart->notAntialiasedElements().testFlag(QCP::aePlottables));
    }

    void wheelZoom_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("fitsNewData");

        QTest::newRow("left axis") << "left axis" << false;
        QTest::newRow("bottom axis") << "bottom axis" << false;
        QTest::newRow("graph") << "graph" << true;
        QTest::newRow("empty plot area") << "plot area" << true;
    }

    void wheelZoom()
    {
        QFETCH(QString, where);
        QFETCH(bool, fitsNewData);

        Plot plot;
        plot.clear();
        boost::shared_ptr<PlotSeries> series = seriesOf("v", "V");
        addTo(plot, series);
        QCustomPlot* chart = plot.customPlot();
        chart->xAxis->setRange(0.0, 1.0);
        feedSeries(*series, {0.0, 1.0, 2.0, 3.0, 3.0, 3.0, 3.0, 3.0, 3.0, 3.0}, 0.0);
        plot.refresh();
        layOut(plot);

        turnWheel(chart, hitPoint(plot, where));

        const QCPRange zoomed = chart->yAxis->range();
        feedSeries(*series, {10.0}, 1.0);
        plot.refresh();
        QCOMPARE(chart->yAxis->range().upper == 10.5, fitsNewData);
        if (!fitsNewData)
            QCOMPARE(chart->yAxis->range(), zoomed);

        // Fitting the axes ends the user's zoom.
        plot.rescaleAxes();
        QCOMPARE(chart->yAxis->range().upper, 10.5);
        feedSeries(*series, {20.0}, 1.1);
        plot.refresh();
        QCOMPARE(chart->yAxis->range().upper, 21.0);
    }

    void mousePan_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addColumn<bool>("keysMove");
        QTest::addColumn<bool>("valuesMove");

        QTest::newRow("left axis") << "left axis" << false << true;
        QTest::newRow("bottom axis") << "bottom axis" << true << false;
        QTest::newRow("graph") << "graph" << true << true;
        QTest::newRow("empty plot area") << "plot area" << false << false;
    }

    void mousePan()
    {
        QFETCH(QString, where);
        QFETCH(bool, keysMove);
        QFETCH(bool, valuesMove);

        Plot plot;
        plot.clear();
        addTo(plot, seriesOf("v", "V", {{0.0, 0.0}, {0.5, 3.0}, {1.0, 3.0}}));
        plot.updatePlotData();
        layOut(plot);
        QCustomPlot* chart = plot.customPlot();
        const QCPRange keys = chart->xAxis->range();
        const QCPRange values = chart->yAxis->range();

        const QPointF from = hitPoint(plot, where);
        const QPointF to = from + QPointF(-30.0, 20.0);
        mouse(chart, QEvent::MouseButtonPress, from, Qt::LeftButton);
        mouse(chart, QEvent::MouseMove, to, Qt::LeftButton);
        mouse(chart, QEvent::MouseButtonRelease, to, Qt::NoButton);
        QCOMPARE(chart->xAxis->range() != keys, keysMove);
        QCOMPARE(chart->yAxis->range() != values, valuesMove);
    }

    void csvExport_data()
    {
        QTest::addColumn<QString>("nameA");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("ordinary names") << "A"
                                        << QByteArray("Index, A:Time [s],A:V, B:Time [s],B:mm\n"
                                                      "0, 0, 1.5, 0, 3\n"
                                                      "1, 0.5, 2, , \n");
        QTest::newRow("name with the separator") << "A,x"
                                                 << QByteArray("Index, \"A,x:Time [s]\",\"A,x:V\", B:Time [s],B:mm\n"
                                                               "0, 0, 1.5, 0, 3\n"
                                                               "1, 0.5, 2, , \n");
        QTest::newRow("name with a line break and a quote")
            << "A\n\"q\"" << QByteArray("Index, \"A\n\"\"q\"\":Time [s]\",\"A\n\"\"q\"\":V\", B:Time [s],B:mm\n"
                                        "0, 0, 1.5, 0, 3\n"
                                        "1, 0.5, 2, , \n");
    }

    void csvExport()
    {
        QFETCH(QString, nameA);
        QFETCH(QByteArray, expected);

        QTemporaryDir dir;
        Plot plot;
        plot.clear();
        addTo(plot, seriesOf(nameA, "V", {{0.0, 1.5}, {0.5, 2.0}}));
        addTo(plot, seriesOf("B", "mm", {{0.0, 3.0}}));
        plot.updatePlotData();

        const QString path = dir.filePath("plot.csv");
        QVERIFY(plot.exportCSV(QFileInfo(path)));
        QCOMPARE(contentOf(path), expected);
    }

    void csvOfTheDataAsDrawn()
    {
        QTemporaryDir dir;
        Plot plot;
        plot.clear();
        boost::shared_ptr<PlotSeries> series = seriesOf("A", "V");
        addTo(plot, series);
        feedSeries(*series, {1.25, 1e-7, 123456789.0}, 0.0);
        plot.refresh();
        const QString path = dir.filePath("plot.csv");
        QVERIFY(plot.exportCSV(QFileInfo(path)));
        QCOMPARE(contentOf(path), QByteArray("Index, A:Time [s],A:V\n"
                                             "0, 0, 1.25\n"
                                             "1, 0.1, 1e-07\n"
                                             "2, 0.2, 1.23457e+08\n"));
    }

    void csvOfAnEmptyPlot()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("plot.csv");
        writeFile(path, "earlier");
        Plot plot;
        plot.clear();
        QVERIFY(plot.exportCSV(QFileInfo(path)));
        QCOMPARE(contentOf(path), QByteArray());
    }

    void exportToAnUnwritablePath_data() { exportKinds(); }

    void exportToAnUnwritablePath()
    {
        QFETCH(bool, csv);

        QTemporaryDir dir;
        Plot plot;
        plot.clear();
        addTo(plot, seriesOf("A", "V", {{0.0, 1.0}}));
        plot.updatePlotData();
        const auto exportTo = [&](const QString& path) {
            return csv ? plot.exportCSV(QFileInfo(path)) : plot.exportPNG(QFileInfo(path));
        };

        QVERIFY(!exportTo(dir.filePath("missing/plot.out")));
        QVERIFY(!QFile::exists(dir.filePath("missing/plot.out")));
        // A folder of that name stays a folder.
        QVERIFY(QDir(dir.path()).mkdir("taken"));
        QVERIFY(!exportTo(dir.filePath("taken")));
        QVERIFY(QFileInfo(dir.filePath("taken")).isDir());
    }

    void exportThatRunsOutOfSpace_data() { exportKinds(); }

    void exportThatRunsOutOfSpace()
    {
        QFETCH(bool, csv);

        QTemporaryDir dir;
        const QString path = dir.filePath("plot.out");
        writeFile(path, "earlier good export");
        Plot plot;
        plot.clear();
        QVector<PlotPoint> points;
        for (int i = 0; i < 5000; ++i)
            points.append(PlotPoint(i * 0.001, std::sin(i * 0.01)));
        addTo(plot, seriesOf("A", "V", points));
        plot.updatePlotData();
        plot.customPlot()->resize(800, 400);

        // A full disk, as this process sees it: writes past 4 KiB fail.
        struct rlimit saved;
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const sighandler_t previous = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = saved;
        limited.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const bool written = csv ? plot.exportCSV(QFileInfo(path)) : plot.exportPNG(QFileInfo(path));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);

        QVERIFY(!written);
        QCOMPARE(contentOf(path), QByteArray("earlier good export"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"plot.out"});
    }

    void pngExport_data()
    {
        QTest::addColumn<QSize>("chartSize");
        QTest::addColumn<QSize>("imageSize");

        QTest::newRow("laid out") << QSize(640, 320) << QSize(640, 320);
        QTest::newRow("never laid out") << QSize(0, 0) << QSize(800, 400);
    }

    void pngExport()
    {
        QFETCH(QSize, chartSize);
        QFETCH(QSize, imageSize);

        QTemporaryDir dir;
        Plot plot;
        plot.clear();
        addTo(plot, seriesOf("A", "V", {{0.0, 1.0}, {1.0, 2.0}}));
        plot.updatePlotData();
        plot.customPlot()->resize(chartSize);

        const QString path = dir.filePath("plot.png");
        QVERIFY(plot.exportPNG(QFileInfo(path)));
        QImage image;
        QVERIFY(image.load(path, "PNG"));
        QCOMPARE(image.size(), imageSize);
        QCOMPARE(qRound(image.dotsPerMeterX() * 0.0254), 96);
    }

    void removedGraphTakesItsTracers()
    {
        Plot plot;
        plot.clear();
        const int a = addTo(plot, seriesOf("a", "V", {{0.0, 1.0}}));
        const int b = addTo(plot, seriesOf("b", "V", {{0.0, 2.0}}));
        plot.updatePlotData();
        plot.addTracer(1, a, false);
        QObject* kept = plot.addTracer(1, b, false)->object();
        QCOMPARE(plot.customPlot()->itemCount(), 2);
        plot.removeSeries(a);
        QCOMPARE(plot.customPlot()->itemCount(), 1);
        QCOMPARE(plot.customPlot()->graphCount(), 1);
        plot.refresh();
        plot.updatePlotData();
        QVERIFY(kept);
    }
};

TALVEX_TEST(tst_Plot)
#include "tst_Plot.moc"
