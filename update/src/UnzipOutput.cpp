#include "UnzipOutput.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// A folder is only looked up and written in; below the target, a symbolic link is no folder.
const int s_targetFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
const int s_folderFlags = s_targetFlags | O_NOFOLLOW;
}

UnzipOutput::UnzipOutput(const QString& target)
    : m_target(target)
{
}

UnzipOutput::~UnzipOutput()
{
    if (m_fd >= 0)
        discard();
    leaveFolder();
    if (m_targetFd >= 0)
        ::close(m_targetFd);
}

UnZip::ErrorCode UnzipOutput::enterFolder(const QString& folder, bool create)
{
    if (m_folderFd >= 0 && folder == m_folder)
        return UnZip::Success;
    // A spare serves its own folder only, where a new file would be made alike and the exchange
    // cannot cross a file system.
    leaveFolder();
    m_folder = folder;
    const UnZip::ErrorCode failed = create ? UnZip::MakeFolderFailed : UnZip::FileOpenFailed;
    int fd = openTarget(create);
    for (const QString& part : folder.split(QLatin1Char('/'), Qt::SkipEmptyParts))
    {
        if (fd < 0)
            break;
        const QByteArray name = QFile::encodeName(part);
        int next = ::openat(fd, name.constData(), s_folderFlags);
        if (next < 0 && errno == ENOENT && create && (::mkdirat(fd, name.constData(), 0777) == 0 || errno == EEXIST))
            next = ::openat(fd, name.constData(), s_folderFlags);
        if (next < 0)
        {
            struct stat status;
            const bool link =
                ::fstatat(fd, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode);
            ::close(fd);
            return link ? UnZip::LinkOnPath : failed;
        }
        ::close(fd);
        fd = next;
    }
    if (fd < 0)
        return failed;
    m_folderFd = fd;
    return UnZip::Success;
}

int UnzipOutput::openTarget(bool create)
{
    if (m_targetFd < 0)
    {
        // The caller's folder, wherever a link on its path leads.
        const QByteArray target = QFile::encodeName(m_target);
        m_targetFd = ::open(target.constData(), s_targetFlags);
        if (m_targetFd < 0 && create && QDir().mkpath(m_target))
            m_targetFd = ::open(target.constData(), s_targetFlags);
    }
    return m_targetFd < 0 ? -1 : ::fcntl(m_targetFd, F_DUPFD_CLOEXEC, 0);
}

void UnzipOutput::leaveFolder()
{
    removeSpare();
    if (m_folderFd >= 0)
        ::close(m_folderFd);
    m_folderFd = -1;
    m_folder.clear();
    m_newFileKnown = false;
}

QString UnzipOutput::pathOf(const QString& fileName) const
{
    QString path = m_target;
    for (const QString& part : {m_folder, fileName})
    {
        if (!part.isEmpty())
            path += QLatin1Char('/') + part;
    }
    return path;
}

