#include "UpdateConstants.h"

#include <QCoreApplication>

#include <optional>

namespace
{
const char s_defaultArchivePassword[] = "qT7vRm2KxW9pLd4";
const char s_defaultPackageLockKey[] = "FD723DBE-49CA-43A5-A751-B480DD1760B6";
const char s_defaultUpdateServer[] = "ftp://update.veltramonde.example";
const char s_defaultUpdateUser[] = "t4829175";
const char s_defaultUpdatePassword[] = "kvrmq7ts";
const char s_webAddress[] = "www.veltramonde.example";
const int s_defaultTransferTimeout = 30000;
const int s_defaultMaxManifestSize = 16 * 1024 * 1024;

QString s_archivePassword = QString::fromLatin1(s_defaultArchivePassword);
QString s_packageLockKey = QString::fromLatin1(s_defaultPackageLockKey);
QString s_updateServer = QString::fromLatin1(s_defaultUpdateServer);
QString s_updateUser = QString::fromLatin1(s_defaultUpdateUser);
QString s_updatePassword = QString::fromLatin1(s_defaultUpdatePassword);
int s_transferTimeout = s_defaultTransferTimeout;
int s_maxManifestSize = s_defaultMaxManifestSize;
// Unset: the program's arguments decide.
std::optional<bool> s_stagingUsed;
}

QString UpdateConstants::archivePassword()
{
    return s_archivePassword;
}

void UpdateConstants::setArchivePassword(const QString& password)
{
    s_archivePassword = password;
}

QString UpdateConstants::packageLockKey()
{
    return s_packageLockKey;
}

void UpdateConstants::setPackageLockKey(const QString& key)
{
    s_packageLockKey = key;
}

QString UpdateConstants::updateServer()
{
    return s_updateServer;
}

void UpdateConstants::setUpdateServer(const QString& address)
{
    s_updateServer = address;
}

QString UpdateConstants::updateUser()
{
    return s_updateUser;
}

QString UpdateConstants::updatePassword()
{
    return s_updatePassword;
}

void UpdateConstants::setUpdateLogin(const QString& user, const QString& password)
{
    s_updateUser = user;
    s_updatePassword = password;
}

QString UpdateConstants::updateServerFolder()
{
    const bool staging = s_stagingUsed ? *s_stagingUsed : isStagingRequested(QCoreApplication::arguments());
    return staging ? QStringLiteral("/staging/win32/") : QStringLiteral("/downloads/win32/");
}

void UpdateConstants::setStagingUsed(bool used)
{
    s_stagingUsed = used;
}

bool UpdateConstants::isStagingRequested(const QStringList& arguments)
{
    return arguments.contains(QStringLiteral("--update-staging"));
}

int UpdateConstants::transferTimeout()
{
    return s_transferTimeout;
}

void UpdateConstants::setTransferTimeout(int milliseconds)
{
    s_transferTimeout = milliseconds;
}

int UpdateConstants::maxManifestSize()
{
    return s_maxManifestSize;
}

void UpdateConstants::setMaxManifestSize(int bytes)
{
    s_maxManifestSize = bytes;
}

QString UpdateConstants::webAddress()
{
    return QString::fromLatin1(s_webAddress);
}

QString UpdateConstants::executableFileName(const QString& name)
{
#ifdef Q_OS_WIN
    return name + QStringLiteral(".exe");
#else
    return name;
#endif
}

void UpdateConstants::restoreDefaults()
{
    s_archivePassword = QString::fromLatin1(s_defaultArchivePassword);
    s_packageLockKey = QString::fromLatin1(s_defaultPackageLockKey);
    s_updateServer = QString::fromLatin1(s_defaultUpdateServer);
    s_updateUser = QString::fromLatin1(s_defaultUpdateUser);
    s_updatePassword = QString::fromLatin1(s_defaultUpdatePassword);
    s_transferTimeout = s_defaultTransferTimeout;
    s_maxManifestSize = s_defaultMaxManifestSize;
    s_stagingUsed.reset();
}
