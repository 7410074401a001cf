#pragma once

#include "Geometry2DEdge.h"
#include "GeometryPointerHash.h"
#include "ObserverList.h"

#include <QSet>

// The edges and curves selected on one geometry page. The tree selects, the view shows the
// selection in red. Every call tells the observers, also when the set did not change. GUI
// thread only.
class GeometrySelection
{
public:
    class IObserver
    {
    public:
        virtual ~IObserver() = default;
        virtual void edgeSelected(Geometry2DEdgePtr edge) = 0;
        virtual void edgeDeselected(Geometry2DEdgePtr edge) = 0;
        virtual void curveSelected(GeometryI2DCurvePtr curve) = 0;
        virtual void curveDeselected(GeometryI2DCurvePtr curve) = 0;
        // From the destructor: the observer forgets the selection and does not unregister.
        virtual void selectionDestroyed(GeometrySelection* selection) = 0;
    };

    GeometrySelection() = default;
    ~GeometrySelection();
    GeometrySelection(const GeometrySelection&) = delete;
    GeometrySelection& operator=(const GeometrySelection&) = delete;

    void selectEdge(const Geometry2DEdgePtr& edge);
    void deselectEdge(const Geometry2DEdgePtr& edge);
    void selectCurve(const GeometryI2DCurvePtr& curve);
    void deselectCurve(const GeometryI2DCurvePtr& curve);

    const QSet<Geometry2DEdgePtr>& selectedEdges() const { return m_selectedEdges; }
    const QSet<GeometryI2DCurvePtr>& selectedCurves() const { return m_selectedCurves; }

    // As the document's: registering twice or removing an unknown observer is asserted.
    void addObserver(IObserver* observer);
    void removeObserver(IObserver* observer);

private:
    QSet<Geometry2DEdgePtr> m_selectedEdges;
    QSet<GeometryI2DCurvePtr> m_selectedCurves;
    ObserverList<IObserver> m_observers;
};
