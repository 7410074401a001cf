#include "Geometry2DEdge.h"

#include <QVector2D>
#include <algorithm>

void Geometry2DEdge::append(const GeometryI2DCurvePtr& curve)
{
    m_curves.append(curve);
}

void Geometry2DEdge::append(const Geometry2DEdge& edge)
{
    m_curves += edge.m_curves;
}

void Geometry2DEdge::prepend(const GeometryI2DCurvePtr& curve)
{
    m_curves.prepend(curve);
}

void Geometry2DEdge::prepend(const Geometry2DEdge& edge)
{
    m_curves = edge.m_curves + m_curves;
}

QPointF Geometry2DEdge::startPoint() const
{
    return m_curves.isEmpty() ? QPointF() : m_curves.first()->startPoint();
}

QPointF Geometry2DEdge::endPoint() const
{
    return m_curves.isEmpty() ? QPointF() : m_curves.last()->endPoint();
}

bool Geometry2DEdge::isClosed(double resolution) const
{
    if (m_curves.isEmpty())
        return false;
    if (m_curves.size() == 1)
        return m_curves.first()->isClosed(resolution);
    const QPointF gap = endPoint() - startPoint();
    return QVector2D(gap).length() <= resolution;
}

void Geometry2DEdge::reverse()
{
    std::reverse(m_curves.begin(), m_curves.end());
    for (const GeometryI2DCurvePtr& curve : qAsConst(m_curves))
        curve->reverse();
}

QString Geometry2DEdge::typeName() const
{
    return QStringLiteral("Edge");
}
