#include "UnzipPrivate.h"

#include <QDateTime>
#include <QDebug>

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace
{
const int s_bufferSize = 262144;
const int s_endRecordSize = 22;
const int s_centralRecordSize = 42;
const int s_localRecordSize = 26;
const int s_encryptionHeaderSize = 12;
const int s_highestVersion = 20;

quint16 read16(const char* p)
{
    return quint16(quint8(p[0]) | (quint8(p[1]) << 8));
}

quint32 read32(const char* p)
{
    return quint32(quint8(p[0])) | (quint32(quint8(p[1])) << 8) | (quint32(quint8(p[2])) << 16)
        | (quint32(quint8(p[3])) << 24);
}

bool isSignature(const char* p, char third, char fourth)
{
    return p[0] == 'P' && p[1] == 'K' && p[2] == third && p[3] == fourth;
}

// The version needed to extract as its debug text: 45 is "4.5".
QString versionText(qint8 version)
{
    QString text = QString::number(version);
    if (text.size() == 2)
        text.insert(1, QLatin1Char('.'));
    return text;
}

// The traditional PKWARE cipher's key update with each plain byte, and the byte its keys give.
inline void updateKeys(quint32 keys[3], const quint32* table, unsigned char plain)
{
    keys[0] = table[(keys[0] ^ plain) & 0xFF] ^ (keys[0] >> 8);
    keys[1] = (keys[1] + (keys[0] & 0xFF)) * 134775813 + 1;
    keys[2] = table[(keys[2] ^ (keys[1] >> 24)) & 0xFF] ^ (keys[2] >> 8);
}

inline unsigned char decryptByte(const quint32 keys[3])
{
    // Unsigned 32-bit: the product of two 16-bit values overflows an int.
    const quint32 temp = quint16(keys[2] | 2);
    return quint8((temp * (temp ^ 1)) >> 8);
}

// The local date-time of an MS-DOS date and time; invalid for impossible fields.
QDateTime dosDateTime(const unsigned char time[2], const unsigned char date[2])
{
    const QDate day((date[1] >> 1) + 1980, ((date[1] & 1) << 3) | (date[0] >> 5), date[0] & 31);
    const QTime clock(time[1] >> 3, ((time[1] & 7) << 3) | (time[0] >> 5), (time[0] & 31) * 2);
    return QDateTime(day, clock, Qt::LocalTime);
}
}

UnzipPrivate::UnzipPrivate()
    : m_readBuffer(s_bufferSize)
    , m_inflateBuffer(s_bufferSize)
    , m_pCrcTable(reinterpret_cast<const quint32*>(get_crc_table()))
{
}

UnZip::ErrorCode UnzipPrivate::openArchive(const QString& fileName)
{
    closeArchive();
    QScopedPointer<QFile> file(new QFile(fileName));
    if (!file->exists())
        return UnZip::NotFound;
    if (!file->open(QIODevice::ReadOnly))
    {
        qDebug() << "Unable to open device for reading";
        return UnZip::FileOpenFailed;
    }
    m_archiveFile.swap(file);

    UnZip::ErrorCode result = locateEndRecord();
    if (result != UnZip::Success)
    {
        closeArchive();
        return result;
    }
    // An empty archive has an empty directory: a count of 0 beside a directory is damage.
    if (m_directoryEntryCount == 0)
    {
        if (m_centralDirectorySize == 0)
            return UnZip::Success;
        closeArchive();
        return UnZip::ArchiveCorrupted;
    }

    char signature[4];
    int records = 0;
    forever
    {
        // The directory must hold as many records as the end record counts, or entries are lost,
        // and end before the end record: one that runs behind it was cut or moved.
        const bool complete = records == m_directoryEntryCount;
        const bool beforeEnd = m_archiveFile->pos() <= m_endRecordOffset;
        const bool more = m_archiveFile->read(signature, 4) == 4 && isSignature(signature, 1, 2);
        if (complete && !more && beforeEnd)
            return UnZip::Success;
        if (complete || !more)
        {
            if (entries.isEmpty())
            {
                qDebug() << "Corrupted or invalid zip archive. Closing.";
                result = UnZip::ArchiveCorrupted;
            }
            else
            {
                qDebug() << "Corrupted zip archive. Some files might be extracted.";
                result = UnZip::PartlyCorrupted;
            }
            closeArchive();
            return result;
        }
        ++records;
        result = parseCentralDirectoryRecord();
        if (result != UnZip::Success)
        {
            closeArchive();
            return result;
        }
    }
}

