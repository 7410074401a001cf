#include "Bootloader.h"

#include "BootloaderCommRequest.h"
#include "BootloaderConstants.h"
#include "BootloaderFirmwareInfo.h"
#include "BootloaderIData.h"
#include "BootloaderIProgress.h"
#include "BootloaderInfo.h"
#include "BootloaderSecondaryImage.h"
#include "USBDriver.h"

#include <QThread>
#include <boost/make_shared.hpp>
#include <cmath>

namespace
{
typedef BootloaderCommRequest R;

// A page read answers the page and two trailer bytes, a secondary page carries its 16-bit page
// number before the page: both lengths must fit 16 bits.
const int s_maxPageSize = 0xFFFF - 2;
const qint64 s_widePageNumbers = 0x10000;
const qint64 s_narrowPageNumbers = 0x100;

QVector<quint8> bytesOf(const QByteArray& text)
{
    return QVector<quint8>(text.cbegin(), text.cend());
}

USBResult refused(const QString& message)
{
    return USBResult(message, 2);
}

// Page index of count, rounded half away from zero.
int percentAfter(int index, int count)
{
    return int(std::lround((index + 1) * 100.0 / count));
}

QString writingPage(int index)
{
    return QStringLiteral("Writing page %1").arg(index);
}
}

Bootloader::Bootloader(bool widePageNumbers, const USBProtocolClockPtr& clock)
    : m_widePageNumbers(widePageNumbers)
    , m_pClock(clock)
{
}

USBResult Bootloader::send(USBDriver& driver, int command, const QVector<quint8>& data, QVector<quint8>* reply,
    int pageSize, bool* pageTrailer) const
{
    Q_ASSERT_X(m_protocolVersion == 0 || m_protocolVersion == 1, "src\\Bootloader", "protocol version");
    const auto request = boost::make_shared<BootloaderCommRequest>(m_protocolVersion == 1 ? 1 : 0, command, pageSize);
    if (!data.isEmpty())
        request->setRequestData(data);
    const USBResult result = driver.sendRequest(request, 0);
    if (result.isOk())
    {
        if (reply)
            *reply = request->getReplyData();
        if (pageTrailer)
            *pageTrailer = request->hasPageTrailer();
    }
    return result;
}

USBResult Bootloader::targetInfo(USBDriver& driver, int& pageSize, bool& flag) const
{
    QVector<quint8> reply;
    const USBResult result = send(driver, R::TargetInfo, QVector<quint8>(), &reply);
    if (!result.isOk())
        return result;
    const BootloaderInfo info(reply);
    pageSize = info.getPageSize();
    flag = info.getFlag();
    if (pageSize < 1 || pageSize > s_maxPageSize)
        return refused(QStringLiteral("The device reported an invalid page size (%1).").arg(pageSize));
    return USBResult();
}

USBResult Bootloader::readTargetInfo(USBDriver& driver, BootloaderFirmwareInfo& info, bool* flag) const
{
    driver.purgeDevice();
    int pageSize = 0;
    bool unlock = false;
    USBResult result = targetInfo(driver, pageSize, unlock);
    if (!result.isOk())
        return result;
    if (flag)
        *flag = unlock;
    result = send(driver, R::SelectInfoPage);
    if (!result.isOk())
        return result;
    QVector<quint8> page;
    bool trailer = false;
    result = send(driver, R::ReadPage, QVector<quint8>(), &page, pageSize, &trailer);
    if (!result.isOk())
        return result;
    if (!trailer)
        return refused(QStringLiteral("Data from device is corrupt"));
    info = BootloaderFirmwareInfo::fromBytes(page);
    if (const USBDevicePtr device = driver.getDevice())
        device->setFirmwareVersion(info.getFirmwareVersion());
    return USBResult();
}

USBResult Bootloader::enterBootloader(USBDriver& driver, bool sendUnlock) const
{
    if (sendUnlock)
    {
        const USBResult result = send(driver, R::EntryUnlock, bytesOf(BootloaderConstants::entryUnlockCode()));
        if (!result.isOk())
            return result;
    }
    return send(driver, R::Enter);
}

USBResult Bootloader::exitBootloader(USBDriver& driver) const
{
    return send(driver, R::Exit);
}

USBResult Bootloader::exitToSecondaryUpdate(USBDriver& driver) const
{
    return send(driver, R::ExitToSecondary);
}

USBResult Bootloader::finishSecondaryUpdate(USBDriver& driver) const
{
    return send(driver, R::SecondaryEnd);
}

USBResult Bootloader::unlockWrite(USBDriver& driver) const
{
    return send(driver, R::WriteUnlock, bytesOf(BootloaderConstants::writeUnlockCode()));
}

QVector<quint8> Bootloader::pageNumber(int page) const
{
    if (m_widePageNumbers)
        return {quint8(page >> 8), quint8(page)};
    return {quint8(page)};
}

