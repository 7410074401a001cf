#include "TalvexSOTalvexPelmoraAxis.h"

#include "Bootloader.h"
#include "BootloaderFirmwareInfo.h"
#include "StoredValueReader.h"
#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"
#include "TalvexDriverCommandBuilder.h"
#include "TalvexDriverMotorInfo.h"
#include "TalvexDriverMotorMoveConfiguration.h"
#include "ValueConversions.h"
#include "USBPacketProtocol.h"

#include <QDataStream>
#include <QMap>
#include <boost/make_shared.hpp>

namespace
{
const int s_baudRate = 500000;
// The board needs this long after leaving its bootloader before it answers.
const unsigned long s_bootloaderExitPauseUs = 100000;
// A serial number has 13 characters; anything much longer is not one.
const int s_maximumSerialNumberLength = 64;

typedef QMap<int, QMap<int, QList<int>>> SupportedBoards;

// Device id -> device version -> the firmware majors an axis accepts.
const SupportedBoards& supportedBoards()
{
    static const SupportedBoards s_boards{{1, {{2, {4}}}}, {10, {{1, {1}}}}};
    return s_boards;
}
}

TalvexSOTalvexPelmoraAxis::TalvexSOTalvexPelmoraAxis() = default;

TalvexSOTalvexPelmoraAxis::TalvexSOTalvexPelmoraAxis(const USBSerialNumber& serialNumber,
    const TalvexDriverMotorConfiguration& motor, const TalvexDriverMotionConfiguration& motion,
    const USBProtocolClockPtr& clock)
    : m_serialNumber(serialNumber)
    , m_motorConfiguration(motor)
    , m_motionConfiguration(motion)
    , m_pClock(clock)
{
    m_driver.setProtocol(boost::make_shared<USBPacketProtocol>(m_pClock), 0);
}

TalvexSOTalvexPelmoraAxis::TalvexSOTalvexPelmoraAxis(const TalvexSOTalvexPelmoraAxis& other)
    : TalvexSOIAxis(other)
    , m_serialNumber(other.m_serialNumber)
    , m_motorConfiguration(other.m_motorConfiguration)
    , m_motionConfiguration(other.m_motionConfiguration)
    , m_pClock(other.m_pClock)
{
    m_driver.setProtocol(boost::make_shared<USBPacketProtocol>(m_pClock), 0);
}

TalvexSOTalvexPelmoraAxis::~TalvexSOTalvexPelmoraAxis()
{
    m_driver.closeDevice();
}

bool TalvexSOTalvexPelmoraAxis::isSupportedModel(int deviceId, int deviceVersion)
{
    return supportedBoards().value(deviceId).contains(deviceVersion);
}

bool TalvexSOTalvexPelmoraAxis::isSupported(int deviceId, int deviceVersion, int firmwareMajor)
{
    return supportedBoards().value(deviceId).value(deviceVersion).contains(firmwareMajor);
}

TalvexSOIAxis* TalvexSOTalvexPelmoraAxis::clone() const
{
    return new TalvexSOTalvexPelmoraAxis(*this);
}

QString TalvexSOTalvexPelmoraAxis::typeName() const
{
    return QStringLiteral("TalvexSOTalvexPelmoraAxis");
}

void TalvexSOTalvexPelmoraAxis::accept(IVisitor& visitor)
{
    visitor.visit(*this);
}

double TalvexSOTalvexPelmoraAxis::linearStepSize() const
{
    const double stepDegrees = variantToDouble(m_motorConfiguration.value(TalvexDriverMotorConfiguration::StepDegrees));
    const double pitch = variantToDouble(m_motorConfiguration.value(TalvexDriverMotorConfiguration::Pitch));
    return pitch * (stepDegrees / m_motionConfiguration.microSteppingFactor()) / 360.0;
}

USBResult TalvexSOTalvexPelmoraAxis::connectDevice()
{
    if (m_driver.isOpen())
        return USBResult();
    const QString serial = m_serialNumber.toString();
    if (!m_serialNumber.isValid())
        return USBResult(QStringLiteral("Invalid serial number \"%1\".").arg(serial), 2);
    if (!isSupportedModel(m_serialNumber.getDeviceId(), m_serialNumber.getDeviceVersion()))
        return USBResult(QStringLiteral("The device \"%1\" is not supported.").arg(serial), 2);

    bool inUse = false;
    for (const USBDevicePtr& device : m_driver.enumerateDevices(true))
    {
        if (device->getDeviceType() != m_serialNumber.getDeviceType())
            continue;
        bool mine = false;
        const USBResult result = tryBoard(device, mine, inUse);
        if (result.isOk() || mine)
            return result;
    }
    // Finding no board is no success: every command after it would fail.
    return failure(inUse ? QStringLiteral("The board is in use by another connection.")
                         : QStringLiteral("No board with this serial number is attached."));
}

