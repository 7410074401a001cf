#pragma once

#include "UpdaterFileEntry.h"

#include <QByteArray>
#include <QString>

// The per-user update data folder and every file in it: the manifest "<name>.pkm", the unpacked
// packages "<entry>.pkg", the archives "<entry>.pkz" while they download, and the device
// packages. The folder lies in the application's data location (plus the sub-path when not
// empty) and is created on construction. A short-lived value made where needed, in the GUI
// thread; it holds no open files and nothing throws.
class UpdaterAppData
{
public:
    UpdaterAppData(const QString& applicationName, const QString& subPath);
    virtual ~UpdaterAppData() = default;

    const QString& getApplicationName() const { return m_applicationName; }
    const QString& getFolder() const { return m_folder; }

    QString manifestFilePath() const;
    bool manifestExists() const;
    // The whole file; empty when it cannot be read.
    QByteArray readManifestFile() const;
    // Nothing half-written stays: a failed write removes the file.
    bool writeManifestFile(const QByteArray& bytes) const;

    QString packageFilePath(const QString& entryName) const;
    bool packageFileExists(const QString& entryName) const;
    quint32 packageFileCrc(const QString& entryName, bool* ok) const;

    // The file the entry replaces, beside the running program.
    static QString installedFilePath(const UpdaterFileEntry& entry);
    static QString archiveFileName(const QString& entryName);
    static QString executableFileName(const UpdaterFileEntry& entry);

    // True when the manifest announces a version newer than the current one, every package
    // file of it is readable and at least one installed file is missing or differs from its package.
    bool isUpdateAvailable(int currentMajor, int currentMinor) const;

protected:
    // Writes all of bytes to the file, or removes it and answers false.
    static bool writeWholeFile(const QString& path, const QByteArray& bytes);

private:
    QString m_applicationName;
    QString m_folder;
};
