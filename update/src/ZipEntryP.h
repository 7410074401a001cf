#pragma once

#include <QString>
#include <QtGlobal>

// One accepted central-directory entry of an open archive.
struct ZipEntryP
{
    quint32 localHeaderOffset = 0;
    // Just behind the local header's extra field; set by the local-header check.
    quint32 dataOffset = 0;
    // Bit 0 of byte 0: encrypted; bit 3: sizes and CRC follow the data in a data descriptor.
    unsigned char generalFlags[2] = {0, 0};
    quint16 compressionMethod = 0;
    // MS-DOS time and date, little-endian as stored.
    unsigned char modTime[2] = {0, 0};
    unsigned char modDate[2] = {0, 0};
    quint32 crc = 0;
    // Includes the 12-byte encryption header of an encrypted entry.
    quint32 compressedSize = 0;
    quint32 uncompressedSize = 0;
    QString comment;
    bool localHeaderChecked = false;

    bool isEncrypted() const { return generalFlags[0] & 1; }
    bool hasDataDescriptor() const { return generalFlags[0] & 8; }
};
