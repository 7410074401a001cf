#include "GeometryDocument.h"

GeometryDocument::~GeometryDocument()
{
    m_observers.notify(&IObserver::documentDestroyed, this);
}

void GeometryDocument::addObserver(IObserver* observer)
{
    const bool added = m_observers.add(observer);
    Q_ASSERT_X(added, "GeometryDocument::addObserver", "!m_observers.contains(pObserver)");
    Q_UNUSED(added);
}

void GeometryDocument::removeObserver(IObserver* observer)
{
    const bool removed = m_observers.remove(observer);
    Q_ASSERT_X(removed, "GeometryDocument::removeObserver", "m_observers.contains(pObserver)");
    Q_UNUSED(removed);
}

void GeometryDocument::addEdge(const Geometry2DEdgePtr& edge)
{
    m_modified = true;
    m_edges.append(edge);
    m_observers.notify(&IObserver::edgeAdded, edge);
    m_observers.notify(&IObserver::modificationChanged, true);
}

void GeometryDocument::setModified(bool modified)
{
    m_modified = modified;
    m_observers.notify(&IObserver::modificationChanged, modified);
}