QIODevice* UnzipOutput::open(const QString& fileName)
{
    m_name = QFile::encodeName(fileName);
    if (m_name == m_spare)
        removeSpare();
    m_fd = m_spare.isEmpty() ? -1 : openSpare();
    if (m_fd < 0)
        m_fd = createFile();
    if (m_fd < 0)
        return nullptr;
    if (!m_file.open(m_fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
    {
        discard();
        return nullptr;
    }
    return &m_file;
}

int UnzipOutput::openSpare()
{
    const QByteArray spare = m_spare;
    m_spare.clear();
    const int fd = ::openat(m_folderFd, spare.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
    // Nobody else may have it open or mapped, which a write lease asks of the kernel; it is let go
    // at once. Whoever opened the file in between would break it and signal this program:
    // SIGURG, ignored, instead of SIGIO, which ends a program.
    const bool alone = fd >= 0 && ::fcntl(fd, F_SETSIG, SIGURG) == 0 && ::fcntl(fd, F_SETLEASE, F_WRLCK) == 0
        && ::fcntl(fd, F_SETLEASE, F_UNLCK) == 0;
    if (alone && (m_spareMode == m_newFile.mode || ::fchmod(fd, m_newFile.mode) == 0))
    {
        m_written = spare;
        m_earlierSize = m_spareSize;
        return fd;
    }
    if (fd >= 0)
        ::close(fd);
    // Whoever holds it keeps it as it is.
    ::unlinkat(m_folderFd, spare.constData(), 0);
    return -1;
}

int UnzipOutput::createFile()
{
    // A name no other file has: an entry of the archive that happens to be called like it is
    // never overwritten.
    for (int attempt = 0; attempt < 16; ++attempt)
    {
        m_written =
            m_name + ".part" + QByteArray::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, '0');
        const int fd =
            ::openat(m_folderFd, m_written.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return -1;
        m_earlierSize = 0;
        struct stat status;
        if (!m_newFileKnown && ::fstat(fd, &status) == 0)
        {
            m_newFile = {status.st_uid, status.st_gid, mode_t(status.st_mode & 07777)};
            m_newFileKnown = true;
        }
        return fd;
    }
    return -1;
}

UnZip::ErrorCode UnzipOutput::commit(const QDateTime& modified)
{
    const qint64 size = m_file.pos();
    // What is left of a longer earlier file goes first: a change of size would set the time.
    const bool whole = size >= m_earlierSize || ::ftruncate(m_fd, size) == 0;
    if (whole && (!modified.isValid() || !m_file.setFileTime(modified, QFileDevice::FileModificationTime)))
        qDebug().noquote()
            << QStringLiteral("Unable to set last modified time on file: %1").arg(pathOf(QFile::decodeName(m_name)));
    m_file.close();
    ::close(m_fd);
    m_fd = -1;
    if (!whole)
    {
        removeWritten();
        return UnZip::WriteError;
    }

    const char* const written = m_written.constData();
    const char* const name = m_name.constData();
    if (::renameat2(m_folderFd, written, m_folderFd, name, RENAME_EXCHANGE) == 0)
    {
        struct stat earlier;
        const bool known = ::fstatat(m_folderFd, written, &earlier, AT_SYMLINK_NOFOLLOW) == 0;
        if (known && S_ISDIR(earlier.st_mode))
        {
            // A folder of that name stays.
            ::renameat2(m_folderFd, written, m_folderFd, name, RENAME_EXCHANGE);
            removeWritten();
            return UnZip::FileOpenFailed;
        }
        if (known && S_ISREG(earlier.st_mode) && earlier.st_nlink == 1 && m_newFileKnown
            && earlier.st_uid == m_newFile.owner && earlier.st_gid == m_newFile.group)
        {
            m_spare = m_written;
            m_spareSize = earlier.st_size;
            m_spareMode = earlier.st_mode & 07777;
        }
        else
        {
            // A link, or a file that is not only this one's: its other names keep it.
            ::unlinkat(m_folderFd, written, 0);
        }
        return UnZip::Success;
    }
    // No earlier file, or a file system that cannot exchange: an earlier file is removed first,
    // since renaming over it would make the file system write the new one out at once and wait.
    // A folder of that name is neither removed nor renamed over.
    if (errno != ENOENT)
        ::unlinkat(m_folderFd, name, 0);
    if (::renameat(m_folderFd, written, m_folderFd, name) == 0)
        return UnZip::Success;
    removeWritten();
    return UnZip::FileOpenFailed;
}

void UnzipOutput::discard()
{
    m_file.close();
    ::close(m_fd);
    m_fd = -1;
    removeWritten();
}

void UnzipOutput::removeWritten()
{
    if (::unlinkat(m_folderFd, m_written.constData(), 0) != 0)
        qDebug().noquote()
            << QStringLiteral("Unable to remove corrupted file: %1").arg(pathOf(QFile::decodeName(m_written)));
}

void UnzipOutput::removeSpare()
{
    if (m_spare.isEmpty())
        return;
    ::unlinkat(m_folderFd, m_spare.constData(), 0);
    m_spare.clear();
}
