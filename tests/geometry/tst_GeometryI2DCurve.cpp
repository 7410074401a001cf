#include "Geometry2DArc.h"
#include "Geometry2DCircle.h"
#include "Geometry2DEllipticArc.h"
#include "Geometry2DLine.h"
#include "Geometry2DPolyline.h"
#include "TestRegistry.h"

#include <QTest>

Q_DECLARE_METATYPE(GeometryI2DCurvePtr)

namespace
{
using V = Geometry2DPolyline::Vertex;

GeometryI2DCurvePtr line(QPointF a, QPointF b)
{
    return GeometryI2DCurvePtr(new Geometry2DLine(a, b));
}

GeometryI2DCurvePtr arc(QPointF c, double r, double start, double sweep)
{
    return GeometryI2DCurvePtr(new Geometry2DArc(c, r, start, sweep));
}

GeometryI2DCurvePtr ellipse(QPointF c, QVector2D d, double a, double b, double start, double sweep)
{
    return GeometryI2DCurvePtr(new Geometry2DEllipticArc(c, d, a, b, start, sweep));
}

GeometryI2DCurvePtr polyline(const QVector<V>& vertices, bool closed)
{
    return GeometryI2DCurvePtr(new Geometry2DPolyline(vertices, closed));
}

bool near(QPointF a, QPointF b, double tolerance = 1e-9)
{
    return qAbs(a.x() - b.x()) <= tolerance && qAbs(a.y() - b.y()) <= tolerance;
}

// Whether the path passes (within the tolerance) through the point.
bool pathPasses(const QPainterPath& path, QPointF point, double tolerance = 0.02)
{
    for (int i = 0; i <= 1000; ++i)
        if (near(path.pointAtPercent(i / 1000.0), point, tolerance))
            return true;
    return false;
}
}

