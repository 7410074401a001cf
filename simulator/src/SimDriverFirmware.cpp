#include "SimDriverFirmware.h"

#include "SimFirmwareStatus.h"
#include "USBByteHelpers.h"
#include "USBSerialNumber.h"

#include <cmath>

namespace
{
typedef SimBoardModel M;

using namespace SimFirmwareStatus;

// Offsets in the motor configuration record.
const int s_motorReducedHoldOffset = 6;
const int s_motorDriveTypeOffset = 7;
const int s_motorLowInductanceOffset = 10;

// Offsets after the channel bytes of the input configuration record.
const int s_inputADCGainOffset = 8;
const int s_inputADCModeOffset = 9;
const int s_inputOutputMaskOffset = 11;
const quint8 s_startLimitFunction = 32;
const quint8 s_endLimitFunction = 33;

// The sampling periods by index 1 to 14, in microseconds.
const qint64 s_samplePeriods[] = {200, 500, 1000, 2000, 5000, 10000, 20000, 50000, 100000, 200000, 500000, 1000000,
    2000000, 5000000};

const double s_boardCurrent = 0.03;

SimBoardModel modelOf(const QString& serialNumber, const USBVersion& firmwareVersion)
{
    const USBSerialNumber parsed(serialNumber);
    if (!parsed.isValid())
        return SimBoardModel(0, 0, firmwareVersion);
    return SimBoardModel(quint32(parsed.getDeviceId()), quint32(parsed.getDeviceVersion()), firmwareVersion);
}

bool isFlag(quint8 byte)
{
    return byte <= 1;
}

QVector<quint8> bytes(std::initializer_list<quint8> values)
{
    return QVector<quint8>(values);
}

// The motion record: 8 bytes without, 11 bytes with a separate backward velocity.
struct Motion
{
    explicit Motion(const QVector<quint8>& record)
        : microStepping(record[0])
        , velocity(readUInt16(record, 1))
    {
        if (record.size() == 11)
        {
            backwardVelocity = readUInt16(record, 3);
            acceleration = readUInt32(record, 5);
            method = record[9];
            separateBackwardVelocity = record[10];
        }
        else
        {
            backwardVelocity = velocity;
            acceleration = readUInt32(record, 3);
            method = record[7];
        }
    }

    int microStepping;
    qint64 velocity;
    qint64 backwardVelocity = 0;
    qint64 acceleration = 0;
    // 0 step, 1 trapezoidal ramp
    int method = 0;
    int separateBackwardVelocity = 0;
};
}

SimDriverFirmware::SimDriverFirmware(const QString& serialNumber, const USBVersion& firmwareVersion)
    : m_serialNumber(serialNumber)
    , m_model(modelOf(serialNumber, firmwareVersion))
    , m_motor(m_model.finestMode())
    , m_supplyVoltage(m_model.is(27, 1) ? 24.0 : m_model.isUSBPowered() ? 5.0 : 48.0)
{
    // Micro-stepping full step, 200 steps/s, acceleration 1000, trapezoidal ramp.
    m_records.insert(M::GetMotion, m_model.hasSeparateBackwardVelocity()
            ? bytes({0x00, 0xC8, 0x00, 0xC8, 0x00, 0xE8, 0x03, 0x00, 0x00, 0x01, 0x00})
            : bytes({0x00, 0xC8, 0x00, 0xE8, 0x03, 0x00, 0x00, 0x01}));
    // 1.8 degrees, 200 mA, reduced hold current, rotation, pitch 5 mm.
    QVector<quint8> motor = bytes({0x08, 0x07, 0xC8, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x88, 0x13});
    if (m_model.motorSize() == 11)
        motor.append(0x00);
    m_records.insert(M::GetMotor, motor);
    // No channel assigned, the constant 4, a slow-motion time of 5 s.
    QVector<quint8> inputs(m_model.inputCount(), 0xFF);
    inputs += QVector<quint8>(10, 0x00);
    inputs += bytes({0x04, 0x00, 0x00, 0x00});
    if (m_model.inputSize() > inputs.size())
        inputs.append(0x05);
    inputs.resize(m_model.inputSize());
    m_records.insert(M::GetInputs, inputs);
    // 5 ms, 5000 samples, manual trigger, no over-sampling.
    m_records.insert(M::GetSampling, bytes({0x05, 0x88, 0x13, 0x00, 0x00, 0x05}));
    // No backlash compensation (100 steps), home at the start limit, home velocities 200 and 100.
    m_records.insert(M::GetAdvancedMove, bytes({0x00, 0x00, 0x64, 0x00, 0x01, 0x00, 0x00, 0xC8, 0x00, 0x64, 0x00}));
    m_records.insert(M::GetPWM, QVector<quint8>(m_model.pwmSize(), 0x00));
    configureMotor();
}

