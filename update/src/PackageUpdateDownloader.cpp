#include "PackageUpdateDownloader.h"

#include "BootloaderConstants.h"
#include "ManifestInflate.h"
#include "PackageAppData.h"
#include "PackageUpdaterManifest.h"
#include "UpdateBackgroundTask.h"
#include "UpdateConstants.h"

#include <QAuthenticator>
#include <QBuffer>
#include <QFile>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cstdio>

#include <zlib.h>

namespace
{
// How often one download is given the server's login.
const int s_loginAnswers = 2;
// Appended to a package's place in the folder while it downloads.
const char s_partSuffix[] = ".part";

QString inUseText()
{
    return QStringLiteral("Update packages are currently in use.");
}

QString corruptPackageText(const QString& fileName)
{
    return QStringLiteral("Downloaded package %1 does not match the update information.").arg(fileName);
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
    discardPart();
    if (isBusy())
        PackageAppData::releasePackageLock();
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
    connect(m_pReply, &QNetworkReply::metaDataChanged, this, &PackageUpdateDownloader::onMetaDataChanged);
    // Qt's ftp layer waits for a silent server for ever; the login counts as part of the wait.
    awaitData();
}

void PackageUpdateDownloader::awaitData()
{
    m_dataDueMs = m_pClock->getMilliseconds() + UpdateConstants::transferTimeout();
    m_pStallTimer->start(m_pClock->getTimerInterval(UpdateConstants::transferTimeout()));
}

void PackageUpdateDownloader::onMetaDataChanged()
{
    // Qt's ftp layer tells the size that the server announced before the transfer begins.
    if (sender() != m_pReply || (m_state != DevicePackageDownload && m_state != ManifestDownload))
        return;
    bool announced = false;
    const qint64 size = m_pReply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&announced);
    if (announced && size > maxDownloadSize())
        stopTransfer(tooLargeText());
}

void PackageUpdateDownloader::onReadyRead()
{
    if (sender() != m_pReply)
        return;
    awaitData();
    // Packages go to disk as they arrive; the manifest stays in the reply until it is complete,
    // as long as it is no larger than a manifest within the bound can be.
    QString fault;
    if (m_pFile)
        fault = storeArrived(m_pReply);
    else if (m_pReply->bytesAvailable() > maxStoredManifestSize())
        fault = tooLargeText();
    if (fault.isEmpty())
        return;
    // Stopped once this delivery is out: a transfer whose last bytes these were then ends by
    // itself, where an abort would leave Qt's ftp layer waiting for an answer that never comes.
    m_result.setError(fault);
    disconnect(m_pReply, &QNetworkReply::readyRead, this, &PackageUpdateDownloader::onReadyRead);
    QTimer::singleShot(0, this, [this] {
        if (m_pReply)
            stopTransfer(QString());
    });
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
    stopTransfer(QStringLiteral("The update server stopped sending data."));
}

void PackageUpdateDownloader::stopTransfer(const QString& error)
{
    // The first error is the cause.
    if (m_result.isValid())
        m_result.setError(error);
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
        discardPart();
        m_state = Finished;
    }
    else if (m_state == ManifestDownload)
        finishManifest(reply->readAll());
    else if (m_state == DevicePackageDownload)
        finishDevicePackage(reply);
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
    const PackageAppData data(m_applicationName, m_subPath);
    QString target;
    if (!m_pendingDevicePackages.isEmpty())
    {
        m_state = DevicePackageDownload;
        m_description = QStringLiteral("Downloading device packages");
        target = data.devicePackagePath(m_pendingDevicePackages.last());
    }
    else if (!m_pendingFilePackages.isEmpty())
    {
        m_state = FilePackageDownload;
        m_description = QStringLiteral("Downloading file package %1").arg(packageName());
        target = data.archivePath(m_pendingFilePackages.last().name);
    }
    else
    {
        m_state = Finished;
        return;
    }
    if (!openPart(target))
    {
        m_result.setError(unsavedText());
        m_state = Finished;
        return;
    }
    startDownload(packageName());
}

QString PackageUpdateDownloader::packageName() const
{
    return m_state == DevicePackageDownload ? m_pendingDevicePackages.last().fileName()
                                            : UpdaterAppData::archiveFileName(m_pendingFilePackages.last().name);
}

QString PackageUpdateDownloader::unsavedText() const
{
    return m_state == DevicePackageDownload ? QStringLiteral("Unable to save device package %1.").arg(packageName())
                                            : QStringLiteral("Unable to save file package %1.").arg(packageName());
}

