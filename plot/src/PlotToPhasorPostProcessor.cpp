#include "PlotToPhasorPostProcessor.h"

#include "UIIUserInput.h"
#include "ValueConversions.h"

#include <cmath>

PlotToPhasorPostProcessor::PlotToPhasorPostProcessor(UIIUserInput* enabled, UIIUserInput* countsPerPeriod)
    : m_pEnabled(enabled)
    , m_pCountsPerPeriod(countsPerPeriod)
{
}

void PlotToPhasorPostProcessor::process(QVector<PlotPoint>& points)
{
    if (!m_pEnabled->getValue().toBool())
        return;
    const int counts = variantToInt(m_pCountsPerPeriod->getValue());
    if (counts < 1)
        return;
    // Degrees of one count: four counts per quadrature period.
    const double angle = 360.0 / (counts * 4.0);
    const double countsPerTurn = std::floor(360.0 / angle + 0.1);
    for (PlotPoint& point : points)
    {
        // fmod of the truncated count keeps the count's sign and stays defined for values
        // that no integer holds.
        const double remainder = std::fmod(std::trunc(point.getValue()), countsPerTurn);
        point.setValue(std::sin(remainder * angle / 180.0 * 3.14159265359));
    }
}
