#pragma once

#include "USBDevice.h"
#include "USBDriver.h"
#include "USBIDeviceTraits.h"
#include "USBIDeviceUpdater.h"
#include "USBProtocolClock.h"
#include "USBResult.h"
#include "USBVersion.h"

#include <QList>
#include <QObject>
#include <QPair>
#include <QTimer>

// The GUI side of the USB link: owns the driver, polls the device list, connects and
// disconnects a board on request, lets the firmware updater check a board before the
// connection counts, and notices a board that stops answering.
class USBConnectionState : public QObject
{
    Q_OBJECT

public:
    enum ProtocolKind
    {
        PacketProtocol = 0,
        HandshakeProtocol = 1
    };

    static const int s_pollIntervalMs = 2000;

    // Kind 0 runs a packet protocol on socket 0, kind 1 a handshake protocol. Any other kind
    // sets none, and connecting then fails with the driver's "No communication protocol is set
    // for this channel" without opening the board. The clock times the device poll, every
    // pollIntervalMs, and the protocol's waits; null means real time.
    explicit USBConnectionState(qint32 protocolKind, int pollIntervalMs = s_pollIntervalMs,
        const USBProtocolClockPtr& clock = USBProtocolClockPtr());
    ~USBConnectionState() override;

    // The poll lists nothing until the traits are set.
    void setDeviceTraits(const USBDeviceTraitsPtr& traits);
    // Without an updater, a connect skips the firmware check.
    void setDeviceUpdater(const USBDeviceUpdaterPtr& updater);
    // Lists the devices at once, then again whenever the poll interval has passed on the clock.
    void startPolling();

    QList<USBDevicePtr> getAvailableDevices() const;
    USBResult connectDevice(const USBDevicePtr& device, qint32 baudRate, qint32 updaterParameter);
    void disconnectDevice();
    bool isConnected() const;
    bool isDeviceConnected(const USBDevicePtr& device) const;
    USBDevicePtr getDevice() const;
    // (device id, device version) of the board connected last; (0, 0) before the first.
    QPair<int, int> getDeviceType() const;
    // Firmware version of the board connected last, as its check left it.
    USBVersion getFirmwareVersion() const;
    USBDriver* getDriver();

signals:
    void connectionStatusChanged();
    void availableDevicesChanged();

private slots:
    // One poll of the device list and of the open device's channel.
    void onTimeout();
    void onPollTimer();

private:
    void schedulePoll();
    // Closes the open device; true when there was one.
    bool closeOpenDevice();

    USBDriver m_driver;
    QTimer m_pollTimer;
    const int m_pollIntervalMs;
    const USBProtocolClockPtr m_pClock;
    // When the next poll is due, on the clock.
    qint64 m_nextPollMs = 0;
    QPair<int, int> m_deviceType;
    USBVersion m_firmwareVersion;
    QList<USBDevicePtr> m_devices;
    USBDeviceUpdaterPtr m_pDeviceUpdater;
    USBDeviceTraitsPtr m_pDeviceTraits;
    // The updater's check is running: its waits run the event loop while it closes and reopens
    // the device, which the poll must leave alone.
    bool m_checking = false;
};
