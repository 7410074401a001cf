#include "FileCrc32.h"

#include <QFile>

#include <zlib.h>

#include <vector>

namespace
{
// Large enough that the reads cost little beside the checksum itself (measured against
// smaller blocks).
const qint64 s_blockSize = 1 << 20;
}

quint32 computeFileCrc32(const QString& filePath, bool* ok)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
    {
        if (ok)
            *ok = false;
        return 0;
    }
    std::vector<char> block(s_blockSize);
    uLong crc = crc32(0L, Z_NULL, 0);
    qint64 count = 0;
    while ((count = file.read(block.data(), s_blockSize)) > 0)
        crc = crc32(crc, reinterpret_cast<const Bytef*>(block.data()), uInt(count));
    // A read error half-way gives a checksum of part of the file: not a checksum of the file.
    const bool read = count == 0;
    if (ok)
        *ok = read;
    return read ? quint32(crc) : 0;
}
