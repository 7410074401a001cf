#pragma once

#include "UpdaterFileEntry.h"

#include <QString>
#include <QVector>

// The outcome of reading an update manifest: validity with the error text, the manifest's format
// version, the version the update brings, its files in manifest order and its release notes.
// A value, copied into signals and slots. An invalid result is used by no caller.
class UpdaterResult
{
public:
    virtual ~UpdaterResult() = default;

    void setError(const QString& text);
    void setVersion(int major, int minor);
    void setManifestVersion(int version) { m_manifestVersion = version; }
    void addFile(const UpdaterFileEntry& entry) { m_files.append(entry); }
    void setReleaseNotes(const QString& text) { m_releaseNotes = text; }

    bool isValid() const { return m_valid; }
    const QString& getError() const { return m_error; }
    int getManifestVersion() const { return m_manifestVersion; }
    // 0.0 until the manifest announces a version.
    int getMajorVersion() const { return m_majorVersion; }
    int getMinorVersion() const { return m_minorVersion; }
    const QVector<UpdaterFileEntry>& getFiles() const { return m_files; }
    const QString& getReleaseNotes() const { return m_releaseNotes; }

private:
    bool m_valid = true;
    QString m_error;
    int m_manifestVersion = 0;
    int m_majorVersion = 0;
    int m_minorVersion = 0;
    QVector<UpdaterFileEntry> m_files;
    QString m_releaseNotes;
};
