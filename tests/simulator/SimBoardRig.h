#pragma once

#include "SimDriverFirmware.h"
#include "USBByteHelpers.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QVector>

Q_DECLARE_METATYPE(USBVersion)

// The opcodes of the board's command set, as the wire carries them.
namespace Op
{
const quint8 SetMotion = 0x20;
const quint8 SetMotor = 0x21;
const quint8 Move = 0x22;
const quint8 SetInputs = 0x23;
const quint8 StartSampling = 0x24;
const quint8 SetPWM = 0x25;
const quint8 SetAdvancedMove = 0x26;
const quint8 MotorOn = 0x27;
const quint8 MotorOff = 0x28;
const quint8 Stop = 0x29;
const quint8 ReducedHoldCurrentOn = 0x2A;
const quint8 ReducedHoldCurrentOff = 0x2B;
const quint8 RelayOn = 0x2C;
const quint8 RelayOff = 0x2D;
const quint8 StreamStart = 0x2E;
const quint8 StopStreaming = 0x2F;
const quint8 ZeroPosition = 0x30;
const quint8 ClearCounters = 0x31;
const quint8 MoveHome = 0x32;
const quint8 LowInductanceOn = 0x33;
const quint8 LowInductanceOff = 0x34;
const quint8 MeasureSupply = 0x40;
const quint8 GetMotorState = 0x41;
const quint8 GetMotion = 0x42;
const quint8 GetMotor = 0x43;
const quint8 GetInputs = 0x44;
const quint8 GetSampling = 0x45;
const quint8 GetAdvancedMove = 0x46;
const quint8 GetPWM = 0x47;
}

// Status bytes of the board's replies.
namespace Status
{
const int Ok = 0;
const int NotRecognised = 1;
const int Busy = 100;
const int TurnedOff = 101;
const int OverTemperature = 105;
const int AtStart = 106;
const int AtEnd = 107;
const int BothLimits = 109;
const int Measuring = 110;
const int MotionOutOfRange = 200;
const int MotorOutOfRange = 201;
const int InterfaceOutOfRange = 202;
}

// Bytes written as in a protocol trace: "00 C8 E8".
inline QVector<quint8> hexBytes(const QString& text)
{
    QVector<quint8> bytes;
    for (char c : QByteArray::fromHex(text.toLatin1()))
        bytes.append(quint8(c));
    return bytes;
}

inline QString hexText(const QVector<quint8>& bytes)
{
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(bytes.constData()), bytes.size()).toHex(' ').toUpper());
}

// The move payload: mode (0 continuous, 1 counted, 3 back and forth), direction (0 forward,
// 1 backward), the step count as u32.
inline QString movePayload(int mode, int direction, quint32 count)
{
    QVector<quint8> bytes{quint8(mode), quint8(direction)};
    appendUInt32(bytes, count);
    return hexText(bytes);
}

// The 14-byte motor state reply, read by its offsets.
struct MotorState
{
    explicit MotorState(const QVector<quint8>& reply)
        : valid(reply.count() == 14)
    {
        if (!valid)
            return;
        remainingSteps = readUInt32(reply, 0);
        position = qint32(readUInt32(reply, 4));
        microStepMode = reply[8];
        remainingStepsShown = reply[9];
        state = reply[11];
        limitFlags = reply[12];
        errorCode = reply[13];
    }

    bool valid;
    quint32 remainingSteps = 0;
    qint32 position = 0;
    int microStepMode = 0;
    // 1 while remainingSteps counts a running move, 0 otherwise
    int remainingStepsShown = 0;
    // 1 hold, 4 off, 6 error, 8 continuous, 9 counted, 10 back and forth, 11 home search
    int state = 0;
    // bit 0 at the start limit, bit 1 at the end limit
    int limitFlags = 0;
    int errorCode = 0;
};

// A simulated driver board of one model, given commands by opcode with payloads written as
// protocol traces, without a bus in between.
struct SimBoardRig
{
    SimBoardRig(quint32 productCode, quint32 revision, const USBVersion& firmwareVersion)
        : m_firmware(SimDriverFirmware::serialNumberOf(productCode, revision, 7), firmwareVersion)
    {
    }

    // The reply's status byte; its data are in m_reply.
    int run(quint8 opcode, const QString& payload = QString())
    {
        const SimIBoardFirmware::Reply reply = m_firmware.handleCommand(opcode, hexBytes(payload));
        m_reply = reply.data;
        return reply.answered ? reply.status : -1;
    }

    // The record a read command answers with, as a trace.
    QString read(quint8 opcode)
    {
        return run(opcode) == Status::Ok ? hexText(m_reply) : QString("refused");
    }

    MotorState motorState()
    {
        run(Op::GetMotorState);
        return MotorState(m_reply);
    }

    SimDriverFirmware m_firmware;
    QVector<quint8> m_reply;
};
