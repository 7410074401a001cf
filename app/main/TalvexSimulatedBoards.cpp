#include "TalvexSimulatedBoards.h"

#include "BootloaderFirmwareId.h"
#include "PackageAppData.h"
#include "SimBootloaderBoard.h"
#include "SimDriverFirmware.h"
#include "SimFirmwarePackage.h"
#include "SimFtdiChip.h"
#include "SimUsbBus.h"
#include "USBIFtdiApi.h"

#include <boost/make_shared.hpp>

void TalvexSimulatedBoards::plugInto(SimUsbBus& bus)
{
    // The newest firmware the studio supports on each model.
    plug(bus, 1, 1, USBVersion(2, 0), 1);
    plug(bus, 1, 2, USBVersion(4, 0), 2);
    plug(bus, 10, 1, USBVersion(1, 0), 3);
    plug(bus, 27, 1, USBVersion(1, 0), 4);
}

SimFtdiChip& TalvexSimulatedBoards::plug(SimUsbBus& bus, quint32 productCode, quint32 revision,
    const USBVersion& firmware, int unit)
{
    const QString serial = SimDriverFirmware::serialNumberOf(productCode, revision, unit);
    SimFtdiChip& chip = bus.addChip(USBIFtdiApi::ChipFT2232H, serial.toLatin1(), quint32(unit) << 8);
    // Channel B is the command channel, socket 0.
    SimBootloaderBoard::plugInto(chip, 1, boost::make_shared<SimDriverFirmware>(serial, firmware), serial,
        firmware.getMajor(), firmware.getMinor());
    return chip;
}

void TalvexSimulatedBoards::placeFirmwarePackage(const QString& applicationName)
{
    PackageAppData(applicationName, QString())
        .saveDevicePackage(BootloaderFirmwareId(27, 1, 1, 1, 0), SimFirmwarePackage::releaseFor(27, 1, 1, 1));
}
