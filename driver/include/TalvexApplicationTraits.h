#pragma once

#include "USBIDeviceTraits.h"

// The boards the studio supports and their firmware versions. Answers: 0 supported, 1 firmware
// newer than the newest supported, 2 older than the oldest, 3 unknown device.
class TalvexApplicationTraits : public USBIDeviceTraits
{
public:
    enum Verdict
    {
        Supported = 0,
        FirmwareTooNew = 1,
        FirmwareTooOld = 2,
        UnknownDevice = 3
    };

    int checkDevice(const USBSerialNumber& serialNumber) const override;
    // id: (product code, revision)
    int isKnownDevice(const QPair<int, int>& id) const override;
    int checkFirmware(const USBSerialNumber& serialNumber, int version) const override;
    // Any version from the oldest to the newest supported one counts as supported.
    int checkVersion(const QPair<int, int>& id, int version) const override;
};
