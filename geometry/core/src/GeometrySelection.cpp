#include "GeometrySelection.h"

GeometrySelection::~GeometrySelection()
{
    m_observers.notify(&IObserver::selectionDestroyed, this);
}

void GeometrySelection::selectEdge(const Geometry2DEdgePtr& edge)
{
    m_selectedEdges.insert(edge);
    m_observers.notify(&IObserver::edgeSelected, edge);
}

void GeometrySelection::deselectEdge(const Geometry2DEdgePtr& edge)
{
    m_selectedEdges.remove(edge);
    m_observers.notify(&IObserver::edgeDeselected, edge);
}

void GeometrySelection::selectCurve(const GeometryI2DCurvePtr& curve)
{
    m_selectedCurves.insert(curve);
    m_observers.notify(&IObserver::curveSelected, curve);
}

void GeometrySelection::deselectCurve(const GeometryI2DCurvePtr& curve)
{
    m_selectedCurves.remove(curve);
    m_observers.notify(&IObserver::curveDeselected, curve);
}

void GeometrySelection::addObserver(IObserver* observer)
{
    const bool added = m_observers.add(observer);
    Q_ASSERT_X(added, "GeometrySelection::addObserver", "!m_observers.contains(pObserver)");
    Q_UNUSED(added);
}

void GeometrySelection::removeObserver(IObserver* observer)
{
    const bool removed = m_observers.remove(observer);
    Q_ASSERT_X(removed, "GeometrySelection::removeObserver", "m_observers.contains(pObserver)");
    Q_UNUSED(removed);
}