qint64 PackageUpdateDownloader::maxDownloadSize() const
{
    return m_state == ManifestDownload ? maxStoredManifestSize() : BootloaderConstants::maxPackageSize();
}

QString PackageUpdateDownloader::tooLargeText() const
{
    if (m_state == ManifestDownload)
        return manifestTooLargeText();
    return QStringLiteral("Device package %1 is too large: a device accepts at most %2.")
        .arg(packageName(), QLocale::c().formattedDataSize(BootloaderConstants::maxPackageSize()));
}

bool PackageUpdateDownloader::openPart(const QString& target)
{
    m_pFile = new QFile(target + QLatin1String(s_partSuffix));
    m_partSize = 0;
    m_partCrc = quint32(::crc32(0L, Z_NULL, 0));
    // Unbuffered: what arrived is in the file when the next bytes are awaited.
    if (m_pFile->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    delete m_pFile;
    m_pFile = nullptr;
    return false;
}

QString PackageUpdateDownloader::storeArrived(QNetworkReply* reply)
{
    const QByteArray bytes = reply->readAll();
    const QString fault = appendToPart(bytes);
    if (m_readProbe)
        m_readProbe(bytes.size());
    return fault;
}

QString PackageUpdateDownloader::appendToPart(const QByteArray& bytes)
{
    m_partSize += bytes.size();
    // Not a byte over the bound reaches the disk.
    if (m_state == DevicePackageDownload && m_partSize > maxDownloadSize())
        return tooLargeText();
    if (m_pFile->write(bytes) != bytes.size())
        return unsavedText();
    m_partCrc = quint32(::crc32(m_partCrc, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
    return QString();
}

QString PackageUpdateDownloader::closePart(QNetworkReply* reply)
{
    const QString fault = storeArrived(reply);
    m_pFile->close();
    return fault;
}

bool PackageUpdateDownloader::placePart(const QString& target)
{
    // Replaces a package of another version in one step: the folder never lacks both.
    if (std::rename(QFile::encodeName(m_pFile->fileName()).constData(), QFile::encodeName(target).constData()) != 0)
        return false;
    delete m_pFile;
    m_pFile = nullptr;
    return true;
}

void PackageUpdateDownloader::discardPart()
{
    if (!m_pFile)
        return;
    m_pFile->remove();
    delete m_pFile;
    m_pFile = nullptr;
}

void PackageUpdateDownloader::finishDevicePackage(QNetworkReply* reply)
{
    const BootloaderFirmwareId id = m_pendingDevicePackages.last();
    QString fault = closePart(reply);
    if (fault.isEmpty() && m_partCrc != quint32(id.getChecksum()))
        fault = corruptPackageText(id.fileName());
    if (fault.isEmpty() && !placePart(PackageAppData(m_applicationName, m_subPath).devicePackagePath(id)))
        fault = unsavedText();
    if (!fault.isEmpty())
    {
        failPackage(fault);
        return;
    }
    m_pendingDevicePackages.removeLast();
    startNextPackageDownload();
}

void PackageUpdateDownloader::finishFilePackage(QNetworkReply* reply)
{
    const UpdaterFileEntry entry = m_pendingFilePackages.last();
    const PackageAppData data(m_applicationName, m_subPath);
    QString fault = closePart(reply);
    if (fault.isEmpty() && !placePart(data.archivePath(entry.name)))
        fault = unsavedText();
    // The archive is unpacked in place and goes, whether that succeeds or not. Unpacking and
    // checking take time that grows with the package: the GUI thread runs its events meanwhile.
    bool installed = false;
    bool matches = false;
    if (fault.isEmpty())
        UpdateBackgroundTask::run([&] {
            installed = data.installFilePackage(entry, true);
            bool ok = false;
            matches = installed && data.packageFileCrc(entry.name, &ok) == entry.checksum && ok;
        });
    if (fault.isEmpty() && !installed)
        fault = unsavedText();
    else if (fault.isEmpty() && !matches)
    {
        QFile::remove(data.packageFilePath(entry.name));
        fault = corruptPackageText(packageName());
    }
    if (!fault.isEmpty())
    {
        failPackage(fault);
        return;
    }
    m_pendingFilePackages.removeLast();
    startNextPackageDownload();
}

void PackageUpdateDownloader::failPackage(const QString& fault)
{
    m_result.setError(fault);
    discardPart();
    m_state = Finished;
}

void PackageUpdateDownloader::endCheck()
{
    m_state = Finished;
    // A check is over: no ftp connection stays open for a next one.
    m_pManager->clearConnectionCache();
    PackageAppData::releasePackageLock();
    emit checkFinished(m_result);
}
