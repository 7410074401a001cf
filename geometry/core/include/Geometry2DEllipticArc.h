#pragma once

#include "GeometryI2DCurve.h"

// An arc of an ellipse: P(t) = centre + a·cos t·d + b·sin t·n, d the unit major-axis direction
// and n = d turned a quarter counter-clockwise; t is the eccentric angle, start and sweep in
// degrees.
class Geometry2DEllipticArc : public GeometryI2DCurve
{
public:
    // The direction is normalised here.
    Geometry2DEllipticArc(const QPointF& centre, const QVector2D& direction, double a, double b,
                          double startParameter, double sweepParameter);

    QString typeName() const override;
    QPainterPath toPainterPath() const override;
    QVector<QPoint> discretize(double resolution, const QVector2D& scale) const override;
    // A sweep that comes within `resolution` (as length along the larger semi-axis, at most one
    // degree) of a full turn, either way, closes.
    bool isClosed(double resolution) const override;
    QPointF startPoint() const override;
    QPointF endPoint() const override;
    void reverse() override;

    QVector2D direction() const { return m_direction; }
    double a() const { return m_a; }
    double b() const { return m_b; }
    double startParameter() const { return m_startParameter; }
    double sweepParameter() const { return m_sweepParameter; }

private:
    QPointF pointAt(double radians) const;

    QPointF m_centre;
    QVector2D m_direction;
    double m_a;
    double m_b;
    double m_startParameter;
    double m_sweepParameter;
};
