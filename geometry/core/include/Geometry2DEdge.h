#pragma once

#include "GeometryI2DCurve.h"

#include <QVector>
#include <boost/shared_ptr.hpp>

// An ordered chain of curves in which each curve ends where the next starts; built by the
// topology builder, held by the document through shared pointers. Appending another edge's
// curves shares the curve objects.
class Geometry2DEdge
{
public:
    const QVector<GeometryI2DCurvePtr>& curves() const { return m_curves; }

    void append(const GeometryI2DCurvePtr& curve);
    void append(const Geometry2DEdge& edge);
    void prepend(const GeometryI2DCurvePtr& curve);
    void prepend(const Geometry2DEdge& edge);

    // The first curve's start and the last curve's end; (0, 0) without curves.
    QPointF startPoint() const;
    QPointF endPoint() const;
    // One curve: that curve's own closedness; more: the chain's ends at most `resolution` apart.
    bool isClosed(double resolution) const;
    // Reverses the order of the curves and every curve.
    void reverse();
    QString typeName() const;

private:
    QVector<GeometryI2DCurvePtr> m_curves;
};

using Geometry2DEdgePtr = boost::shared_ptr<Geometry2DEdge>;
