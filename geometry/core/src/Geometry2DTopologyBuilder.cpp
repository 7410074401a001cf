#include "Geometry2DTopologyBuilder.h"

#include <QtGlobal>
#include <cmath>

namespace
{
// Grid coordinates stay well inside int, so rounding can neither overflow nor wrap.
constexpr double s_gridLimit = 1 << 30;

// The grid point of a model point as one key: x in the high and y in the low 32 bits, each
// taken as its unsigned bit pattern so that no two grid points share a key. False when the
// point lies beyond the grid.
bool gridKey(const QPointF& point, double resolution, quint64& key)
{
    const double x = point.x() / resolution;
    const double y = point.y() / resolution;
    if (!(std::fabs(x) < s_gridLimit) || !(std::fabs(y) < s_gridLimit))
        return false;
    key = (quint64(quint32(qRound(x))) << 32) | quint64(quint32(qRound(y)));
    return true;
}
}

void Geometry2DTopologyBuilder::addOpenEdge(const Geometry2DEdgePtr& edge, double resolution)
{
    Q_ASSERT_X(!m_openEdgeBoundaryPoints.contains(edge.get()), "addOpenEdge",
               "!m_openEdgeBoundaryPoints.contains(pEdge)");
    Boundary boundary{};
    // The edge's ends are ends of its curves, which were all on the grid.
    gridKey(edge->startPoint(), resolution, boundary.start);
    gridKey(edge->endPoint(), resolution, boundary.end);
    m_edgesByStartPoint.insert(boundary.start, edge);
    m_edgesByEndPoint.insert(boundary.end, edge);
    m_openEdgeBoundaryPoints.insert(edge.get(), boundary);
}

void Geometry2DTopologyBuilder::removeOpenEdge(const Geometry2DEdgePtr& edge)
{
    Q_ASSERT_X(m_openEdgeBoundaryPoints.contains(edge.get()), "removeOpenEdge",
               "m_openEdgeBoundaryPoints.contains(pEdge)");
    const Boundary boundary = m_openEdgeBoundaryPoints.take(edge.get());
    m_edgesByStartPoint.remove(boundary.start);
    m_edgesByEndPoint.remove(boundary.end);
}

void Geometry2DTopologyBuilder::bridge(const GeometryI2DCurvePtr& curve, const Geometry2DEdgePtr& before,
                                       const Geometry2DEdgePtr& after, double resolution)
{
    if (before == after)
    {
        removeOpenEdge(before);
        before->append(curve);
        m_closedEdges.append(before);
        return;
    }
    removeOpenEdge(before);
    removeOpenEdge(after);
    before->append(curve);
    before->append(*after);
    addOpenEdge(before, resolution);
}

void Geometry2DTopologyBuilder::joinCurve(const GeometryI2DCurvePtr& curve, quint64 s, quint64 e, double resolution)
{
    const auto& byStart = m_edgesByStartPoint;
    const auto& byEnd = m_edgesByEndPoint;
    if (byEnd.contains(s) && byStart.contains(e))
    {
        bridge(curve, byEnd.value(s), byStart.value(e), resolution);
    }
    else if (byEnd.contains(e) && byStart.contains(s))
    {
        curve->reverse();
        bridge(curve, byEnd.value(e), byStart.value(s), resolution);
    }
    else if (byEnd.contains(s) && byEnd.contains(e))
    {
        const Geometry2DEdgePtr first = byEnd.value(s);
        const Geometry2DEdgePtr second = byEnd.value(e);
        Q_ASSERT_X(first != second, "joinCurve", "pBeforeEdge != pAfterEdge");
        removeOpenEdge(first);
        removeOpenEdge(second);
        first->append(curve);
        second->reverse();
        first->append(*second);
        addOpenEdge(first, resolution);
    }
    else if (byStart.contains(s) && byStart.contains(e))
    {
        const Geometry2DEdgePtr first = byStart.value(s);
        const Geometry2DEdgePtr second = byStart.value(e);
        Q_ASSERT_X(first != second, "joinCurve", "pBeforeEdge != pAfterEdge");
        removeOpenEdge(first);
        removeOpenEdge(second);
        second->prepend(curve);
        first->reverse();
        second->prepend(*first);
        addOpenEdge(second, resolution);
    }
    else
    {
        Geometry2DEdgePtr edge;
        if (byEnd.contains(s) || byStart.contains(e))
        {
            // The curve runs on from an edge's end, or into an edge's start, as drawn.
            const bool append = byEnd.contains(s);
            edge = append ? byEnd.value(s) : byStart.value(e);
            removeOpenEdge(edge);
            append ? edge->append(curve) : edge->prepend(curve);
        }
        else if (byEnd.contains(e) || byStart.contains(s))
        {
            const bool append = byEnd.contains(e);
            edge = append ? byEnd.value(e) : byStart.value(s);
            removeOpenEdge(edge);
            curve->reverse();
            append ? edge->append(curve) : edge->prepend(curve);
        }
        else
        {
            edge.reset(new Geometry2DEdge);
            edge->append(curve);
            m_openEdgesByCreation.append(edge);
        }
        addOpenEdge(edge, resolution);
    }
}

void Geometry2DTopologyBuilder::build(const QVector<GeometryI2DCurvePtr>& curves, double resolution)
{
    for (const GeometryI2DCurvePtr& curve : curves)
    {
        if (curve->isClosed(resolution))
        {
            Geometry2DEdgePtr edge(new Geometry2DEdge);
            edge->append(curve);
            m_closedEdges.append(edge);
            continue;
        }
        quint64 start = 0;
        quint64 end = 0;
        if (!(resolution > 0) || !gridKey(curve->startPoint(), resolution, start) ||
            !gridKey(curve->endPoint(), resolution, end) || start == end)
        {
            ++m_droppedCurveCount;
            continue;
        }
        joinCurve(curve, start, end, resolution);
    }

    m_openEdges.clear();
    for (const Geometry2DEdgePtr& edge : qAsConst(m_openEdgesByCreation))
        if (m_openEdgeBoundaryPoints.contains(edge.get()))
            m_openEdges.append(edge);
    m_edges = m_closedEdges + m_openEdges;
}
