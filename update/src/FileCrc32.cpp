#include "FileCrc32.h"

#include <QFile>
#include <QThread>

#include <zlib.h>

#include <limits>
#include <system_error>
#include <thread>
#include <vector>

namespace
{
// Small enough that a block is still in the cache when the checksum reads it after the copy.
const qint64 s_blockSize = 256 << 10;
// A large package is read in pieces on several threads and the pieces' checksums joined with
// crc32_combine: the copy out of the page cache then runs beside the checksum instead of
// before it. Smaller files are not worth a thread.
const qint64 s_minimumPieceSize = 8 << 20;
const int s_maximumPieces = 4;

struct Piece
{
    qint64 offset = 0;
    qint64 length = -1; // -1: up to the end of the file
    uLong crc = 0;
    qint64 bytesRead = 0;
    bool ok = false;

    void read(const QString& filePath)
    {
        crc = crc32(0L, Z_NULL, 0);
        QFile file(filePath);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) || !file.seek(offset))
            return;
        std::vector<char> block(s_blockSize);
        qint64 left = length < 0 ? std::numeric_limits<qint64>::max() : length;
        qint64 count = 0;
        while (left > 0 && (count = file.read(block.data(), qMin(left, s_blockSize))) > 0)
        {
            crc = crc32(crc, reinterpret_cast<const Bytef*>(block.data()), uInt(count));
            bytesRead += count;
            left -= count;
        }
        // A read error, or a file that got shorter under us, gives a checksum of part of the file.
        ok = length < 0 ? count == 0 : left == 0;
    }
};
}

quint32 computeFileCrc32(const QString& filePath, bool* ok)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
    {
        if (ok)
            *ok = false;
        return 0;
    }
    const qint64 size = file.size();
    file.close();

    const qint64 threads = qMax(1, qMin(QThread::idealThreadCount(), s_maximumPieces));
    const int count = int(qBound<qint64>(1, size / s_minimumPieceSize, threads));
    std::vector<Piece> pieces(count);
    for (int i = 0; i < count; ++i)
    {
        pieces[i].offset = i * (size / count);
        pieces[i].length = i == count - 1 ? -1 : size / count;
    }
    std::vector<std::thread> workers;
    for (int i = 1; i < count; ++i)
    {
        try
        {
            workers.emplace_back([&pieces, &filePath, i] { pieces[i].read(filePath); });
        }
        catch (const std::system_error&)
        {
            pieces[i].read(filePath); // no thread to be had: read it here
        }
    }
    pieces[0].read(filePath);
    for (std::thread& worker : workers)
        worker.join();

    bool read = true;
    uLong crc = crc32(0L, Z_NULL, 0);
    for (const Piece& piece : pieces)
    {
        read = read && piece.ok;
        crc = crc32_combine(crc, piece.crc, z_off_t(piece.bytesRead));
    }
    if (ok)
        *ok = read;
    return read ? quint32(crc) : 0;
}
