#pragma once

#include <QDir>
#include <QFlags>
#include <QString>

class UnzipPrivate;

// Reads ZIP archives from a file and extracts all entries, or one by name, into a folder:
// stored and deflated entries, the traditional PKWARE encryption with one password for the
// whole archive, data descriptors, CRC-32 checks, and each file's modification time restored.
// No entry is ever written outside the folder it is extracted to, nor through a symbolic link found
// in it: an entry with such a link for a folder on its path is refused, and a link in a file's own
// place is replaced like an earlier file, its target left as it is. The folder itself may be
// reached through a link. An earlier file of an entry's name is replaced in one step once the entry
// is complete and checked: a failed entry leaves it as it was, and whoever holds it open, or by
// another name, keeps it. The package unpacking is its
// user: one reader per caller, used in one thread at a time; nothing throws, every failure is
// an ErrorCode (formatError gives its text).
class UnZip
{
public:
    // Of a fixed type: formatError also takes codes outside the list.
    enum ErrorCode : int
    {
        Success = 0,
        ZlibInitFailed,
        ZlibFailed,
        FileOpenFailed,
        PartlyCorrupted,
        ArchiveCorrupted,
        BadPassword,
        NoArchive,
        NotFound,
        ReadError,
        WriteError,
        SeekError,
        MakeFolderFailed,
        BadDevice,
        BadArchive,
        HeaderMismatch,
        // An encrypted entry failed the password check, or the archive names entries this reader
        // cannot extract; they were skipped.
        EntrySkipped,
        // An entry whose name is absolute or climbs out with ".." was refused and skipped.
        UnsafeName,
        // An entry whose path in the target folder goes through a symbolic link there (a folder
        // entry's own place included) was refused and skipped.
        LinkOnPath
    };

    enum ExtractionOption
    {
        // Entries keep their folder paths below the target folder (also without FlattenFolders).
        KeepFolders = 1,
        // Every file goes straight into the target folder; folder entries are skipped.
        FlattenFolders = 2,
        // Nothing is written: data are decrypted, inflated and checked against their CRC only.
        CheckOnly = 4,
        // The folder that receives a file is not created first.
        NoFolderCreation = 8
    };
    Q_DECLARE_FLAGS(ExtractionOptions, ExtractionOption)

    UnZip();
    virtual ~UnZip();
    UnZip(const UnZip&) = delete;
    UnZip& operator=(const UnZip&) = delete;

    // Closes an open archive first. NotFound for a missing file, FileOpenFailed for one that
    // cannot be read; a refused archive leaves the reader closed.
    ErrorCode openArchive(const QString& fileName);
    void closeArchive();
    // For encrypted entries from now on; kept when an archive is closed.
    void setPassword(const QString& password);

    // Entries in the order of their names. A corrupt entry ends the run; entries with a wrong
    // password, an unsafe name or a link on their path are skipped and the run goes on, but its
    // result is then the first such failure, never Success. Entries skipped when the archive was opened
    // (unsupported method or version) make it EntrySkipped as well.
    ErrorCode extractAll(const QString& folderName, ExtractionOptions options = KeepFolders);
    ErrorCode extractAll(const QDir& folder, ExtractionOptions options = KeepFolders);
    // The entry of exactly this name; NotFound when there is none.
    ErrorCode extractFile(const QString& entryName, const QString& folderName,
        ExtractionOptions options = KeepFolders);
    ErrorCode extractFile(const QString& entryName, const QDir& folder, ExtractionOptions options = KeepFolders);

    static QString formatError(ErrorCode code);

private:
    UnzipPrivate* const m_pPrivate;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(UnZip::ExtractionOptions)
