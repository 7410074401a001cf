#pragma once

#include "USBIDeviceTraits.h"
#include "USBResult.h"

#include <boost/shared_ptr.hpp>

class USBDevice;
class USBDriver;

// Checks a board that is being connected and brings its firmware up to date.
class USBIDeviceUpdater
{
public:
    virtual ~USBIDeviceUpdater();
    // device has just been opened by driver, through which the updater may talk to it, push
    // the bootloader protocol and reopen it. Status 0: use the board as it is (its firmware
    // version is then set on the device); 1: a non-fatal outcome, the connection is kept;
    // anything else: the connection is refused with that result.
    virtual USBResult checkAndUpdate(const boost::shared_ptr<USBDevice>& device, USBDriver* driver,
                                     const USBDeviceTraitsPtr& traits, qint32 parameter) = 0;
};

typedef boost::shared_ptr<USBIDeviceUpdater> USBDeviceUpdaterPtr;
