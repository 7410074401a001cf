#include "TestRegistry.h"

#include "PlotInvertPostProcessor.h"
#include "PlotScaleOffsetPostProcessor.h"
#include "PlotSeries.h"
#include "PlotSeriesFeed.h"
#include "PlotToPhasorPostProcessor.h"
#include "UIWidgetFor.h"

#include <QTest>
#include <cmath>
#include <limits>
#include <memory>
#include <qcustomplot.h>

namespace
{
const double s_nan = std::numeric_limits<double>::quiet_NaN();

QVector<PlotPoint> pointsOf(const QVector<double>& values, double firstKey = 0.0)
{
    QVector<PlotPoint> points;
    for (int i = 0; i < values.size(); ++i)
        points.append(PlotPoint(firstKey + i * 0.1, values.at(i)));
    return points;
}

QVector<double> valuesOf(const QVector<PlotPoint>& points)
{
    QVector<double> values;
    for (const PlotPoint& point : points)
        values.append(point.getValue());
    return values;
}

QVector<double> graphValues(const QCPGraph* graph)
{
    QVector<double> values;
    for (auto it = graph->data()->constBegin(); it != graph->data()->constEnd(); ++it)
        values.append(it->value);
    return values;
}


// The option widgets of one channel, as the Measurements tab binds them to its processors.
struct ChannelOptions
{
    ChannelOptions()
    {
        m_scale.setRange(-1.0e6, 1.0e6);
        m_offset.setRange(-1.0e6, 1.0e6);
        m_counts.setRange(-10, 100000);
        m_scale.setValue(1.0);
        m_offset.setValue(0.0);
        m_counts.setValue(500);
    }

    // invert, then scale and offset, then phasor
    void attachTo(PlotSeries& series)
    {
        series.addPostProcessor(new PlotInvertPostProcessor(&m_invert));
        series.addPostProcessor(new PlotScaleOffsetPostProcessor(&m_scale, &m_offset));
        series.addPostProcessor(new PlotToPhasorPostProcessor(&m_phasor, &m_counts));
    }

    UIWidgetFor<QCheckBox> m_invert;
    UIWidgetFor<QDoubleSpinBox> m_scale;
    UIWidgetFor<QDoubleSpinBox> m_offset;
    UIWidgetFor<QCheckBox> m_phasor;
    UIWidgetFor<QSpinBox> m_counts;
};

// A series with the channel's processors that moves its batches into a graph.
struct SeriesOnGraph
{
    SeriesOnGraph()
        : m_pGraph(m_chart.addGraph())
    {
        m_options.attachTo(m_series);
    }

    QCustomPlot m_chart;
    QCPGraph* m_pGraph;
    ChannelOptions m_options;
    PlotSeries m_series;
};
}

class tst_PlotSeries : public QObject
{
    Q_OBJECT

private slots:
    void processorChain_data()
    {
        QTest::addColumn<bool>("invert");
        QTest::addColumn<double>("scale");
        QTest::addColumn<double>("offset");
        QTest::addColumn<bool>("phasor");
        QTest::addColumn<int>("counts");
        QTest::addColumn<QVector<double>>("values");
        QTest::addColumn<QVector<double>>("expected");

        const QVector<double> values{1.5, -2.0, 0.0};
        QTest::newRow("nothing on") << false << 1.0 << 0.0 << false << 500 << values << values;
        QTest::newRow("inverted") << true << 1.0 << 0.0 << false << 500 << values << QVector<double>{-1.5, 2.0, 0.0};
        QTest::newRow("scaled and offset") << false << 2.0 << 0.5 << false << 500 << values
                                           << QVector<double>{3.5, -3.5, 0.5};
        QTest::newRow("inverted before the scale") << true << 2.0 << 0.5 << false << 500 << values
                                                   << QVector<double>{-2.5, 4.5, 0.5};
        QTest::newRow("phasor of 500 counts") << false << 1.0 << 0.0 << true << 500
                                              << QVector<double>{2500.0, -500.0, 1000.0, 2000.0, 250.9}
                                              << QVector<double>{1.0, -1.0, 0.0, 0.0, std::sin(M_PI / 4.0)};
        QTest::newRow("phasor of one count") << false << 1.0 << 0.0 << true << 1 << QVector<double>{1.0, 5.0, -1.0}
                                             << QVector<double>{1.0, 1.0, -1.0};
        QTest::newRow("phasor without counts") << false << 1.0 << 0.0 << true << 0 << values << values;
        QTest::newRow("phasor with negative counts") << false << 1.0 << 0.0 << true << -4 << values << values;
        QTest::newRow("phasor keeps NaN") << false << 1.0 << 0.0 << true << 500 << QVector<double>{s_nan, 2500.0}
                                          << QVector<double>{s_nan, 1.0};
    }

