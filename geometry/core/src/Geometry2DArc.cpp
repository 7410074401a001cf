#include "Geometry2DArc.h"

#include "GeometryAngles.h"
#include "GeometryScaledPoint.h"

#include <cmath>

namespace
{
// Degrees.
const double s_fullTurnRoundOff = 1e-9;
}

Geometry2DArc::Geometry2DArc(const QPointF& centre, double radius, double startAngle, double sweepAngle)
    : m_centre(centre), m_radius(radius), m_startAngle(startAngle), m_sweepAngle(sweepAngle)
{
}

QString Geometry2DArc::typeName() const
{
    return QStringLiteral("Arc");
}

QPointF Geometry2DArc::pointAt(double degrees) const
{
    const double radians = geometryRadians(degrees);
    return m_centre + QPointF(m_radius * std::cos(radians), m_radius * std::sin(radians));
}

QPainterPath Geometry2DArc::toPainterPath() const
{
    QPainterPath path;
    path.moveTo(startPoint());
    // Qt counts angles with y down: negated, they trace the model's angles.
    path.arcTo(QRectF(m_centre.x() - m_radius, m_centre.y() - m_radius, 2 * m_radius, 2 * m_radius),
               -m_startAngle, -m_sweepAngle);
    return path;
}

QVector<QPoint> Geometry2DArc::discretize(double resolution, const QVector2D& scale) const
{
    QVector<QPoint> points;
    if (!(resolution > 0) || !(m_radius > 0))
        return points;
    double step = resolution / m_radius;
    if (m_sweepAngle < 0)
        step = -step;
    const double count = std::floor(std::fabs(geometryRadians(m_sweepAngle)) / std::fabs(step));
    const double start = geometryRadians(m_startAngle);
    for (int i = 0; i < static_cast<int>(count); ++i)
    {
        const double angle = start + i * step;
        points.append(geometryScaledPoint(m_centre.x() + m_radius * std::cos(angle),
                                          m_centre.y() + m_radius * std::sin(angle), scale));
    }
    return points;
}

bool Geometry2DArc::isClosed(double resolution) const
{
    // Only a full turn, either way: an arc short of one leaves a gap however small, and the
    // resolution is for polylines. The margin covers the rounding of a sweep computed from angles.
    Q_UNUSED(resolution);
    return std::fabs(std::fabs(m_sweepAngle) - 360.0) <= s_fullTurnRoundOff;
}

QPointF Geometry2DArc::startPoint() const
{
    return pointAt(m_startAngle);
}

QPointF Geometry2DArc::endPoint() const
{
    return pointAt(m_startAngle + m_sweepAngle);
}

void Geometry2DArc::reverse()
{
    m_startAngle += m_sweepAngle;
    m_sweepAngle = -m_sweepAngle;
}