USBResult TalvexSOTalvexPelmoraAxis::tryBoard(const USBDevicePtr& device, bool& mine, bool& inUse)
{
    // Until the board tells its own serial number, the listed one says whose it is.
    const bool listedAsMine = device->getSerialNumber() == m_serialNumber;
    const USBResult opened = m_driver.openDevice(device, s_baudRate);
    if (!opened.isOk())
    {
        // The studio's own connection, or another axis, holds the board.
        inUse = inUse || listedAsMine;
        return opened;
    }

    const Bootloader bootloader(false, m_pClock);
    bootloader.exitBootloader(m_driver);
    USBProtocolClock::orRealTime(m_pClock)->sleepMicroseconds(s_bootloaderExitPauseUs);
    BootloaderFirmwareInfo info;
    const USBResult read = bootloader.readTargetInfo(m_driver, info);
    USBResult result;
    const USBSerialNumber reported(info.serialNumber);
    if (!read.isOk())
    {
        mine = listedAsMine;
        result = failure(read.getMessage());
    }
    else if (!reported.isValid())
    {
        mine = listedAsMine;
        result = failure(QStringLiteral("Invalid serial number \"%1\" downloaded.").arg(info.serialNumber));
    }
    else if (reported != m_serialNumber)
    {
        result = USBResult(QStringLiteral("Another board"), 2);
    }
    else if (!isSupported(reported.getDeviceId(), reported.getDeviceVersion(), info.major))
    {
        mine = true;
        result = failure(QStringLiteral("Unsupported firmware version \"%1.%2\".").arg(info.major).arg(info.minor));
    }
    else
    {
        m_descriptor = TalvexDriverDescriptor(quint32(reported.getDeviceId()), quint32(reported.getDeviceVersion()));
        m_firmwareVersion = info.getFirmwareVersion();
        return USBResult();
    }
    m_driver.closeDevice();
    return result;
}

void TalvexSOTalvexPelmoraAxis::exitBootloader()
{
    Bootloader(false, m_pClock).exitBootloader(m_driver);
}

void TalvexSOTalvexPelmoraAxis::disconnectDevice()
{
    m_driver.closeDevice();
}

USBResult TalvexSOTalvexPelmoraAxis::uploadConfiguration()
{
    // A refused motor configuration must not pass for a successful upload.
    const USBResult motor = send(builder().setMotorConfiguration(m_motorConfiguration));
    if (!motor.isOk())
        return motor;
    m_motionConfiguration.setValue(TalvexDriverMotionConfiguration::StoredFlag, true);
    return send(builder().setMotionConfiguration(m_motionConfiguration));
}

USBResult TalvexSOTalvexPelmoraAxis::turnOn()
{
    return send(builder().motorOn());
}

USBResult TalvexSOTalvexPelmoraAxis::turnOff()
{
    return send(builder().motorOff());
}

USBResult TalvexSOTalvexPelmoraAxis::moveHome()
{
    return send(builder().moveHome());
}

USBResult TalvexSOTalvexPelmoraAxis::move(int steps)
{
    if (steps == 0)
        return USBResult();
    // In unsigned arithmetic, so that the most negative count has its magnitude too.
    const quint32 count = steps < 0 ? 0u - quint32(steps) : quint32(steps);
    const TalvexDriverMotorMoveConfiguration record(TalvexDriverMotorMoveConfiguration::Counted,
        steps < 0 ? TalvexDriverMotorMoveConfiguration::Backward : TalvexDriverMotorMoveConfiguration::Forward,
        int(count));
    return send(builder().move(record));
}

USBResult TalvexSOTalvexPelmoraAxis::readState(int* motorState, int* limitState)
{
    const TalvexDriverCommandBuilder::Request request = builder().getMotorState();
    const USBResult result = send(request);
    if (!result.isOk())
        return result;
    const TalvexDriverMotorInfo info(request->getReplyData());

    int limit = NoLimit;
    if (info.getLimitFlags() & TalvexDriverMotorInfo::AtStart)
        limit = AtStartLimit;
    if (info.getLimitFlags() & TalvexDriverMotorInfo::AtEnd)
        limit = AtEndLimit;
    *limitState = limit;

    const int state = info.getState();
    if (state == TalvexDriverMotorInfo::Hold)
        *motorState = MotorHolding;
    else if (state == TalvexDriverMotorInfo::Off)
        *motorState = MotorOff;
    else if (state >= TalvexDriverMotorInfo::FirstMoving && state <= TalvexDriverMotorInfo::LastMoving)
        *motorState = MotorMoving;
    else
        *motorState = MotorOtherState;
    return USBResult();
}

void TalvexSOTalvexPelmoraAxis::write(QDataStream& out) const
{
    out << qint32(1) << m_serialNumber.toString();
    m_motorConfiguration.write(out);
    m_motionConfiguration.write(out);
}

void TalvexSOTalvexPelmoraAxis::read(QDataStream& in)
{
    StreamableVersionException::readVersion(in, {1}, "src\\TalvexSOTalvexPelmoraAxis", 300);
    m_serialNumber = USBSerialNumber(StoredValueReader::readText(in, s_maximumSerialNumberLength));
    m_motorConfiguration.read(in);
    m_motionConfiguration.read(in);
}

USBResult TalvexSOTalvexPelmoraAxis::failure(const QString& text) const
{
    return USBResult(QStringLiteral("Driver %1: %2").arg(m_serialNumber.toString(), text), 2);
}

TalvexDriverCommandBuilder TalvexSOTalvexPelmoraAxis::builder() const
{
    return TalvexDriverCommandBuilder(m_descriptor, m_firmwareVersion);
}

USBResult TalvexSOTalvexPelmoraAxis::send(const boost::shared_ptr<TalvexDriverCommRequest>& request)
{
    if (!m_driver.isOpen())
        return failure(QStringLiteral("Is not connected."));
    const USBResult supported = request->checkSupported();
    if (!supported.isOk())
        return supported;
    return m_driver.sendRequest(request, 0);
}
