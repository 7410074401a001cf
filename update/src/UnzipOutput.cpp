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

UnzipOutput::~UnzipOutput()
{
    if (m_fd >= 0)
        discard();
    removeSpare();
}

bool UnzipOutput::makeFolder(const QString& path)
{
    if (m_folders.contains(path))
        return true;
    if (!QDir(path).exists() && !QDir().mkpath(path))
        return false;
    m_folders.insert(path);
    return true;
}

QIODevice* UnzipOutput::open(const QString& path)
{
    const QString folder = path.left(path.lastIndexOf(QLatin1Char('/')));
    if (folder != m_folder)
    {
        // A spare serves its own folder only, where a new file would be made alike and the
        // exchange cannot cross a file system.
        removeSpare();
        m_folder = folder;
        m_newFileKnown = false;
    }
    if (path == m_spare)
        removeSpare();
    m_path = path;
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
    const QString spare = m_spare;
    m_spare.clear();
    const QByteArray name = QFile::encodeName(spare);
    const int fd = ::open(name.constData(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
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
    ::unlink(name.constData());
    return -1;
}

int UnzipOutput::createFile()
{
    // A name no other file has: an entry of the archive that happens to be called like it is
    // never overwritten.
    for (int attempt = 0; attempt < 16; ++attempt)
    {
        m_written = QStringLiteral("%1.part%2").arg(m_path).arg(QRandomGenerator::global()->generate(), 8, 16,
            QLatin1Char('0'));
        const int fd = ::open(QFile::encodeName(m_written).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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
        qDebug().noquote() << QStringLiteral("Unable to set last modified time on file: %1").arg(m_path);
    m_file.close();
    ::close(m_fd);
    m_fd = -1;
    if (!whole)
    {
        removeWritten();
        return UnZip::WriteError;
    }

    const QByteArray written = QFile::encodeName(m_written);
    const QByteArray path = QFile::encodeName(m_path);
    if (::renameat2(AT_FDCWD, written.constData(), AT_FDCWD, path.constData(), RENAME_EXCHANGE) == 0)
    {
        struct stat earlier;
        const bool known = ::fstatat(AT_FDCWD, written.constData(), &earlier, AT_SYMLINK_NOFOLLOW) == 0;
        if (known && S_ISDIR(earlier.st_mode))
        {
            // A folder of that name stays.
            ::renameat2(AT_FDCWD, written.constData(), AT_FDCWD, path.constData(), RENAME_EXCHANGE);
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
            ::unlink(written.constData());
        }
        return UnZip::Success;
    }
    // No earlier file, or a file system that cannot exchange: an earlier file is removed first,
    // since renaming over it would make the file system write the new one out at once and wait.
    const bool missing = errno == ENOENT;
    if (missing && ::renameat2(AT_FDCWD, written.constData(), AT_FDCWD, path.constData(), RENAME_NOREPLACE) == 0)
        return UnZip::Success;
    if (!missing)
        QFile::remove(m_path);
    if (QFile::rename(m_written, m_path))
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
    if (!QFile::remove(m_written))
        qDebug().noquote() << QStringLiteral("Unable to remove corrupted file: %1").arg(m_written);
}

void UnzipOutput::removeSpare()
{
    if (m_spare.isEmpty())
        return;
    ::unlink(QFile::encodeName(m_spare).constData());
    m_spare.clear();
}
