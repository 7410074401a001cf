#include "Geometry2DLine.h"
#include "GeometrySelection.h"
#include "TestRegistry.h"

#include <QTest>
#include <memory>

namespace
{
class RecordingObserver : public GeometrySelection::IObserver
{
public:
    RecordingObserver(GeometrySelection* selection, QStringList& log) : m_selection(selection), m_log(log)
    {
        m_selection->addObserver(this);
    }
    ~RecordingObserver() override
    {
        if (m_selection)
            m_selection->removeObserver(this);
    }
    void edgeSelected(Geometry2DEdgePtr) override { m_log << "edgeSelected"; }
    void edgeDeselected(Geometry2DEdgePtr) override { m_log << "edgeDeselected"; }
    void curveSelected(GeometryI2DCurvePtr) override { m_log << "curveSelected"; }
    void curveDeselected(GeometryI2DCurvePtr) override { m_log << "curveDeselected"; }
    void selectionDestroyed(GeometrySelection*) override
    {
        m_log << "destroyed";
        m_selection = nullptr;
    }

private:
    GeometrySelection* m_selection;
    QStringList& m_log;
};
}

class tst_GeometrySelection : public QObject
{
    Q_OBJECT

private slots:
    void everyCallTellsObservers()
    {
        GeometrySelection selection;
        QStringList log;
        RecordingObserver observer(&selection, log);
        const GeometryI2DCurvePtr curve(new Geometry2DLine(QPointF(0, 0), QPointF(1, 0)));
        const Geometry2DEdgePtr edge(new Geometry2DEdge);
        edge->append(curve);

        selection.selectCurve(curve);
        selection.selectCurve(curve);
        QCOMPARE(selection.selectedCurves().size(), 1);
        selection.deselectCurve(curve);
        selection.deselectCurve(curve);
        QVERIFY(selection.selectedCurves().isEmpty());
        selection.selectEdge(edge);
        QVERIFY(selection.selectedEdges().contains(edge));
        selection.deselectEdge(edge);
        QVERIFY(selection.selectedEdges().isEmpty());
        QCOMPARE(log, (QStringList{"curveSelected", "curveSelected", "curveDeselected", "curveDeselected",
                                   "edgeSelected", "edgeDeselected"}));
    }

    void keyedByObjectNotByValue()
    {
        GeometrySelection selection;
        const GeometryI2DCurvePtr first(new Geometry2DLine(QPointF(0, 0), QPointF(1, 0)));
        const GeometryI2DCurvePtr same(new Geometry2DLine(QPointF(0, 0), QPointF(1, 0)));
        selection.selectCurve(first);
        selection.selectCurve(same);
        QCOMPARE(selection.selectedCurves().size(), 2);
        selection.deselectCurve(GeometryI2DCurvePtr(first));
        QVERIFY(selection.selectedCurves().contains(same));
        QVERIFY(!selection.selectedCurves().contains(first));
    }

    void destructionTellsObservers()
    {
        QStringList log;
        auto selection = std::make_unique<GeometrySelection>();
        RecordingObserver observer(selection.get(), log);
        selection.reset();
        QCOMPARE(log, QStringList{"destroyed"});
    }
};

TALVEX_TEST(tst_GeometrySelection)
#include "tst_GeometrySelection.moc"
