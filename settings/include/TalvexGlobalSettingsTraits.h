#pragma once

// Makes the global settings a property set of their own kind.
struct TalvexGlobalSettingsTraits
{
};
