#pragma once

#include "Geometry2DEdge.h"
#include "ObserverList.h"

#include <QVector>

// The model of one geometry page: the edges that imports added, in that order, and a modified
// flag. Owned by the page; the view, the tree and the page observe it. GUI thread only.
class GeometryDocument
{
public:
    class IObserver
    {
    public:
        virtual ~IObserver() = default;
        virtual void edgeAdded(Geometry2DEdgePtr edge) = 0;
        // Observers empty their display; the document itself never sends it.
        virtual void documentCleared(GeometryDocument* document) = 0;
        // After every addition and every setModified.
        virtual void modificationChanged(bool modified) = 0;
        // From the destructor: the observer forgets the document and does not unregister.
        virtual void documentDestroyed(GeometryDocument* document) = 0;
    };

    GeometryDocument() = default;
    ~GeometryDocument();
    GeometryDocument(const GeometryDocument&) = delete;
    GeometryDocument& operator=(const GeometryDocument&) = delete;

    // Registering twice or removing an unknown observer is a caller error (asserted); in a
    // release build it changes nothing.
    void addObserver(IObserver* observer);
    void removeObserver(IObserver* observer);

    const QVector<Geometry2DEdgePtr>& edges() const { return m_edges; }
    // Marks the document modified, appends the edge, then tells edgeAdded and
    // modificationChanged(true).
    void addEdge(const Geometry2DEdgePtr& edge);
    bool isModified() const { return m_modified; }
    // Tells modificationChanged even when the flag stays as it was.
    void setModified(bool modified);

private:
    bool m_modified = false;
    QVector<Geometry2DEdgePtr> m_edges;
    ObserverList<IObserver> m_observers;
};