QString SimDriverFirmware::serialNumberOf(quint32 productCode, quint32 revision, int unitNumber)
{
    return QStringLiteral("VTAH%1%2%3")
        .arg(productCode, 3, 10, QChar('0'))
        .arg(revision, 2, 10, QChar('0'))
        .arg(unitNumber, 4, 10, QChar('0'));
}

void SimDriverFirmware::setSupplyVoltage(double volts)
{
    m_supplyVoltage = volts;
}

void SimDriverFirmware::setLimitPositions(double startFullSteps, double endFullSteps)
{
    m_motor.setLimitPositions(startFullSteps, endFullSteps);
}

void SimDriverFirmware::injectFault(int errorCode)
{
    m_motor.injectFault(errorCode);
}

SimIBoardFirmware::Reply SimDriverFirmware::handleCommand(quint8 opcode, const QVector<quint8>& payload)
{
    const Command command = m_model.commandOf(opcode);
    if (command == M::NoCommand)
    {
        Reply refused;
        refused.status = s_notRecognised;
        return refused;
    }
    return handleAction(command, payload);
}

void SimDriverFirmware::pulseEventInput()
{
    m_sampler.pulseEvent(m_motor);
}

void SimDriverFirmware::advance(qint64 milliseconds)
{
    for (qint64 i = 0; i < milliseconds; ++i)
    {
        m_motor.advance(1);
        m_sampler.advanceMillisecond(m_motor);
    }
}

QVector<QVector<quint8>> SimDriverFirmware::takeStreamPackets()
{
    return m_sampler.takePackets();
}

SimIBoardFirmware::Reply SimDriverFirmware::handleAction(Command command, const QVector<quint8>& payload)
{
    Reply reply;
    if (!M::takesPayload(command) && !payload.isEmpty())
    {
        reply.status = s_notRecognised;
        return reply;
    }
    const bool configuresMotion = command == M::SetMotion || command == M::SetMotor || command == M::SetAdvancedMove;
    if (configuresMotion && m_motor.isMoving())
    {
        reply.status = s_busy;
        return reply;
    }
    switch (command)
    {
    case M::SetMotion:
        return store(M::GetMotion, payload, isMotionInRange(payload), s_motionOutOfRange);
    case M::SetMotor:
        return store(M::GetMotor, payload, isMotorInRange(payload), s_motorOutOfRange);
    case M::SetInputs:
        return store(M::GetInputs, payload, isInputInRange(payload), s_interfaceOutOfRange);
    case M::StartSampling:
        return startSampling(payload);
    case M::SetPWM:
        return store(M::GetPWM, payload, isPWMInRange(payload), s_interfaceOutOfRange);
    case M::SetAdvancedMove:
        return store(M::GetAdvancedMove, payload, isAdvancedMoveInRange(payload), s_motionOutOfRange);
    case M::Move:
        if (payload.size() != 6)
            reply.status = s_notRecognised;
        else if (!isMoveInRange(payload))
            reply.status = s_motionOutOfRange;
        else
            return afterMotorCommand(m_motor.move(payload[0], payload[1], readUInt32(payload, 2)));
        return reply;
    case M::MotorOn:
        reply.status = m_motor.turnOn();
        return reply;
    case M::MotorOff:
        reply.status = m_motor.turnOff();
        return reply;
    case M::Stop:
        reply.status = m_motor.stop();
        return reply;
    case M::MoveHome:
        return afterMotorCommand(m_motor.moveHome());
    case M::ZeroPosition:
        reply.status = m_motor.zeroPosition();
        if (reply.status == s_ok)
            m_sampler.positionZeroed();
        return reply;
    case M::ReducedHoldCurrentOn:
    case M::ReducedHoldCurrentOff:
        return setMotorFlag(s_motorReducedHoldOffset, command == M::ReducedHoldCurrentOn);
    case M::LowInductanceOn:
    case M::LowInductanceOff:
        return setMotorFlag(s_motorLowInductanceOffset, command == M::LowInductanceOn);
    case M::RelayOn:
    case M::RelayOff:
        m_relayOn = command == M::RelayOn;
        return reply;
    case M::StreamStart:
        return reply;
    case M::StopStreaming:
        m_sampler.stop(m_motor);
        return reply;
    case M::ClearCounters:
        m_sampler.clearCounters(m_motor);
        return reply;
    case M::MeasureSupply:
        reply.data = supplyReply();
        return reply;
    case M::GetMotorState:
        reply.data = m_motor.stateReply();
        return reply;
    default:
        reply.data = m_records.value(command);
        return reply;
    }
}

