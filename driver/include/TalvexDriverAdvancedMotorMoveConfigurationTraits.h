#pragma once

// Makes the property set of TalvexDriverAdvancedMotorMoveConfiguration a type of its own.
class TalvexDriverAdvancedMotorMoveConfigurationTraits
{
};