void UnzipPrivate::closeArchive()
{
    entries.clear();
    skippedEntries = false;
    m_archiveFile.reset();
    m_centralDirectoryOffset = 0;
    m_centralDirectorySize = 0;
    m_endRecordOffset = 0;
    m_directoryEntryCount = 0;
}

UnZip::ErrorCode UnzipPrivate::locateEndRecord()
{
    const qint64 size = m_archiveFile->size();
    if (size < s_endRecordSize)
        return UnZip::BadArchive;

    // The record sits behind everything but its comment: look from the end backwards. One read
    // of the tail covers the longest comment (65535 bytes).
    const qint64 tailStart = qMax<qint64>(0, size - s_endRecordSize - 0xFFFF);
    if (!m_archiveFile->seek(tailStart))
        return UnZip::SeekError;
    const QByteArray tail = m_archiveFile->read(size - tailStart);
    if (tail.size() != size - tailStart)
        return UnZip::ReadError;
    int at = tail.size() - s_endRecordSize;
    while (at >= 0 && !isSignature(tail.constData() + at, 5, 6))
        --at;
    if (at < 0)
        return UnZip::BadArchive;

    const char* record = tail.constData() + at;
    m_endRecordOffset = tailStart + at;
    m_directoryEntryCount = read16(record + 10);
    m_centralDirectorySize = read32(record + 12);
    m_centralDirectoryOffset = read32(record + 16);
    // The comment is not used, but it must be there.
    if (tail.size() - at - s_endRecordSize < read16(record + 20))
        return UnZip::ReadError;
    return m_archiveFile->seek(m_centralDirectoryOffset) ? UnZip::Success : UnZip::SeekError;
}

UnZip::ErrorCode UnzipPrivate::parseCentralDirectoryRecord()
{
    // Offsets below are those of the whole record; its signature is already read and stays
    // outside the bytes read here.
    char r[4 + s_centralRecordSize];
    if (m_archiveFile->read(r + 4, s_centralRecordSize) != s_centralRecordSize)
        return UnZip::ReadError;
    const quint16 method = read16(r + 10);
    const quint16 nameLength = read16(r + 28);
    const quint16 extraLength = read16(r + 30);
    const quint16 commentLength = read16(r + 32);
    const qint8 version = qint8(r[6]);

    QString name;
    bool skip = false;
    if (method != 0 && method != 8)
    {
        qDebug() << "Unsupported compression method. Skipping file.";
        skip = true;
    }
    else if (nameLength == 0)
    {
        qDebug() << "Skipping file with no name.";
        skip = true;
    }
    if (nameLength > 0)
    {
        const QByteArray bytes = m_archiveFile->read(nameLength);
        if (bytes.size() != nameLength)
            return UnZip::ReadError;
        name = QString::fromLatin1(bytes);
    }
    if (!skip && version > s_highestVersion)
    {
        qDebug().noquote() << QStringLiteral("Unsupported PKZip version (%1). Skipping file: %2")
                                  .arg(versionText(version), name.isEmpty() ? QStringLiteral("<undefined>") : name);
        skip = true;
    }
    skippedEntries = skippedEntries || skip;
    if (skip)
        return m_archiveFile->seek(m_archiveFile->pos() + extraLength + commentLength) ? UnZip::Success
                                                                                       : UnZip::SeekError;

    ZipEntryP entry;
    entry.localHeaderOffset = read32(r + 42);
    entry.generalFlags[0] = quint8(r[8]);
    entry.generalFlags[1] = quint8(r[9]);
    entry.compressionMethod = method;
    entry.modTime[0] = quint8(r[12]);
    entry.modTime[1] = quint8(r[13]);
    entry.modDate[0] = quint8(r[14]);
    entry.modDate[1] = quint8(r[15]);
    entry.crc = read32(r + 16);
    entry.compressedSize = read32(r + 20);
    entry.uncompressedSize = read32(r + 24);
    if (!m_archiveFile->seek(m_archiveFile->pos() + extraLength))
        return UnZip::SeekError;
    const QByteArray comment = m_archiveFile->read(commentLength);
    if (comment.size() != commentLength)
        return UnZip::ReadError;
    entry.comment = QString::fromLatin1(comment);
    entries.insert(name, entry);
    return UnZip::Success;
}