SimIBoardFirmware::Reply SimDriverFirmware::store(Command readCommand, const QVector<quint8>& payload, bool inRange,
    quint8 rangeStatus)
{
    Reply reply;
    QVector<quint8>& record = m_records[readCommand];
    const bool partial = readCommand == M::GetPWM && !payload.isEmpty() && payload.size() < record.size();
    if (payload.size() != record.size() && !partial)
        reply.status = s_notRecognised;
    else if (!inRange)
        reply.status = rangeStatus;
    else
    {
        std::copy(payload.begin(), payload.end(), record.begin());
        configureMotor();
    }
    return reply;
}

SimIBoardFirmware::Reply SimDriverFirmware::setMotorFlag(int offset, bool on)
{
    QVector<quint8>& record = m_records[M::GetMotor];
    if (offset < record.size())
        record[offset] = on ? 1 : 0;
    return Reply();
}

SimIBoardFirmware::Reply SimDriverFirmware::startSampling(const QVector<quint8>& payload)
{
    if (m_sampler.isBusy())
    {
        Reply refused;
        refused.status = s_measuring;
        return refused;
    }
    const Reply reply = store(M::GetSampling, payload, isSamplingInRange(payload), s_interfaceOutOfRange);
    if (reply.status != s_ok)
        return reply;

    const QVector<quint8>& inputs = m_records[M::GetInputs];
    const int channels = m_model.inputCount();
    m_sampler.start(s_samplePeriods[payload[0] - 1], readUInt16(payload, 1), payload[3],
        inputs[channels + s_inputOutputMaskOffset], inputs[channels + s_inputADCGainOffset], m_motor);
    return reply;
}

SimIBoardFirmware::Reply SimDriverFirmware::afterMotorCommand(quint8 status)
{
    if (status == s_ok && m_motor.isMoving())
        m_sampler.motorStarted(m_motor);
    Reply reply;
    reply.status = status;
    return reply;
}

void SimDriverFirmware::configureMotor()
{
    SimMotor::Settings settings;
    const Motion motion(m_records[M::GetMotion]);
    settings.microStepping = motion.microStepping;
    settings.forwardVelocity = motion.velocity;
    settings.backwardVelocity = motion.separateBackwardVelocity ? motion.backwardVelocity : motion.velocity;

    const QVector<quint8>& inputs = m_records[M::GetInputs];
    for (int channel = 0; channel < m_model.inputCount(); ++channel)
    {
        settings.startLimitWired = settings.startLimitWired || inputs[channel] == s_startLimitFunction;
        settings.endLimitWired = settings.endLimitWired || inputs[channel] == s_endLimitFunction;
    }

    const QVector<quint8>& advanced = m_records[M::GetAdvancedMove];
    settings.homePosition = advanced[4];
    settings.accurateHomeSearch = advanced[5] != 0;
    settings.zeroAtHome = advanced[6] != 0;
    settings.homeFastVelocity = readUInt16(advanced, 7);
    settings.homeSlowVelocity = readUInt16(advanced, 9);
    m_motor.configure(settings);
}

bool SimDriverFirmware::isVelocityInRange(int microStepping, qint64 velocity, int method, qint64 acceleration) const
{
    const qint64 rate = velocity << microStepping;
    if (rate < 1 || rate > m_model.maximumRate())
        return false;
    if (method != 1)
        return true;
    // A ramp-up of at least 1 ms and at most 10 s; acceleration in tenths of steps/s^2.
    return acceleration >= velocity && acceleration <= velocity * 10000 && acceleration <= 10000000;
}

