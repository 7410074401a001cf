#pragma once

#include "Geometry2DEdge.h"

#include <QHash>
#include <QVector>
#include <memory>
#include <vector>

// Chains curves whose end points fall on one point of a square grid (spacing: the resolution)
// into edges, turning curves around where a chain needs it. The DXF import runs one build per
// file. GUI thread only. Each curve costs a fixed number of look-ups whatever the order of the
// drawing; joining two chains copies the shorter one.
class Geometry2DTopologyBuilder
{
public:
    Geometry2DTopologyBuilder();
    ~Geometry2DTopologyBuilder();

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
    struct Chain;
    struct Link;
    struct Boundary
    {
        quint64 start;
        quint64 end;
    };

    void addOpenEdge(Chain* edge, double resolution);
    void removeOpenEdge(Chain* edge);
    void joinCurve(const Link& curve, quint64 start, quint64 end, double resolution);
    // Joins before, the curve and after into keeper (before or after), or closes before when
    // both are the same edge.
    void bridge(const Link& curve, Chain* before, Chain* after, Chain* keeper, double resolution);

    QVector<Geometry2DEdgePtr> m_closedEdges;
    QVector<Geometry2DEdgePtr> m_openEdges;
    QVector<Geometry2DEdgePtr> m_edges;
    QHash<quint64, Chain*> m_edgesByStartPoint;
    QHash<quint64, Chain*> m_edgesByEndPoint;
    QHash<Chain*, Boundary> m_openEdgeBoundaryPoints;
    // Every edge that was ever open, in the order it was made; the result keeps those still open.
    std::vector<std::unique_ptr<Chain>> m_openEdgesByCreation;
    int m_droppedCurveCount = 0;
};
