#pragma once

#include "InfoZip.h"
#include "SettingsSandbox.h"
#include "UpdateConstants.h"
#include "UpdaterAppData.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

// An update data folder of the test's own below the sandboxed per-user data folder, and an
// application name of its own whose installed files lie beside the test program; all of it
// is removed again by the destructor.
class UpdateFolderFixture
{
public:
    explicit UpdateFolderFixture(const QString& prefix)
        : m_subPath(QStringLiteral("%1-%2").arg(prefix).arg(QCoreApplication::applicationPid()))
        , m_application(QStringLiteral("%1App%2").arg(prefix).arg(QCoreApplication::applicationPid()))
    {
    }

    ~UpdateFolderFixture()
    {
        QDir(folder()).removeRecursively();
        for (const QString& file : m_installed)
            QFile::remove(file);
        UpdateConstants::restoreDefaults();
    }

    bool isolated() const { return m_sandbox.isolated(); }
    const QString& subPath() const { return m_subPath; }
    const QString& application() const { return m_application; }
    QString folder() const
    {
        return QStandardPaths::writableLocation(QStandardPaths::DataLocation) + QLatin1Char('/') + m_subPath;
    }

    // Puts a file where the entry is installed; removed by the destructor.
    bool install(const UpdaterFileEntry& entry, const QByteArray& contents)
    {
        const QString path = UpdaterAppData::installedFilePath(entry);
        m_installed << path;
        return writeFile(path, contents);
    }
    void uninstall(const UpdaterFileEntry& entry) { QFile::remove(UpdaterAppData::installedFilePath(entry)); }

private:
    SettingsSandbox m_sandbox;
    QString m_subPath;
    QString m_application;
    QStringList m_installed;
};
