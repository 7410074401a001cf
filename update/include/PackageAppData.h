#pragma once

#include "BootloaderFirmwareId.h"
#include "UpdaterAppData.h"

#include <QByteArray>
#include <QString>

#include <functional>

// Everything that writes update material into the update data folder: installing an update
// repository archive the user chose, installing one downloaded file package, saving and reading
// device (firmware) packages, and clearing the folder. Update archives are ZIP archives with
// the one password of UpdateConstants.
//
// The package lock keeps these writers apart, also between several running studios: a
// shared-memory segment of one byte under UpdateConstants::packageLockKey(). Whoever holds it may
// change the folder; a repository install takes it for its whole run, an update check from its
// start to its end. A segment left behind by a holder that died is taken over.
//
// Made in the GUI thread. The lock and installRepositoryArchive are called there only; file
// members run in the update workers (UpdateBackgroundTask) too, each on the files of its own
// step: the repository install's extraction and checks, the update check's unpacking
// (installFilePackage, packageFileCrc) and the firmware update's reading and checking of a
// device package (readDevicePackage, devicePackageCrc, readManifestFile). Nothing throws.
class PackageAppData : public UpdaterAppData
{
public:
    PackageAppData(const QString& applicationName, const QString& subPath);

    // False while this process or another live one holds the lock.
    static bool takePackageLock();
    // This process holds it.
    static bool isPackageLockHeld();
    static void releasePackageLock();

    // Replaces the folder's contents with the archive's, its manifest decompressed, once the
    // archive has proven to be a whole repository: every entry extracted, a manifest that reads
    // within UpdateConstants::maxManifestSize() and every package it names with its checksum.
    // Otherwise false, the folder as it was, and the reason for the user in reason (empty on
    // success). Extraction, checks and swap run in a worker thread (UpdateBackgroundTask): the
    // calling thread holds the lock meanwhile and goes on with its events, user input held back,
    // and the call returns when the install has ended.
    bool installRepositoryArchive(const QString& archivePath, QString* reason = nullptr) const;
    // Tests only: the probe runs as a repository install or a file package's unpacking starts,
    // before it unpacks anything (to hold it there); an empty one, the default, does nothing.
    static void setInstallProbe(const std::function<void()>& probe);
    // Unpacks the downloaded "<entry>.pkz" into "<entry>.pkg" (install true) or only deletes the
    // archive (install false, the download failed). A failure leaves neither file. Any thread:
    // the update check unpacks in a worker.
    bool installFilePackage(const UpdaterFileEntry& entry, bool install) const;

    bool saveDevicePackage(const BootloaderFirmwareId& id, const QByteArray& bytes) const;
    // The byte array the device package file holds as a data stream; empty when unreadable.
    QByteArray readDevicePackage(const BootloaderFirmwareId& id) const;
    bool devicePackageExists(const BootloaderFirmwareId& id) const;
    quint32 devicePackageCrc(const BootloaderFirmwareId& id, bool* ok) const;
    QString devicePackagePath(const BootloaderFirmwareId& id) const;
    QString archivePath(const QString& entryName) const;

    // Deletes every file and subfolder below the folder, hidden ones included; symbolic links
    // are removed, never followed. Failures to delete are ignored.
    static void removeFolderContents(const QString& folder);

private:
    // Unpacks, checks and swaps in the repository while the lock is held, in the worker thread;
    // the reason of a failure, empty on success.
    QString installRepository(const QString& archivePath) const;
    // Decompresses the unpacked folder's manifest and checks every package it names: the reason
    // the folder is no whole repository, empty when it is one.
    QString finishRepository(const QString& staged) const;
};
