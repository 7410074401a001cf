#pragma once

#include "TalvexDriverDescriptor.h"

// Facts of the board models that the rest of the system asks the descriptor for.
class TalvexDriverModel
{
public:
    enum MotionFeature
    {
        SeparateBackwardVelocity = 0x1,
        BackAndForthMove = 0x2
    };

    static int outputCount(const TalvexDriverDescriptor& descriptor);
    static int inputCount(const TalvexDriverDescriptor& descriptor);
    // Micro-steps per second.
    static int maximumSpeed(const TalvexDriverDescriptor& descriptor);
    // Amperes and volts at the top of the supply plots.
    static double maximumSupplyCurrent(const TalvexDriverDescriptor& descriptor);
    static double maximumSupplyVoltage(const TalvexDriverDescriptor& descriptor);
    // MotionFeature flags; features is set to 0 first.
    static void motionFeatures(const TalvexDriverDescriptor& descriptor, int& features);
    static bool hasEncoderInputs(const TalvexDriverDescriptor& descriptor);
};
