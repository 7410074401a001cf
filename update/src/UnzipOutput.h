#pragma once

#include "UnZip.h"

#include <QFile>
#include <QSet>
#include <QString>

#include <sys/types.h>

class QDateTime;

// The files that one extraction (one UnZip::extractAll or extractFile call, in its thread) puts
// into place. Each is written under a name of its own beside its place and exchanged with the
// earlier file of its name in one step once complete and checked: an earlier file is never
// truncated, and it stays whole and in place until its successor is. The earlier file then
// becomes the next file's own one in the same folder, written over, where nobody else holds it:
// a plain file of one name, owned like a new file, that nothing else has open or mapped.
// Making a new file for every entry instead scans past every recently deleted file on ext4
// without a journal, which took most of an extraction over an earlier one. What is left over is
// removed when the extraction ends.
class UnzipOutput
{
public:
    UnzipOutput() = default;
    ~UnzipOutput();
    UnzipOutput(const UnzipOutput&) = delete;
    UnzipOutput& operator=(const UnzipOutput&) = delete;

    // Whether the folder exists, made with its parents where missing; the file system is asked
    // once per folder and extraction.
    bool makeFolder(const QString& path);
    // Where the new contents of the file at path go, open for writing at their start; null when
    // no file can be made beside path.
    QIODevice* open(const QString& path);
    // The file written since open, with its modification time, takes path's place; the earlier
    // file of that name leaves it. FileOpenFailed when it cannot (the written file is removed):
    // a folder of that name stays.
    UnZip::ErrorCode commit(const QDateTime& modified);
    // The file written since open is not used; path stays as it was.
    void discard();

private:
    struct Attributes
    {
        uid_t owner = 0;
        gid_t group = 0;
        mode_t mode = 0;
    };

    int openSpare();
    int createFile();
    void removeWritten();
    void removeSpare();

    QSet<QString> m_folders;
    QFile m_file;
    int m_fd = -1;
    // The file being written, where it goes, and the length it had before (a spare's).
    QString m_written;
    QString m_path;
    qint64 m_earlierSize = 0;
    // The folder of the last file, and what a new file there gets once one was made.
    QString m_folder;
    Attributes m_newFile;
    bool m_newFileKnown = false;
    // An earlier file of m_folder, moved aside to be written over.
    QString m_spare;
    qint64 m_spareSize = 0;
    mode_t m_spareMode = 0;
};
