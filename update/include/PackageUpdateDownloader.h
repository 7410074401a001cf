#pragma once

#include "BootloaderFirmwareId.h"
#include "PackageUpdaterResult.h"
#include "UpdaterFileEntry.h"
#include "USBProtocolClock.h"

#include <QMetaType>
#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QVector>

#include <functional>

class QAuthenticator;
class QFile;
class QNetworkAccessManager;
class QTimer;

// One update check. Online (startManifestDownload) it fetches the compressed manifest from the
// update server's folder (UpdateConstants) over ftp, keeps it in the update data folder, then
// fetches every device package and file package that the folder lacks or holds in another
// version, device packages first, unpacking each file package as it arrives (in a worker
// thread, UpdateBackgroundTask, while the GUI thread runs its events). Offline
// (readManifest) it only reads the manifest already in the folder. A package is kept only when
// its CRC-32 matches the manifest's.
//
// A package goes to a part file beside its place in the folder as its bytes arrive, the CRC-32
// of a device package counted on the way, so neither memory nor the time spent in one event
// grows with its size; it is renamed into place once whole and matching, and removed when the
// check fails or is aborted. A device package larger than a connect reads
// (BootloaderConstants::maxPackageSize()) is refused as soon as the server announces its size or
// sends one byte more: the transfer is aborted and the check fails with that reason. So is a
// manifest larger than one within UpdateConstants::maxManifestSize() can be.
//
// Each check ends with exactly one checkFinished, also when it fails or is aborted; the result
// is invalid with its text then. A download that goes without a byte from the server for
// UpdateConstants::transferTimeout() on the clock fails with "The update server stopped sending
// data.".
// checkProgress reports the percentage of a download whose size the server tells. The package lock is held from the start of a check to its checkFinished, so
// a second check (in this process or another) ends at once with "Update packages are currently
// in use.". The update panel makes one downloader per check, in the GUI thread; the network
// layer's signals arrive through the event loop.
class PackageUpdateDownloader : public QObject
{
    Q_OBJECT

public:
    enum State
    {
        ManifestDownload = 0,
        FilePackageDownload = 1,
        DevicePackageDownload = 2,
        Finished = 3
    };

    // The clock times a download's wait for the server's next bytes; a null one means real time.
    PackageUpdateDownloader(const QString& applicationName, const QString& subPath,
        const USBProtocolClockPtr& clock = USBProtocolClockPtr());
    // A check still running is dropped without its checkFinished; the lock is released.
    ~PackageUpdateDownloader() override;

    void startManifestDownload();
    void readManifest();
    bool isBusy() const { return m_state != Finished; }
    // Ends a running download; its checkFinished follows at once with the network layer's text.
    void abort();
    // Tests only: the probe hears the size of each read of a package's bytes from the network
    // layer, after they went to the part file or were refused; an empty one, the default, does
    // nothing. The GUI thread, like the reads.
    void setReadProbe(const std::function<void(qint64 bytes)>& probe) { m_readProbe = probe; }

signals:
    void checkFinished(PackageUpdaterResult result);
    void checkProgress(const QString& description, int percent);

private slots:
    void onMetaDataChanged();
    void onReadyRead();
    void onAuthentication(QNetworkReply* reply, QAuthenticator* authenticator);
    void onDownloadProgress(qint64 received, qint64 total);
    void onError(QNetworkReply::NetworkError code);
    void onFinished();
    void onTransferStalled();

private:
    void startDownload(const QString& fileName);
    // The server's next bytes are due within the transfer time-out from now.
    void awaitData();
    // Ends the running download at once with the error, without waiting for the server.
    void stopTransfer(const QString& error);
    // The end of the current download, whether it completed or failed.
    void finishDownload();
    void buildPendingLists();
    void startNextPackageDownload();
    void finishManifest(const QByteArray& compressed);
    void finishDevicePackage(QNetworkReply* reply);
    void finishFilePackage(QNetworkReply* reply);
    // The package being downloaded: its file name on the server, and the text of a failure to
    // store it.
    QString packageName() const;
    QString unsavedText() const;
    // The most that the manifest or a device package may take, and the text that refuses more.
    qint64 maxDownloadSize() const;
    QString tooLargeText() const;
    // A new, empty part file for the package that goes to target.
    bool openPart(const QString& target);
    // Reads what the reply holds into the part file: the reason to stop, empty when stored.
    QString storeArrived(QNetworkReply* reply);
    // Appends the bytes, unless they take a device package over the bound.
    QString appendToPart(const QByteArray& bytes);
    // Stores the reply's last bytes and closes the part file: the reason it is not whole, if any.
    QString closePart(QNetworkReply* reply);
    bool placePart(const QString& target);
    void discardPart();
    // The check ends with the fault of the package just downloaded; no part of it stays.
    void failPackage(const QString& fault);
    void endCheck();
    // A result holding only the error, for a check that could not start.
    void refuse(const QString& error);

    State m_state = Finished;
    QVector<BootloaderFirmwareId> m_pendingDevicePackages;
    QVector<UpdaterFileEntry> m_pendingFilePackages;
    QNetworkAccessManager* m_pManager;
    QNetworkReply* m_pReply = nullptr;
    // Runs while a download waits for the server's next bytes, due by m_dataDueMs.
    QTimer* m_pStallTimer;
    USBProtocolClockPtr m_pClock;
    qint64 m_dataDueMs = 0;
    // The part file of the package being downloaded, with the count and CRC-32 of its bytes.
    QFile* m_pFile = nullptr;
    qint64 m_partSize = 0;
    quint32 m_partCrc = 0;
    PackageUpdaterResult m_result;
    QString m_applicationName;
    QString m_subPath;
    QString m_description;
    // How often the current download asked for the server's login.
    int m_loginRequests = 0;
    std::function<void(qint64)> m_readProbe;
};

Q_DECLARE_METATYPE(PackageUpdaterResult)
