#include "PackageAppData.h"

#include "FileCrc32.h"
#include "UnZip.h"
#include "UpdateConstants.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSharedMemory>

namespace
{
QSharedMemory& packageInstallLock()
{
    static QSharedMemory s_packageInstallLock;
    return s_packageInstallLock;
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

bool PackageAppData::installRepositoryArchive(const QString& archivePath) const
{
    if (!QFileInfo(archivePath).isFile())
        return false;
    if (isPackageLockHeld() || !takePackageLock())
        return false;

    // The manifest goes first and comes back last: a folder cut short in between holds no
    // manifest (or only the compressed one, which no reader accepts), so nothing in it counts.
    QFile::remove(manifestFilePath());
    removeFolderContents(getFolder());
    UnZip zip;
    zip.setPassword(UpdateConstants::archivePassword());
    bool installed = zip.openArchive(archivePath) == UnZip::Success
        && zip.extractAll(getFolder(), UnZip::KeepFolders) == UnZip::Success;
    zip.closeArchive();
    if (installed && manifestExists())
    {
        const QByteArray plain = qUncompress(readManifestFile());
        installed = !plain.isEmpty() && writeManifestFile(plain);
    }
    if (!installed)
    {
        QFile::remove(manifestFilePath());
        removeFolderContents(getFolder());
    }
    releasePackageLock();
    return installed;
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
