#include "Geometry2DPolyline.h"

#include "Geometry2DLine.h"
#include "GeometryAngles.h"

#include <QLineF>
#include <algorithm>
#include <cmath>

Geometry2DPolyline::Geometry2DPolyline(const QVector<Vertex>& vertices, bool closed) : m_vertices(vertices)
{
    if (closed && !m_vertices.isEmpty())
        m_vertices.append(m_vertices.first());
}

QString Geometry2DPolyline::typeName() const
{
    return QStringLiteral("Polyline");
}

QPainterPath Geometry2DPolyline::toPainterPath() const
{
    QPainterPath path;
    if (m_vertices.isEmpty())
        return path;
    path.moveTo(m_vertices.first().x, m_vertices.first().y);
    for (int i = 0; i + 1 < m_vertices.size(); ++i)
    {
        const Vertex& from = m_vertices.at(i);
        const Vertex& to = m_vertices.at(i + 1);
        if (from.bulge == 0.0)
        {
            path.lineTo(to.x, to.y);
            continue;
        }
        const double theta = 4.0 * std::atan(from.bulge);
        const QVector2D chord(float(to.x - from.x), float(to.y - from.y));
        const double radius = (chord.length() / 2.0) / std::fabs(std::sin(theta / 2.0));
        QVector2D normal = QVector2D(-chord.y(), chord.x()).normalized();
        if (theta < 0)
            normal = -normal;
        const double offset = radius * std::cos(theta / 2.0);
        const QPointF centre((from.x + to.x) / 2.0 + normal.x() * offset, (from.y + to.y) / 2.0 + normal.y() * offset);
        const double startAngle = geometryDegrees(std::atan2(from.y - centre.y(), from.x - centre.x()));
        path.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), -startAngle,
                   -geometryDegrees(theta));
    }
    return path;
}

QVector<QPoint> Geometry2DPolyline::discretize(double resolution, const QVector2D& scale) const
{
    QVector<QPoint> points;
    for (int i = 0; i + 1 < m_vertices.size(); ++i)
    {
        const Vertex& from = m_vertices.at(i);
        const Vertex& to = m_vertices.at(i + 1);
        Geometry2DLine::discretizeSegment(QPointF(from.x, from.y), QPointF(to.x, to.y), resolution, scale, points);
    }
    return points;
}

bool Geometry2DPolyline::isClosed(double resolution) const
{
    if (m_vertices.isEmpty())
        return false;
    const QVector2D gap(float(m_vertices.last().x - m_vertices.first().x),
                        float(m_vertices.last().y - m_vertices.first().y));
    return gap.length() <= resolution;
}

QPointF Geometry2DPolyline::startPoint() const
{
    return m_vertices.isEmpty() ? QPointF() : QPointF(m_vertices.first().x, m_vertices.first().y);
}

QPointF Geometry2DPolyline::endPoint() const
{
    return m_vertices.isEmpty() ? QPointF() : QPointF(m_vertices.last().x, m_vertices.last().y);
}

void Geometry2DPolyline::reverse()
{
    const int count = m_vertices.size();
    if (count == 0)
        return;
    QVector<Vertex> reversed(count);
    for (int k = 0; k < count; ++k)
    {
        reversed[k] = m_vertices.at(count - 1 - k);
        // The reversed segment k runs over the former segment count-2-k; the last vertex takes
        // the former first bulge, which no segment uses.
        const int former = k + 1 < count ? count - 2 - k : 0;
        reversed[k].bulge = -m_vertices.at(former).bulge;
    }
    m_vertices = reversed;
}
