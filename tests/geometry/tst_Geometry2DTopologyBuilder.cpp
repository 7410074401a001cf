#include "Geometry2DArc.h"
#include "Geometry2DCircle.h"
#include "Geometry2DLine.h"
#include "Geometry2DTopologyBuilder.h"
#include "TestRegistry.h"

#include <QTest>
#include <algorithm>

namespace
{
using Curves = QVector<GeometryI2DCurvePtr>;

GeometryI2DCurvePtr line(double x1, double y1, double x2, double y2)
{
    return GeometryI2DCurvePtr(new Geometry2DLine(QPointF(x1, y1), QPointF(x2, y2)));
}

// An edge as its chain of points: the start of every curve and the end of the last, plus
// "closed" or "open".
QString describe(const Geometry2DEdgePtr& edge)
{
    QStringList points;
    for (const GeometryI2DCurvePtr& curve : edge->curves())
        points << QStringLiteral("%1,%2").arg(curve->startPoint().x()).arg(curve->startPoint().y());
    points << QStringLiteral("%1,%2").arg(edge->endPoint().x()).arg(edge->endPoint().y());
    return points.join(' ');
}

QStringList describeAll(const Geometry2DTopologyBuilder& builder)
{
    QStringList edges;
    for (const Geometry2DEdgePtr& edge : builder.edges())
        edges << describe(edge);
    return edges;
}

// An edge as its points from the smallest one on (closed edges are rings), in the direction
// whose second point is the smaller: the same for every drawing order of its curves.
QString normalized(const QString& described)
{
    QStringList points = described.split(' ');
    const bool closed = points.size() > 2 && points.first() == points.last();
    if (closed)
    {
        points.removeLast();
        const int first = int(std::min_element(points.begin(), points.end()) - points.begin());
        std::rotate(points.begin(), points.begin() + first, points.end());
        if (points.size() > 2 && points.last() < points.at(1))
            std::reverse(points.begin() + 1, points.end());
        points << points.first();
    }
    else if (points.last() < points.first())
        std::reverse(points.begin(), points.end());
    return points.join(' ');
}

// Every curve of an edge ends where the next one starts.
bool chained(const Geometry2DEdgePtr& edge)
{
    const Curves& curves = edge->curves();
    for (int i = 0; i + 1 < curves.size(); ++i)
        if (QLineF(curves[i]->endPoint(), curves[i + 1]->startPoint()).length() > 0.015)
            return false;
    return true;
}
}

Q_DECLARE_METATYPE(Curves)
Q_DECLARE_METATYPE(QVector<int>)

