#include "TalvexMeasurementStepProcessor.h"

#include "UIIUserInput.h"
#include "ValueConversions.h"

#include <cmath>

TalvexMeasurementStepProcessor::TalvexMeasurementStepProcessor(UIIUserInput* unit, UIIUserInput* pitch,
    UIIUserInput* stepDegrees, UIIUserInput* microSteppingFactor)
    : m_pUnit(unit)
    , m_pPitch(pitch)
    , m_pStepDegrees(stepDegrees)
    , m_pMicroSteppingFactor(microSteppingFactor)
{
}

void TalvexMeasurementStepProcessor::process(QVector<PlotPoint>& points)
{
    const int mode = variantToInt(m_pUnit->getValue());
    const int factor = variantToInt(m_pMicroSteppingFactor->getValue());
    const double stepDegrees = variantToDouble(m_pStepDegrees->getValue());
    // No motor to convert for: a division by zero or a phase of no period.
    if (factor < 1 || !(stepDegrees > 0.0) || stepDegrees > 360.0)
        return;
    const double microStepDegrees = stepDegrees / factor;
    const double perRotation = 360.0 / microStepDegrees;
    const double pitch = variantToDouble(m_pPitch->getValue());

    if (mode == Phasor)
    {
        // At least 1: the step angle is at most a whole turn.
        const qint64 period = qint64(std::floor(perRotation + 0.1));
        const double radiansPerStep = microStepDegrees / 180.0 * 3.14159265359;
        for (PlotPoint& point : points)
        {
            if (!std::isfinite(point.getValue()))
                continue;
            // The truncating remainder keeps the count's sign: a negative count mirrors the phase.
            const qint64 phase = qint64(point.getValue()) % period;
            point.setValue(std::sin(double(phase) * radiansPerStep));
        }
        return;
    }

    double k = 1.0;
    switch (mode)
    {
    case FullSteps:
        k = 1.0 / factor;
        break;
    case Rotations:
        k = 1.0 / perRotation;
        break;
    case Distance:
        k = pitch / perRotation;
        break;
    default:
        Q_ASSERT_X(false, "src\\TalvexMeasurementStepProcessor", "0");
        break;
    }
    for (PlotPoint& point : points)
        point.setValue(point.getValue() * k);
}
