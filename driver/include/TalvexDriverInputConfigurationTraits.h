#pragma once

// Makes the property set of TalvexDriverInputConfiguration a type of its own.
class TalvexDriverInputConfigurationTraits
{
};
