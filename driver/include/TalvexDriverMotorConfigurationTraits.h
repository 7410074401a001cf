#pragma once

// Makes the property set of TalvexDriverMotorConfiguration a type of its own.
class TalvexDriverMotorConfigurationTraits
{
};
