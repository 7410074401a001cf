#pragma once

// Makes the application configuration a property set of its own kind and names its ids.
class TalvexSOApplicationConfigurationTraits
{
public:
    enum PropertyId
    {
        ApplicationType = 1, // 0 = XY table, the only kind
        Speed = 2,           // travel speed in mm/s
        TableSizeX = 20,     // mm
        TableSizeY = 21      // mm
    };
};
