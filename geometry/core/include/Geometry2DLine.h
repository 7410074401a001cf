#pragma once

#include "GeometryI2DCurve.h"

// A straight segment from a start to an end point.
class Geometry2DLine : public GeometryI2DCurve
{
public:
    Geometry2DLine(const QPointF& start, const QPointF& end);

    QString typeName() const override;
    QPainterPath toPainterPath() const override;
    QVector<QPoint> discretize(double resolution, const QVector2D& scale) const override;
    bool isClosed(double resolution) const override;
    QPointF startPoint() const override;
    QPointF endPoint() const override;
    void reverse() override;

    // Appends the points of the segment start-end (without the end) to `points`; the polyline
    // uses it for each of its segments.
    static void discretizeSegment(const QPointF& start, const QPointF& end, double resolution,
                                  const QVector2D& scale, QVector<QPoint>& points);

private:
    QPointF m_start;
    QPointF m_end;
};
