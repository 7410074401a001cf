#pragma once

#include "PlotIPostProcessor.h"

class UIIUserInput;

// Turns the step channel's micro-step count into the unit of the Steps page's "Show as" choice:
// the phasor of the motor's electrical angle, full steps, rotations or millimetres. It reads
// the motor's step angle, micro-stepping factor and lead-screw pitch from the Motion tab's
// inputs at every call, so a changed setting counts from the next refresh. Values stay as they
// are while those inputs describe no motor (a factor below 1, a step angle of 0 or above a whole
// turn). GUI thread only.
class TalvexMeasurementStepProcessor : public PlotIPostProcessor
{
public:
    enum Unit
    {
        Phasor = 0,
        FullSteps = 1,
        Rotations = 2,
        Distance = 3
    };

    // The inputs are not owned and must outlive the processor.
    TalvexMeasurementStepProcessor(UIIUserInput* unit, UIIUserInput* pitch, UIIUserInput* stepDegrees,
        UIIUserInput* microSteppingFactor);

    void process(QVector<PlotPoint>& points) override;
    bool appliesToNewPoints() const override { return true; }

private:
    UIIUserInput* m_pUnit;
    UIIUserInput* m_pPitch;
    UIIUserInput* m_pStepDegrees;
    UIIUserInput* m_pMicroSteppingFactor;
};
