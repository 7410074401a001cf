#pragma once

// Makes the plot settings a property set of their own kind.
struct TalvexPlotSettingsTraits
{
};
