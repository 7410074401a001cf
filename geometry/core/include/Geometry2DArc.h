#pragma once

#include "GeometryI2DCurve.h"

// A circular arc: centre, radius, start angle and signed sweep in degrees.
class Geometry2DArc : public GeometryI2DCurve
{
public:
    Geometry2DArc(const QPointF& centre, double radius, double startAngle, double sweepAngle);

    QString typeName() const override;
    QPainterPath toPainterPath() const override;
    QVector<QPoint> discretize(double resolution, const QVector2D& scale) const override;
    // Only a full turn, either way, closes; the resolution plays no part.
    bool isClosed(double resolution) const override;
    QPointF startPoint() const override;
    QPointF endPoint() const override;
    void reverse() override;

    double startAngle() const { return m_startAngle; }
    double sweepAngle() const { return m_sweepAngle; }

private:
    QPointF pointAt(double degrees) const;

    QPointF m_centre;
    double m_radius;
    double m_startAngle;
    double m_sweepAngle;
};
