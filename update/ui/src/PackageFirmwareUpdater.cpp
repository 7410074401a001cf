#include "PackageFirmwareUpdater.h"

#include "Bootloader.h"
#include "BootloaderConstants.h"
#include "BootloaderFirmwareId.h"
#include "BootloaderFirmwareInfo.h"
#include "BootloaderFirmwarePackage.h"
#include "BootloaderHexData.h"
#include "BootloaderProgressRelay.h"
#include "PackageAppData.h"
#include "PackageFirmwareUpdaterDialog.h"
#include "PackageUpdaterManifest.h"
#include "UpdateBackgroundTask.h"
#include "USBDevice.h"
#include "USBDriver.h"
#include "USBHandshakeProtocol.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <boost/make_shared.hpp>
#include <functional>
#include <memory>

namespace
{
// Support levels of the traits.
const int s_firmwareTooNew = 1;
const int s_firmwareTooOld = 2;
const int s_unknownDevice = 3;

const int s_commandSocket = 0;
const int s_idleStepMs = 1;
// The protocol's worker finishes a purge at once; this only keeps a stuck one from freezing the connect.
const int s_idleLimitMs = 5000;
const int s_enterWaitMs = 1000;
const int s_exitWaitMs = 2000;
const int s_reopenWaitMs = 200;
const int s_completedWaitMs = 2000;
// One-byte page numbers reach this many pages of the main flash.
const int s_addressablePages = 256;

const char s_title[] = "Firmware update";
const char s_updating[] = "The firmware will now be updated.";

QString deviceCode(const BootloaderFirmwareId& id)
{
    return QFileInfo(id.fileName()).completeBaseName();
}

QString modelText(const QPair<int, int>& model)
{
    return QStringLiteral("%1.%2").arg(model.first).arg(model.second);
}

void processEvents()
{
    QCoreApplication::processEvents();
}

// Runs a step of the update in the worker (UpdateBackgroundTask) and gives its result.
USBResult offGuiThread(const std::function<USBResult()>& step)
{
    USBResult result;
    UpdateBackgroundTask::run([&] { result = step(); });
    return result;
}
}

const char* const PackageFirmwareUpdater::s_webAddress = "www.veltramonde.example";

PackageFirmwareUpdater::PackageFirmwareUpdater(QWidget* parent, const QString& applicationName,
    const QString& subPath, bool unlock, const USBProtocolClockPtr& clock)
    : m_pParent(parent)
    , m_unlock(unlock)
    , m_subPath(subPath)
    , m_applicationName(applicationName)
    , m_pClock(USBProtocolClock::orRealTime(clock))
{
}

USBResult PackageFirmwareUpdater::readTargetInfo(USBDriver& driver, int delayMs, BootloaderFirmwareInfo& info) const
{
    driver.purgeDevice();
    const Bootloader bootloader(false, m_pClock);
    if (!bootloader.exitBootloader(driver).isOk())
        return USBResult(QStringLiteral("Unable to exit bootloader."), 2);
    for (int waited = 0; !driver.isIdle() && waited < s_idleLimitMs; waited += s_idleStepMs)
        m_pClock->sleepMicroseconds(s_idleStepMs * 1000);
    if (delayMs > 0)
        m_pClock->sleepMicroseconds(static_cast<unsigned long>(delayMs) * 1000);
    if (!bootloader.readTargetInfo(driver, info).isOk())
        return USBResult(QStringLiteral("Unable to get device information. Please, try again."), 2);
    return USBResult();
}

