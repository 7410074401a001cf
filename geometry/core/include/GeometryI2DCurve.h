#pragma once

#include <QPainterPath>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <QVector2D>
#include <QVector>
#include <boost/shared_ptr.hpp>

// A plane curve in model coordinates (y up, angles in degrees, positive sweeps counter-clockwise).
// Curves are shared between the edges, the document, the view and the tree; reverse() changes
// the one object, so every holder sees the reversed curve. GUI thread only.
class GeometryI2DCurve
{
public:
    virtual ~GeometryI2DCurve() = default;

    // "Line", "Arc", "Circle", "EllipticArc" or "Polyline".
    virtual QString typeName() const = 0;
    // The curve as a path in model coordinates; the view flips y when it draws it.
    virtual QPainterPath toPainterPath() const = 0;
    // Points about `resolution` apart along the curve, each model point divided by the scale per
    // axis and truncated toward zero; the end point is not included. No point for a resolution
    // that is not positive.
    virtual QVector<QPoint> discretize(double resolution, const QVector2D& scale) const = 0;
    virtual bool isClosed(double resolution) const = 0;
    virtual QPointF startPoint() const = 0;
    virtual QPointF endPoint() const = 0;
    // Makes the curve run the other way.
    virtual void reverse() = 0;
};

using GeometryI2DCurvePtr = boost::shared_ptr<GeometryI2DCurve>;
