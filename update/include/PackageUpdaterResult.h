#pragma once

#include "BootloaderFirmwareId.h"
#include "UpdaterResult.h"

#include <QHash>
#include <QPair>

// A manifest's outcome with its firmware table: per board model (product code, revision) the
// firmware release the update data offer, whose checksum is the CRC-32 of the device package file.
class PackageUpdaterResult : public UpdaterResult
{
public:
    typedef QHash<QPair<int, int>, BootloaderFirmwareId> FirmwareTable;

    // A later release for the same model replaces the earlier one.
    void addFirmware(const BootloaderFirmwareId& id) { m_firmware.insert(id.getDeviceType(), id); }
    const FirmwareTable& getFirmware() const { return m_firmware; }

private:
    FirmwareTable m_firmware;
};