class tst_GeometryI2DCurve : public QObject
{
    Q_OBJECT

private slots:
    void endPoints_data()
    {
        QTest::addColumn<GeometryI2DCurvePtr>("curve");
        QTest::addColumn<QString>("typeName");
        QTest::addColumn<QPointF>("start");
        QTest::addColumn<QPointF>("end");
        QTest::newRow("line") << line({1, 2}, {-3, 4}) << "Line" << QPointF(1, 2) << QPointF(-3, 4);
        QTest::newRow("arc quarter") << arc({1, 1}, 2, 0, 90) << "Arc" << QPointF(3, 1) << QPointF(1, 3);
        QTest::newRow("arc clockwise") << arc({0, 0}, 1, 90, -180) << "Arc" << QPointF(0, 1) << QPointF(0, -1);
        QTest::newRow("circle leftmost") << GeometryI2DCurvePtr(new Geometry2DCircle({5, 5}, 2)) << "Circle"
                                         << QPointF(3, 5) << QPointF(3, 5);
        QTest::newRow("ellipse along y") << ellipse({10, 0}, {0, 1}, 2, 1, 0, 90) << "EllipticArc" << QPointF(10, 2)
                                         << QPointF(9, 0);
        QTest::newRow("ellipse unnormalised direction")
            << ellipse({0, 0}, {3, 0}, 2, 1, 90, 90) << "EllipticArc" << QPointF(0, 1) << QPointF(-2, 0);
        QTest::newRow("polyline") << polyline({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, false) << "Polyline"
                                  << QPointF(0, 0) << QPointF(1, 1);
    }

    void endPoints()
    {
        QFETCH(GeometryI2DCurvePtr, curve);
        QFETCH(QString, typeName);
        QFETCH(QPointF, start);
        QFETCH(QPointF, end);
        QCOMPARE(curve->typeName(), typeName);
        QVERIFY(near(curve->startPoint(), start));
        QVERIFY(near(curve->endPoint(), end));
        // The drawn path runs from the start to the end point (a circle's path starts elsewhere).
        const QPainterPath path = curve->toPainterPath();
        QVERIFY(pathPasses(path, start));
        if (typeName != "Circle")
        {
            QVERIFY(near(path.pointAtPercent(0), start, 1e-6));
            QVERIFY(near(path.pointAtPercent(1), end, 1e-6));
        }
        curve->reverse();
        if (typeName != "Circle")
        {
            QVERIFY(near(curve->startPoint(), end));
            QVERIFY(near(curve->endPoint(), start));
        }
        else
        {
            QVERIFY(near(curve->startPoint(), start));
        }
    }

    void closedness_data()
    {
        QTest::addColumn<GeometryI2DCurvePtr>("curve");
        QTest::addColumn<double>("resolution");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("closedReversed");
        QTest::newRow("line never") << line({0, 0}, {0, 0}) << 1.0 << false << false;
        QTest::newRow("circle always") << GeometryI2DCurvePtr(new Geometry2DCircle({0, 0}, 1)) << 0.0 << true << true;
        QTest::newRow("full arc, either way") << arc({0, 0}, 1, 30, 360) << 0.0 << true << true;
        // The resolution is for polylines: an arc is closed only by a full turn.
        QTest::newRow("arc nearly full, within resolution") << arc({0, 0}, 100, 0, 359.999) << 0.01 << false << false;
        QTest::newRow("arc of 359 at a coarse resolution") << arc({0, 0}, 1, 0, 359) << 1.0 << false << false;
        QTest::newRow("full arc from angles that round") << arc({0, 0}, 1, 30.1, 390.1 - 30.1) << 0.0 << true << true;
        QTest::newRow("arc short of full") << arc({0, 0}, 100, 0, 359.9) << 0.01 << false << false;
        QTest::newRow("half arc") << arc({0, 0}, 1, 0, 180) << 0.01 << false << false;
        QTest::newRow("full ellipse") << ellipse({0, 0}, {1, 0}, 2, 1, 0, 360) << 0.0 << true << true;
        QTest::newRow("ellipse nearly full") << ellipse({0, 0}, {1, 0}, 200, 100, 0, 359.999) << 0.01 << true << true;
        QTest::newRow("ellipse half") << ellipse({0, 0}, {1, 0}, 2, 1, 0, 180) << 0.01 << false << false;
        QTest::newRow("polyline with closed flag") << polyline({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, true) << 0.0 << true
                                                   << true;
        QTest::newRow("polyline ends within resolution")
            << polyline({{0, 0, 0}, {1, 0, 0}, {0.005, 0.005, 0}}, false) << 0.01 << true << true;
        QTest::newRow("polyline ends apart") << polyline({{0, 0, 0}, {1, 0, 0}, {0.02, 0, 0}}, false) << 0.01 << false
                                             << false;
    }

    void closedness()
    {
        QFETCH(GeometryI2DCurvePtr, curve);
        QFETCH(double, resolution);
        QFETCH(bool, closed);
        QFETCH(bool, closedReversed);
        QCOMPARE(curve->isClosed(resolution), closed);
        curve->reverse();
        QCOMPARE(curve->isClosed(resolution), closedReversed);
    }

    void closedPolylineRepeatsFirstVertex()
    {
        const Geometry2DPolyline closed({{0, 0, 0.5}, {1, 0, 0}, {1, 1, 0}}, true);
        QCOMPARE(closed.vertices().size(), 4);
        QCOMPARE(closed.vertices().last().x, 0.0);
        QCOMPARE(closed.vertices().last().bulge, 0.5);
    }

    void discretization_data()
    {
        QTest::addColumn<GeometryI2DCurvePtr>("curve");
        QTest::addColumn<double>("resolution");
        QTest::addColumn<QVector2D>("scale");
        QTest::addColumn<int>("count");
        QTest::addColumn<QPoint>("first");
        QTest::addColumn<QPoint>("last");
        // 0.95 long at 0.1: nine points, the end point never among them.
        QTest::newRow("line, end left out") << line({0, 0}, {0.95, 0}) << 0.1 << QVector2D(0.01f, 1) << 9 << QPoint(0, 0)
                                            << QPoint(80, 0);
        QTest::newRow("line shorter than resolution") << line({0, 0}, {0.05, 0}) << 0.1 << QVector2D(1, 1) << 0
                                                      << QPoint() << QPoint();
        // Truncation toward zero: -0.5 gives 0 and 1.99 gives 1.
        QTest::newRow("truncated toward zero") << line({-0.5, 1.99}, {-0.5, 3.0}) << 2.0 << QVector2D(1, 1) << 0
                                               << QPoint() << QPoint();
        QTest::newRow("truncated toward zero, one point") << line({-0.5, 1.99}, {-0.5, 5.0}) << 2.0 << QVector2D(1, 1)
                                                          << 1 << QPoint(0, 1) << QPoint(0, 1);
        QTest::newRow("scale per axis") << line({10, 20}, {10, 21}) << 10.0 << QVector2D(2, 4) << 0 << QPoint()
                                        << QPoint();
        QTest::newRow("scale per axis, points") << line({10, 20}, {10, 40}) << 10.0 << QVector2D(2, 4) << 2
                                                << QPoint(5, 5) << QPoint(5, 7);
        // A quarter of radius 100 is 157.08 long: 157 points 1 apart, the last at 1.56 rad.
        QTest::newRow("arc") << arc({0, 0}, 100, 0, 90) << 1.0 << QVector2D(1, 1) << 157 << QPoint(100, 0)
                             << QPoint(1, 99);
        QTest::newRow("arc clockwise") << arc({0, 0}, 100, 0, -90) << 1.0 << QVector2D(1, 1) << 157 << QPoint(100, 0)
                                       << QPoint(1, -99);
        QTest::newRow("circle") << GeometryI2DCurvePtr(new Geometry2DCircle({0, 0}, 10)) << 1.0 << QVector2D(1, 1)
                                << 62 << QPoint(10, 0) << QPoint(9, -1);
        QTest::newRow("ellipse, first point always") << ellipse({0, 0}, {1, 0}, 2, 1, 0, 1) << 10.0 << QVector2D(1, 1)
                                                     << 1 << QPoint(2, 0) << QPoint(2, 0);
        QTest::newRow("ellipse zero sweep") << ellipse({0, 0}, {1, 0}, 2, 1, 0, 0) << 0.1 << QVector2D(1, 1) << 0
                                            << QPoint() << QPoint();
        // A resolution of 0 would never advance along the ellipse: no points instead of no end.
        QTest::newRow("ellipse resolution zero") << ellipse({0, 0}, {1, 0}, 2, 1, 0, 360) << 0.0 << QVector2D(1, 1)
                                                 << 0 << QPoint() << QPoint();
        QTest::newRow("polyline chords, bulge ignored")
            << polyline({{0, 0, 1}, {2, 0, 0}, {2, 3, 0}}, false) << 1.0 << QVector2D(1, 1) << 5 << QPoint(0, 0)
            << QPoint(2, 2);
        QTest::newRow("polyline one vertex") << polyline({{1, 1, 0}}, false) << 1.0 << QVector2D(1, 1) << 0 << QPoint()
                                             << QPoint();
    }

    void discretization()
    {
        QFETCH(GeometryI2DCurvePtr, curve);
        QFETCH(double, resolution);
        QFETCH(QVector2D, scale);
        QFETCH(int, count);
        QFETCH(QPoint, first);
        QFETCH(QPoint, last);
        const QVector<QPoint> points = curve->discretize(resolution, scale);
        QCOMPARE(points.size(), count);
        if (count > 0)
        {
            QCOMPARE(points.first(), first);
            QCOMPARE(points.last(), last);
        }
    }

    void ellipseDiscretizationFollowsArcLength()
    {
        // Along a full ellipse of semi-axes 2 and 1 (perimeter 9.688) points 0.1 apart.
        const QVector<QPoint> points = ellipse({0, 0}, {1, 0}, 2000, 1000, 0, 360)->discretize(100, QVector2D(1, 1));
        QVERIFY2(points.size() >= 96 && points.size() <= 98, qPrintable(QString::number(points.size())));
        QCOMPARE(points.first(), QPoint(2000, 0));
    }

    void polylineBulgeAndReversal()
    {
        // V1 (bulge 1) to V2 is a half circle, V2 to V3 straight.
        Geometry2DPolyline curve({{0, 0, 1}, {2, 0, 0}, {2, 3, 0}}, false);
        QPainterPath path = curve.toPainterPath();
        // A counter-clockwise half circle from (0, 0) to (2, 0) about (1, 0) dips to (1, -1).
        QVERIFY(pathPasses(path, QPointF(1, -1)));
        QVERIFY(!pathPasses(path, QPointF(1, 1)));
        QVERIFY(near(path.pointAtPercent(1), QPointF(2, 3), 1e-6));

        curve.reverse();
        const QVector<V>& v = curve.vertices();
        QCOMPARE(v.size(), 3);
        QCOMPARE(QPointF(v[0].x, v[0].y), QPointF(2, 3));
        QCOMPARE(v[0].bulge, 0.0);
        QCOMPARE(QPointF(v[1].x, v[1].y), QPointF(2, 0));
        QCOMPARE(v[1].bulge, -1.0);
        QCOMPARE(QPointF(v[2].x, v[2].y), QPointF(0, 0));
        QCOMPARE(v[2].bulge, -1.0);
        path = curve.toPainterPath();
        QVERIFY(near(path.pointAtPercent(0), QPointF(2, 3), 1e-6));
        QVERIFY(pathPasses(path, QPointF(1, -1)));
        QVERIFY(!pathPasses(path, QPointF(1, 1)));
        QVERIFY(near(path.pointAtPercent(1), QPointF(0, 0), 1e-6));
    }

    void rotatedEllipsePath()
    {
        // Major axis along y: the path runs through P(t) of the rotated ellipse.
        const QPainterPath path = ellipse({10, 0}, {0, 1}, 2, 1, 0, 180)->toPainterPath();
        QVERIFY(pathPasses(path, QPointF(9, 0)));
        QVERIFY(!pathPasses(path, QPointF(11, 0)));
        QVERIFY(near(path.pointAtPercent(1), QPointF(10, -2), 1e-5));
    }

    void emptyPolylineIsHarmless()
    {
        Geometry2DPolyline curve({}, true);
        QCOMPARE(curve.startPoint(), QPointF());
        QVERIFY(curve.toPainterPath().isEmpty());
        QVERIFY(!curve.isClosed(1.0));
        curve.reverse();
        QVERIFY(curve.discretize(1.0, QVector2D(1, 1)).isEmpty());
    }
};

TALVEX_TEST(tst_GeometryI2DCurve)
#include "tst_GeometryI2DCurve.moc"
