#pragma once

#include "TalvexPython.h"

// The Python class Measure: the sampling settings of the document, the start of a measurement
// on the main window's sample stream, the wait for its end and the points of one channel. It
// holds nothing of its own; every call works in the GUI thread. Called from the script's
// thread with the GIL.
class TalvexPythonMeasureWrapper
{
public:
    enum SampleSource
    {
        ADC = 0,
        Events = 1,
        Quadrature = 2,
        MotorSteps = 3
    };
    enum OverSampling
    {
        OverSampleNone = 0,
        OverSampleLow = 1,
        OverSampleHigh = 2
    };
    enum Resolution
    {
        Resol_200us = 0,
        Resol_500us,
        Resol_1ms,
        Resol_2ms,
        Resol_5ms,
        Resol_10ms,
        Resol_20ms,
        Resol_50ms,
        Resol_100ms,
        Resol_200ms,
        Resol_500ms,
        Resol_1s,
        Resol_2s,
        Resol_5s
    };
    enum Trigger
    {
        TriggerManually = 0,
        TriggerOnEvent = 1,
        TriggerOnMotorStart = 2
    };

    static void bind(pybind11::module_& module);

    void setSampleCount(const pybind11::int_& count);
    void setResolution(const pybind11::int_& resolution);
    void setOverSampling(const pybind11::int_& overSampling);
    void setTrigger(const pybind11::int_& trigger);
    void start();
    void waitToFinish();
    // ((keys...), (values...)): the seconds and values of the channel's points so far.
    pybind11::tuple getPlotData(const pybind11::int_& source);
};
