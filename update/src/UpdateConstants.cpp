#include "UpdateConstants.h"

namespace
{
const char s_defaultArchivePassword[] = "qT7vRm2KxW9pLd4";
const char s_defaultPackageLockKey[] = "FD723DBE-49CA-43A5-A751-B480DD1760B6";

QString s_archivePassword = QString::fromLatin1(s_defaultArchivePassword);
QString s_packageLockKey = QString::fromLatin1(s_defaultPackageLockKey);
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
}