qint64 UnzipPrivate::readAt(char* data, qint64 size, qint64 offset) const
{
    qint64 done = 0;
    while (done < size)
    {
        const ssize_t count = ::pread(m_archiveFile->handle(), data + done, size_t(size - done), offset + done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return done > 0 ? done : -1;
        if (count == 0)
            break;
        done += count;
    }
    return done;
}

UnZip::ErrorCode UnzipPrivate::parseLocalHeaderRecord(const QString& name, ZipEntryP& entry)
{
    // The header with the name it must have in one read, into the data buffer that is free now.
    char* const r = m_readBuffer.data();
    const qint64 wanted = 4 + s_localRecordSize + name.size();
    const qint64 count = readAt(r, wanted, entry.localHeaderOffset);
    if (count < 4)
        return UnZip::ReadError;
    if (!isSignature(r, 3, 4))
        return UnZip::BadArchive;
    if (count < 4 + s_localRecordSize)
        return UnZip::ReadError;
    const bool descriptor = entry.hasDataDescriptor();
    if (quint8(r[6]) != entry.generalFlags[0] || quint8(r[7]) != entry.generalFlags[1]
        || read16(r + 8) != entry.compressionMethod || quint8(r[10]) != entry.modTime[0]
        || quint8(r[11]) != entry.modTime[1] || quint8(r[12]) != entry.modDate[0]
        || quint8(r[13]) != entry.modDate[1])
        return UnZip::HeaderMismatch;
    if (!descriptor
        && (read32(r + 14) != entry.crc || read32(r + 18) != entry.compressedSize
            || read32(r + 22) != entry.uncompressedSize))
        return UnZip::HeaderMismatch;
    const quint16 nameLength = read16(r + 26);
    const quint16 extraLength = read16(r + 28);
    if (nameLength == 0)
        return UnZip::HeaderMismatch;
    if (nameLength == name.size() && count < wanted)
        return UnZip::ReadError;
    if (nameLength != name.size() || QLatin1String(r + 4 + s_localRecordSize, nameLength) != name)
    {
        qDebug() << "Filename in local header mismatches.";
        return UnZip::HeaderMismatch;
    }
    entry.dataOffset = quint32(entry.localHeaderOffset + 4 + s_localRecordSize + nameLength + extraLength);

    if (descriptor)
    {
        char fields[16];
        const qint64 got = readAt(fields, sizeof fields, qint64(entry.dataOffset) + entry.compressedSize);
        if (got < 4)
            return UnZip::ReadError;
        // The descriptor's own signature is optional.
        const bool hasSignature = isSignature(fields, 7, 8);
        if (got < (hasSignature ? 16 : 12))
            return UnZip::ReadError;
        const char* d = hasSignature ? fields + 4 : fields;
        if (read32(d) != entry.crc || read32(d + 4) != entry.compressedSize || read32(d + 8) != entry.uncompressedSize)
            return UnZip::HeaderMismatch;
    }
    return UnZip::Success;
}

void UnzipPrivate::startKeys()
{
    m_keys[0] = 0x12345678;
    m_keys[1] = 0x23456789;
    m_keys[2] = 0x34567890;
    for (const char c : password.toLatin1())
        updateKeys(m_keys, m_pCrcTable, quint8(c));
}

void UnzipPrivate::decryptBuffer(char* data, qint64 size)
{
    // On a copy: the stores through data could alias the members, which would then be loaded
    // and stored again for every byte.
    quint32 keys[3] = {m_keys[0], m_keys[1], m_keys[2]};
    const quint32* const table = m_pCrcTable;
    for (qint64 i = 0; i < size; ++i)
    {
        const unsigned char plain = quint8(data[i]) ^ decryptByte(keys);
        updateKeys(keys, table, plain);
        data[i] = char(plain);
    }
    std::copy(keys, keys + 3, m_keys);
}

UnZip::ErrorCode UnzipPrivate::checkPassword(const ZipEntryP& entry)
{
    char header[s_encryptionHeaderSize];
    if (readAt(header, s_encryptionHeaderSize, m_dataOffset) != s_encryptionHeaderSize)
        return UnZip::ArchiveCorrupted;
    m_dataOffset += s_encryptionHeaderSize;
    startKeys();
    decryptBuffer(header, s_encryptionHeaderSize);
    // With a data descriptor the CRC was not known when the header was made: the time stands in.
    const quint8 check = entry.hasDataDescriptor() ? entry.modTime[1] : quint8(entry.crc >> 24);
    return quint8(header[s_encryptionHeaderSize - 1]) == check ? UnZip::Success : UnZip::EntrySkipped;
}

qint64 UnzipPrivate::readChunk(quint32& remaining)
{
    const qint64 wanted = qMin<qint64>(remaining, s_bufferSize);
    const qint64 count = readAt(m_readBuffer.data(), wanted, m_dataOffset);
    if (count > 0)
    {
        remaining -= quint32(count);
        m_dataOffset += count;
    }
    return count;
}

UnZip::ErrorCode UnzipPrivate::readStoredData(const ZipEntryP& entry, quint32 remaining, QIODevice* device,
    quint32& crc)
{
    while (remaining > 0)
    {
        const qint64 count = readChunk(remaining);
        if (count < 0)
            return UnZip::ReadError;
        if (count == 0)
            break;
        if (entry.isEncrypted())
            decryptBuffer(m_readBuffer.data(), count);
        crc = quint32(::crc32(crc, reinterpret_cast<const Bytef*>(m_readBuffer.data()), uInt(count)));
        if (device && device->write(m_readBuffer.data(), count) != count)
            return UnZip::WriteError;
    }
    return UnZip::Success;
}

UnZip::ErrorCode UnzipPrivate::readDeflatedData(const ZipEntryP& entry, quint32 remaining, QIODevice* device,
    quint32& crc)
{
    z_stream stream = {};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return UnZip::ZlibFailed;
    UnZip::ErrorCode result = UnZip::Success;
    quint64 written = 0;
    bool ended = false;
    while (!ended && remaining > 0)
    {
        const qint64 count = readChunk(remaining);
        if (count < 0)
        {
            result = UnZip::ReadError;
            break;
        }
        if (count == 0)
            break;
        if (entry.isEncrypted())
            decryptBuffer(m_readBuffer.data(), count);
        stream.next_in = reinterpret_cast<Bytef*>(m_readBuffer.data());
        stream.avail_in = uInt(count);
        do
        {
            stream.next_out = reinterpret_cast<Bytef*>(m_inflateBuffer.data());
            stream.avail_out = s_bufferSize;
            const int status = inflate(&stream, Z_NO_FLUSH);
            if (status == Z_NEED_DICT || status == Z_DATA_ERROR || status == Z_MEM_ERROR)
            {
                result = UnZip::ZlibFailed;
                break;
            }
            const qint64 produced = s_bufferSize - stream.avail_out;
            if (device && device->write(m_inflateBuffer.data(), produced) != produced)
            {
                result = UnZip::WriteError;
                break;
            }
            crc = quint32(::crc32(crc, reinterpret_cast<const Bytef*>(m_inflateBuffer.data()), uInt(produced)));
            written += quint64(produced);
            ended = status == Z_STREAM_END;
        } while (!ended && stream.avail_out == 0);
        if (result != UnZip::Success)
            break;
    }
    inflateEnd(&stream);
    // A stream cut short can still inflate to something: its size tells.
    if (result == UnZip::Success && written != entry.uncompressedSize)
        result = UnZip::ArchiveCorrupted;
    return result;
}

UnZip::ErrorCode UnzipPrivate::extractFile(const QString& name, ZipEntryP& entry, QIODevice* device,
    UnZip::ExtractionOptions options)
{
    if (options & UnZip::CheckOnly)
        device = nullptr;
    if (!entry.localHeaderChecked)
    {
        // A failed check runs again at the next attempt: it says nothing about a later read.
        const UnZip::ErrorCode checked = parseLocalHeaderRecord(name, entry);
        if (checked != UnZip::Success)
            return checked;
        entry.localHeaderChecked = true;
    }
    m_dataOffset = entry.dataOffset;
    quint32 remaining = entry.compressedSize;
    if (entry.isEncrypted())
    {
        const UnZip::ErrorCode checked =
            remaining < quint32(s_encryptionHeaderSize) ? UnZip::ArchiveCorrupted : checkPassword(entry);
        if (checked != UnZip::Success)
        {
            qDebug().noquote() << QStringLiteral("Unable to decrypt %1").arg(name);
            return checked;
        }
        remaining -= s_encryptionHeaderSize;
    }
    if (remaining == 0)
        return entry.crc == 0 && entry.uncompressedSize == 0 ? UnZip::Success : UnZip::ArchiveCorrupted;

    quint32 crc = quint32(::crc32(0L, Z_NULL, 0));
    const UnZip::ErrorCode result = entry.compressionMethod == 0
        ? readStoredData(entry, remaining, device, crc)
        : readDeflatedData(entry, remaining, device, crc);
    if (result != UnZip::Success)
        return result;
    return crc == entry.crc ? UnZip::Success : UnZip::ArchiveCorrupted;
}

bool UnzipPrivate::isUnsafeName(const QString& name)
{
    if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1Char('\\'))
        || (name.size() >= 2 && name.at(1) == QLatin1Char(':')))
        return true;
    const QVector<QStringRef> parts = name.splitRef(QRegExp(QStringLiteral("[/\\\\]")));
    for (const QStringRef& part : parts)
    {
        if (part == QLatin1String(".."))
            return true;
    }
    return false;
}

