#pragma once

#include "UnZip.h"
#include "UnzipOutput.h"
#include "ZipEntryP.h"

#include <QFile>
#include <QMap>
#include <QScopedPointer>

#include <vector>

// The state of one UnZip: the open archive, its entries by name and the two buffers that every
// entry streams through, so memory does not grow with the size of an entry.
class UnzipPrivate
{
public:
    UnzipPrivate();

    UnZip::ErrorCode openArchive(const QString& fileName);
    void closeArchive();
    bool isOpen() const { return !m_archiveFile.isNull(); }

    // Into the output's target folder, under the rules of the options, through the output of the
    // whole extraction.
    UnZip::ErrorCode extractFile(const QString& name, ZipEntryP& entry, UnZip::ExtractionOptions options,
        UnzipOutput& output);
    // Into an open device, or nowhere with CheckOnly (device null).
    UnZip::ErrorCode extractFile(const QString& name, ZipEntryP& entry, QIODevice* device,
        UnZip::ExtractionOptions options);

    // Absolute, drive-qualified, or with a ".." part (also separated by "\").
    static bool isUnsafeName(const QString& name);

    QString password;
    QMap<QString, ZipEntryP> entries;
    // The directory named entries that the reader cannot extract (method, version or no name).
    bool skippedEntries = false;

private:
    UnZip::ErrorCode locateEndRecord();
    UnZip::ErrorCode parseCentralDirectoryRecord();
    UnZip::ErrorCode parseLocalHeaderRecord(const QString& name, ZipEntryP& entry);
    UnZip::ErrorCode checkPassword(const ZipEntryP& entry);
    void startKeys();
    void decryptBuffer(char* data, qint64 size);
    UnZip::ErrorCode readStoredData(const ZipEntryP& entry, quint32 remaining, QIODevice* device, quint32& crc);
    UnZip::ErrorCode readDeflatedData(const ZipEntryP& entry, quint32 remaining, QIODevice* device,
        quint32& crc);
    // Reads the archive at an offset without moving its device, which would drop the device's
    // buffer and fill it anew: one read per local header and per chunk of data.
    qint64 readAt(char* data, qint64 size, qint64 offset) const;
    qint64 readChunk(quint32& remaining);

    QScopedPointer<QFile> m_archiveFile;
    std::vector<char> m_readBuffer;
    std::vector<char> m_inflateBuffer;
    const quint32* m_pCrcTable;
    quint32 m_keys[3] = {0, 0, 0};
    // Where the entry being extracted reads next.
    qint64 m_dataOffset = 0;
    quint32 m_centralDirectoryOffset = 0;
    quint32 m_centralDirectorySize = 0;
    qint64 m_endRecordOffset = 0;
    quint16 m_directoryEntryCount = 0;
};
