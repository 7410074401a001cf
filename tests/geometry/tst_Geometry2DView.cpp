#include "Geometry2DLine.h"
#include "Geometry2DView.h"
#include "TestRegistry.h"

#include <QGraphicsPathItem>
#include <QGraphicsRectItem>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <memory>

namespace
{
Geometry2DEdgePtr edgeOf(const QVector<QLineF>& lines)
{
    Geometry2DEdgePtr edge(new Geometry2DEdge);
    for (const QLineF& line : lines)
        edge->append(GeometryI2DCurvePtr(new Geometry2DLine(line.p1(), line.p2())));
    return edge;
}

QList<QGraphicsPathItem*> pathItems(const QGraphicsView& view)
{
    QList<QGraphicsPathItem*> items;
    for (QGraphicsItem* item : view.scene()->items(Qt::AscendingOrder))
        if (auto* path = qgraphicsitem_cast<QGraphicsPathItem*>(item))
            items << path;
    return items;
}

QList<QGraphicsRectItem*> rectItems(const QGraphicsView& view)
{
    QList<QGraphicsRectItem*> items;
    for (QGraphicsItem* item : view.scene()->items())
        if (auto* rect = qgraphicsitem_cast<QGraphicsRectItem*>(item))
            items << rect;
    return items;
}

int redItems(const QGraphicsView& view)
{
    int count = 0;
    for (QGraphicsPathItem* item : pathItems(view))
        count += item->pen().color() == Qt::red ? 1 : 0;
    return count;
}

// One turn of the wheel over the view at the cursor; the view's scale after it.
double turnWheel(Geometry2DView& view, const QPoint& cursor, int delta)
{
    QWheelEvent event(QPointF(cursor), view.viewport()->mapToGlobal(cursor), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.viewport(), &event);
    return view.transform().m11();
}

void grab(QWidget& widget, const QString& name)
{
    widget.grab().save(QDir::temp().filePath(name));
}
}

class tst_Geometry2DView : public QObject
{
    Q_OBJECT

private slots:
    void gridStep_data()
    {
        QTest::addColumn<double>("size");
        QTest::addColumn<double>("step");
        QTest::newRow("120 x 80") << 120.0 << 10.0;
        QTest::newRow("4 x 3") << 4.0 << 0.1;
        QTest::newRow("5 exactly") << 5.0 << 0.1;
        QTest::newRow("5.5") << 5.5 << 1.0;
        QTest::newRow("600") << 600.0 << 100.0;
        QTest::newRow("6000") << 6000.0 << 1000.0;
        QTest::newRow("500000") << 500000.0 << 10000.0;
    }

    void gridStep()
    {
        QFETCH(double, size);
        QFETCH(double, step);
        QCOMPARE(Geometry2DView::gridStep(size), step);
    }

    void curvesDrawnFlippedAndSelectedInRed()
    {
        GeometryDocument document;
        GeometrySelection selection;
        const Geometry2DEdgePtr first = edgeOf({QLineF(0, 5, 100, 5), QLineF(100, 5, 100, 80)});
        document.addEdge(first);
        Geometry2DView view(&document, &selection);
        const Geometry2DEdgePtr second = edgeOf({QLineF(20, 20, 60, 60)});
        document.addEdge(second);

        const QList<QGraphicsPathItem*> items = pathItems(view);
        QCOMPARE(items.size(), 3);
        // Model y = 5 is scene y = -5.
        QCOMPARE(items.first()->path().boundingRect(), QRectF(0, -5, 100, 0));
        QCOMPARE(items.first()->zValue(), 10.0);
        QCOMPARE(redItems(view), 0);

        selection.selectEdge(first);
        QCOMPARE(redItems(view), 2);
        selection.selectCurve(second->curves().first());
        QCOMPARE(redItems(view), 3);
        selection.deselectEdge(first);
        QCOMPARE(redItems(view), 1);
        // A curve the view does not show is ignored.
        selection.selectCurve(GeometryI2DCurvePtr(new Geometry2DLine(QPointF(), QPointF(1, 1))));
        QCOMPARE(redItems(view), 1);

        // Set before the view has its size, as a page does: fitted once it is shown.
        view.setAreaRect(QRectF(0, 0, 150, 100));
        view.resize(400, 300);
        grab(view, "geometry-view.png");
        const QRectF visible = view.mapToScene(view.viewport()->rect()).boundingRect();
        QVERIFY(visible.contains(QRectF(-10, -110, 170, 120).adjusted(1, 1, -1, -1)));
    }

    void areaIsShadedAndFitted()
    {
        GeometryDocument document;
        Geometry2DView view(&document, nullptr);
        view.resize(640, 480);
        view.setAreaRect(QRectF(0, 0, 300, 200));
        const QList<QGraphicsRectItem*> rects = rectItems(view);
        QCOMPARE(rects.size(), 1);
        QCOMPARE(rects.first()->rect(), QRectF(0, -200, 300, 200));
        QCOMPARE(rects.first()->brush().color(), QColor(255, 100, 100, 50));
        QCOMPARE(rects.first()->pen().style(), Qt::NoPen);
        QCOMPARE(rects.first()->zValue(), 0.0);
        // (-10, -10) to (310, 210) of the model fills the view in one direction.
        const QRectF visible = view.mapToScene(view.viewport()->rect()).boundingRect();
        QVERIFY(visible.contains(QRectF(-10, -210, 320, 220).adjusted(1, 1, -1, -1)));
        // (Qt keeps a margin of a few pixels.)
        QVERIFY2(qAbs(visible.width() - 320) < 5 || qAbs(visible.height() - 220) < 5,
                 qPrintable(QStringLiteral("%1 x %2").arg(visible.width()).arg(visible.height())));
        QVERIFY(qAbs(visible.center().x() - 150) < 1 && qAbs(visible.center().y() + 100) < 1);

        const QTransform zoom = view.transform();
        view.setAreaRect(QRectF());
        QVERIFY(rectItems(view).isEmpty());
        QCOMPARE(view.transform(), zoom);
    }

