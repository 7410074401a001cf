#pragma once

#include "TalvexPython.h"

// The Python class Output: the board's first PWM output and its relay, and a wait for a time.
// Called from the script's thread with the GIL; the board is reached in the GUI thread.
class TalvexPythonOutputWrapper
{
public:
    static void bind(pybind11::module_& module);

    // percent 0 to 100, kept within the document's duty-cycle limit.
    void setPWM(const pybind11::int_& percent);
    void relayOn();
    void relayOff();
    // Until more than ms milliseconds have passed; a negative ms waits until the script is stopped.
    void wait(const pybind11::int_& ms);
};
