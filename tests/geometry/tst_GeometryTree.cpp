#include "Geometry2DLine.h"
#include "Geometry2DView.h"
#include "GeometryTree.h"
#include "TestRegistry.h"

#include <QGraphicsPathItem>
#include <QSplitter>
#include <QTest>
#include <memory>

namespace
{
// Records the selection's notifications.
class SelectionLog : public GeometrySelection::IObserver
{
public:
    explicit SelectionLog(GeometrySelection* selection) : m_selection(selection) { m_selection->addObserver(this); }
    ~SelectionLog() override { m_selection->removeObserver(this); }
    void edgeSelected(Geometry2DEdgePtr) override { log << "edgeSelected"; }
    void edgeDeselected(Geometry2DEdgePtr) override { log << "edgeDeselected"; }
    void curveSelected(GeometryI2DCurvePtr) override { log << "curveSelected"; }
    void curveDeselected(GeometryI2DCurvePtr) override { log << "curveDeselected"; }
    void selectionDestroyed(GeometrySelection*) override {}
    QStringList log;

private:
    GeometrySelection* m_selection;
};

Geometry2DEdgePtr triangle(double offset)
{
    Geometry2DEdgePtr edge(new Geometry2DEdge);
    const QPointF a(offset, 0), b(offset + 40, 0), c(offset + 20, 30);
    edge->append(GeometryI2DCurvePtr(new Geometry2DLine(a, b)));
    edge->append(GeometryI2DCurvePtr(new Geometry2DLine(b, c)));
    edge->append(GeometryI2DCurvePtr(new Geometry2DLine(c, a)));
    return edge;
}

QStringList texts(QTreeWidgetItem* item)
{
    QStringList list{item->text(0)};
    for (int i = 0; i < item->childCount(); ++i)
        list << "(" + texts(item->child(i)).join(' ') + ")";
    return list;
}

int redItems(const QGraphicsView& view)
{
    int count = 0;
    for (QGraphicsItem* item : view.scene()->items())
        if (auto* path = qgraphicsitem_cast<QGraphicsPathItem*>(item))
            count += path->pen().color() == Qt::red ? 1 : 0;
    return count;
}
}

class tst_GeometryTree : public QObject
{
    Q_OBJECT

private slots:
    void listsEdgesAndTheirCurves()
    {
        GeometryDocument document;
        GeometrySelection selection;
        GeometryTree tree(&document, &selection);
        QVERIFY(tree.isHeaderHidden());
        QCOMPARE(texts(tree.topLevelItem(0)), QStringList{"Edges"});
        document.addEdge(triangle(0));
        QCOMPARE(tree.topLevelItemCount(), 1);
        QCOMPARE(texts(tree.topLevelItem(0)).join(' '), QStringLiteral("Edges (Edge (Line) (Line) (Line))"));
    }

    void currentItemSelectsAndViewShowsRed()
    {
        GeometryDocument document;
        GeometrySelection selection;
        SelectionLog log(&selection);
        QSplitter page;
        auto* tree = new GeometryTree(&document, &selection);
        auto* view = new Geometry2DView(&document, &selection);
        page.addWidget(tree);
        page.addWidget(view);
        document.addEdge(triangle(0));
        document.addEdge(triangle(50));
        QTreeWidgetItem* edge = tree->topLevelItem(0)->child(0);
        tree->expandAll();

        tree->setCurrentItem(edge->child(1));
        QCOMPARE(log.log, QStringList{"curveSelected"});
        QCOMPARE(redItems(*view), 1);

        // From a curve to its edge: the curve goes, then the whole edge is red.
        tree->setCurrentItem(edge);
        QCOMPARE(log.log, (QStringList{"curveSelected", "curveDeselected", "edgeSelected"}));
        QCOMPARE(redItems(*view), 3);
        page.resize(640, 300);
        view->setAreaRect(QRectF(0, 0, 100, 40));
        page.grab().save(QDir::temp().filePath("geometry-tree.png"));

        // The root deselects the edge and selects nothing.
        log.log.clear();
        tree->setCurrentItem(tree->topLevelItem(0));
        QCOMPARE(log.log, QStringList{"edgeDeselected"});
        QCOMPARE(redItems(*view), 0);
        QVERIFY(selection.selectedEdges().isEmpty());
    }

    void clearedDocumentKeepsTheRoot()
    {
        GeometryDocument document;
        GeometrySelection selection;
        SelectionLog log(&selection);
        GeometryTree tree(&document, &selection);
        document.addEdge(triangle(0));
        tree.setCurrentItem(tree.topLevelItem(0)->child(0)->child(0));
        log.log.clear();
        tree.documentCleared(&document);
        QCOMPARE(texts(tree.topLevelItem(0)), QStringList{"Edges"});
        QCOMPARE(tree.topLevelItemCount(), 1);
        // The deleted items are forgotten: nothing reaches the selection for them.
        QCOMPARE(log.log, QStringList{});
    }

    void outlivesDocumentAndSelection()
    {
        auto document = std::make_unique<GeometryDocument>();
        auto selection = std::make_unique<GeometrySelection>();
        auto tree = std::make_unique<GeometryTree>(document.get(), selection.get());
        document->addEdge(triangle(0));
        tree->setCurrentItem(tree->topLevelItem(0)->child(0));
        selection.reset();
        document.reset();
        tree.reset();
    }
};

TALVEX_TEST(tst_GeometryTree)
#include "tst_GeometryTree.moc"
