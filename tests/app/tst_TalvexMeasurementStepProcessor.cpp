#include "TestRegistry.h"

#include "TalvexMeasurementStepProcessor.h"
#include "UIWidgetFor.h"

#include <QTest>

class tst_TalvexMeasurementStepProcessor : public QObject
{
    Q_OBJECT

private slots:
    void convertsCounts_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<double>("stepDegrees");
        QTest::addColumn<int>("factor");
        QTest::addColumn<double>("count");
        QTest::addColumn<double>("expected");
        // 1.8° at factor 16: 3200 micro-steps a rotation; the pitch is 4 mm throughout.
        QTest::newRow("rotations") << 2 << 1.8 << 16 << 800.0 << 0.25;
        QTest::newRow("full steps") << 1 << 1.8 << 16 << 800.0 << 50.0;
        QTest::newRow("distance") << 3 << 1.8 << 16 << 800.0 << 1.0;
        QTest::newRow("negative distance") << 3 << 1.8 << 16 << -1600.0 << -2.0;
        QTest::newRow("phasor quarter") << 0 << 1.8 << 16 << 800.0 << 1.0;
        QTest::newRow("phasor whole period") << 0 << 1.8 << 16 << 6400.0 << 0.0;
        QTest::newRow("phasor negative quarter") << 0 << 1.8 << 16 << -800.0 << -1.0;
        QTest::newRow("phasor beyond a period") << 0 << 1.8 << 16 << 4000.0 << 1.0;
        QTest::newRow("phasor fraction truncated") << 0 << 1.8 << 16 << 800.7 << 1.0;
        // No motor to convert for: the counts stay.
        QTest::newRow("factor 0") << 2 << 1.8 << 0 << 800.0 << 800.0;
        QTest::newRow("factor negative") << 1 << 1.8 << -4 << 800.0 << 800.0;
        QTest::newRow("step angle 0") << 2 << 0.0 << 16 << 800.0 << 800.0;
        QTest::newRow("phasor of no period") << 0 << 400.0 << 1 << 800.0 << 800.0;
    }

    void convertsCounts()
    {
        QFETCH(int, unit);
        QFETCH(double, stepDegrees);
        QFETCH(int, factor);
        QFETCH(double, count);
        QFETCH(double, expected);
        UIWidgetFor<QLineEdit> unitInput, pitchInput, degreesInput, factorInput;
        unitInput.setValue(unit);
        pitchInput.setValue(4.0);
        degreesInput.setValue(stepDegrees);
        factorInput.setValue(factor);
        TalvexMeasurementStepProcessor processor(&unitInput, &pitchInput, &degreesInput, &factorInput);

        QVector<PlotPoint> points{PlotPoint(0.5, count, true), PlotPoint(0.75, count, false)};
        processor.process(points);
        for (const PlotPoint& point : points)
            QVERIFY2(qAbs(point.getValue() - expected) < 1e-9, qPrintable(QString::number(point.getValue())));
        // Only the values change.
        QCOMPARE(points.at(0).getKey(), 0.5);
        QCOMPARE(points.at(1).getKey(), 0.75);
        QCOMPARE(points.at(0).isValid(), true);
        QCOMPARE(points.at(1).isValid(), false);
    }

    // The inputs are read at each call: a changed unit shows at the next one.
    void followsTheInputs()
    {
        UIWidgetFor<QLineEdit> unitInput, pitchInput, degreesInput, factorInput;
        unitInput.setValue(0);
        pitchInput.setValue(4.0);
        degreesInput.setValue(1.8);
        factorInput.setValue(16);
        TalvexMeasurementStepProcessor processor(&unitInput, &pitchInput, &degreesInput, &factorInput);
        QVector<PlotPoint> points{PlotPoint(0.0, 800.0, true)};
        QVector<PlotPoint> phasor = points;
        processor.process(phasor);
        QCOMPARE(phasor.at(0).getValue(), 1.0);
        unitInput.setValue(2);
        factorInput.setValue(8);
        processor.process(points);
        QCOMPARE(points.at(0).getValue(), 0.5);
    }
};

TALVEX_TEST(tst_TalvexMeasurementStepProcessor)
#include "tst_TalvexMeasurementStepProcessor.moc"