void Bootloader::sleep(int milliseconds) const
{
    if (milliseconds <= 0)
        return;
    if (m_pClock)
        m_pClock->sleepMicroseconds(static_cast<unsigned long>(milliseconds) * 1000);
    else
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

USBResult Bootloader::uploadFirmware(USBDriver& driver, const BootloaderIData& image, bool writeFirstPageFirst,
    int delayMilliseconds, BootloaderIProgress* progress) const
{
    // A half-read image would leave the board with a broken firmware.
    if (!image.isValid())
        return refused(QStringLiteral("The firmware image is invalid: %1").arg(image.getErrorString()));
    int pageSize = 0;
    bool flag = false;
    USBResult result = targetInfo(driver, pageSize, flag);
    if (!result.isOk())
        return result;
    const int pageCount = image.getPageCount(pageSize);
    const qint64 addressable = m_widePageNumbers ? s_widePageNumbers : s_narrowPageNumbers;
    if (pageCount > addressable)
        return refused(QStringLiteral("The firmware image needs %1 pages of %2 bytes; the bootloader can address %3.")
                           .arg(pageCount)
                           .arg(pageSize)
                           .arg(addressable));

    if (flag && !(result = unlockWrite(driver)).isOk())
        return result;
    if (!(result = send(driver, R::Erase)).isOk())
        return result;
    sleep(delayMilliseconds);

    const auto writePage = [&](int page) {
        USBResult step = send(driver, R::SelectPage, pageNumber(page));
        if (step.isOk())
            step = send(driver, R::PageData, image.getPage(pageSize, page));
        if (step.isOk())
            step = send(driver, R::ProgramPage);
        return step;
    };
    if (writeFirstPageFirst)
    {
        if (!(result = writePage(0)).isOk() || !(result = send(driver, R::Erase)).isOk())
            return result;
        sleep(delayMilliseconds);
    }
    for (int page = 0; page < pageCount; ++page)
    {
        if (progress)
            progress->updateProgress(writingPage(page), percentAfter(page, pageCount));
        if (!(result = writePage(page)).isOk())
            return result;
    }
    return USBResult();
}

USBResult Bootloader::writeFirmwareInfo(USBDriver& driver, const BootloaderFirmwareInfo& info) const
{
    int pageSize = 0;
    bool flag = false;
    USBResult result = targetInfo(driver, pageSize, flag);
    if (!result.isOk())
        return result;
    if (info.encodedSize() > pageSize)
        return refused(QStringLiteral("The firmware information needs %1 bytes; a page of the device holds %2.")
                           .arg(info.encodedSize())
                           .arg(pageSize));
    if (flag && !(result = unlockWrite(driver)).isOk())
        return result;
    if (!(result = send(driver, R::PageData, info.toBytes(pageSize))).isOk())
        return result;
    return send(driver, R::ProgramInfoPage);
}

QString Bootloader::secondaryImageFault(const BootloaderSecondaryImage& image)
{
    const BootloaderSecondaryImageHeader& header = image.getHeader();
    if (header.pageSize < 1 || header.pagesPerSector < 1)
        return QStringLiteral("The secondary image \"%1\" has no valid page or sector size.").arg(header.name);
    if (header.pageSize > s_maxPageSize)
        return QStringLiteral("The secondary image \"%1\" has pages of %2 bytes; the bootloader takes at most %3.")
            .arg(header.name)
            .arg(header.pageSize)
            .arg(s_maxPageSize);
    if (header.firstPage < 0 || qint64(header.firstPage) + image.getPageCount() > s_widePageNumbers)
        return QStringLiteral("The secondary image \"%1\" reaches beyond the pages of its chip.").arg(header.name);
    return QString();
}

USBResult Bootloader::uploadSecondaryFirmware(USBDriver& driver, BootloaderSecondaryImage& image,
    BootloaderIProgress* progress) const
{
    const QString fault = secondaryImageFault(image);
    if (!fault.isEmpty())
        return refused(fault);
    const int pageCount = image.getPageCount();

    USBResult result = send(driver, R::SecondaryStart);
    if (!result.isOk())
        return result;
    for (int i = 0; i < pageCount; ++i)
    {
        const int percent = percentAfter(i, pageCount);
        bool newSector = false;
        quint16 sector = 0;
        const QVector<quint8> page = image.getPage(i, newSector, sector);
        if (newSector)
        {
            if (progress)
                progress->updateProgress(QStringLiteral("Erasing sector %1").arg(sector), percent);
            if (!(result = send(driver, R::SecondaryErase, {quint8(sector), quint8(sector >> 8)})).isOk())
                return result;
        }
        if (progress)
            progress->updateProgress(writingPage(i), percent);
        if (!(result = send(driver, R::SecondaryPage, page)).isOk())
            return result;
    }
    if (progress)
        progress->finishProgress();
    return USBResult();
}
