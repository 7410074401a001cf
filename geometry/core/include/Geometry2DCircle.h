#pragma once

#include "GeometryI2DCurve.h"

// A full circle; it starts and ends at its leftmost point.
class Geometry2DCircle : public GeometryI2DCurve
{
public:
    Geometry2DCircle(const QPointF& centre, double radius);

    QString typeName() const override;
    QPainterPath toPainterPath() const override;
    QVector<QPoint> discretize(double resolution, const QVector2D& scale) const override;
    bool isClosed(double resolution) const override;
    QPointF startPoint() const override;
    QPointF endPoint() const override;
    void reverse() override;

private:
    QPointF m_centre;
    double m_radius;
};
