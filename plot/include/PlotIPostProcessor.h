#pragma once

#include "PlotPoint.h"

#include <QVector>

// Changes the values of a list of points in place; keys stay. A series runs its processors in
// order on each batch of new points and on the whole series when a graph is rebuilt. The
// parameters are read from their inputs at every call, so a changed widget counts from the
// next batch on.
class PlotIPostProcessor
{
public:
    virtual ~PlotIPostProcessor() = default;
    virtual void process(QVector<PlotPoint>& points) = 0;
    // Whether the processor may run on a batch of new points alone.
    virtual bool appliesToNewPoints() const = 0;
};
