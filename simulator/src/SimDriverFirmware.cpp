#include "SimDriverFirmware.h"

#include "SimFirmwareStatus.h"
#include "TalvexDriverAdvancedMotorMoveConfiguration.h"
#include "TalvexDriverCommRequest.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverModel.h"
#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverMotorConfiguration.h"
#include "TalvexDriverMotorMoveConfiguration.h"
#include "TalvexDriverPWMSettings.h"
#include "TalvexDriverSamplingConfiguration.h"
#include "USBByteHelpers.h"
#include "USBSerialNumber.h"
#include "ValueConversions.h"

#include <cmath>

namespace
{
typedef TalvexDriverCommRequest R;

using namespace SimFirmwareStatus;

const int s_motorReducedHoldOffset = 6;
const int s_motorLowInductanceOffset = 10;

const double s_boardCurrent = 0.03;

TalvexDriverDescriptor modelOf(const QString& serialNumber)
{
    const USBSerialNumber parsed(serialNumber);
    if (!parsed.isValid())
        return TalvexDriverDescriptor();
    return TalvexDriverDescriptor(quint32(parsed.getDeviceId()), quint32(parsed.getDeviceVersion()));
}

bool isFlag(quint8 byte)
{
    return byte <= 1;
}
}

SimDriverFirmware::SimDriverFirmware(const QString& serialNumber, const USBVersion& firmwareVersion)
    : m_serialNumber(serialNumber)
    , m_descriptor(modelOf(serialNumber))
    , m_firmwareVersion(firmwareVersion)
    , m_motor(m_descriptor)
    , m_supplyVoltage(m_descriptor == TalvexDriverDescriptor::s_model27_1 ? 24.0
                          : m_descriptor == TalvexDriverDescriptor::s_model10_1 ? 5.0
                                                                                : 48.0)
{
    for (int action = 0; action < R::s_actionCount; ++action)
        if (R::isSupported(m_descriptor, action))
            m_actions.insert(R::commandCode(m_descriptor, action), action);

    // A fresh board holds the studio's defaults.
    m_records.insert(R::GetMotionConfiguration,
        byteArrayToBytes(TalvexDriverMotionConfiguration().toByteArray(m_descriptor)));
    m_records.insert(R::GetMotorConfiguration,
        byteArrayToBytes(TalvexDriverMotorConfiguration().toByteArray(m_descriptor, m_firmwareVersion)));
    m_records.insert(R::GetInputConfiguration,
        byteArrayToBytes(TalvexDriverInputConfiguration().toByteArray(m_descriptor, m_firmwareVersion)));
    m_records.insert(R::GetSamplingConfiguration, byteArrayToBytes(TalvexDriverSamplingConfiguration().toByteArray()));
    m_records.insert(R::GetAdvancedMotorMoveConfiguration,
        byteArrayToBytes(TalvexDriverAdvancedMotorMoveConfiguration().toByteArray()));
    m_records.insert(R::GetPWMSettings,
        byteArrayToBytes(TalvexDriverPWMSettings().toByteArray(m_descriptor, m_firmwareVersion)));
    configureMotor();
}