    void processorChain()
    {
        QFETCH(bool, invert);
        QFETCH(double, scale);
        QFETCH(double, offset);
        QFETCH(bool, phasor);
        QFETCH(int, counts);
        QFETCH(QVector<double>, values);
        QFETCH(QVector<double>, expected);

        ChannelOptions options;
        PlotSeries series;
        options.attachTo(series);
        options.m_invert.setValue(invert);
        options.m_scale.setValue(scale);
        options.m_offset.setValue(offset);
        options.m_phasor.setValue(phasor);
        options.m_counts.setValue(counts);
        series.setPoints(pointsOf(values));

        const QVector<PlotPoint> processed = series.processedPoints();
        QCOMPARE(processed.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
        {
            QCOMPARE(processed.at(i).getKey(), pointsOf(values).at(i).getKey());
            if (std::isnan(expected.at(i)))
                QVERIFY(std::isnan(processed.at(i).getValue()));
            else
                QVERIFY2(std::fabs(processed.at(i).getValue() - expected.at(i)) < 1e-9,
                         qPrintable(QString::number(processed.at(i).getValue())));
        }
        // The stored points stay as received.
        const QVector<double> raw = valuesOf(series.rawPoints());
        QCOMPARE(raw.size(), values.size());
        for (int i = 0; i < values.size(); ++i)
            QVERIFY(raw.at(i) == values.at(i) || (std::isnan(raw.at(i)) && std::isnan(values.at(i))));
    }

    void valueRange_data()
    {
        QTest::addColumn<QVector<double>>("values");
        QTest::addColumn<double>("lower");
        QTest::addColumn<double>("upper");

        QTest::newRow("1, 2, 3") << QVector<double>{1.0, 2.0, 3.0} << -0.15 << 3.15;
        QTest::newRow("all 5") << QVector<double>{5.0, 5.0, 5.0} << -0.25 << 5.25;
        QTest::newRow("all zero") << QVector<double>{0.0, 0.0} << -0.0001 << 0.0001;
        QTest::newRow("below zero") << QVector<double>{-2.0, -1.0} << -2.1 << 0.1;
        QTest::newRow("NaN skipped") << QVector<double>{s_nan, 2.0, s_nan} << -0.1 << 2.1;
        QTest::newRow("only NaN: the empty range") << QVector<double>{s_nan} << -1.0 << 1.0;
        QTest::newRow("no point: the empty range") << QVector<double>{} << -1.0 << 1.0;
    }

    void valueRange()
    {
        QFETCH(QVector<double>, values);
        QFETCH(double, lower);
        QFETCH(double, upper);

        PlotSeries series;
        series.setPoints(pointsOf(values));
        const PlotValueRange range = series.valueRange();
        QVERIFY(range.isValid());
        QVERIFY2(std::fabs(range.lower() - lower) < 1e-12, qPrintable(QString::number(range.lower())));
        QVERIFY2(std::fabs(range.upper() - upper) < 1e-12, qPrintable(QString::number(range.upper())));
    }

    void emptyRangeIsTheOneSet()
    {
        PlotSeries series;
        series.setRange(-3.0, 7.0);
        QCOMPARE(series.valueRange().lower(), -3.0);
        QCOMPARE(series.valueRange().upper(), 7.0);
        series.setPoints(pointsOf({1.0}));
        QVERIFY(series.valueRange().upper() < 2.0);
    }

    void newBatchesAreProcessedAndRawPointsStay()
    {
        SeriesOnGraph rig;
        PlotSeries& series = rig.m_series;
        QCPGraph* graph = rig.m_pGraph;
        rig.m_options.m_invert.setValue(true);

        QVERIFY(!series.moveNewPointsTo(graph));
        feedSeries(series, {1.0, 2.0}, 0.0);
        QVERIFY(series.moveNewPointsTo(graph));
        QCOMPARE(graphValues(graph), QVector<double>({-1.0, -2.0}));
        QCOMPARE(valuesOf(series.rawPoints()), QVector<double>({1.0, 2.0}));
        QCOMPARE(valuesOf(series.processedPoints()), QVector<double>({-1.0, -2.0}));
        QVERIFY(!series.moveNewPointsTo(graph));

        // A changed option reaches only later batches until the graph is rebuilt.
        rig.m_options.m_invert.setValue(false);
        feedSeries(series, {3.0}, 0.2);
        QVERIFY(series.moveNewPointsTo(graph));
        QCOMPARE(graphValues(graph), QVector<double>({-1.0, -2.0, 3.0}));
        graph->setData(series.graphData());
        QCOMPARE(graphValues(graph), QVector<double>({1.0, 2.0, 3.0}));
    }

    void drawnRangeEqualsTheFullComputation()
    {
        SeriesOnGraph rig;
        PlotSeries& series = rig.m_series;
        QCPGraph* graph = rig.m_pGraph;
        rig.m_options.m_invert.setValue(true);
        rig.m_options.m_scale.setValue(2.0);
        rig.m_options.m_offset.setValue(0.5);

        QCOMPARE(series.drawnValueRange().lower(), series.valueRange().lower());
        const QVector<QVector<double>> batches{{1.0, 2.0}, {s_nan}, {-7.0, 3.0, 40.0}, {0.25}};
        double key = 0.0;
        for (const QVector<double>& batch : batches)
        {
            feedSeries(series, batch, key);
            key += batch.size() * 0.1;
            series.moveNewPointsTo(graph);
            const PlotValueRange full = series.valueRange();
            const PlotValueRange drawn = series.drawnValueRange();
            QCOMPARE(drawn.isValid(), full.isValid());
            QCOMPARE(drawn.lower(), full.lower());
            QCOMPARE(drawn.upper(), full.upper());
        }
        graph->setData(series.graphData());
        QCOMPARE(series.drawnValueRange().lower(), series.valueRange().lower());
        QCOMPARE(series.drawnValueRange().upper(), series.valueRange().upper());

        series.clear();
        QCOMPARE(series.drawnValueRange().lower(), -1.0);
        QCOMPARE(series.drawnValueRange().upper(), 1.0);
    }

    void keyBounds_data()
    {
        QTest::addColumn<double>("duration");
        QTest::addColumn<double>("upper");

        QTest::newRow("no duration: the largest key") << 0.0 << 0.4;
        QTest::newRow("duration set") << 25.0 << 25.0;
    }

    void keyBounds()
    {
        QFETCH(double, duration);
        QFETCH(double, upper);

        PlotSeries series;
        if (duration > 0.0)
            series.setDuration(duration);
        series.setPoints(pointsOf({1.0, 2.0, 3.0, 4.0, 5.0}, 0.0));
        series.graphData();
        QCOMPARE(series.keyUpper(), upper);
        QCOMPARE(series.keyLower(), 0.0);
    }

    void streamClientRegistration()
    {
        PlotUSBDataStream stream;
        {
            PlotSeries series(&stream, 4, true);
            QVERIFY(stream.hasChannel(4));
            QCOMPARE(stream.client(4), static_cast<PlotUSBDataStream::IStreamClient*>(&series));
            series.markFinished();
            QVERIFY(series.isFinished());
            series.clear();
            QVERIFY(!series.isFinished());
        }
        QVERIFY(!stream.hasChannel(4));

        // A stream that goes first leaves the series without it.
        std::unique_ptr<PlotUSBDataStream> shortLived(new PlotUSBDataStream);
        PlotSeries series(shortLived.get(), 8, true);
        shortLived.reset();
        series.clear();
    }
};

TALVEX_TEST(tst_PlotSeries)
#include "tst_PlotSeries.moc"
