#pragma once

// The axis kinds the program's stand-alone files may name, beyond the null axis that the axis
// factory knows by itself. Called by main before any file is read.
class TalvexAxisKinds
{
public:
    static void registerAll();
};
