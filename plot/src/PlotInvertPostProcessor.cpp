#include "PlotInvertPostProcessor.h"

#include "UIIUserInput.h"

PlotInvertPostProcessor::PlotInvertPostProcessor(UIIUserInput* enabled)
    : m_pEnabled(enabled)
{
}

void PlotInvertPostProcessor::process(QVector<PlotPoint>& points)
{
    if (!m_pEnabled->getValue().toBool())
        return;
    for (PlotPoint& point : points)
        point.setValue(-point.getValue());
}