USBResult PackageFirmwareUpdater::checkAndUpdate(const boost::shared_ptr<USBDevice>& device, USBDriver* driver,
    const USBDeviceTraitsPtr& traits, qint32 parameter)
{
    if (!device || !driver || !traits)
        return USBResult(QStringLiteral("Unable to get device information. Please, try again."), 2);

    BootloaderFirmwareInfo boardInfo;
    const USBResult read = readTargetInfo(*driver, parameter, boardInfo);
    if (!read.isOk())
        return read;

    const BootloaderFirmwareId boardId(boardInfo);
    const QString reason =
        QStringLiteral("Unsupported firmware version %1.%2 on target device.").arg(boardInfo.major).arg(boardInfo.minor);
    const int level = traits->checkVersion(boardId.getDeviceType(), boardInfo.major);
    if (level == s_unknownDevice)
        return USBResult(QStringLiteral("Unsupported device %1.").arg(deviceCode(boardId)), 2);
    if (level == s_firmwareTooNew)
        return USBResult(reason + QStringLiteral("\nPlease, update ") + m_applicationName + QLatin1Char('.'), 2);
    const bool required = level == s_firmwareTooOld;
    const int code = required ? 2 : 1;
    // A problem that stops the update: the connection stands only when the firmware may stay.
    const auto refuse = [&](const QString& problem) {
        return required ? USBResult(reason + QLatin1Char('\n') + problem, 2) : USBResult(problem, 1);
    };
    const QString checkOnline = QStringLiteral("\nCheck for updates online or visit %1.").arg(s_webAddress);
    const QString notAvailable = QStringLiteral("The latest firmware package is not available.") + checkOnline;

    if (PackageAppData::isPackageLockHeld())
        return refuse(QStringLiteral("The update repository is in use.\nUnable to perform firmware update at this "
                                     "stage. Please, try again later."));

    const PackageAppData data(m_applicationName, m_subPath);
    if (!data.devicePackageExists(boardId))
        return required ? refuse(notAvailable) : USBResult();

    // Reading, deciphering and checking a package is work of the worker thread.
    QString error;
    BootloaderFirmwarePackage package;
    UpdateBackgroundTask::run([&] { package = readPackage(data, boardId, error); });
    if (!error.isEmpty())
        return refuse(error + checkOnline);

    const BootloaderFirmwareId packageId = package.getId();
    const int packageLevel = traits->checkVersion(packageId.getDeviceType(), packageId.getVersion().getMajor());
    if (packageLevel == s_firmwareTooOld)
        return USBResult(reason + QLatin1Char('\n') + notAvailable, code);
    if (packageLevel == s_firmwareTooNew)
        return USBResult(reason + QStringLiteral("\nThe latest firmware requires an update of ") + m_applicationName
                + QStringLiteral(", first.") + checkOnline,
            code);
    if (packageId.getVersion() <= boardInfo.getFirmwareVersion())
        return USBResult();

    const BootloaderFirmwareInfo packageInfo = package.makeFirmwareInfo(boardInfo);
    USBResult failure;
    QString fault;
    UpdateBackgroundTask::run(
        [&] { fault = packageFault(*device, *driver, data, boardId, package, packageInfo, failure); });
    if (!failure.isOk())
        return failure;
    if (!fault.isEmpty())
        return refuse(fault + checkOnline);

    const QString question = required ? QStringLiteral("The target device requires new firmware.\nUpdate firmware now?")
                                      : QStringLiteral("New firmware is available for the target device.\nUpdate "
                                                       "firmware now?");
    const QMessageBox::StandardButton answer = QMessageBox::question(m_pParent, QString::fromLatin1(s_title), question,
        QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer == QMessageBox::No)
        return required ? USBResult(reason + QStringLiteral("\nThe firmware on the target device must be updated."), 2)
                        : USBResult();

    return runUpdate(device, driver, package, packageInfo);
}

BootloaderFirmwarePackage PackageFirmwareUpdater::readPackage(const PackageAppData& data,
    const BootloaderFirmwareId& boardId, QString& error)
{
    // No board's flash takes more: a larger file is not read into memory at all.
    if (QFileInfo(data.devicePackagePath(boardId)).size() > BootloaderConstants::maxPackageSize())
    {
        error = QStringLiteral("The firmware package file is too large.");
        return BootloaderFirmwarePackage();
    }
    return BootloaderFirmwarePackage(boardId.getDeviceType(), data.readDevicePackage(boardId), error);
}

