#pragma once

#include "UnZip.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/types.h>

class QDateTime;

// The files that one extraction (one UnZip::extractAll or extractFile call, in its thread) puts
// into its target folder. Below the target every folder is opened from its parent without
// following a symbolic link, and files are made and replaced relative to their folder, so nothing
// is written through a link found there, whatever changes meanwhile; the target itself is the
// caller's and may be reached through one.
// Each file is written under a name of its own beside its place and exchanged with the earlier
// file of its name in one step once complete and checked: an earlier file is never truncated, and
// it stays whole and in place until its successor is. The earlier file then becomes the next
// file's own one in the same folder, written over, where nobody else holds it: a plain file of one
// name, owned like a new file, that nothing else has open or mapped. Making a new file for every
// entry instead scans past every recently deleted file on ext4 without a journal, which took most
// of an extraction over an earlier one. What is left over is removed when the extraction ends.
class UnzipOutput
{
public:
    explicit UnzipOutput(const QString& target);
    ~UnzipOutput();
    UnzipOutput(const UnzipOutput&) = delete;
    UnzipOutput& operator=(const UnzipOutput&) = delete;

    // The folder at this clean path below the target ("" for the target) receives the files from
    // now on; with create, missing folders on the way are made. LinkOnPath when a folder on the way
    // is a symbolic link (nothing is made through it), else MakeFolderFailed, or FileOpenFailed
    // without create, when the folder cannot be made or opened.
    UnZip::ErrorCode enterFolder(const QString& folder, bool create);
    // Where the new contents of the file of this name in the entered folder go, open for writing
    // at their start; null when no file can be made beside it.
    QIODevice* open(const QString& fileName);
    // The file written since open, with its modification time, takes its name's place; the earlier
    // file of that name, or a symbolic link there, leaves it. FileOpenFailed when it cannot (the
    // written file is removed): a folder of that name stays.
    UnZip::ErrorCode commit(const QDateTime& modified);
    // The file written since open is not used; its name's place stays as it was.
    void discard();
    // For messages: where a name in the entered folder (or the last one tried) is, or that folder
    // for an empty name.
    QString pathOf(const QString& fileName) const;

private:
    struct Attributes
    {
        uid_t owner = 0;
        gid_t group = 0;
        mode_t mode = 0;
    };

    int openTarget(bool create);
    int openSpare();
    int createFile();
    void removeWritten();
    void removeSpare();
    void leaveFolder();

    const QString m_target;
    int m_targetFd = -1;
    // The entered folder below the target (or the last one tried), open while files go there.
    QString m_folder;
    int m_folderFd = -1;
    QFile m_file;
    int m_fd = -1;
    // The file being written and the name it goes to in the entered folder, and the length it had
    // before (a spare's).
    QByteArray m_written;
    QByteArray m_name;
    qint64 m_earlierSize = 0;
    // What a new file in the entered folder gets once one was made there.
    Attributes m_newFile;
    bool m_newFileKnown = false;
    // An earlier file of the entered folder, moved aside to be written over.
    QByteArray m_spare;
    qint64 m_spareSize = 0;
    mode_t m_spareMode = 0;
};
