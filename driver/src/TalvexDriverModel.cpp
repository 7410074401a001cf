#include "TalvexDriverModel.h"

#include "TalvexDriverCommRequest.h"

#include <climits>

namespace
{
typedef TalvexDriverCommRequest R;

const USBVersion s_always(0, 0);
const USBVersion s_never(INT_MAX, INT_MAX);

// Every action from 0 to 28 but the ones listed.
constexpr quint32 allActionsBut(std::initializer_list<int> missing)
{
    quint32 actions = (quint32(1) << R::s_actionCount) - 1;
    for (int action : missing)
        actions &= ~(quint32(1) << action);
    return actions;
}

struct Capabilities
{
    TalvexDriverDescriptor descriptor;
    quint32 actions;
    int inputCount;
    int outputCount;
    int maximumSpeed;
    double maximumSupplyCurrent;
    double maximumSupplyVoltage;
    int motionFeatures;
    bool encoderInputs;
    bool stopInput;
    int maximumMotorCurrent;
    int maximumMicroStepping;
    int finestReportedMicroStepping;
    bool usbPowered;
    double supplyCurrentCountsPerAmpere;
    // Reply lengths of the read actions 21 to 28 with the oldest firmware.
    int replyLengths[R::GetPWMSettings - R::MeasureSupply + 1];
    // From these versions on, the motor and the input configurations' replies are a byte longer.
    USBVersion longerMotorReplyFrom;
    USBVersion longerInputReplyFrom;
    USBVersion lowInductanceFrom;
    USBVersion motorControlInputFrom;
    int readablePWMDutyCycles;
    USBVersion pwmReadableFrom;
    int writablePWMDutyCycles;
    USBVersion pwmModeFrom;
    USBVersion pwmWithDeviceStateFrom;
};

const int s_both = TalvexDriverModel::SeparateBackwardVelocity | TalvexDriverModel::BackAndForthMove;

// clang-format off
const Capabilities s_models[] = {
    // descriptor, actions,
    // inputs, outputs, speed, supply A, supply V, motion features, encoder, stop input,
    // motor mA, finest micro-stepping, finest reported, USB powered, current counts per A,
    // reply lengths 21-28, longer motor reply, longer input reply, low inductance, motor control input,
    // PWM read duty cycles and from, PWM written duty cycles, PWM mode, PWM with device state
    {TalvexDriverDescriptor::s_model1_1, allActionsBut({R::LowInductanceOn, R::LowInductanceOff, R::GetPWMSettings}),
        4, 2, 20000, 5.0, 150.0, 0, false, false,
        8000, 4, 4, false, 200.0,
        {10, 14, 8, 10, 18, 6, 11, 0}, s_never, s_never, s_never, s_never,
        0, s_never, 1, s_never, s_never},
    {TalvexDriverDescriptor::s_model1_2, allActionsBut({R::GetPWMSettings}),
        4, 2, 20000, 5.0, 150.0, s_both, false, false,
        8000, 4, 4, false, 200.0,
        {10, 14, 11, 10, 18, 6, 11, 0}, USBVersion(2, 1), USBVersion(3, 0), USBVersion(2, 1), USBVersion(3, 0),
        0, s_never, 1, USBVersion(4, 0), s_never},
    {TalvexDriverDescriptor::s_model10_1, allActionsBut({R::RelayOn, R::RelayOff}),
        4, 2, 20000, 2.0, 25.0, s_both, false, false,
        500, 3, 4, true, 1000.0,
        {9, 14, 11, 11, 19, 6, 11, 1}, s_never, s_never, s_always, s_always,
        1, USBVersion(1, 1), 1, s_never, USBVersion(1, 1)},
    {TalvexDriverDescriptor::s_model27_1, allActionsBut({R::RelayOn, R::RelayOff}),
        8, 2, 100000, 3.0, 60.0, s_both, true, true,
        2000, 7, 7, false, 400.0,
        {10, 14, 11, 11, 25, 6, 11, 2}, s_never, s_never, s_never, s_always,
        2, s_always, 2, s_never, s_never},
};

const Capabilities s_noModel = {TalvexDriverDescriptor(), 0,
    4, 2, 20000, 100.0, 100.0, 0, false, false,
    500, 3, 4, false, 200.0,
    {0, 0, 0, 0, 0, 0, 0, 0}, s_never, s_never, s_never, s_never,
    0, s_never, 1, s_never, s_never};
// clang-format on

const Capabilities& of(const TalvexDriverDescriptor& descriptor)
{
    for (const Capabilities& model : s_models)
        if (model.descriptor == descriptor)
            return model;
    return s_noModel;
}
}

