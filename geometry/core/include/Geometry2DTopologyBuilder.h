#pragma once

#include "Geometry2DEdge.h"

#include <QHash>
#include <QVector>

// Chains curves whose end points fall on one point of a square grid (spacing: the resolution)
// into edges, turning curves around where a chain needs it. The DXF import runs one build per
// file. GUI thread only.
class Geometry2DTopologyBuilder
{
public:
    // Closed curves become edges of their own; other curves are joined in the order given.
    // A curve whose ends share one grid point, or whose ends lie too far out for the grid,
    // is left out and counted in droppedCurveCount(). A resolution that is not positive
    // leaves every open curve out.
    void build(const QVector<GeometryI2DCurvePtr>& curves, double resolution);

    // The closed edges in the order they closed, then the open ones in the order their first
    // curve was read.
    const QVector<Geometry2DEdgePtr>& edges() const { return m_edges; }
    int droppedCurveCount() const { return m_droppedCurveCount; }

private:
    struct Boundary
    {
        quint64 start;
        quint64 end;
    };

    void addOpenEdge(const Geometry2DEdgePtr& edge, double resolution);
    void removeOpenEdge(const Geometry2DEdgePtr& edge);
    void joinCurve(const GeometryI2DCurvePtr& curve, quint64 start, quint64 end, double resolution);
    void bridge(const GeometryI2DCurvePtr& curve, const Geometry2DEdgePtr& before,
                const Geometry2DEdgePtr& after, double resolution);

    QVector<Geometry2DEdgePtr> m_closedEdges;
    QVector<Geometry2DEdgePtr> m_openEdges;
    QVector<Geometry2DEdgePtr> m_edges;
    QHash<quint64, Geometry2DEdgePtr> m_edgesByStartPoint;
    QHash<quint64, Geometry2DEdgePtr> m_edgesByEndPoint;
    QHash<Geometry2DEdge*, Boundary> m_openEdgeBoundaryPoints;
    // Every edge that was ever open, in the order it was made; the result keeps those still open.
    QVector<Geometry2DEdgePtr> m_openEdgesByCreation;
    int m_droppedCurveCount = 0;
};