bool SimDriverFirmware::isMotionInRange(const QVector<quint8>& payload) const
{
    if (payload.size() != m_model.motionSize())
        return false;
    const Motion motion(payload);
    if (!m_model.supportsMicroStepping(motion.microStepping) || motion.method > 1
        || motion.separateBackwardVelocity > 1)
        return false;
    if (!isVelocityInRange(motion.microStepping, motion.velocity, motion.method, motion.acceleration))
        return false;
    return !motion.separateBackwardVelocity
        || isVelocityInRange(motion.microStepping, motion.backwardVelocity, motion.method, motion.acceleration);
}

bool SimDriverFirmware::isMotorInRange(const QVector<quint8>& payload) const
{
    if (payload.size() != m_model.motorSize())
        return false;
    const int stepSize = readUInt16(payload, 0);
    const int current = readUInt16(payload, 2);
    if (current < M::minimumCurrent() || current > m_model.maximumCurrent())
        return false;
    if (payload[s_motorDriveTypeOffset] > 1 || stepSize == 0)
        return false;
    return isFlag(payload[s_motorReducedHoldOffset])
        && (payload.size() <= s_motorLowInductanceOffset || isFlag(payload[s_motorLowInductanceOffset]));
}

bool SimDriverFirmware::isMoveInRange(const QVector<quint8>& payload) const
{
    // 0 continuous, 1 counted, 3 back and forth; direction 0 forward, 1 backward.
    const int mode = payload[0];
    const bool knownMode = mode == 0 || mode == 1 || (mode == 3 && m_model.hasBackAndForthMove());
    return knownMode && isFlag(payload[1]);
}

bool SimDriverFirmware::isInputInRange(const QVector<quint8>& payload) const
{
    if (payload.size() != m_model.inputSize())
        return false;
    const int channels = m_model.inputCount();
    return payload[channels + s_inputADCGainOffset] <= 6 && payload[channels + s_inputADCModeOffset] <= 1;
}

bool SimDriverFirmware::isSamplingInRange(const QVector<quint8>& payload) const
{
    if (payload.size() != 6)
        return false;
    const auto isPeriodIndex = [](quint8 index) { return index >= 1 && index <= 14; };
    return isPeriodIndex(payload[0]) && readUInt16(payload, 1) > 0 && payload[3] <= 2 && payload[4] <= 2
        && isPeriodIndex(payload[5]);
}

bool SimDriverFirmware::isPWMInRange(const QVector<quint8>& payload) const
{
    // Duty cycles in percent, or the mode of output 1 as the second byte.
    for (int i = 0; i < payload.size(); ++i)
        if (payload[i] > (i == 1 && m_model.isSecondPWMByteAMode() ? 1 : 100))
            return false;
    return true;
}

bool SimDriverFirmware::isAdvancedMoveInRange(const QVector<quint8>& payload) const
{
    if (payload.size() != 11)
        return false;
    const int homePosition = payload[4];
    return isFlag(payload[0]) && isFlag(payload[1]) && (homePosition == 1 || homePosition == 2) && isFlag(payload[5])
        && isFlag(payload[6]) && readUInt16(payload, 7) > 0 && readUInt16(payload, 9) > 0;
}

QVector<quint8> SimDriverFirmware::supplyReply() const
{
    const bool powered = m_supplyVoltage > 0.0;
    double current = 0.0;
    if (powered)
    {
        const QVector<quint8>& motor = m_records[M::GetMotor];
        const double motorCurrent = readUInt16(motor, 2) / 1000.0;
        const bool reducedHold = motor[s_motorReducedHoldOffset] != 0 && !m_motor.isMoving();
        current = s_boardCurrent + (m_motor.isOn() ? motorCurrent * (reducedHold ? 0.25 : 0.5) : 0.0);
    }
    QVector<quint8> reply(6, 0);
    if (m_model.isUSBPowered())
    {
        // Where its power comes from (1 a normal USB port), and its current in mA.
        reply.append(powered ? 1 : 0);
        appendUInt16(reply, quint16(std::lround(current * 1000.0)));
        return reply;
    }
    // Signed words: tenths of volts, and the current in the model's scale.
    appendUInt16(reply, quint16(qint16(qBound(-32768L, std::lround(m_supplyVoltage * 10.0), 32767L))));
    appendUInt16(reply, quint16(qint16(qBound(-32768L, std::lround(current * m_model.supplyCurrentScale()), 32767L))));
    return reply;
}
