#pragma once

// The board's input functions (the values of the input configuration's channel map) and the
// sample bits of its output mask, as the I/O diagram's terminals stand for them.
namespace TalvexIODiagramIds
{
enum Function
{
    AdcPositive = 0,
    AdcNegative = 1,
    QuadratureA = 16,
    QuadratureB = 17,
    StartLimit = 32,
    EndLimit = 33,
    EventCounter = 48,
    MotorControlM = 64,
    MotorControlP = 65,
    PelmoraS = 66,
    PelmoraD = 67,
    StopInput = 68,
    NoFunction = 255
};

enum Sample
{
    NoSample = 0,
    AdcSample = 1,
    EventSample = 2,
    QuadratureSample = 4,
    StepSample = 8
};
}
