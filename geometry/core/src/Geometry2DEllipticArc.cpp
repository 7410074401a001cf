#include "Geometry2DEllipticArc.h"

#include "GeometryAngles.h"
#include "GeometryScaledPoint.h"

#include <QTransform>
#include <cmath>

Geometry2DEllipticArc::Geometry2DEllipticArc(const QPointF& centre, const QVector2D& direction, double a, double b,
                                             double startParameter, double sweepParameter)
    : m_centre(centre),
      m_direction(direction.normalized()),
      m_a(a),
      m_b(b),
      m_startParameter(startParameter),
      m_sweepParameter(sweepParameter)
{
}

QString Geometry2DEllipticArc::typeName() const
{
    return QStringLiteral("EllipticArc");
}

QPointF Geometry2DEllipticArc::pointAt(double t) const
{
    const double dx = m_direction.x();
    const double dy = m_direction.y();
    const double cosT = m_a * std::cos(t);
    const double sinT = m_b * std::sin(t);
    return m_centre + QPointF(cosT * dx - sinT * dy, cosT * dy + sinT * dx);
}

QPainterPath Geometry2DEllipticArc::toPainterPath() const
{
    const double s = geometryRadians(m_startParameter);
    QPainterPath path;
    path.moveTo(m_centre.x() + m_a * std::cos(s), m_centre.y() + m_b * std::sin(s));
    path.arcTo(QRectF(m_centre.x() - m_a, m_centre.y() - m_b, 2 * m_a, 2 * m_b), -m_startParameter,
               -m_sweepParameter);
    const float angle = std::atan2(m_direction.y(), m_direction.x());
    QTransform rotation;
    rotation.translate(m_centre.x(), m_centre.y());
    rotation.rotateRadians(angle);
    rotation.translate(-m_centre.x(), -m_centre.y());
    return rotation.map(path);
}

QVector<QPoint> Geometry2DEllipticArc::discretize(double resolution, const QVector2D& scale) const
{
    QVector<QPoint> points;
    if (!(resolution > 0))
        return points;
    const double sweep = std::fabs(geometryRadians(m_sweepParameter));
    const double sign = m_sweepParameter < 0 ? -1.0 : 1.0;
    double t = geometryRadians(m_startParameter);
    for (double total = 0.0; total < sweep;)
    {
        const QPointF point = pointAt(t);
        points.append(geometryScaledPoint(point.x(), point.y(), scale));
        const double sinT = std::sin(t);
        const double cosT = std::cos(t);
        const double dt = resolution / std::sqrt(m_a * m_a * sinT * sinT + m_b * m_b * cosT * cosT);
        t += dt * sign;
        total += dt;
    }
    return points;
}

bool Geometry2DEllipticArc::isClosed(double resolution) const
{
    return geometryIsFullTurn(m_sweepParameter, resolution, std::max(std::fabs(m_a), std::fabs(m_b)));
}

QPointF Geometry2DEllipticArc::startPoint() const
{
    return pointAt(geometryRadians(m_startParameter));
}

QPointF Geometry2DEllipticArc::endPoint() const
{
    return pointAt(geometryRadians(m_startParameter + m_sweepParameter));
}

void Geometry2DEllipticArc::reverse()
{
    m_startParameter += m_sweepParameter;
    m_sweepParameter = -m_sweepParameter;
}
