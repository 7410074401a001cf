#pragma once

#include "PlotIPostProcessor.h"

class UIIUserInput;

// While enabled, turns a quadrature count into the phasor of the shaft angle: the sine of the
// count's angle, running from −1 to 1 over one period of four counts per counted line.
// With fewer than one count per period there is no angle, and the values stay as they are.
class PlotToPhasorPostProcessor : public PlotIPostProcessor
{
public:
    // The inputs are not owned and must outlive the processor.
    PlotToPhasorPostProcessor(UIIUserInput* enabled, UIIUserInput* countsPerPeriod);

    void process(QVector<PlotPoint>& points) override;
    bool appliesToNewPoints() const override { return true; }

private:
    UIIUserInput* m_pEnabled;
    UIIUserInput* m_pCountsPerPeriod;
};
