#include "USBConnectionState.h"

#include "USBHandshakeProtocol.h"
#include "USBPacketProtocol.h"

#include <boost/make_shared.hpp>

#include <algorithm>

USBConnectionState::USBConnectionState(qint32 protocolKind, int pollIntervalMs, const USBProtocolClockPtr& clock)
    : m_pollTimer(this)
    , m_pollIntervalMs(pollIntervalMs)
    , m_pClock(USBProtocolClock::orRealTime(clock))
    , m_deviceType(0, 0)
{
    if (protocolKind == PacketProtocol)
        m_driver.setProtocol(boost::make_shared<USBPacketProtocol>(m_pClock), 0);
    else if (protocolKind == HandshakeProtocol)
        m_driver.setProtocol(boost::make_shared<USBHandshakeProtocol>(m_pClock), 0);
    m_pollTimer.setSingleShot(true);
    // Never early, so a timer on real time finds its poll due.
    m_pollTimer.setTimerType(Qt::PreciseTimer);
}

USBConnectionState::~USBConnectionState() = default;

void USBConnectionState::setDeviceTraits(const USBDeviceTraitsPtr& traits)
{
    m_pDeviceTraits = traits;
}

void USBConnectionState::setDeviceUpdater(const USBDeviceUpdaterPtr& updater)
{
    m_pDeviceUpdater = updater;
}

void USBConnectionState::startPolling()
{
    connect(&m_pollTimer, &QTimer::timeout, this, &USBConnectionState::onPollTimer, Qt::UniqueConnection);
    onTimeout();
    schedulePoll();
}

void USBConnectionState::onPollTimer()
{
    const qint64 remaining = m_nextPollMs - m_pClock->getMilliseconds();
    if (remaining > 0)
    {
        m_pollTimer.start(m_pClock->getTimerInterval(remaining));
        return;
    }
    onTimeout();
    schedulePoll();
}

void USBConnectionState::schedulePoll()
{
    m_nextPollMs = m_pClock->getMilliseconds() + m_pollIntervalMs;
    m_pollTimer.start(m_pClock->getTimerInterval(m_pollIntervalMs));
}

QList<USBDevicePtr> USBConnectionState::getAvailableDevices() const
{
    return m_devices;
}

USBResult USBConnectionState::connectDevice(const USBDevicePtr& device, qint32 baudRate, qint32 updaterParameter)
{
    if (closeOpenDevice())
        emit connectionStatusChanged();

    const USBResult opened = m_driver.openDevice(device, baudRate);
    if (!opened.isOk())
        return opened;

    // A channel that fails right after opening is no connection: say so rather than succeed.
    const USBSocketStatus status = m_driver.getStatus();
    if (status.state != USBSocketStatus::Open)
    {
        m_driver.closeDevice();
        return USBResult(status.message.isEmpty() ? QStringLiteral("Device not open") : status.message, 2);
    }

    if (m_pDeviceUpdater)
    {
        m_checking = true;
        const USBResult checked = m_pDeviceUpdater->checkAndUpdate(device, &m_driver, m_pDeviceTraits, updaterParameter);
        m_checking = false;
        if (checked.getStatus() != 0 && checked.getStatus() != 1)
        {
            m_driver.closeDevice();
            return checked;
        }
    }

    m_deviceType = device->getDeviceType();
    m_firmwareVersion = device->getFirmwareVersion();
    emit connectionStatusChanged();
    return USBResult();
}

void USBConnectionState::disconnectDevice()
{
    if (closeOpenDevice())
        emit connectionStatusChanged();
}

bool USBConnectionState::isConnected() const
{
    return m_driver.isOpen();
}

bool USBConnectionState::isDeviceConnected(const USBDevicePtr& device) const
{
    const USBDevicePtr open = m_driver.getDevice();
    return open && device && *open == *device;
}

USBDevicePtr USBConnectionState::getDevice() const
{
    return m_driver.getDevice();
}

QPair<int, int> USBConnectionState::getDeviceType() const
{
    return m_deviceType;
}

USBVersion USBConnectionState::getFirmwareVersion() const
{
    return m_firmwareVersion;
}

USBDriver* USBConnectionState::getDriver()
{
    return &m_driver;
}

void USBConnectionState::onTimeout()
{
    if (!m_pDeviceTraits || m_checking)
        return;

    QList<USBDevicePtr> kept;
    const QList<USBDevicePtr> listed = m_driver.enumerateDevices(true);
    for (const USBDevicePtr& device : listed)
    {
        if (!device->isVendorDevice() || m_pDeviceTraits->checkDevice(device->getSerialNumber()) != 0)
            continue;
        if (!device->getFirstSocket()->isOpen() || isDeviceConnected(device))
            kept.append(device);
    }

    bool changed = kept.count() != m_devices.count();
    for (int i = 0; !changed && i < kept.count(); ++i)
    {
        const USBDevicePtr& device = kept.at(i);
        changed = std::none_of(m_devices.cbegin(), m_devices.cend(),
                               [&device](const USBDevicePtr& known) { return *known == *device; });
    }
    if (changed)
    {
        m_devices = kept;
        emit availableDevicesChanged();
    }

    if (m_driver.isOpen() && m_driver.getStatus().state != USBSocketStatus::Open)
    {
        m_driver.closeDevice();
        emit connectionStatusChanged();
    }
}

bool USBConnectionState::closeOpenDevice()
{
    if (!m_driver.isOpen())
        return false;
    m_driver.closeDevice();
    return true;
}
