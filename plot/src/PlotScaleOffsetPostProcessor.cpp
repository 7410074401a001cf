#include "PlotScaleOffsetPostProcessor.h"

#include "UIIUserInput.h"
#include "ValueConversions.h"

PlotScaleOffsetPostProcessor::PlotScaleOffsetPostProcessor(UIIUserInput* scale, UIIUserInput* offset)
    : m_pScale(scale)
    , m_pOffset(offset)
{
}

void PlotScaleOffsetPostProcessor::process(QVector<PlotPoint>& points)
{
    const double scale = variantToDouble(m_pScale->getValue());
    const double offset = variantToDouble(m_pOffset->getValue());
    for (PlotPoint& point : points)
        point.setValue(point.getValue() * scale + offset);
}
