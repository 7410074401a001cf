#include "PackageAppData.h"

#include "FileCrc32.h"
#include "ManifestInflate.h"
#include "PackageUpdaterManifest.h"
#include "UnZip.h"
#include "UpdateBackgroundTask.h"
#include "UpdateConstants.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPair>
#include <QSharedMemory>
#include <QTemporaryDir>
#include <QVector>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>

namespace
{
QSharedMemory& packageInstallLock()
{
    static QSharedMemory s_packageInstallLock;
    return s_packageInstallLock;
}

std::function<void()>& installProbe()
{
    static std::function<void()> s_probe;
    return s_probe;
}

// Swaps two folders of one file system in one step where the file system can; elsewhere in two
// renames, undone when the second fails.
bool exchangeFolders(const QString& first, const QString& second)
{
    const QByteArray a = QFile::encodeName(first);
    const QByteArray b = QFile::encodeName(second);
    if (renameat2(AT_FDCWD, a.constData(), AT_FDCWD, b.constData(), RENAME_EXCHANGE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    const QByteArray aside = b + ".old";
    if (std::rename(b.constData(), aside.constData()) != 0)
        return false;
    if (std::rename(a.constData(), b.constData()) != 0)
    {
        std::rename(aside.constData(), b.constData());
        return false;
    }
    return std::rename(aside.constData(), a.constData()) == 0;
}
}

PackageAppData::PackageAppData(const QString& applicationName, const QString& subPath)
    : UpdaterAppData(applicationName, subPath)
{
}

bool PackageAppData::takePackageLock()
{
    QSharedMemory& lock = packageInstallLock();
    if (lock.isAttached())
        return false;
    lock.setKey(UpdateConstants::packageLockKey());
    if (lock.create(1, QSharedMemory::ReadWrite))
        return true;
    if (lock.error() != QSharedMemory::AlreadyExists)
        return false;
    // On Linux a segment outlives a holder that crashed, with nobody attached: whoever detaches
    // last removes it, so attaching and detaching once clears a dead holder's segment and leaves
    // a live holder's alone.
    {
        QSharedMemory probe(UpdateConstants::packageLockKey());
        if (probe.attach(QSharedMemory::ReadOnly))
            probe.detach();
    }
    return lock.create(1, QSharedMemory::ReadWrite);
}

bool PackageAppData::isPackageLockHeld()
{
    return packageInstallLock().isAttached();
}

void PackageAppData::releasePackageLock()
{
    packageInstallLock().detach();
}

bool PackageAppData::installRepositoryArchive(const QString& archivePath, QString* reason) const
{
    QString why;
    if (!QFileInfo(archivePath).isFile())
        why = QStringLiteral("The repository archive does not exist.");
    else if (isPackageLockHeld() || !takePackageLock())
        why = QStringLiteral("Update packages are currently in use.");
    else
    {
        // The worker only touches files: the lock is taken and released here, in the calling
        // thread, which holds it for the whole run while its events go on.
        UpdateBackgroundTask::run([&] { why = installRepository(archivePath); });
        releasePackageLock();
    }
    if (reason)
        *reason = why;
    return why.isEmpty();
}

void PackageAppData::setInstallProbe(const std::function<void()>& probe)
{
    installProbe() = probe;
}

QString PackageAppData::installRepository(const QString& archivePath) const
{
    if (installProbe())
        installProbe()();
    // Unpacked and checked beside the folder, on the same file system, and then exchanged with
    // it: until the archive has proven to be a whole repository the folder stays as it was.
    const QFileInfo folder(getFolder());
    QTemporaryDir staging(QStringLiteral("%1/.%2-staging-XXXXXX").arg(folder.absolutePath(), folder.fileName()));
    if (!staging.isValid())
        return QStringLiteral("The update data folder cannot be written.");
    UnZip zip;
    zip.setPassword(UpdateConstants::archivePassword());
    UnZip::ErrorCode result = zip.openArchive(archivePath);
    if (result == UnZip::Success)
        result = zip.extractAll(staging.path(), UnZip::KeepFolders);
    zip.closeArchive();
    if (result == UnZip::EntrySkipped)
        return QStringLiteral("The archive holds entries that cannot be decrypted or extracted.");
    if (result != UnZip::Success)
        return UnZip::formatError(result);

    const QString why = finishRepository(staging.path());
    if (!why.isEmpty())
        return why;
    QFile::setPermissions(staging.path(), folder.permissions());
    if (!exchangeFolders(staging.path(), folder.absoluteFilePath()))
        return QStringLiteral("The update data folder cannot be replaced.");
    // The temporary folder now holds the old contents, which go with it.
    return QString();
}

QString PackageAppData::finishRepository(const QString& staged) const
{
    const QString manifestPath = staged + QLatin1Char('/') + QFileInfo(manifestFilePath()).fileName();
    QFile manifest(manifestPath);
    if (!manifest.open(QIODevice::ReadOnly))
        return QStringLiteral("The archive holds no update manifest.");
    QString tooLarge;
    const QByteArray plain = inflateManifest(manifest, &tooLarge);
    manifest.close();
    if (!tooLarge.isEmpty())
        return tooLarge;
    const PackageUpdaterResult contents = PackageUpdaterManifest().read(plain, getApplicationName());
    if (plain.isEmpty() || !contents.isValid())
        return QStringLiteral("The update manifest cannot be read.");
    if (!writeWholeFile(manifestPath, plain))
        return QStringLiteral("The update data folder cannot be written.");

    // Every package the manifest names, whole: the file packages and the device packages.
    QVector<QPair<QString, quint32>> packages;
    for (const UpdaterFileEntry& entry : contents.getFiles())
        packages.append({QFileInfo(packageFilePath(entry.name)).fileName(), entry.checksum});
    for (const BootloaderFirmwareId& id : contents.getFirmware())
        packages.append({id.fileName(), quint32(id.getChecksum())});
    for (const auto& package : packages)
    {
        bool read = false;
        const quint32 crc = computeFileCrc32(staged + QLatin1Char('/') + package.first, &read);
        if (!read)
            return QStringLiteral("The package %1 named by the update manifest is missing.").arg(package.first);
        if (crc != package.second)
            return QStringLiteral("The package %1 does not match its checksum in the update manifest.")
                .arg(package.first);
    }
    return QString();
}

bool PackageAppData::installFilePackage(const UpdaterFileEntry& entry, bool install) const
{
    if (!entry.hasPlainName())
        return false;
    const QString archive = archivePath(entry.name);
    if (!install)
    {
        QFile::remove(archive);
        return true;
    }
    if (installProbe())
        installProbe()();
    const QString extractedName = executableFileName(entry);
    const QString extracted = getFolder() + QLatin1Char('/') + extractedName;
    const QString package = packageFilePath(entry.name);
    UnZip zip;
    zip.setPassword(UpdateConstants::archivePassword());
    const bool unpacked = zip.openArchive(archive) == UnZip::Success
        && zip.extractFile(extractedName, getFolder(), UnZip::KeepFolders) == UnZip::Success;
    zip.closeArchive();
    QFile::remove(archive);
    QFile::remove(package);
    if (unpacked && QFile::rename(extracted, package))
        return true;
    if (unpacked)
        QFile::remove(extracted);
    return false;
}

bool PackageAppData::saveDevicePackage(const BootloaderFirmwareId& id, const QByteArray& bytes) const
{
    return writeWholeFile(devicePackagePath(id), bytes);
}

QByteArray PackageAppData::readDevicePackage(const BootloaderFirmwareId& id) const
{
    QFile file(devicePackagePath(id));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QDataStream in(&file);
    in.setVersion(QDataStream::Qt_5_15);
    QByteArray package;
    in >> package;
    return package;
}

bool PackageAppData::devicePackageExists(const BootloaderFirmwareId& id) const
{
    return QFile::exists(devicePackagePath(id));
}

quint32 PackageAppData::devicePackageCrc(const BootloaderFirmwareId& id, bool* ok) const
{
    return computeFileCrc32(devicePackagePath(id), ok);
}

QString PackageAppData::devicePackagePath(const BootloaderFirmwareId& id) const
{
    return getFolder() + QLatin1Char('/') + id.fileName();
}

QString PackageAppData::archivePath(const QString& entryName) const
{
    return getFolder() + QLatin1Char('/') + archiveFileName(entryName);
}

void PackageAppData::removeFolderContents(const QString& folder)
{
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo& entry : entries)
    {
        if (entry.isDir() && !entry.isSymLink())
        {
            removeFolderContents(entry.filePath());
            QDir().rmdir(entry.filePath());
        }
        else
            QFile::remove(entry.filePath());
    }
}
