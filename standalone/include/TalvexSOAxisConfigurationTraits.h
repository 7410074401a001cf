#pragma once

// Makes the axis configuration a property set of its own kind.
class TalvexSOAxisConfigurationTraits
{
};