QString SimDriverFirmware::serialNumberOf(const TalvexDriverDescriptor& descriptor, int unitNumber)
{
    return QStringLiteral("VTAH%1%2%3")
        .arg(descriptor.getProductCode(), 3, 10, QChar('0'))
        .arg(descriptor.getRevision(), 2, 10, QChar('0'))
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
    const auto found = m_actions.constFind(opcode);
    if (found == m_actions.constEnd())
    {
        Reply refused;
        refused.status = s_notRecognised;
        return refused;
    }
    return handleAction(found.value(), payload);
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

SimIBoardFirmware::Reply SimDriverFirmware::handleAction(int action, const QVector<quint8>& payload)
{
    Reply reply;
    const bool takesPayload = action == R::SetMotionConfiguration || action == R::SetMotorConfiguration
        || action == R::Move || action == R::SetInputConfiguration || action == R::StartSampling
        || action == R::SetPWM || action == R::SetAdvancedMotorMoveConfiguration;
    if (!takesPayload && !payload.isEmpty())
    {
        reply.status = s_notRecognised;
        return reply;
    }
    const bool configuresMotion = action == R::SetMotionConfiguration || action == R::SetMotorConfiguration
        || action == R::SetAdvancedMotorMoveConfiguration;
    if (configuresMotion && m_motor.isMoving())
    {
        reply.status = s_busy;
        return reply;
    }
    switch (action)
    {
    case R::SetMotionConfiguration:
        return store(R::GetMotionConfiguration, payload, isMotionInRange(payload), s_motionOutOfRange);
    case R::SetMotorConfiguration:
        return store(R::GetMotorConfiguration, payload, isMotorInRange(payload), s_motorOutOfRange);
    case R::SetInputConfiguration:
        return store(R::GetInputConfiguration, payload, isInputInRange(payload), s_interfaceOutOfRange);
    case R::StartSampling:
        return startSampling(payload);
    case R::SetPWM:
        return store(R::GetPWMSettings, payload, isPWMInRange(payload), s_interfaceOutOfRange);
    case R::SetAdvancedMotorMoveConfiguration:
        return store(R::GetAdvancedMotorMoveConfiguration, payload, isAdvancedMoveInRange(payload), s_motionOutOfRange);
    case R::Move:
        if (payload.size() != 6)
            reply.status = s_notRecognised;
        else if (!isMoveInRange(payload))
            reply.status = s_motionOutOfRange;
        else
            return afterMotorCommand(m_motor.move(payload[0], payload[1], readUInt32(payload, 2)));
        return reply;
    case R::MotorOn:
        reply.status = m_motor.turnOn();
        return reply;
    case R::MotorOff:
        reply.status = m_motor.turnOff();
        return reply;
    case R::Stop:
        reply.status = m_motor.stop();
        return reply;
    case R::MoveHome:
        return afterMotorCommand(m_motor.moveHome());
    case R::ZeroPosition:
        reply.status = m_motor.zeroPosition();
        if (reply.status == s_ok)
            m_sampler.positionZeroed();
        return reply;
    case R::ReducedHoldCurrentOn:
    case R::ReducedHoldCurrentOff:
        return setMotorFlag(s_motorReducedHoldOffset, action == R::ReducedHoldCurrentOn);
    case R::LowInductanceOn:
    case R::LowInductanceOff:
        return setMotorFlag(s_motorLowInductanceOffset, action == R::LowInductanceOn);
    case R::RelayOn:
    case R::RelayOff:
        m_relayOn = action == R::RelayOn;
        return reply;
    case R::StreamStart:
        return reply;
    case R::StopStreaming:
        m_sampler.stop(m_motor);
        return reply;
    case R::ClearCounters:
        m_sampler.clearCounters(m_motor);
        return reply;
    case R::MeasureSupply:
        reply.data = supplyReply();
        return reply;
    case R::GetMotorState:
        reply.data = m_motor.stateReply();
        return reply;
    default:
        reply.data = m_records.value(action);
        return reply;
    }
}

SimIBoardFirmware::Reply SimDriverFirmware::store(int readAction, const QVector<quint8>& payload, bool inRange,
    quint8 rangeStatus)
{
    Reply reply;
    QVector<quint8>& record = m_records[readAction];
    const bool partial = readAction == R::GetPWMSettings && !payload.isEmpty() && payload.size() < record.size();
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
    QVector<quint8>& record = m_records[R::GetMotorConfiguration];
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
    const Reply reply = store(R::GetSamplingConfiguration, payload, isSamplingInRange(payload), s_interfaceOutOfRange);
    if (reply.status != s_ok)
        return reply;

    // The board's own period index, read through the studio's period table.
    TalvexDriverSamplingConfiguration boardRate;
    boardRate.setValue(TalvexDriverSamplingConfiguration::SamplePeriod, int(payload[0]));
    const TalvexDriverInputConfiguration input(m_records.value(R::GetInputConfiguration), m_descriptor,
        m_firmwareVersion);
    m_sampler.start(std::llround(boardRate.samplePeriod() * 1e6), readUInt16(payload, 1), payload[3],
        input.getOutputMask(), variantToInt(input.value(TalvexDriverInputConfiguration::ADCGain)), m_motor);
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
    m_motor.configure(TalvexDriverMotionConfiguration(m_records.value(R::GetMotionConfiguration), m_descriptor),
        TalvexDriverAdvancedMotorMoveConfiguration(m_records.value(R::GetAdvancedMotorMoveConfiguration)),
        TalvexDriverInputConfiguration(m_records.value(R::GetInputConfiguration), m_descriptor, m_firmwareVersion));
}

bool SimDriverFirmware::isMotionInRange(const QVector<quint8>& payload) const
{
    if (payload.size() != m_records.value(R::GetMotionConfiguration).size())
        return false;
    typedef TalvexDriverMotionConfiguration Motion;
    Motion motion(payload, m_descriptor);
    if (!Motion::supportedMicroSteppings(m_descriptor).contains(variantToInt(motion.value(Motion::MicroStepping))))
        return false;
    if (variantToInt(motion.value(Motion::AccelerationMethod)) > 1
        || variantToInt(motion.value(Motion::SeparateBackwardVelocity)) > 1)
        return false;
    // What the studio would correct, the board refuses.
    return motion.validate(m_descriptor).isEmpty();
}

bool SimDriverFirmware::isMotorInRange(const QVector<quint8>& payload) const
{
    if (payload.size() != m_records.value(R::GetMotorConfiguration).size())
        return false;
    typedef TalvexDriverMotorConfiguration Motor;
    const Motor motor(payload, m_descriptor, m_firmwareVersion);
    const int current = variantToInt(motor.value(Motor::MotorCurrent));
    if (current < Motor::minimumCurrent() || current > Motor::maximumCurrent(m_descriptor))
        return false;
    if (variantToInt(motor.value(Motor::DriveType)) > 1 || variantToDouble(motor.value(Motor::StepDegrees)) <= 0.0)
        return false;
    return isFlag(payload[s_motorReducedHoldOffset])
        && (payload.size() <= s_motorLowInductanceOffset || isFlag(payload[s_motorLowInductanceOffset]));
}

bool SimDriverFirmware::isMoveInRange(const QVector<quint8>& payload) const
{
    int features = 0;
    TalvexDriverModel::motionFeatures(m_descriptor, features);
    const int mode = payload[0];
    const bool knownMode = mode == TalvexDriverMotorMoveConfiguration::Continuous
        || mode == TalvexDriverMotorMoveConfiguration::Counted
        || (mode == TalvexDriverMotorMoveConfiguration::BackAndForth && (features & TalvexDriverModel::BackAndForthMove));
    return knownMode && isFlag(payload[1]);
}

bool SimDriverFirmware::isInputInRange(const QVector<quint8>& payload) const
{
    if (payload.size() != m_records.value(R::GetInputConfiguration).size())
        return false;
    typedef TalvexDriverInputConfiguration Input;
    const Input input(payload, m_descriptor, m_firmwareVersion);
    const int gain = variantToInt(input.value(Input::ADCGain));
    return gain >= 0 && gain <= 6 && variantToInt(input.value(Input::ADCMode)) <= 1;
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
    // Duty cycles in percent; on (1,2) from firmware 4 the second byte is the mode of output 1.
    const bool secondIsMode = m_descriptor == TalvexDriverDescriptor::s_model1_2 && m_firmwareVersion.getMajor() >= 4;
    for (int i = 0; i < payload.size(); ++i)
        if (payload[i] > (i == 1 && secondIsMode ? 1 : 100))
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
        const TalvexDriverMotorConfiguration motor(m_records.value(R::GetMotorConfiguration), m_descriptor,
            m_firmwareVersion);
        const double motorCurrent = variantToInt(motor.value(TalvexDriverMotorConfiguration::MotorCurrent)) / 1000.0;
        const bool reducedHold =
            motor.value(TalvexDriverMotorConfiguration::ReducedHoldCurrent).toBool() && !m_motor.isMoving();
        current = s_boardCurrent + (m_motor.isOn() ? motorCurrent * (reducedHold ? 0.25 : 0.5) : 0.0);
    }
    QVector<quint8> reply(6, 0);
    if (m_descriptor == TalvexDriverDescriptor::s_model10_1)
    {
        // A USB-powered board says where its power comes from, and its current in mA.
        reply.append(powered ? 1 : 0);
        appendUInt16(reply, quint16(std::lround(current * 1000.0)));
        return reply;
    }
    const double currentScale = m_descriptor == TalvexDriverDescriptor::s_model27_1 ? 400.0 : 200.0;
    appendUInt16(reply, quint16(qint16(qBound(-32768L, std::lround(m_supplyVoltage * 10.0), 32767L))));
    appendUInt16(reply, quint16(qint16(qBound(-32768L, std::lround(current * currentScale), 32767L))));
    return reply;
}
