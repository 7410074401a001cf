#include "UnZip.h"

#include "UnzipPrivate.h"

#include <QCoreApplication>
#include <QDebug>

UnZip::UnZip()
    : m_pPrivate(new UnzipPrivate)
{
}

UnZip::~UnZip()
{
    delete m_pPrivate;
}

UnZip::ErrorCode UnZip::openArchive(const QString& fileName)
{
    return m_pPrivate->openArchive(fileName);
}

void UnZip::closeArchive()
{
    m_pPrivate->closeArchive();
}

void UnZip::setPassword(const QString& password)
{
    m_pPrivate->password = password;
}

UnZip::ErrorCode UnZip::extractAll(const QString& folderName, ExtractionOptions options)
{
    return extractAll(QDir(folderName), options);
}

UnZip::ErrorCode UnZip::extractAll(const QDir& folder, ExtractionOptions options)
{
    if (!m_pPrivate->isOpen())
        return NoArchive;
    ErrorCode skipped = m_pPrivate->skippedEntries ? EntrySkipped : Success;
    UnzipOutput output(folder.absolutePath());
    for (auto it = m_pPrivate->entries.begin(); it != m_pPrivate->entries.end(); ++it)
    {
        const ErrorCode result = m_pPrivate->extractFile(it.key(), it.value(), options, output);
        if (result == Success)
            continue;
        if (result == EntrySkipped || result == UnsafeName || result == LinkOnPath)
        {
            // The rest of the archive is still extracted, but the run is not a success.
            if (skipped == Success)
                skipped = result;
            continue;
        }
        if (result == ArchiveCorrupted)
            qDebug().noquote() << "Corrupted entry" << it.key();
        return result;
    }
    return skipped;
}

UnZip::ErrorCode UnZip::extractFile(const QString& entryName, const QString& folderName, ExtractionOptions options)
{
    return extractFile(entryName, QDir(folderName), options);
}

UnZip::ErrorCode UnZip::extractFile(const QString& entryName, const QDir& folder, ExtractionOptions options)
{
    if (!m_pPrivate->isOpen())
        return NoArchive;
    auto it = m_pPrivate->entries.find(entryName);
    if (it == m_pPrivate->entries.end())
        return NotFound;
    UnzipOutput output(folder.absolutePath());
    return m_pPrivate->extractFile(it.key(), it.value(), options, output);
}

QString UnZip::formatError(ErrorCode code)
{
    switch (code)
    {
    case Success:
        return QCoreApplication::translate("UnZip", "ZIP operation completed successfully.");
    case ZlibInitFailed:
        return QCoreApplication::translate("UnZip", "Failed to initialize or load zlib library.");
    case ZlibFailed:
        return QCoreApplication::translate("UnZip", "zlib library error.");
    case FileOpenFailed:
        return QCoreApplication::translate("UnZip", "Unable to create or open file.");
    case PartlyCorrupted:
        return QCoreApplication::translate("UnZip", "Partially corrupted archive. Some files might be extracted.");
    case ArchiveCorrupted:
        return QCoreApplication::translate("UnZip", "Corrupted archive.");
    case BadPassword:
        return QCoreApplication::translate("UnZip", "Wrong password.");
    case NoArchive:
        return QCoreApplication::translate("UnZip", "No archive has been created yet.");
    case NotFound:
        return QCoreApplication::translate("UnZip", "File or directory does not exist.");
    case ReadError:
        return QCoreApplication::translate("UnZip", "File read error.");
    case WriteError:
        return QCoreApplication::translate("UnZip", "File write error.");
    case SeekError:
        return QCoreApplication::translate("UnZip", "File seek error.");
    case MakeFolderFailed:
        return QCoreApplication::translate("UnZip", "Unable to create a directory.");
    case BadDevice:
        return QCoreApplication::translate("UnZip", "Invalid device.");
    case BadArchive:
        return QCoreApplication::translate("UnZip", "Invalid or incompatible zip archive.");
    case HeaderMismatch:
        return QCoreApplication::translate("UnZip", "Inconsistent headers. Archive might be corrupted.");
    case UnsafeName:
        return QCoreApplication::translate("UnZip", "Entry name leads outside the target folder.");
    case LinkOnPath:
        return QCoreApplication::translate("UnZip", "Entry path goes through a symbolic link in the target folder.");
    case EntrySkipped:
        break;
    }
    return QCoreApplication::translate("UnZip", "Unknown error.");
}
