#include "DxfReader.h"

#include "Geometry2DArc.h"
#include "Geometry2DCircle.h"
#include "Geometry2DEllipticArc.h"
#include "Geometry2DLine.h"
#include "Geometry2DPolyline.h"
#include "GeometryAngles.h"

#include <cmath>
#include <initializer_list>

namespace
{
bool allFinite(std::initializer_list<double> values)
{
    for (double value : values)
        if (!std::isfinite(value))
            return false;
    return true;
}

// The counter-clockwise sweep from `start` to `end` in degrees: an end below the start is
// moved up by whole turns until it is no longer below, computed in one step so that no value
// makes it loop for long.
double counterClockwiseSweep(double start, double end)
{
    if (start <= end)
        return end - start;
    const double sweep = std::fmod(end - start, 360.0);
    return sweep < 0 ? sweep + 360.0 : 0.0;
}

// The same angle within one turn, so that adding a sweep to it keeps its precision.
double withinOneTurn(double degrees)
{
    return std::fmod(degrees, 360.0);
}
}

DxfReader::~DxfReader() = default;

void DxfReader::addLine(const DL_LineData& data)
{
    if (!allFinite({data.x1, data.y1, data.x2, data.y2}))
    {
        ++m_skippedEntityCount;
        return;
    }
    m_curves.append(GeometryI2DCurvePtr(new Geometry2DLine(QPointF(data.x1, data.y1), QPointF(data.x2, data.y2))));
}

void DxfReader::addArc(const DL_ArcData& data)
{
    if (!allFinite({data.cx, data.cy, data.radius, data.angle1, data.angle2}))
    {
        ++m_skippedEntityCount;
        return;
    }
    m_curves.append(GeometryI2DCurvePtr(new Geometry2DArc(QPointF(data.cx, data.cy), data.radius,
                                                          withinOneTurn(data.angle1),
                                                          counterClockwiseSweep(data.angle1, data.angle2))));
}

void DxfReader::addCircle(const DL_CircleData& data)
{
    if (!allFinite({data.cx, data.cy, data.radius}))
    {
        ++m_skippedEntityCount;
        return;
    }
    m_curves.append(GeometryI2DCurvePtr(new Geometry2DCircle(QPointF(data.cx, data.cy), data.radius)));
}

void DxfReader::addEllipse(const DL_EllipseData& data)
{
    if (!allFinite({data.cx, data.cy, data.mx, data.my, data.ratio, data.angle1, data.angle2}))
    {
        ++m_skippedEntityCount;
        return;
    }
    const double a = std::hypot(data.mx, data.my);
    const double start = geometryDegrees(data.angle1);
    const double end = geometryDegrees(data.angle2);
    m_curves.append(GeometryI2DCurvePtr(new Geometry2DEllipticArc(QPointF(data.cx, data.cy),
                                                                  QVector2D(float(data.mx), float(data.my)), a,
                                                                  data.ratio * a, withinOneTurn(start),
                                                                  counterClockwiseSweep(start, end))));
}

void DxfReader::addPolyline(const DL_PolylineData& data)
{
    if (m_pendingPolyline)
        ++m_skippedEntityCount;
    m_pendingPolyline.reset(new DxfPolyline);
    m_pendingPolyline->number = data.number;
    m_pendingPolyline->m = data.m;
    m_pendingPolyline->n = data.n;
    m_pendingPolyline->flags = data.flags;
}

void DxfReader::addVertex(const DL_VertexData& data)
{
    if (m_pendingPolyline)
        m_pendingPolyline->vertices.append({data.x, data.y, data.z, data.bulge});
}

void DxfReader::endEntity()
{
    completePolyline();
}

void DxfReader::endSequence()
{
    completePolyline();
}

void DxfReader::completePolyline()
{
    if (!m_pendingPolyline)
        return;
    const boost::shared_ptr<DxfPolyline> polyline = m_pendingPolyline;
    m_pendingPolyline.reset();
    QVector<Geometry2DPolyline::Vertex> vertices;
    vertices.reserve(polyline->vertices.size());
    for (const DxfPolyline::Vertex& vertex : qAsConst(polyline->vertices))
    {
        if (!allFinite({vertex.x, vertex.y, vertex.bulge}))
        {
            ++m_skippedEntityCount;
            return;
        }
        vertices.append({vertex.x, vertex.y, vertex.bulge});
    }
    if (vertices.isEmpty())
    {
        ++m_skippedEntityCount;
        return;
    }
    m_curves.append(GeometryI2DCurvePtr(new Geometry2DPolyline(vertices, (polyline->flags & 1) != 0)));
}
