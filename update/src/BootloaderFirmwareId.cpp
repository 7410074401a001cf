#include "BootloaderFirmwareId.h"

#include "BootloaderFirmwareInfo.h"

BootloaderFirmwareId::BootloaderFirmwareId(int productCode, int revision, int major, int minor, int checksum)
    : m_productCode(productCode)
    , m_revision(revision)
    , m_major(major)
    , m_minor(minor)
    , m_checksum(checksum)
{
}

BootloaderFirmwareId::BootloaderFirmwareId(const BootloaderFirmwareInfo& info)
    : BootloaderFirmwareId(info.productCode, info.revision, info.major, info.minor, 0)
{
}

QString BootloaderFirmwareId::fileName() const
{
    return QStringLiteral("%1.pkg").arg(m_productCode * 100 + m_revision, 6, 10, QLatin1Char('0'));
}