class tst_Geometry2DTopologyBuilder : public QObject
{
    Q_OBJECT

private slots:
    void joining_data()
    {
        QTest::addColumn<Curves>("curves");
        QTest::addColumn<QStringList>("edges");
        QTest::addColumn<int>("dropped");
        QTest::newRow("empty") << Curves{} << QStringList{} << 0;
        QTest::newRow("triangle closes in order")
            << Curves{line(0, 0, 1, 0), line(1, 0, 1, 1), line(1, 1, 0, 0)} << QStringList{"0,0 1,0 1,1 0,0"} << 0;
        QTest::newRow("second line reversed onto the end")
            << Curves{line(0, 0, 1, 0), line(2, 0, 1, 0)} << QStringList{"0,0 1,0 2,0"} << 0;
        QTest::newRow("a curve bridges two open edges")
            << Curves{line(0, 0, 1, 0), line(3, 0, 2, 0), line(1, 0, 2, 0)} << QStringList{"0,0 1,0 2,0 3,0"} << 0;
        QTest::newRow("two starts joined")
            << Curves{line(1, 0, 0, 0), line(2, 0, 3, 0), line(1, 0, 2, 0)} << QStringList{"0,0 1,0 2,0 3,0"} << 0;
        QTest::newRow("prepended as drawn") << Curves{line(1, 0, 2, 0), line(0, 0, 1, 0)} << QStringList{"0,0 1,0 2,0"}
                                            << 0;
        QTest::newRow("prepended reversed") << Curves{line(1, 0, 2, 0), line(1, 0, 0, 0)} << QStringList{"0,0 1,0 2,0"}
                                            << 0;
        QTest::newRow("square in any direction")
            << Curves{line(0, 0, 1, 0), line(1, 1, 0, 1), line(1, 1, 1, 0), line(0, 0, 0, 1)}
            << QStringList{"0,0 1,0 1,1 0,1 0,0"} << 0;
        QTest::newRow("grid cells: 0.004 and 0.006 apart")
            << Curves{line(-1, 0, 0.004, 0), line(0.006, 0, 1, 0)} << QStringList{"-1,0 0.004,0", "0.006,0 1,0"} << 0;
        QTest::newRow("grid cells: 0.006 and 0.014 meet")
            << Curves{line(-1, 0, 0.006, 0), line(0.014, 0, 1, 0)} << QStringList{"-1,0 0.014,0 1,0"} << 0;
        QTest::newRow("zero length and one-cell arc dropped")
            << Curves{line(5, 5, 5, 5), GeometryI2DCurvePtr(new Geometry2DArc(QPointF(0, 0), 0.001, 0, 90))}
            << QStringList{} << 2;
        QTest::newRow("circle stays on its own")
            << Curves{line(0, 0, -1, 0), GeometryI2DCurvePtr(new Geometry2DCircle(QPointF(1, 0), 1)), line(0, 0, 0, 5)}
            << QStringList{"0,0 0,0", "0,5 0,0 -1,0"} << 0;
        // Negative coordinates key apart from positive ones: nothing joins across the axes.
        QTest::newRow("negative coordinates")
            << Curves{line(-1, -1, -2, -2), line(1, -1, 2, -2), line(-1, 1, -2, 2), line(0, -4294967.296, 0, -10)}
            << QStringList{"-1,-1 -2,-2", "1,-1 2,-2", "-1,1 -2,2", "0,-4.29497e+06 0,-10"} << 0;
        QTest::newRow("negative chain closes")
            << Curves{line(-5, -5, -3, -5), line(-3, -3, -3, -5), line(-5, -5, -3, -3)}
            << QStringList{"-5,-5 -3,-5 -3,-3 -5,-5"} << 0;
        // Beyond the grid: refused and counted, never joined by wrapped keys.
        QTest::newRow("coordinates too large")
            << Curves{line(0, 0, 1, 0), line(1, 0, 1e12, 0), line(1e12 + 1, 0, 2e12, 0), line(1, 0, 1, qInf())}
            << QStringList{"0,0 1,0"} << 3;
    }

    void joining()
    {
        QFETCH(Curves, curves);
        QFETCH(QStringList, edges);
        QFETCH(int, dropped);
        Geometry2DTopologyBuilder builder;
        builder.build(curves, 0.01);
        QCOMPARE(describeAll(builder), edges);
        QCOMPARE(builder.droppedCurveCount(), dropped);
        for (const Geometry2DEdgePtr& edge : builder.edges())
            QVERIFY(chained(edge));
    }