bool TalvexDriverModel::isKnown(const TalvexDriverDescriptor& descriptor)
{
    return &of(descriptor) != &s_noModel;
}

bool TalvexDriverModel::hasCommand(const TalvexDriverDescriptor& descriptor, int action)
{
    return action >= 0 && action < R::s_actionCount && (of(descriptor).actions & (quint32(1) << action)) != 0;
}

int TalvexDriverModel::replyLength(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion,
    int action)
{
    if (!hasCommand(descriptor, action) || action < R::MeasureSupply)
        return 0;
    const Capabilities& model = of(descriptor);
    int length = model.replyLengths[action - R::MeasureSupply];
    if ((action == R::GetMotorConfiguration && firmwareVersion >= model.longerMotorReplyFrom)
        || (action == R::GetInputConfiguration && firmwareVersion >= model.longerInputReplyFrom))
        ++length;
    return length;
}

int TalvexDriverModel::outputCount(const TalvexDriverDescriptor& descriptor)
{
    return of(descriptor).outputCount;
}

int TalvexDriverModel::inputCount(const TalvexDriverDescriptor& descriptor)
{
    return of(descriptor).inputCount;
}

int TalvexDriverModel::maximumSpeed(const TalvexDriverDescriptor& descriptor)
{
    return of(descriptor).maximumSpeed;
}

double TalvexDriverModel::maximumSupplyCurrent(const TalvexDriverDescriptor& descriptor)
{
    return of(descriptor).maximumSupplyCurrent;
}

double TalvexDriverModel::maximumSupplyVoltage(const TalvexDriverDescriptor& descriptor)
{
    return of(descriptor).maximumSupplyVoltage;
}

void TalvexDriverModel::motionFeatures(const TalvexDriverDescriptor& descriptor, int& features)
{
    features = of(descriptor).motionFeatures;
}

bool TalvexDriverModel::hasEncoderInputs(const TalvexDriverDescriptor& descriptor)
{
    return of(descriptor).encoderInputs;
}

int TalvexDriverModel::maximumMotorCurrent(const TalvexDriverDescriptor& descriptor)
{
    return of(descriptor).maximumMotorCurrent;
}

int TalvexDriverModel::maximumMicroStepping(const TalvexDriverDescriptor& descriptor)
{
    return of(descriptor).maximumMicroStepping;
}

int TalvexDriverModel::finestReportedMicroStepping(const TalvexDriverDescriptor& descriptor)
{
    return of(descriptor).finestReportedMicroStepping;
}

bool TalvexDriverModel::hasLowInductanceSetting(const TalvexDriverDescriptor& descriptor,
    const USBVersion& firmwareVersion)
{
    return firmwareVersion >= of(descriptor).lowInductanceFrom;
}

bool TalvexDriverModel::hasMotorControlInput(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion)
{
    return firmwareVersion >= of(descriptor).motorControlInputFrom;
}

bool TalvexDriverModel::hasStopInput(const TalvexDriverDescriptor& descriptor)
{
    return of(descriptor).stopInput;
}

bool TalvexDriverModel::isUSBPowered(const TalvexDriverDescriptor& descriptor)
{
    return of(descriptor).usbPowered;
}

double TalvexDriverModel::supplyCurrentCountsPerAmpere(const TalvexDriverDescriptor& descriptor)
{
    return of(descriptor).supplyCurrentCountsPerAmpere;
}

int TalvexDriverModel::readablePWMDutyCycles(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion)
{
    const Capabilities& model = of(descriptor);
    return firmwareVersion >= model.pwmReadableFrom ? model.readablePWMDutyCycles : 0;
}

int TalvexDriverModel::writablePWMDutyCycles(const TalvexDriverDescriptor& descriptor)
{
    return of(descriptor).writablePWMDutyCycles;
}

bool TalvexDriverModel::hasPWMMode(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion)
{
    return firmwareVersion >= of(descriptor).pwmModeFrom;
}

bool TalvexDriverModel::readsPWMWithDeviceState(const TalvexDriverDescriptor& descriptor,
    const USBVersion& firmwareVersion)
{
    return firmwareVersion >= of(descriptor).pwmWithDeviceStateFrom;
}
