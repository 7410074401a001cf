#include "Geometry2DCircle.h"

#include "Geometry2DArc.h"

Geometry2DCircle::Geometry2DCircle(const QPointF& centre, double radius) : m_centre(centre), m_radius(radius) {}

QString Geometry2DCircle::typeName() const
{
    return QStringLiteral("Circle");
}

QPainterPath Geometry2DCircle::toPainterPath() const
{
    QPainterPath path;
    path.addEllipse(QRectF(m_centre.x() - m_radius, m_centre.y() - m_radius, 2 * m_radius, 2 * m_radius));
    return path;
}

QVector<QPoint> Geometry2DCircle::discretize(double resolution, const QVector2D& scale) const
{
    return Geometry2DArc(m_centre, m_radius, 0.0, 360.0).discretize(resolution, scale);
}

bool Geometry2DCircle::isClosed(double) const
{
    return true;
}

QPointF Geometry2DCircle::startPoint() const
{
    return QPointF(m_centre.x() - m_radius, m_centre.y());
}

QPointF Geometry2DCircle::endPoint() const
{
    return startPoint();
}

void Geometry2DCircle::reverse() {}
