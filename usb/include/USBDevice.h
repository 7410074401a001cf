#pragma once

#include "USBEepromSettings.h"
#include "USBISocket.h"
#include "USBResult.h"
#include "USBSerialNumber.h"
#include "USBVersion.h"

#include <QList>
#include <QPair>
#include <QString>
#include <boost/shared_ptr.hpp>

// A board's USB chip: its identity, the firmware version learnt from the board and its
// channels as sockets; socket 0 is the command channel.
class USBDevice
{
public:
    USBDevice(quint32 usbId, const QString& serialNumber, const QString& description);
    virtual ~USBDevice();

    // Same USB id, serial number text and description; firmware and sockets do not count.
    bool operator==(const USBDevice& other) const;
    bool operator!=(const USBDevice& other) const { return !(*this == other); }

    quint32 getUsbId() const { return m_usbId; }
    QString getSerialNumberText() const { return m_serialNumber; }
    QString getDescription() const { return m_description; }
    USBSerialNumber getSerialNumber() const;
    // (device id, device version) of the parsed serial number.
    QPair<int, int> getDeviceType() const;
    USBVersion getFirmwareVersion() const { return m_firmwareVersion; }
    void setFirmwareVersion(const USBVersion& version) { m_firmwareVersion = version; }
    // The serial number begins with "VT" (case-sensitive).
    bool isVendorDevice() const;

    virtual void resetAndCloseSockets() = 0;
    virtual void purgeSockets() = 0;
    virtual void closeSockets() = 0;
    virtual QList<USBSocketPtr> getSockets() const = 0;
    virtual USBSocketPtr getSocket(int index) const = 0;
    virtual USBSocketPtr getFirstSocket() const = 0;
    virtual QList<USBSocketPtr> getSecondarySockets() const = 0;
    // Each socket's read and write time-outs (USBISocket::applyTimeouts).
    virtual void applyTimeouts() = 0;
    virtual USBResult programEeprom(const USBEepromSettings& settings) = 0;

private:
    quint32 m_usbId;
    QString m_serialNumber;
    QString m_description;
    USBVersion m_firmwareVersion;
};

typedef boost::shared_ptr<USBDevice> USBDevicePtr;
