#pragma once

// Makes the property set of TalvexDriverMotionConfiguration a type of its own.
class TalvexDriverMotionConfigurationTraits
{
};
