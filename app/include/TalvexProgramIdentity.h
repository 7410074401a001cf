#pragma once

// How the program presents itself: its organisation and application names, which place its
// settings and data folders and which X11 reports as its windows' class (WM_CLASS), so that the
// desktop entry's StartupWMClass finds them; the desktop entry's name, by which Wayland matches
// its windows; and the icon of every window. main applies it once, after creating the
// application and registering its images, before any window. GUI thread.
class TalvexProgramIdentity
{
public:
    static void apply();
};