QString PackageFirmwareUpdater::packageFault(const USBDevice& device, USBDriver& driver, const PackageAppData& data,
    const BootloaderFirmwareId& boardId, const BootloaderFirmwarePackage& package,
    const BootloaderFirmwareInfo& packageInfo, USBResult& failure) const
{
    // The package was chosen by the model the information page names; the studio takes the board
    // for the model of its serial number.
    if (device.getDeviceType() != boardId.getDeviceType())
        return QStringLiteral("The firmware package is for model %1, the device is model %2.")
            .arg(modelText(boardId.getDeviceType()), modelText(device.getDeviceType()));

    // Where the update data list a release for the model, the package file must be that one.
    if (data.manifestExists())
    {
        const PackageUpdaterResult manifest = PackageUpdaterManifest().read(data.readManifestFile(), m_applicationName);
        const auto listed = manifest.getFirmware().constFind(boardId.getDeviceType());
        if (manifest.isValid() && listed != manifest.getFirmware().constEnd())
        {
            bool ok = false;
            const quint32 crc = data.devicePackageCrc(boardId, &ok);
            if (!ok || crc != quint32(listed->getChecksum()))
                return QStringLiteral("The firmware package is not the one the update data list for this device.");
        }
    }

    int pageSize = 0;
    bool flag = false;
    failure = Bootloader(false, m_pClock).targetInfo(driver, pageSize, flag);
    if (!failure.isOk())
        return QString();
    const BootloaderHexData image(package.getData(), s_addressablePages * pageSize);
    if (!image.isValid())
        return QStringLiteral("The firmware image cannot be written to this device: %1").arg(image.getErrorString());
    if (image.getPageCount(pageSize) == 0)
        return QStringLiteral("The firmware package holds no firmware image.");
    if (packageInfo.encodedSize() > pageSize)
        return QStringLiteral("The firmware information needs %1 bytes; a page of the device holds %2.")
            .arg(packageInfo.encodedSize())
            .arg(pageSize);
    for (const BootloaderSecondaryImage& secondary : package.getSecondaryImages())
    {
        const QString fault = Bootloader::secondaryImageFault(secondary);
        if (!fault.isEmpty())
            return fault;
    }
    return QString();
}

