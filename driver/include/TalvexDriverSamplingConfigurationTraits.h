#pragma once

// Makes the property set of TalvexDriverSamplingConfiguration a type of its own.
class TalvexDriverSamplingConfigurationTraits
{
};
