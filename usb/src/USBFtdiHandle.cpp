#include "USBFtdiHandle.h"

#include "USBFtdiBackend.h"
#include "USBSerialNumber.h"
#include "USBStatusText.h"

USBFtdiHandle::Ptr USBFtdiHandle::open(int deviceIndex, const std::function<void(USBFtdiHandle&)>& setup)
{
    USBIFtdiApi::Handle handle = 0;
    check(USBFtdiBackend::get().open(deviceIndex, handle));
    // Owning the handle at once closes it on every way out of a failed set-up.
    Ptr ptr(new USBFtdiHandle(handle));
    setup(*ptr);
    return ptr;
}

USBFtdiHandle& USBFtdiHandle::require(const Ptr& ptr)
{
    if (!ptr || !ptr->isOpen())
        throw USBResult(QStringLiteral("Device not open"), 2);
    return *ptr;
}

void USBFtdiHandle::check(int status)
{
    if (status != USBIFtdiApi::Ok)
        throw usbStatusText(status);
}

USBFtdiHandle::USBFtdiHandle(USBIFtdiApi::Handle handle)
    : m_handle(handle)
{
}

USBFtdiHandle::~USBFtdiHandle()
{
    close();
}

USBIFtdiApi& USBFtdiHandle::api() const
{
    return USBFtdiBackend::get();
}

void USBFtdiHandle::close()
{
    if (!m_closed.exchange(true))
        api().close(m_handle);
}

void USBFtdiHandle::resetAndClose()
{
    if (isOpen())
        api().resetPort(m_handle);
    close();
}

int USBFtdiHandle::getChipType()
{
    int chipType = 0;
    quint32 usbId = 0;
    QByteArray serialNumber;
    QByteArray description;
    check(api().getDeviceInfo(m_handle, chipType, usbId, serialNumber, description));
    return chipType;
}

QString USBFtdiHandle::readBoardSerialNumber(int chipType)
{
    QByteArray serialNumber;
    switch (chipType)
    {
    case USBIFtdiApi::ChipFT232R:
    case USBIFtdiApi::ChipFT2232H:
    case USBIFtdiApi::ChipFT232H:
    {
        USBFtdiProgramData data;
        data.version = chipType == USBIFtdiApi::ChipFT232R ? 2 : chipType == USBIFtdiApi::ChipFT2232H ? 3 : 5;
        if (api().readEeprom(m_handle, data) == USBIFtdiApi::Ok)
            serialNumber = data.serialNumber;
        break;
    }
    case USBIFtdiApi::ChipFTX:
    {
        USBFtdiXSeriesEeprom data;
        if (api().readEepromX(m_handle, data) == USBIFtdiApi::Ok)
            serialNumber = data.serialNumber;
        break;
    }
    default:
        break;
    }
    const QString text = QString::fromLatin1(serialNumber);
    if (!USBSerialNumber(text).isValid())
        throw USBResult(QStringLiteral("Unknown USB serial number"), 2);
    return text;
}

void USBFtdiHandle::configureFifo()
{
    USBIFtdiApi& library = api();
    check(library.setBitMode(m_handle, 0xFF, USBIFtdiApi::BitModeReset));
    library.pause(10);
    check(library.setLatencyTimer(m_handle, 2));
    check(library.setUSBParameters(m_handle, 65536, 0));
    check(library.setFlowControl(m_handle, USBIFtdiApi::FlowRtsCts, 0, 0));
}

void USBFtdiHandle::setTimeouts(quint32 readMilliseconds, quint32 writeMilliseconds)
{
    check(api().setTimeouts(m_handle, readMilliseconds, writeMilliseconds));
}

void USBFtdiHandle::writeAll(const quint8* bytes, int count)
{
    quint32 written = 0;
    check(api().write(m_handle, bytes, quint32(count), written));
    if (written != quint32(count))
        throw USBResult(QStringLiteral("Communication timed out"), 2);
}

int USBFtdiHandle::readSome(quint8* destination, int count)
{
    quint32 bytesRead = 0;
    check(api().read(m_handle, destination, quint32(count), bytesRead));
    return int(bytesRead);
}

void USBFtdiHandle::readExact(quint8* destination, int count)
{
    if (readSome(destination, count) != count)
        throw USBResult(QStringLiteral("Communication timed out"), 2);
}

int USBFtdiHandle::getRxQueueCount()
{
    quint32 count = 0;
    check(api().getQueueStatus(m_handle, count));
    return int(count);
}

USBSocketStatus USBFtdiHandle::getStatus()
{
    USBSocketStatus status;
    if (!isOpen())
        return status;
    quint32 rxCount = 0;
    quint32 txCount = 0;
    quint32 eventStatus = 0;
    const int code = api().getStatus(m_handle, rxCount, txCount, eventStatus);
    if (code == USBIFtdiApi::Ok)
    {
        status.state = USBSocketStatus::Open;
        status.rxQueueCount = rxCount;
        status.txQueueCount = txCount;
    }
    else
    {
        status.state = USBSocketStatus::LibraryError;
        status.message = usbStatusText(code).getMessage();
    }
    return status;
}

int USBFtdiHandle::purge()
{
    return api().purge(m_handle, USBIFtdiApi::PurgeRx | USBIFtdiApi::PurgeTx);
}
