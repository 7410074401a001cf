#pragma once

#include "USBVersion.h"

#include <QPair>
#include <QString>

struct BootloaderFirmwareInfo;

// The identity of a firmware release: the board model (product code, revision), the firmware
// version and the package checksum when known (0 for packages read from files and for boards).
class BootloaderFirmwareId
{
public:
    BootloaderFirmwareId() = default;
    BootloaderFirmwareId(int productCode, int revision, int major, int minor, int checksum);
    // The board's model and installed version; checksum 0.
    explicit BootloaderFirmwareId(const BootloaderFirmwareInfo& info);

    // The package file of the model: product code × 100 + revision, at least six digits, ".pkg".
    QString fileName() const;
    // (product code, revision), as USBSerialNumber::getDeviceType gives it.
    QPair<int, int> getDeviceType() const { return qMakePair(m_productCode, m_revision); }
    USBVersion getVersion() const { return USBVersion(m_major, m_minor); }
    int getChecksum() const { return m_checksum; }

private:
    int m_productCode = 0;
    int m_revision = 0;
    int m_major = 0;
    int m_minor = 0;
    int m_checksum = 0;
};
