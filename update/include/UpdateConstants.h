#pragma once

#include <QString>

// The values that update archives, the package lock and the installed files share with this
// program: the password of every update archive, the key of the package lock's shared-memory
// segment and the form of an executable's file name. Read by the update classes in the GUI
// thread; tests may set other values before they use them (and restore the defaults afterwards).
class UpdateConstants
{
public:
    // 15 letters and digits; update archives are made with the same text.
    static QString archivePassword();
    static void setArchivePassword(const QString& password);

    static QString packageLockKey();
    static void setPackageLockKey(const QString& key);

    // The platform's file name of the program "name": with ".exe" on Windows, as is elsewhere.
    static QString executableFileName(const QString& name);

    static void restoreDefaults();
};
