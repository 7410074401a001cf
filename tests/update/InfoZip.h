#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>

// Runs Info-ZIP's zip in a folder: `zip <options> <archive> <paths>`; true when it succeeded.
inline bool infoZip(const QString& folder, const QStringList& options, const QString& archive, const QStringList& paths)
{
    QProcess zip;
    zip.setWorkingDirectory(folder);
    zip.start(QStringLiteral("zip"), QStringList() << QStringLiteral("-q") << options << archive << paths);
    return zip.waitForFinished(60000) && zip.exitStatus() == QProcess::NormalExit && zip.exitCode() == 0;
}

// Writes a file with the given contents, creating its folders.
inline bool writeFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