USBResult PackageFirmwareUpdater::runUpdate(const boost::shared_ptr<USBDevice>& device, USBDriver* driver,
    const BootloaderFirmwarePackage& package, const BootloaderFirmwareInfo& packageInfo)
{
    QList<BootloaderSecondaryImage> secondaries = package.getSecondaryImages();
    std::unique_ptr<PackageFirmwareUpdaterDialog> dialog(
        new PackageFirmwareUpdaterDialog(m_pParent, !secondaries.isEmpty()));
    const QString updating = QString::fromLatin1(s_updating);
    dialog->setMessage(updating);
    processEvents();
    dialog->show();
    processEvents();

    // From here on every step that waits for the board, or only for time, runs in the worker
    // while the GUI thread runs its events; the dialog's texts are set between the steps.
    bool handshake = false;
    const auto fail = [&](const USBResult& result) {
        offGuiThread([&] {
            driver->closeDevice();
            if (handshake)
                driver->popProtocol(s_commandSocket);
            return USBResult();
        });
        return result;
    };
    const Bootloader bootloader(false, m_pClock);
    BootloaderProgressRelay progress(dialog.get());

    dialog->setMessage(updating + QStringLiteral("\nEntering the bootloader."));
    USBResult result = offGuiThread([&] { return enterForProgramming(device, *driver, handshake); });
    if (!result.isOk())
        return fail(result);
    dialog->setMessage(updating + QStringLiteral("\nUploading new firmware."));

    // Until every image of the package is in, the information page shows version 0.0, which no
    // model supports: a board whose update was cut off, on either chip, asks for the update at
    // its next connect rather than passing for the new release.
    BootloaderFirmwareInfo unfinished = packageInfo;
    unfinished.major = 0;
    unfinished.minor = 0;
    unfinished.packageChecksum = 0;
    result = offGuiThread([&] {
        USBResult step = bootloader.writeFirmwareInfo(*driver, unfinished);
        if (step.isOk())
            step = bootloader.uploadFirmware(*driver, BootloaderHexData(package.getData()), true, 0, &progress);
        if (step.isOk() && secondaries.isEmpty())
            step = bootloader.writeFirmwareInfo(*driver, packageInfo);
        return step;
    });
    if (!result.isOk())
        return fail(result);
    dialog->finishProgress();

    if (!secondaries.isEmpty())
    {
        if (!(result = offGuiThread([&] { return bootloader.exitToSecondaryUpdate(*driver); })).isOk())
            return fail(result);
        dialog->setMessage(QStringLiteral("Preparing to update secondary firmware.\nExiting the bootloader."));
        if (!(result = offGuiThread([&] { return reopenForFirmware(device, *driver, handshake); })).isOk())
            return fail(result);
        dialog->setMessage(QStringLiteral("Updating secondary firmware.\nBusy uploading data."));
        result = offGuiThread([&] {
            wait(s_exitWaitMs);
            USBResult step;
            for (BootloaderSecondaryImage& secondary : secondaries)
            {
                if (!(step = bootloader.uploadSecondaryFirmware(*driver, secondary, &progress)).isOk())
                    return step;
            }
            step = bootloader.finishSecondaryUpdate(*driver);
            // Only the bootloader writes the information page.
            if (step.isOk())
                step = enterForProgramming(device, *driver, handshake);
            if (step.isOk())
                step = bootloader.writeFirmwareInfo(*driver, packageInfo);
            return step;
        });
        if (!result.isOk())
            return fail(result);
    }

    // The device, and through it the connection, takes the version the board now reports.
    BootloaderFirmwareInfo installed;
    result = offGuiThread([&] {
        USBResult step = bootloader.exitBootloader(*driver);
        if (!step.isOk())
            return step;
        wait(s_exitWaitMs);
        step = reopenForFirmware(device, *driver, handshake);
        if (step.isOk())
            step = bootloader.readTargetInfo(*driver, installed);
        return step;
    });
    if (!result.isOk())
        return fail(result);
    if (installed.major != packageInfo.major || installed.minor != packageInfo.minor)
        return fail(USBResult(QStringLiteral("The firmware update failed: the device reports version %1.%2 instead "
                                             "of %3.%4.")
                                  .arg(installed.major)
                                  .arg(installed.minor)
                                  .arg(packageInfo.major)
                                  .arg(packageInfo.minor),
            2));

    dialog->setMessage(QStringLiteral("Update completed!"));
    offGuiThread([this] {
        wait(s_completedWaitMs);
        return USBResult();
    });
    return USBResult();
}

USBResult PackageFirmwareUpdater::enterForProgramming(const boost::shared_ptr<USBDevice>& device, USBDriver& driver,
    bool& handshake) const
{
    const USBResult entered = Bootloader(false, m_pClock).enterBootloader(driver, m_unlock);
    if (!entered.isOk())
        return entered;
    driver.closeDevice();
    driver.pushProtocol(boost::make_shared<USBHandshakeProtocol>(m_pClock), s_commandSocket);
    handshake = true;
    wait(s_enterWaitMs);
    driver.purgeDevice();
    return driver.openDevice(device, s_baudRate);
}

USBResult PackageFirmwareUpdater::reopenForFirmware(const boost::shared_ptr<USBDevice>& device, USBDriver& driver,
    bool& handshake) const
{
    driver.closeDevice();
    driver.popProtocol(s_commandSocket);
    handshake = false;
    const USBResult opened = driver.openDevice(device, s_baudRate);
    if (!opened.isOk())
        return opened;
    wait(s_reopenWaitMs);
    driver.purgeDevice();
    return USBResult();
}

void PackageFirmwareUpdater::wait(int milliseconds) const
{
    m_pClock->sleepMicroseconds(static_cast<unsigned long>(milliseconds) * 1000);
}
