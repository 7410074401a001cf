#include "UpdaterAppData.h"

#include "FileCrc32.h"
#include "UpdateConstants.h"
#include "UpdaterManifest.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

UpdaterAppData::UpdaterAppData(const QString& applicationName, const QString& subPath)
    : m_applicationName(applicationName)
    , m_folder(QStandardPaths::writableLocation(QStandardPaths::DataLocation))
{
    if (!subPath.isEmpty())
        m_folder += QLatin1Char('/') + subPath;
    QDir().mkpath(m_folder);
}

QString UpdaterAppData::manifestFilePath() const
{
    return m_folder + QLatin1Char('/') + m_applicationName + QStringLiteral(".pkm");
}

bool UpdaterAppData::manifestExists() const
{
    return QFile::exists(manifestFilePath());
}

QByteArray UpdaterAppData::readManifestFile() const
{
    QFile file(manifestFilePath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool UpdaterAppData::writeManifestFile(const QByteArray& bytes) const
{
    return writeWholeFile(manifestFilePath(), bytes);
}

bool UpdaterAppData::writeWholeFile(const QString& path, const QByteArray& bytes)
{
    // Written beside and renamed into place: an interrupted write never leaves a partial file
    // under the real name.
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    file.cancelWriting();
    QFile::remove(path);
    return false;
}

QString UpdaterAppData::packageFilePath(const QString& entryName) const
{
    return m_folder + QLatin1Char('/') + entryName + QStringLiteral(".pkg");
}

bool UpdaterAppData::packageFileExists(const QString& entryName) const
{
    return QFile::exists(packageFilePath(entryName));
}

quint32 UpdaterAppData::packageFileCrc(const QString& entryName, bool* ok) const
{
    return computeFileCrc32(packageFilePath(entryName), ok);
}

QString UpdaterAppData::installedFilePath(const UpdaterFileEntry& entry)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + executableFileName(entry);
}

QString UpdaterAppData::archiveFileName(const QString& entryName)
{
    return entryName + QStringLiteral(".pkz");
}

QString UpdaterAppData::executableFileName(const UpdaterFileEntry& entry)
{
    return entry.executable ? UpdateConstants::executableFileName(entry.name) : entry.name;
}

bool UpdaterAppData::isUpdateAvailable(int currentMajor, int currentMinor) const
{
    const QByteArray manifest = readManifestFile();
    if (manifest.isEmpty())
        return false;
    const UpdaterResult result = UpdaterManifest::read(manifest, m_applicationName);
    if (!result.isValid())
        return false;
    if (result.getMajorVersion() < currentMajor
        || (result.getMajorVersion() == currentMajor && result.getMinorVersion() <= currentMinor))
        return false;

    bool needed = false;
    for (const UpdaterFileEntry& entry : result.getFiles())
    {
        const QString installed = installedFilePath(entry);
        // Whatever is installed, the update can only be installed with its package file.
        bool packageRead = false;
        const quint32 packageCrc = packageFileCrc(entry.name, &packageRead);
        if (!packageRead)
            return false;
        if (!QFile::exists(installed))
        {
            needed = true;
            continue;
        }
        bool installedRead = false;
        const quint32 installedCrc = computeFileCrc32(installed, &installedRead);
        if (!installedRead)
            return false;
        needed = needed || packageCrc != installedCrc;
    }
    return needed;
}
