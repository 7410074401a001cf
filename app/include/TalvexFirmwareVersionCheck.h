#pragma once

#include "USBIDeviceUpdater.h"

// The main window's check of a board being connected, until the firmware update takes its
// place: it reads the board's firmware version through the bootloader's target info, so that
// the first request already uses the layouts of that version. Runs in the GUI thread, inside
// USBConnectionState::connectDevice. A board whose version cannot be read stays connected
// (status 1) with the version it had.
class TalvexFirmwareVersionCheck : public USBIDeviceUpdater
{
public:
    USBResult checkAndUpdate(const boost::shared_ptr<USBDevice>& device, USBDriver* driver,
        const USBDeviceTraitsPtr& traits, qint32 parameter) override;
};
