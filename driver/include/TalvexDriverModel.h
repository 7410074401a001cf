#pragma once

#include "TalvexDriverDescriptor.h"
#include "USBVersion.h"

// Facts of the board models that the rest of the system asks the descriptor (and, where the
// firmware changed them, the firmware version) for. They come from one table with a row per
// model; a descriptor that is none of the four gets the row of no model: no commands and the
// fallback limits.
class TalvexDriverModel
{
public:
    enum MotionFeature
    {
        SeparateBackwardVelocity = 0x1,
        BackAndForthMove = 0x2
    };

    static bool isKnown(const TalvexDriverDescriptor& descriptor);
    // Whether the model's command map holds the action (TalvexDriverCommRequest::Action).
    static bool hasCommand(const TalvexDriverDescriptor& descriptor, int action);
    // Reply data bytes (after the status byte) that the action expects; 0 for a command the
    // model lacks.
    static int replyLength(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion, int action);

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

    // Milliamperes.
    static int maximumMotorCurrent(const TalvexDriverDescriptor& descriptor);
    // The finest micro-stepping mode a motion configuration may choose.
    static int maximumMicroStepping(const TalvexDriverDescriptor& descriptor);
    // The finest micro-step mode of the motor state, the unit in which the board counts.
    static int finestReportedMicroStepping(const TalvexDriverDescriptor& descriptor);
    static bool hasLowInductanceSetting(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion);
    static bool hasMotorControlInput(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion);
    static bool hasStopInput(const TalvexDriverDescriptor& descriptor);
    // A board powered over USB reports where its power comes from instead of a voltage.
    static bool isUSBPowered(const TalvexDriverDescriptor& descriptor);
    // Supply current counts per ampere of a board that is not powered over USB.
    static double supplyCurrentCountsPerAmpere(const TalvexDriverDescriptor& descriptor);
    // Duty cycles in the reply of the PWM settings: 0 when they cannot be read back.
    static int readablePWMDutyCycles(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion);
    // Duty cycles written with the PWM command.
    static int writablePWMDutyCycles(const TalvexDriverDescriptor& descriptor);
    static bool hasPWMMode(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion);
    // Whether reading the board's state into the document includes the PWM settings.
    static bool readsPWMWithDeviceState(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion);
};
