#pragma once

#include "PlotIPostProcessor.h"

class UIIUserInput;

// value × scale + offset for every point; both are read from their inputs as numbers in the
// user's locale.
class PlotScaleOffsetPostProcessor : public PlotIPostProcessor
{
public:
    // The inputs are not owned and must outlive the processor.
    PlotScaleOffsetPostProcessor(UIIUserInput* scale, UIIUserInput* offset);

    void process(QVector<PlotPoint>& points) override;
    bool appliesToNewPoints() const override { return true; }

private:
    UIIUserInput* m_pScale;
    UIIUserInput* m_pOffset;
};
