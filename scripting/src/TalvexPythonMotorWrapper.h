#pragma once

#include "TalvexPython.h"

#include <QString>

// The Python class Motor: step size, current, velocity and acceleration in the unit the script
// chooses, on and off, moves, the position and state, and the wait for a move's end. It holds
// nothing of its own: every call reads or changes the document's configurations and sends the
// connected board's requests, in the GUI thread. Called from the script's thread with the GIL.
class TalvexPythonMotorWrapper
{
public:
    enum Unit
    {
        FullSteps = 0,
        MicroSteps = 1,
        Revolutions = 2,
        RPM = 3,
        Degrees = 4,
        Radians = 5
    };

    static void bind(pybind11::module_& module);

    double getStepSize();
    void setStepSize(double degrees);
    int getCurrent();
    void setCurrent(const pybind11::int_& mA);
    double getVelocity(const pybind11::int_& unit);
    void setVelocity(double velocity, const pybind11::int_& unit);
    double getAccel(const pybind11::int_& unit);
    void setAccel(double accel, const pybind11::int_& unit);
    double getPosition(const pybind11::int_& unit);
    void turnOn();
    void turnOff();
    void moveRelative(double distance, const pybind11::int_& unit);
    void moveAbsolute(double position, const pybind11::int_& unit);
    void moveHome();
    QString getState();
    void waitToFinish();
};
