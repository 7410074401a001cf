#include "SimBoardModel.h"

namespace
{
typedef SimBoardModel M;

struct Opcode
{
    quint8 opcode;
    M::Command command;
};

// The commands every model with a command set has.
const Opcode s_everyModel[] = {{0x20, M::SetMotion}, {0x21, M::SetMotor}, {0x22, M::Move}, {0x23, M::SetInputs},
    {0x24, M::StartSampling}, {0x25, M::SetPWM}, {0x26, M::SetAdvancedMove}, {0x27, M::MotorOn}, {0x28, M::MotorOff},
    {0x29, M::Stop}, {0x2A, M::ReducedHoldCurrentOn}, {0x2B, M::ReducedHoldCurrentOff}, {0x2E, M::StreamStart},
    {0x2F, M::StopStreaming}, {0x30, M::ZeroPosition}, {0x31, M::ClearCounters}, {0x32, M::MoveHome},
    {0x40, M::MeasureSupply}, {0x41, M::GetMotorState}, {0x42, M::GetMotion}, {0x43, M::GetMotor},
    {0x44, M::GetInputs}, {0x45, M::GetSampling}, {0x46, M::GetAdvancedMove}};
// (1,1) and (1,2)
const Opcode s_relay[] = {{0x2C, M::RelayOn}, {0x2D, M::RelayOff}};
// (1,2), (10,1) and (27,1)
const Opcode s_lowInductance[] = {{0x33, M::LowInductanceOn}, {0x34, M::LowInductanceOff}};
// (10,1) and (27,1)
const Opcode s_pwmRead[] = {{0x47, M::GetPWM}};

template <size_t N>
M::Command find(const Opcode (&table)[N], quint8 opcode)
{
    for (const Opcode& entry : table)
        if (entry.opcode == opcode)
            return entry.command;
    return M::NoCommand;
}
}

SimBoardModel::SimBoardModel(quint32 productCode, quint32 revision, const USBVersion& firmwareVersion)
    : m_productCode(productCode)
    , m_revision(revision)
    , m_firmwareVersion(firmwareVersion)
{
}

QByteArray SimBoardModel::productDescription(quint32 productCode, quint32 revision)
{
    // Every model carries the same chip; only this text tells them apart in a device list.
    return "Talvex stepper motor driver (" + QByteArray::number(productCode) + ',' + QByteArray::number(revision) + ')';
}

SimBoardModel::Command SimBoardModel::commandOf(quint8 opcode) const
{
    const bool model1_1 = is(1, 1);
    const bool model1_2 = is(1, 2);
    const bool model10_1 = is(10, 1);
    const bool model27_1 = is(27, 1);
    if (!model1_1 && !model1_2 && !model10_1 && !model27_1)
        return NoCommand;
    Command command = find(s_everyModel, opcode);
    if (command == NoCommand && (model1_1 || model1_2))
        command = find(s_relay, opcode);
    if (command == NoCommand && !model1_1)
        command = find(s_lowInductance, opcode);
    if (command == NoCommand && (model10_1 || model27_1))
        command = find(s_pwmRead, opcode);
    return command;
}

bool SimBoardModel::takesPayload(Command command)
{
    return command == SetMotion || command == SetMotor || command == Move || command == SetInputs
        || command == StartSampling || command == SetPWM || command == SetAdvancedMove;
}

int SimBoardModel::motionSize() const
{
    // (1,1) has no separate backward velocity.
    return is(1, 1) ? 8 : 11;
}

int SimBoardModel::motorSize() const
{
    // The last byte, the low-inductance flag, came with firmware 2.1 of (1,2).
    if (is(1, 1) || (is(1, 2) && !isAtLeast(2, 1)))
        return 10;
    return 11;
}

int SimBoardModel::inputCount() const
{
    return is(27, 1) ? 8 : 4;
}

int SimBoardModel::inputSize() const
{
    // Channel bytes, 12 bytes of settings and the counts per revolution, then the slow-motion
    // time where the model has a motor-control input, then the stop input of (27,1).
    if (is(27, 1))
        return 25;
    if (is(10, 1) || (is(1, 2) && isAtLeast(3, 0)))
        return 19;
    return 18;
}

int SimBoardModel::pwmSize() const
{
    return is(27, 1) || isSecondPWMByteAMode() ? 2 : 1;
}

bool SimBoardModel::isSecondPWMByteAMode() const
{
    return is(1, 2) && isAtLeast(4, 0);
}

int SimBoardModel::finestMode() const
{
    return is(27, 1) ? 7 : 4;
}

bool SimBoardModel::supportsMicroStepping(int mode) const
{
    if (mode >= 0 && mode <= 3)
        return true;
    if (mode == 4)
        return !is(10, 1);
    return mode <= 7 && is(27, 1);
}

qint64 SimBoardModel::maximumRate() const
{
    return is(27, 1) ? 100000 : 20000;
}

bool SimBoardModel::hasBackAndForthMove() const
{
    return is(1, 2) || is(10, 1) || is(27, 1);
}

int SimBoardModel::maximumCurrent() const
{
    if (is(1, 1) || is(1, 2))
        return 8000;
    return is(27, 1) ? 2000 : 500;
}

bool SimBoardModel::isUSBPowered() const
{
    return is(10, 1);
}

double SimBoardModel::supplyCurrentScale() const
{
    return is(27, 1) ? 400.0 : 200.0;
}

bool SimBoardModel::isAtLeast(int major, int minor) const
{
    return m_firmwareVersion >= USBVersion(major, minor);
}
