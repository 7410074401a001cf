#pragma once

#include "USBSerialNumber.h"

#include <QPair>
#include <boost/shared_ptr.hpp>

// Which boards and firmware versions the program supports. Every answer is a support level:
// 0 supported, 1 firmware newer than supported, 2 older, 3 unknown device or invalid serial.
class USBIDeviceTraits
{
public:
    virtual ~USBIDeviceTraits();
    virtual int checkDevice(const USBSerialNumber& serialNumber) const = 0;
    // id: (device id, device version) as the serial number gives it.
    virtual int isKnownDevice(const QPair<int, int>& id) const = 0;
    virtual int checkFirmware(const USBSerialNumber& serialNumber, int version) const = 0;
    virtual int checkVersion(const QPair<int, int>& id, int version) const = 0;
};

typedef boost::shared_ptr<USBIDeviceTraits> USBDeviceTraitsPtr;
