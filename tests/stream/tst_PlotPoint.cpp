#include "TestRegistry.h"

#include "PlotPoint.h"

#include <QTest>

class tst_PlotPoint : public QObject
{
    Q_OBJECT

private slots:
    // Points that a vector of them grows by are default points, whatever its storage held before.
    void grownVectorsHoldDefaultPoints()
    {
        const PlotPoint point(1.5, -2.0);
        QVector<PlotPoint> points(3, point);
        points.resize(1);
        points.resize(4);
        QCOMPARE(points, QVector<PlotPoint>({point, PlotPoint(), PlotPoint(), PlotPoint()}));
        QVERIFY(!points.at(3).isValid());
        QCOMPARE(QVector<PlotPoint>(2), QVector<PlotPoint>({PlotPoint(), PlotPoint()}));
    }
};

TALVEX_TEST(tst_PlotPoint)
#include "tst_PlotPoint.moc"