    void wheelZoomsAboutTheCursor()
    {
        GeometryDocument document;
        Geometry2DView view(&document, nullptr);
        view.resize(400, 300);
        view.setAreaRect(QRectF(0, 0, 100, 100));
        const QPoint cursor(120, 90);
        const QPointF under = view.mapToScene(cursor);
        const double scale = view.transform().m11();
        const auto wheel = [&](int delta) { turnWheel(view, cursor, delta); };
        wheel(120);
        QVERIFY(qAbs(view.transform().m11() / scale - 1.12) < 1e-9);
        QVERIFY(QLineF(view.mapToScene(cursor), under).length() < 0.5);
        wheel(120);
        wheel(120);
        wheel(-120);
        wheel(-120);
        wheel(-120);
        QVERIFY(qAbs(view.transform().m11() / scale - 1.12 * 1.12 * 1.12 * 0.88 * 0.88 * 0.88) < 1e-9);
        QVERIFY(QLineF(view.mapToScene(cursor), under).length() < 0.5);
    }

    // However far the wheel turns, the drawing keeps a positive scale and stays in view, and a
    // notch back zooms as usual.
    void wheelZoomStaysBounded_data()
    {
        QTest::addColumn<int>("delta");
        QTest::addColumn<int>("events");
        QTest::newRow("-1000") << -1000 << 1;
        QTest::newRow("-100000") << -100000 << 1;
        QTest::newRow("-1000 without end") << -1000 << 60;
        QTest::newRow("+100000") << 100000 << 1;
        QTest::newRow("+1000000 without end") << 1000000 << 60;
    }
    void wheelZoomStaysBounded()
    {
        QFETCH(int, delta);
        QFETCH(int, events);
        GeometryDocument document;
        Geometry2DView view(&document, nullptr);
        view.resize(400, 300);
        view.show();
        view.setAreaRect(QRectF(0, 0, 100, 100));
        const QPoint cursor(120, 90);
        const QPointF under = view.mapToScene(cursor);
        const auto wheel = [&](int notch) { return turnWheel(view, cursor, notch); };
        const double before = view.transform().m11();
        double scale = before;
        for (int i = 0; i < events; ++i)
            scale = wheel(delta);
        QVERIFY2(std::isfinite(scale) && scale > 0, qPrintable(QString::number(scale)));
        QVERIFY(delta > 0 ? scale > before : scale < before);
        QCOMPARE(view.transform().m22(), scale);
        // Zoomed out, the whole drawing is in view and big enough to see; zoomed in, the view
        // shows a part of it, around the point under the cursor.
        const QRectF visible = view.mapToScene(view.viewport()->rect()).boundingRect();
        if (delta < 0)
        {
            QVERIFY(visible.contains(QRectF(0, -100, 100, 100)));
            QVERIFY(view.mapFromScene(QRectF(0, -100, 100, 100)).boundingRect().width() >= 20);
        }
        else
        {
            QVERIFY(visible.width() > 0);
            QVERIFY(QLineF(view.mapToScene(cursor), under).length() < visible.width());
        }
        grab(view, QStringLiteral("wheel%1x%2.png").arg(delta).arg(events));
        if (events > 1)
            QCOMPARE(wheel(delta), scale);
        const double back = wheel(delta < 0 ? 120 : -120);
        QVERIFY(qAbs(back / scale - (delta < 0 ? 1.12 : 0.88)) < 1e-9);
    }

    void middleButtonPans()
    {
        GeometryDocument document;
        Geometry2DView view(&document, nullptr);
        view.resize(400, 300);
        view.setAreaRect(QRectF(0, 0, 100, 100));
        const QPointF grabbed = view.mapToScene(QPoint(100, 100));
        QTest::mousePress(view.viewport(), Qt::MiddleButton, Qt::NoModifier, QPoint(100, 100));
        QMouseEvent move(QEvent::MouseMove, QPointF(160, 130), Qt::NoButton, Qt::MiddleButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &move);
        // The drawing follows the mouse.
        QVERIFY(QLineF(view.mapToScene(QPoint(160, 130)), grabbed).length() < 0.5);
        QTest::mouseRelease(view.viewport(), Qt::MiddleButton, Qt::NoModifier, QPoint(160, 130));
        const QTransform after = view.transform();
        QMouseEvent idle(QEvent::MouseMove, QPointF(10, 10), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &idle);
        QCOMPARE(view.transform(), after);
        QCOMPARE(view.viewport()->cursor().shape(), Qt::ArrowCursor);
    }

    void outlivesDocumentAndSelection()
    {
        auto document = std::make_unique<GeometryDocument>();
        auto selection = std::make_unique<GeometrySelection>();
        auto view = std::make_unique<Geometry2DView>(document.get(), selection.get());
        selection.reset();
        document.reset();
        view.reset();
    }

    void clearedDocumentEmptiesTheScene()
    {
        GeometryDocument document;
        GeometrySelection selection;
        Geometry2DView view(&document, &selection);
        const Geometry2DEdgePtr edge = edgeOf({QLineF(0, 0, 1, 1)});
        document.addEdge(edge);
        view.setAreaRect(QRectF(0, 0, 10, 10));
        view.documentCleared(&document);
        QVERIFY(view.scene()->items().isEmpty());
        selection.selectEdge(edge);
        view.setAreaRect(QRectF());
    }
};

TALVEX_TEST(tst_Geometry2DView)
#include "tst_Geometry2DView.moc"
