#pragma once

#include <QString>
#include <QStringList>

// The values that update archives, the package lock, the update server and the installed files
// share with this program: the password of every update archive, the key of the package lock's
// shared-memory segment, the server's address with its ftp login, whether its staging folder is
// used, how long a transfer may stall, the largest manifest, the maker's web address and the form
// of an executable's file name. Read by the update classes in the GUI thread and in their worker
// threads: a repository install's (the archive password, the largest manifest) and the update
// check's unpacking of a file package (the archive password, an executable's file name). Set
// only while no worker runs: tests may set other values before they use them (and restore the
// defaults afterwards).
class UpdateConstants
{
public:
    // 15 letters and digits; update archives are made with the same text.
    static QString archivePassword();
    static void setArchivePassword(const QString& password);

    static QString packageLockKey();
    static void setPackageLockKey(const QString& key);

    // The ftp server's address without a path, e.g. "ftp://host" or "ftp://host:port".
    static QString updateServer();
    static void setUpdateServer(const QString& address);
    // Given when the server asks for a login.
    static QString updateUser();
    static QString updatePassword();
    static void setUpdateLogin(const QString& user, const QString& password);

    // The server folder of this run's updates: "/staging/win32/" when the program was started
    // with the argument "--update-staging" (exactly), else "/downloads/win32/".
    static QString updateServerFolder();
    static void setStagingUsed(bool used);
    static bool isStagingRequested(const QStringList& arguments);

    // How long a download may go without a byte from the server before it is given up, in
    // milliseconds: 30 s.
    static int transferTimeout();
    static void setTransferTimeout(int milliseconds);

    // Bytes a decompressed update manifest may take: 16 MiB. A manifest is a few kilobytes of
    // XML; one that inflates to more is damaged or hostile.
    static int maxManifestSize();
    static void setMaxManifestSize(int bytes);

    // Named where the user is sent to fetch updates by hand.
    static QString webAddress();

    // The platform's file name of the program "name": with ".exe" on Windows, as is elsewhere.
    static QString executableFileName(const QString& name);

    static void restoreDefaults();
};
