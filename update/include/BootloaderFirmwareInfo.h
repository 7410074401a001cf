#pragma once

#include "BootloaderSecondaryImageHeader.h"
#include "USBVersion.h"

#include <QList>
#include <QString>
#include <QVector>

// The board's firmware information page, decoded: its model, serial number, device name, the
// installed firmware's version, release date and package checksum, and the geometry of the
// installed secondary images. The page: magic 35 72 D1, layout 1 or 2, zero-terminated Latin-1
// texts, 16-bit big-endian numbers, 25-byte secondary headers (layout 2), then 0xFF.
struct BootloaderFirmwareInfo
{
    // Pages shorter than this cannot be decoded.
    static const int s_minimumPageSize = 100;
    // Bytes before the secondary headers, and the size of one header.
    static const int s_fixedSize = 76;
    static const int s_headerSize = 25;

    // A page of another layout, or a blank one, gives the empty record.
    static BootloaderFirmwareInfo fromBytes(const QVector<quint8>& page);
    // A layout-2 page of pageSize bytes; longer when the record does not fit (see encodedSize).
    QVector<quint8> toBytes(int pageSize) const;
    // The bytes the record needs on a page.
    int encodedSize() const;
    USBVersion getFirmwareVersion() const { return USBVersion(major, minor); }

    bool valid = false;     // known layout and a serial number that passes the check
    bool present = false;   // known layout
    int productCode = 0;
    int revision = 0;
    QString deviceName;     // at most 39 characters on the page
    QString serialNumber;   // at most 15 characters on the page
    int major = 0;
    int minor = 0;
    int year = 0;
    int month = 0;
    int day = 0;
    int packageChecksum = 0;
    QList<BootloaderSecondaryImageHeader> secondaryHeaders;
};
