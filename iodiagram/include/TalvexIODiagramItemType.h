#pragma once

// The kinds of blocks of the I/O diagram: the key of the block creators and of the settings
// pages. 0 to 7 and 11 are acquisition blocks, 8 to 10 output blocks.
enum TalvexIODiagramItemType
{
    ADC = 0,
    Quadrature = 1,
    Event = 2,
    LimitStart = 3,
    LimitEnd = 4,
    MotorCtrl = 5,
    StepCount = 6,
    Stop = 7,
    PWM = 8,
    DualPWM = 9,
    Relay = 10,
    Pelmora = 11
};
