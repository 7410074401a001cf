#include "PackageUpdateDownloader.h"

#include "ManifestInflate.h"
#include "PackageAppData.h"
#include "PackageUpdaterManifest.h"
#include "UpdateConstants.h"

#include <QAuthenticator>
#include <QBuffer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <algorithm>

#include <zlib.h>

namespace
{
// How often one download is given the server's login.
const int s_loginAnswers = 2;

QString inUseText()
{
    return QStringLiteral("Update packages are currently in use.");
}

QString corruptPackageText(const QString& fileName)
{
    return QStringLiteral("Downloaded package %1 does not match the update information.").arg(fileName);
}

quint32 crc32Of(const QByteArray& bytes)
{
    return quint32(::crc32(0L, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
}
}

PackageUpdateDownloader::PackageUpdateDownloader(
    const QString& applicationName, const QString& subPath, const USBProtocolClockPtr& clock)
    : m_pManager(new QNetworkAccessManager(this))
    , m_pStallTimer(new QTimer(this))
    , m_pClock(USBProtocolClock::orRealTime(clock))
    , m_applicationName(applicationName)
    , m_subPath(subPath)
{
    qRegisterMetaType<PackageUpdaterResult>();
    connect(m_pManager, &QNetworkAccessManager::authenticationRequired, this, &PackageUpdateDownloader::onAuthentication);
    m_pStallTimer->setSingleShot(true);
    connect(m_pStallTimer, &QTimer::timeout, this, &PackageUpdateDownloader::onTransferStalled);
}

PackageUpdateDownloader::~PackageUpdateDownloader()
{
    if (m_pReply)
        disconnect(m_pReply, nullptr, this, nullptr);
    if (m_state == FilePackageDownload)
        discardFile();
    if (isBusy())
        PackageAppData::releasePackageLock();
    delete m_pFile;
}

void PackageUpdateDownloader::startManifestDownload()
{
    // One check at a time: a second start must not disturb the running one.
    if (isBusy())
    {
        refuse(inUseText());
        return;
    }
    m_result = PackageUpdaterResult();
    m_pendingDevicePackages.clear();
    m_pendingFilePackages.clear();
    if (!PackageAppData::takePackageLock())
    {
        refuse(inUseText());
        return;
    }
    m_state = ManifestDownload;
    m_description = QStringLiteral("Downloading update manifest");
    startDownload(m_applicationName + QStringLiteral(".pkm"));
}

void PackageUpdateDownloader::readManifest()
{
    if (isBusy() || !PackageAppData::takePackageLock())
    {
        refuse(inUseText());
        return;
    }
    m_result = PackageUpdaterResult();
    const PackageAppData data(m_applicationName, m_subPath);
    const QString hint =
        QStringLiteral("Check for updates online or visit %1.").arg(UpdateConstants::webAddress());
    if (!data.manifestExists())
        m_result.setError(QStringLiteral("Update information not available. ") + hint);
    else
    {
        const QByteArray manifest = data.readManifestFile();
        if (manifest.isEmpty())
            m_result.setError(QStringLiteral("Invalid update information. ") + hint);
        else
            m_result = PackageUpdaterManifest().read(manifest, m_applicationName);
    }
    PackageAppData::releasePackageLock();
    emit checkFinished(m_result);
}

void PackageUpdateDownloader::abort()
{
    if (isBusy() && m_pReply)
        m_pReply->abort();
}

void PackageUpdateDownloader::refuse(const QString& error)
{
    PackageUpdaterResult refused;
    refused.setError(error);
    emit checkFinished(refused);
}

void PackageUpdateDownloader::startDownload(const QString& fileName)
{
    const QString folder = m_subPath.isEmpty() ? QString() : m_subPath + QLatin1Char('/');
    const QUrl url(UpdateConstants::updateServer() + UpdateConstants::updateServerFolder() + folder + fileName);
    m_loginRequests = 0;
    m_pReply = m_pManager->get(QNetworkRequest(url));
    connect(m_pReply, &QNetworkReply::downloadProgress, this, &PackageUpdateDownloader::onDownloadProgress);
    connect(m_pReply, &QNetworkReply::finished, this, &PackageUpdateDownloader::onFinished);
    connect(m_pReply, &QNetworkReply::errorOccurred, this, &PackageUpdateDownloader::onError);
    connect(m_pReply, &QNetworkReply::readyRead, this, &PackageUpdateDownloader::onReadyRead);
    // Qt's ftp layer waits for a silent server for ever; the login counts as part of the wait.
    awaitData();
}

void PackageUpdateDownloader::awaitData()
{
    m_dataDueMs = m_pClock->getMilliseconds() + UpdateConstants::transferTimeout();
    m_pStallTimer->start(m_pClock->getTimerInterval(UpdateConstants::transferTimeout()));
}

void PackageUpdateDownloader::onReadyRead()
{
    if (sender() != m_pReply)
        return;
    awaitData();
    if (m_state != FilePackageDownload || !m_pFile)
        return;
    // File packages go to disk as they arrive; the others are small and read when complete.
    const QByteArray bytes = m_pReply->readAll();
    if (m_pFile->write(bytes) == bytes.size())
        return;
    m_result.setError(QStringLiteral("Unable to save file package %1.")
                          .arg(UpdaterAppData::archiveFileName(m_pendingFilePackages.last().name)));
    m_pReply->abort();
}

void PackageUpdateDownloader::onAuthentication(QNetworkReply* reply, QAuthenticator* authenticator)
{
    // Qt's ftp layer asks twice when the server refuses its anonymous login and logs in with
    // the second answer. Asked once more, the server refused our login: an authenticator left
    // empty makes the network layer give up instead of trying the same login for ever.
    if (reply != m_pReply || ++m_loginRequests > s_loginAnswers)
        return;
    authenticator->setUser(UpdateConstants::updateUser());
    authenticator->setPassword(UpdateConstants::updatePassword());
}

void PackageUpdateDownloader::onDownloadProgress(qint64 received, qint64 total)
{
    // A server that does not tell the size gives -1: there is no percentage then.
    if (total <= 0 || sender() != m_pReply)
        return;
    emit checkProgress(m_description, int(qBound<qint64>(0, received * 100 / total, 100)));
}

void PackageUpdateDownloader::onError(QNetworkReply::NetworkError)
{
    // The first error is the cause; an abort that follows one adds only "Operation canceled".
    if (sender() == m_pReply && m_result.isValid())
        m_result.setError(m_pReply->errorString());
}

void PackageUpdateDownloader::onFinished()
{
    if (m_pReply && sender() == m_pReply)
        finishDownload();
}

void PackageUpdateDownloader::onTransferStalled()
{
    if (!m_pReply)
        return;
    const qint64 remaining = m_dataDueMs - m_pClock->getMilliseconds();
    if (remaining > 0)
    {
        m_pStallTimer->start(m_pClock->getTimerInterval(remaining));
        return;
    }
    m_result.setError(QStringLiteral("The update server stopped sending data."));
    // A server gone silent may not answer the abort either, and Qt's ftp layer would wait for
    // that answer before the reply finishes: the download ends here instead.
    disconnect(m_pReply, nullptr, this, nullptr);
    m_pReply->abort();
    finishDownload();
}

void PackageUpdateDownloader::finishDownload()
{
    QNetworkReply* reply = m_pReply;
    m_pReply = nullptr;
    m_pStallTimer->stop();
    reply->deleteLater();
    if (!m_result.isValid())
    {
        if (m_state == FilePackageDownload)
            discardFile();
        m_state = Finished;
    }
    else if (m_state == ManifestDownload)
        finishManifest(reply->readAll());
    else if (m_state == DevicePackageDownload)
        finishDevicePackage(reply->readAll());
    else if (m_state == FilePackageDownload)
        finishFilePackage(reply);
    if (m_state == Finished)
        endCheck();
}

void PackageUpdateDownloader::finishManifest(const QByteArray& compressed)
{
    QBuffer buffer;
    buffer.setData(compressed);
    buffer.open(QIODevice::ReadOnly);
    QString tooLarge;
    const QByteArray plain = inflateManifest(buffer, &tooLarge);
    m_result = PackageUpdaterManifest().read(plain, m_applicationName);
    if (!tooLarge.isEmpty())
        m_result.setError(tooLarge);
    if (!m_result.isValid())
    {
        m_state = Finished;
        return;
    }
    PackageAppData(m_applicationName, m_subPath).writeManifestFile(plain);
    buildPendingLists();
    startNextPackageDownload();
}

void PackageUpdateDownloader::buildPendingLists()
{
    const PackageAppData data(m_applicationName, m_subPath);
    for (const UpdaterFileEntry& entry : m_result.getFiles())
    {
        bool ok = false;
        const quint32 crc = data.packageFileCrc(entry.name, &ok);
        if (ok && crc == entry.checksum)
            continue;
        // A package of an earlier update must not pass for this one if its download fails:
        // the data folder would offer it under the new manifest's version.
        QFile::remove(data.packageFilePath(entry.name));
        m_pendingFilePackages.append(entry);
    }
    for (const BootloaderFirmwareId& id : m_result.getFirmware())
    {
        bool ok = false;
        const quint32 crc = data.devicePackageCrc(id, &ok);
        if (!ok || crc != quint32(id.getChecksum()))
            m_pendingDevicePackages.append(id);
    }
    // In the order of the models, whatever the table's order: every check goes the same way.
    std::sort(m_pendingDevicePackages.begin(), m_pendingDevicePackages.end(),
        [](const BootloaderFirmwareId& a, const BootloaderFirmwareId& b) { return a.getDeviceType() < b.getDeviceType(); });
}

void PackageUpdateDownloader::startNextPackageDownload()
{
    if (!m_pendingDevicePackages.isEmpty())
    {
        m_state = DevicePackageDownload;
        m_description = QStringLiteral("Downloading device packages");
        startDownload(m_pendingDevicePackages.last().fileName());
        return;
    }
    if (m_pendingFilePackages.isEmpty())
    {
        m_state = Finished;
        return;
    }
    const UpdaterFileEntry& entry = m_pendingFilePackages.last();
    const QString archiveName = UpdaterAppData::archiveFileName(entry.name);
    delete m_pFile;
    m_pFile = new QFile(PackageAppData(m_applicationName, m_subPath).archivePath(entry.name));
    if (!m_pFile->open(QIODevice::WriteOnly))
    {
        m_result.setError(QStringLiteral("Unable to save file package %1.").arg(archiveName));
        delete m_pFile;
        m_pFile = nullptr;
        m_state = Finished;
        return;
    }
    m_state = FilePackageDownload;
    m_description = QStringLiteral("Downloading file package %1").arg(archiveName);
    startDownload(archiveName);
}

void PackageUpdateDownloader::finishDevicePackage(const QByteArray& bytes)
{
    const BootloaderFirmwareId id = m_pendingDevicePackages.last();
    m_state = Finished;
    if (crc32Of(bytes) != quint32(id.getChecksum()))
        m_result.setError(corruptPackageText(id.fileName()));
    else if (!PackageAppData(m_applicationName, m_subPath).saveDevicePackage(id, bytes))
        m_result.setError(QStringLiteral("Unable to save device package %1.").arg(id.fileName()));
    else
    {
        m_pendingDevicePackages.removeLast();
        startNextPackageDownload();
    }
}

void PackageUpdateDownloader::finishFilePackage(QNetworkReply* reply)
{
    const UpdaterFileEntry entry = m_pendingFilePackages.last();
    const QString archiveName = UpdaterAppData::archiveFileName(entry.name);
    const QByteArray rest = reply->readAll();
    const bool written = m_pFile->write(rest) == rest.size() && m_pFile->flush();
    m_pFile->close();
    delete m_pFile;
    m_pFile = nullptr;

    const PackageAppData data(m_applicationName, m_subPath);
    m_state = Finished;
    if (!written || !data.installFilePackage(entry, true))
    {
        data.installFilePackage(entry, false);
        m_result.setError(QStringLiteral("Unable to save file package %1.").arg(archiveName));
        return;
    }
    bool ok = false;
    if (data.packageFileCrc(entry.name, &ok) != entry.checksum || !ok)
    {
        QFile::remove(data.packageFilePath(entry.name));
        m_result.setError(corruptPackageText(archiveName));
        return;
    }
    m_pendingFilePackages.removeLast();
    startNextPackageDownload();
}

void PackageUpdateDownloader::discardFile()
{
    delete m_pFile;
    m_pFile = nullptr;
    PackageAppData(m_applicationName, m_subPath).installFilePackage(m_pendingFilePackages.last(), false);
}

void PackageUpdateDownloader::endCheck()
{
    m_state = Finished;
    delete m_pFile;
    m_pFile = nullptr;
    // A check is over: no ftp connection stays open for a next one.
    m_pManager->clearConnectionCache();
    PackageAppData::releasePackageLock();
    emit checkFinished(m_result);
}
