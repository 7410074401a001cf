#pragma once

#include "USBVersion.h"

#include <QByteArray>
#include <QtGlobal>

// What a simulated driver board knows of its own model and firmware: the commands it answers
// by opcode, the sizes of the records it keeps and the limits it checks writes against. The
// board's firmware (SimDriverFirmware) asks it; it holds the board's own tables, so a host that
// sends a wrong opcode or a record of the wrong size meets a refusal here.
//
// The four models with a command set are (1,1), (1,2), (10,1) and (27,1) (product code,
// revision); any other model answers no command.
class SimBoardModel
{
public:
    enum Command
    {
        NoCommand,
        SetMotion,
        SetMotor,
        Move,
        SetInputs,
        StartSampling,
        SetPWM,
        SetAdvancedMove,
        MotorOn,
        MotorOff,
        Stop,
        ReducedHoldCurrentOn,
        ReducedHoldCurrentOff,
        RelayOn,
        RelayOff,
        StreamStart,
        StopStreaming,
        ZeroPosition,
        ClearCounters,
        MoveHome,
        LowInductanceOn,
        LowInductanceOff,
        MeasureSupply,
        GetMotorState,
        GetMotion,
        GetMotor,
        GetInputs,
        GetSampling,
        GetAdvancedMove,
        GetPWM
    };

    SimBoardModel(quint32 productCode, quint32 revision, const USBVersion& firmwareVersion);

    quint32 getProductCode() const { return m_productCode; }
    quint32 getRevision() const { return m_revision; }
    const USBVersion& getFirmwareVersion() const { return m_firmwareVersion; }
    bool is(quint32 productCode, quint32 revision) const
    {
        return m_productCode == productCode && m_revision == revision;
    }

    // The product description in the EEPROM of the board's USB chip, naming the model:
    // "Talvex stepper motor driver (27,1)".
    static QByteArray productDescription(quint32 productCode, quint32 revision);

    // NoCommand for an opcode this model does not have.
    Command commandOf(quint8 opcode) const;
    // The write commands; every other command takes no payload.
    static bool takesPayload(Command command);

    // Record sizes in bytes.
    int motionSize() const;
    int motorSize() const;
    int inputCount() const;
    int inputSize() const;
    // The PWM record: duty cycle 1, then duty cycle 2 or the mode of output 1 where the model has it.
    int pwmSize() const;
    // On (1,2) from firmware 4 the second PWM byte is the mode of output 1, not a duty cycle.
    bool isSecondPWMByteAMode() const;

    // The board counts positions in 2^finestMode steps per full step.
    int finestMode() const;
    bool supportsMicroStepping(int mode) const;
    // Micro-steps per second the driver can make.
    qint64 maximumRate() const;
    bool hasSeparateBackwardVelocity() const { return motionSize() == 11; }
    bool hasBackAndForthMove() const;
    int maximumCurrent() const;
    static int minimumCurrent() { return 50; }

    // (10,1) runs from USB and reports where its power comes from instead of a voltage.
    bool isUSBPowered() const;
    // Counts per ampere of the current word of the supply reply.
    double supplyCurrentScale() const;

private:
    bool isAtLeast(int major, int minor) const;

    quint32 m_productCode;
    quint32 m_revision;
    USBVersion m_firmwareVersion;
};
