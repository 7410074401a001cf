#include "Geometry2DTopologyBuilder.h"

#include <QtGlobal>
#include <cmath>
#include <vector>

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

// A curve in a chain: turned when it runs the other way in the chain than it does now.
struct Geometry2DTopologyBuilder::Link
{
    GeometryI2DCurvePtr curve;
    bool turned;

    QPointF startPoint() const { return turned ? curve->endPoint() : curve->startPoint(); }
    QPointF endPoint() const { return turned ? curve->startPoint() : curve->endPoint(); }
    Link flipped() const { return {curve, !turned}; }
};

// An open edge while the build runs. The links sit in two vectors, the ones put before the
// first curve back to front in `before` and the others in `after`, so that a curve joins either
// end at once; turning the chain around only flips `reversed`. The curves themselves are turned
// when the chain is handed out as an edge, once each.
struct Geometry2DTopologyBuilder::Chain
{
    std::vector<Link> before;
    std::vector<Link> after;
    // The chain runs from its last link to its first, every link turned once more.
    bool reversed = false;

    std::size_t size() const { return before.size() + after.size(); }
    Link at(std::size_t i) const
    {
        const std::size_t index = reversed ? size() - 1 - i : i;
        const Link& link = index < before.size() ? before[before.size() - 1 - index] : after[index - before.size()];
        return reversed ? link.flipped() : link;
    }
    QPointF startPoint() const { return at(0).startPoint(); }
    QPointF endPoint() const { return at(size() - 1).endPoint(); }

    void append(const Link& link)
    {
        if (reversed)
            before.push_back(link.flipped());
        else
            after.push_back(link);
    }
    void prepend(const Link& link)
    {
        if (reversed)
            after.push_back(link.flipped());
        else
            before.push_back(link);
    }
    void reverse() { reversed = !reversed; }

    // `front` followed by `back` ends up in `keeper` (one of the two), the other one empty; the
    // shorter chain's links are copied into the longer one.
    static void join(Chain& front, Chain& back, Chain& keeper)
    {
        Chain* holder = &front;
        if (front.size() >= back.size())
            for (std::size_t i = 0; i < back.size(); ++i)
                front.append(back.at(i));
        else
        {
            holder = &back;
            for (std::size_t i = front.size(); i-- > 0;)
                back.prepend(front.at(i));
        }
        std::swap(holder->before, keeper.before);
        std::swap(holder->after, keeper.after);
        std::swap(holder->reversed, keeper.reversed);
        Chain& emptied = &keeper == &front ? back : front;
        emptied = Chain();
    }

    // The curves as an edge, each turned the way the chain runs; the chain stays as it is.
    Geometry2DEdgePtr toEdge()
    {
        Geometry2DEdgePtr edge(new Geometry2DEdge);
        std::vector<Link> settled;
        settled.reserve(size());
        for (std::size_t i = 0; i < size(); ++i)
        {
            const Link link = at(i);
            if (link.turned)
                link.curve->reverse();
            edge->append(link.curve);
            settled.push_back({link.curve, false});
        }
        *this = Chain();
        after.swap(settled);
        return edge;
    }
};

Geometry2DTopologyBuilder::Geometry2DTopologyBuilder() = default;

Geometry2DTopologyBuilder::~Geometry2DTopologyBuilder() = default;

void Geometry2DTopologyBuilder::addOpenEdge(Chain* edge, double resolution)
{
    Q_ASSERT_X(!m_openEdgeBoundaryPoints.contains(edge), "addOpenEdge", "!m_openEdgeBoundaryPoints.contains(pEdge)");
    Boundary boundary{};
    // The edge's ends are ends of its curves, which were all on the grid.
    gridKey(edge->startPoint(), resolution, boundary.start);
    gridKey(edge->endPoint(), resolution, boundary.end);
    m_edgesByStartPoint.insert(boundary.start, edge);
    m_edgesByEndPoint.insert(boundary.end, edge);
    m_openEdgeBoundaryPoints.insert(edge, boundary);
}

void Geometry2DTopologyBuilder::removeOpenEdge(Chain* edge)
{
    Q_ASSERT_X(m_openEdgeBoundaryPoints.contains(edge), "removeOpenEdge", "m_openEdgeBoundaryPoints.contains(pEdge)");
    const Boundary boundary = m_openEdgeBoundaryPoints.take(edge);
    m_edgesByStartPoint.remove(boundary.start);
    m_edgesByEndPoint.remove(boundary.end);
}

void Geometry2DTopologyBuilder::bridge(const Link& curve, Chain* before, Chain* after, Chain* keeper, double resolution)
{
    if (before == after)
    {
        removeOpenEdge(before);
        before->append(curve);
        m_closedEdges.append(before->toEdge());
        return;
    }
    removeOpenEdge(before);
    removeOpenEdge(after);
    before->append(curve);
    Chain::join(*before, *after, *keeper);
    addOpenEdge(keeper, resolution);
}

void Geometry2DTopologyBuilder::joinCurve(const Link& curve, quint64 s, quint64 e, double resolution)
{
    Chain* const endsAtS = m_edgesByEndPoint.value(s);
    Chain* const endsAtE = m_edgesByEndPoint.value(e);
    Chain* const startsAtS = m_edgesByStartPoint.value(s);
    Chain* const startsAtE = m_edgesByStartPoint.value(e);
    if (endsAtS && startsAtE)
    {
        bridge(curve, endsAtS, startsAtE, endsAtS, resolution);
    }
    else if (endsAtE && startsAtS)
    {
        bridge(curve.flipped(), endsAtE, startsAtS, endsAtE, resolution);
    }
    else if (endsAtS && endsAtE)
    {
        // The second edge is turned to run on from the curve's end; the first one stays.
        Q_ASSERT_X(endsAtS != endsAtE, "joinCurve", "pBeforeEdge != pAfterEdge");
        endsAtE->reverse();
        bridge(curve, endsAtS, endsAtE, endsAtS, resolution);
    }
    else if (startsAtS && startsAtE)
    {
        // The first edge is turned to end at the curve's start; the second one stays.
        Q_ASSERT_X(startsAtS != startsAtE, "joinCurve", "pBeforeEdge != pAfterEdge");
        startsAtS->reverse();
        bridge(curve, startsAtS, startsAtE, startsAtE, resolution);
    }
    else
    {
        // The curve runs on from an edge's end, or into an edge's start, as drawn or turned.
        const bool asDrawn = endsAtS || startsAtE;
        const bool append = asDrawn ? endsAtS != nullptr : endsAtE != nullptr;
        Chain* edge = asDrawn ? (append ? endsAtS : startsAtE) : (append ? endsAtE : startsAtS);
        if (edge)
        {
            const Link link = asDrawn ? curve : curve.flipped();
            removeOpenEdge(edge);
            append ? edge->append(link) : edge->prepend(link);
        }
        else
        {
            m_openEdgesByCreation.emplace_back(new Chain);
            edge = m_openEdgesByCreation.back().get();
            edge->append(curve);
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
        joinCurve({curve, false}, start, end, resolution);
    }

    m_openEdges.clear();
    for (const std::unique_ptr<Chain>& edge : m_openEdgesByCreation)
        if (m_openEdgeBoundaryPoints.contains(edge.get()))
            m_openEdges.append(edge->toEdge());
    m_edges = m_closedEdges + m_openEdges;
}
