#pragma once

#include "PlotIPostProcessor.h"

class UIIUserInput;

// Negates every value while its enabled input is true.
class PlotInvertPostProcessor : public PlotIPostProcessor
{
public:
    // The input is not owned and must outlive the processor.
    explicit PlotInvertPostProcessor(UIIUserInput* enabled);

    void process(QVector<PlotPoint>& points) override;
    bool appliesToNewPoints() const override { return true; }

private:
    UIIUserInput* m_pEnabled;
};