    // An octagonal contour and an open zigzag, read in other orders and directions: the same
    // edges as in drawing order, each with the curve order and directions that the joining
    // rules give for that order.
    void drawingOrder_data()
    {
        QTest::addColumn<QVector<int>>("order");
        QTest::addColumn<QVector<int>>("turned");
        QTest::addColumn<QStringList>("edges");
        QTest::newRow("as drawn") << QVector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11} << QVector<int>{}
                                  << QStringList{"0,0 1,0 2,0 2,1 2,2 1,2 0,2 0,1 0,0", "5,0 6,1 7,0 8,1 9,0"};
        QTest::newRow("from the far end") << QVector<int>{11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0} << QVector<int>{}
                                          << QStringList{"1,0 2,0 2,1 2,2 1,2 0,2 0,1 0,0 1,0", "5,0 6,1 7,0 8,1 9,0"};
        QTest::newRow("every line turned") << QVector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}
                                           << QVector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}
                                           << QStringList{"0,1 0,2 1,2 2,2 2,1 2,0 1,0 0,0 0,1", "9,0 8,1 7,0 6,1 5,0"};
        QTest::newRow("shuffled") << QVector<int>{5, 0, 11, 3, 8, 1, 7, 10, 2, 6, 9, 4} << QVector<int>{0, 3, 6, 9, 11}
                                  << QStringList{"2,2 2,1 2,0 1,0 0,0 0,1 0,2 1,2 2,2", "9,0 8,1 7,0 6,1 5,0"};
        QTest::newRow("shuffled, bridging chains turned")
            << QVector<int>{1, 7, 0, 3, 9, 11, 5, 2, 10, 4, 8, 6} << QVector<int>{2, 4, 7, 10, 11}
            << QStringList{"0,1 0,0 1,0 2,0 2,1 2,2 1,2 0,2 0,1", "9,0 8,1 7,0 6,1 5,0"};
    }

    void drawingOrder()
    {
        QFETCH(QVector<int>, order);
        QFETCH(QVector<int>, turned);
        QFETCH(QStringList, edges);
        const QVector<QPointF> contour{{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}};
        const QVector<QPointF> zigzag{{5, 0}, {6, 1}, {7, 0}, {8, 1}, {9, 0}};
        QVector<QLineF> drawing;
        for (int i = 0; i < contour.size(); ++i)
            drawing << QLineF(contour[i], contour[(i + 1) % contour.size()]);
        for (int i = 0; i + 1 < zigzag.size(); ++i)
            drawing << QLineF(zigzag[i], zigzag[i + 1]);

        Curves curves;
        for (int index : order)
        {
            const QLineF drawn = drawing.at(index);
            const QLineF read = turned.contains(index) ? QLineF(drawn.p2(), drawn.p1()) : drawn;
            curves << line(read.x1(), read.y1(), read.x2(), read.y2());
        }
        Geometry2DTopologyBuilder builder;
        builder.build(curves, 0.01);
        const QStringList described = describeAll(builder);
        QCOMPARE(described, edges);
        for (const Geometry2DEdgePtr& edge : builder.edges())
            QVERIFY(chained(edge));
        QStringList normalizedEdges;
        for (const QString& edge : described)
            normalizedEdges << normalized(edge);
        QCOMPARE(normalizedEdges, (QStringList{"0,0 0,1 0,2 1,2 2,2 2,1 2,0 1,0 0,0", "5,0 6,1 7,0 8,1 9,0"}));
    }

    void closedEdgesComeFirstOpenOnesInReadOrder()
    {
        // Three open chains started in the order c, a, b; one square closes late.
        const Curves curves{line(30, 0, 31, 0), line(10, 0, 11, 0), line(0, 0, 1, 0), line(20, 0, 21, 0),
                            line(1, 0, 1, 1),   line(11, 0, 12, 0), line(1, 1, 0, 0)};
        Geometry2DTopologyBuilder builder;
        builder.build(curves, 0.01);
        QCOMPARE(describeAll(builder),
                 (QStringList{"0,0 1,0 1,1 0,0", "30,0 31,0", "10,0 11,0 12,0", "20,0 21,0"}));
    }

    void sameFileSameDocument()
    {
        // Many short open chains: every build returns them in the same order.
        QStringList first;
        for (int run = 0; run < 3; ++run)
        {
            Curves curves;
            for (int i = 0; i < 200; ++i)
                curves << line(i * 10, 0, i * 10 + 1, 0) << line(i * 10 + 2, 0, i * 10 + 1, 0);
            Geometry2DTopologyBuilder builder;
            builder.build(curves, 0.01);
            QCOMPARE(builder.edges().size(), 200);
            if (run == 0)
                first = describeAll(builder);
            else
                QCOMPARE(describeAll(builder), first);
        }
        QCOMPARE(first.first(), QStringLiteral("0,0 1,0 2,0"));
        QCOMPARE(first.last(), QStringLiteral("1990,0 1991,0 1992,0"));
    }

    void tJunctionLeavesABranchApart()
    {
        const Curves curves{line(0, 0, 1, 0), line(1, 0, 2, 0), line(1, 0, 1, 1)};
        Geometry2DTopologyBuilder builder;
        builder.build(curves, 0.01);
        QVERIFY(builder.edges().size() >= 2);
        int curveCount = 0;
        for (const Geometry2DEdgePtr& edge : builder.edges())
        {
            QVERIFY(chained(edge));
            curveCount += edge->curves().size();
        }
        QCOMPARE(curveCount, 3);
    }

    void joiningSharesCurveObjects()
    {
        const Curves curves{line(0, 0, 1, 0), line(2, 0, 1, 0)};
        Geometry2DTopologyBuilder builder;
        builder.build(curves, 0.01);
        QCOMPARE(builder.edges().size(), 1);
        QCOMPARE(builder.edges().first()->curves(), curves);
        // Reversed in place: the caller's curve now runs from (1, 0) to (2, 0).
        QCOMPARE(curves[1]->startPoint(), QPointF(1, 0));
    }
};

TALVEX_TEST(tst_Geometry2DTopologyBuilder)
#include "tst_Geometry2DTopologyBuilder.moc"
