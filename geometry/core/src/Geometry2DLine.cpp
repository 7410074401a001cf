#include "Geometry2DLine.h"

#include "GeometryScaledPoint.h"

#include <QLineF>
#include <QPolygonF>
#include <cmath>

Geometry2DLine::Geometry2DLine(const QPointF& start, const QPointF& end) : m_start(start), m_end(end) {}

QString Geometry2DLine::typeName() const
{
    return QStringLiteral("Line");
}

QPainterPath Geometry2DLine::toPainterPath() const
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QVector<QPointF>{m_start, m_end}));
    return path;
}

QVector<QPoint> Geometry2DLine::discretize(double resolution, const QVector2D& scale) const
{
    QVector<QPoint> points;
    discretizeSegment(m_start, m_end, resolution, scale, points);
    return points;
}

void Geometry2DLine::discretizeSegment(const QPointF& start, const QPointF& end, double resolution,
                                       const QVector2D& scale, QVector<QPoint>& points)
{
    if (!(resolution > 0))
        return;
    const QPointF delta = end - start;
    const double length = std::hypot(delta.x(), delta.y());
    const double count = std::floor(length / resolution);
    if (!(count >= 1))
        return;
    const QPointF step = delta / length * resolution;
    for (int i = 0; i < static_cast<int>(count); ++i)
    {
        const QPointF point = start + step * i;
        points.append(geometryScaledPoint(point.x(), point.y(), scale));
    }
}

bool Geometry2DLine::isClosed(double) const
{
    return false;
}

QPointF Geometry2DLine::startPoint() const
{
    return m_start;
}

QPointF Geometry2DLine::endPoint() const
{
    return m_end;
}

void Geometry2DLine::reverse()
{
    std::swap(m_start, m_end);
}
