#include "TalvexFirmwareVersionCheck.h"

#include "Bootloader.h"
#include "BootloaderFirmwareInfo.h"
#include "USBDevice.h"

USBResult TalvexFirmwareVersionCheck::checkAndUpdate(const boost::shared_ptr<USBDevice>& device, USBDriver* driver,
    const USBDeviceTraitsPtr&, qint32)
{
    BootloaderFirmwareInfo info;
    const USBResult read = Bootloader(false).readTargetInfo(*driver, info);
    if (!read.isOk())
        return USBResult(read.getMessage(), 1);
    device->setFirmwareVersion(info.getFirmwareVersion());
    return USBResult();
}