UnZip::ErrorCode UnzipPrivate::extractFile(const QString& name, ZipEntryP& entry, UnZip::ExtractionOptions options,
    UnzipOutput& output)
{
    if (isUnsafeName(name))
    {
        qDebug().noquote() << QStringLiteral("Refusing entry outside the target folder: %1").arg(name);
        return UnZip::UnsafeName;
    }
    const bool folderEntry = name.endsWith(QLatin1Char('/'));
    if (folderEntry && (options & (UnZip::CheckOnly | UnZip::FlattenFolders)))
        return UnZip::Success;
    if (options & UnZip::CheckOnly)
        return extractFile(name, entry, static_cast<QIODevice*>(nullptr), options);

    // Folders of the entry's path are made in any case; the target only without NoFolderCreation.
    const int slash = name.lastIndexOf(QLatin1Char('/'));
    const QString fileName = name.mid(slash + 1);
    const bool kept = slash > 0 && !(options & UnZip::FlattenFolders);
    const QString folder = kept ? QDir::cleanPath(name.left(slash)) : QString();
    const UnZip::ErrorCode entered = output.enterFolder(folder, kept || !(options & UnZip::NoFolderCreation));
    if (entered == UnZip::LinkOnPath)
        qDebug().noquote()
            << QStringLiteral("Refusing entry through a symbolic link in the target folder: %1").arg(name);
    else if (entered != UnZip::Success)
        qDebug().noquote() << QStringLiteral("Unable to create directory: %1").arg(output.pathOf(QString()));
    if (entered != UnZip::Success || folderEntry)
        return entered;

    QIODevice* const device = output.open(fileName);
    if (!device)
    {
        qDebug().noquote() << QStringLiteral("Unable to open %1 for writing").arg(output.pathOf(fileName));
        return UnZip::FileOpenFailed;
    }
    UnZip::ErrorCode result = extractFile(name, entry, device, options);
    if (result != UnZip::Success)
    {
        output.discard();
        return result;
    }
    result = output.commit(dosDateTime(entry.modTime, entry.modDate));
    if (result == UnZip::FileOpenFailed)
        qDebug().noquote() << QStringLiteral("Unable to open %1 for writing").arg(output.pathOf(fileName));
    return result;
}
