#pragma once

#include "Properties.h"
#include "TalvexPlotSettingsTraits.h"

// How the Measurements tab draws its channels: per channel an invert flag, an offset and a
// factor, the quadrature channel as phasor, the unit of the step channel and the two cursors.
class TalvexPlotSettings : public Properties<TalvexPlotSettingsTraits>
{
public:
    enum Id
    {
        VoltageInverted = 0,
        QuadratureInverted = 1,
        EventsInverted = 2,
        StepsInverted = 3,
        VoltageOffset = 4,
        QuadratureOffset = 5,
        EventsOffset = 6,
        StepsOffset = 7,
        VoltageFactor = 8,
        QuadratureFactor = 9,
        EventsFactor = 10,
        StepsFactor = 11,
        QuadratureAsPhasor = 12,
        StepsUnit = 13,
        ShowCursor1 = 14,
        ShowCursor2 = 15,
        // Kept in the files; no input edits it.
        Reserved = 16
    };

    TalvexPlotSettings();

    // Files written before Reserved existed load with its default.
    void read(QDataStream& in) override;

protected:
    StoredValueReader::Kind storedKind(int id) const override;
};
