#pragma once

#include "GeometryI2DCurve.h"

// A chain of segments through vertices; a vertex's bulge makes the segment to the next vertex a
// circular arc of included angle 4·atan(bulge) (0 is straight). The last bulge belongs to no
// segment. An empty polyline starts and ends at (0, 0) and draws nothing.
class Geometry2DPolyline : public GeometryI2DCurve
{
public:
    struct Vertex
    {
        double x;
        double y;
        double bulge;
    };

    // With `closed`, a copy of the first vertex is appended, so the polyline ends where it starts.
    Geometry2DPolyline(const QVector<Vertex>& vertices, bool closed);

    QString typeName() const override;
    QPainterPath toPainterPath() const override;
    // Arc segments are taken as their chords.
    QVector<QPoint> discretize(double resolution, const QVector2D& scale) const override;
    bool isClosed(double resolution) const override;
    QPointF startPoint() const override;
    QPointF endPoint() const override;
    // Each segment keeps its arc: its bulge is negated and moves to the vertex where the reversed
    // segment begins.
    void reverse() override;

    const QVector<Vertex>& vertices() const { return m_vertices; }

private:
    QVector<Vertex> m_vertices;
};
