#pragma once

#include <functional>

// Runs a long step of an update (reading a device package, programming the board, installing a
// repository archive) in a thread of its own while the calling GUI thread goes on with its
// events: windows repaint and timers fire. User input waits until the step has ended, so nothing
// can start a second connect or use the device meanwhile. Called in the GUI thread; returns once
// the step has ended. The step must not touch widgets; what it shares with the caller, the
// caller leaves alone until run returns.
class UpdateBackgroundTask
{
public:
    static void run(const std::function<void()>& step);
};
