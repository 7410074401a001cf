#pragma once

// Makes the property set of TalvexDriverPWMSettings a type of its own.
class TalvexDriverPWMSettingsTraits
{
};
