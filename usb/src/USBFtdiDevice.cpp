#include "USBFtdiDevice.h"

#include "USBFtdiBufferedSocket.h"
#include "USBFtdiHandle.h"
#include "USBFtdiSocket.h"
#include "USBStatusText.h"

#include <QMap>
#include <boost/make_shared.hpp>

namespace
{
// Latin-1 bytes of at most maxLength characters; characters the chip cannot hold become 0.
QByteArray chipText(const QString& text, int maxLength)
{
    QByteArray bytes;
    for (const QChar c : text.left(maxLength))
        bytes.append(c.unicode() > 255 ? '\0' : char(c.unicode()));
    return bytes;
}

// A blank chip's EEPROM form. It keeps the chip's own product id so that the board is still
// recognised after programming.
USBFtdiProgramData blankProgramData(int chipType, quint32 version)
{
    USBFtdiProgramData data;
    data.version = version;
    data.vendorId = 0x0403;
    data.productId = chipType == USBIFtdiApi::ChipFT2232H ? 0x6010 : 0x6014;
    data.manufacturer = "FTDI";
    data.manufacturerId = "FT";
    data.maxPower = 500;
    data.pnp = 1;
    return data;
}

void applyFixedOptions(int chipType, USBFtdiProgramData& data)
{
    switch (chipType)
    {
    case USBIFtdiApi::ChipFT232R:
        data.pullDownEnableR = 1;
        data.serNumEnableR = 1;
        data.rIsD2XX = 1;
        data.cbus0 = 4;
        break;
    case USBIFtdiApi::ChipFT232H:
        data.pullDownEnableH = 1;
        data.serNumEnableH = 1;
        data.acSlowSlewH = 0;
        data.acDriveCurrentH = 16;
        data.adSlowSlewH = 0;
        data.adDriveCurrentH = 16;
        data.cbus8H = 4;
        data.cbus9H = 4;
        data.isFifoH = 1;
        data.isFifoTarH = 0;
        data.isFastSerH = 0;
        data.isFT1248H = 0;
        data.isVCPH = 0;
        data.powerSaveEnableH = 0;
        break;
    case USBIFtdiApi::ChipFT2232H:
        // Channel A a FIFO, channel B a serial port, both for the vendor driver.
        data.pullDownEnable7 = 1;
        data.serNumEnable7 = 1;
        data.alSlowSlew = 0;
        data.alDriveCurrent = 16;
        data.ahSlowSlew = 0;
        data.ahDriveCurrent = 16;
        data.blSlowSlew = 0;
        data.blDriveCurrent = 16;
        data.bhSlowSlew = 0;
        data.bhDriveCurrent = 16;
        data.ifaIsFifo7 = 1;
        data.ifaIsFifoTar7 = 0;
        data.ifaIsFastSer7 = 0;
        data.aIsVCP7 = 0;
        data.ifbIsFifo7 = 0;
        data.ifbIsFifoTar7 = 0;
        data.ifbIsFastSer7 = 0;
        data.bIsVCP7 = 0;
        data.powerSaveEnable = 0;
        break;
    default:
        break;
    }
}

int programProgramData(USBIFtdiApi& api, USBIFtdiApi::Handle handle, int chipType, const USBEepromSettings& settings)
{
    const quint32 version = chipType == USBIFtdiApi::ChipFT232R ? 2 : chipType == USBIFtdiApi::ChipFT2232H ? 3 : 5;
    USBFtdiProgramData data;
    data.version = version;
    const int status = api.readEeprom(handle, data);
    if (status == USBIFtdiApi::EepromNotProgrammed && chipType != USBIFtdiApi::ChipFT232R)
        data = blankProgramData(chipType, version);
    else if (status != USBIFtdiApi::Ok)
        return status;
    data.description = chipText(settings.description, 63);
    data.serialNumber = chipText(settings.serialNumber, 16);
    data.maxPower = settings.maxPower;
    data.selfPowered = settings.selfPowered;
    applyFixedOptions(chipType, data);
    return api.programEeprom(handle, data);
}

int programXSeries(USBIFtdiApi& api, USBIFtdiApi::Handle handle, const USBEepromSettings& settings)
{
    USBFtdiXSeriesEeprom data;
    const int status = api.readEepromX(handle, data);
    if (status != USBIFtdiApi::Ok)
        return status;
    data.description = chipText(settings.description, 63);
    data.serialNumber = chipText(settings.serialNumber, 16);
    data.maxPower = settings.maxPower;
    data.selfPowered = settings.selfPowered;
    data.serNumEnable = 1;
    data.bcdDisableSleep = 1;
    data.bcdEnable = 1;
    if (settings.xSeriesOption)
    {
        data.cbus0 = 4;
        data.cbus1 = 3;
        data.cbus2 = 0;
        data.cbus3 = 0;
        data.pullDownEnable = 1;
        data.bcdForceCbusPWREN = 1;
    }
    else
    {
        data.cbus0 = 14;
        data.cbus1 = 4;
        data.cbus2 = 5;
        data.cbus3 = 4;
        data.pullDownEnable = 0;
        data.bcdForceCbusPWREN = 0;
    }
    return api.programEepromX(handle, data);
}
}

USBFtdiDevice::USBFtdiDevice(quint32 usbId, const QString& serialNumber, const QString& description)
    : USBDevice(usbId, serialNumber, description)
{
}

boost::shared_ptr<USBFtdiDevice> USBFtdiDevice::build(const QVector<USBFtdiListEntry>& entries)
{
    if (entries.isEmpty())
        return boost::shared_ptr<USBFtdiDevice>();
    const USBFtdiDeviceListNode& first = entries.first().node;
    QString serialNumber = QString::fromLatin1(first.serialNumber);
    QString description = QString::fromLatin1(first.description);

    if (first.chipType == USBIFtdiApi::ChipFT2232H)
    {
        if (entries.count() != 2)
            return boost::shared_ptr<USBFtdiDevice>();
        serialNumber.chop(1);
        QMap<QChar, int> indexByChannel;
        for (const USBFtdiListEntry& entry : entries)
        {
            // Both entries must be channels of one chip: a list that lost a node would otherwise
            // pair the channels of two boards.
            const QString serial = QString::fromLatin1(entry.node.serialNumber);
            if (serial.isEmpty() || serial.chopped(1) != serialNumber)
                return boost::shared_ptr<USBFtdiDevice>();
            indexByChannel.insert(serial.back(), entry.deviceIndex);
        }
        // Both channels or no device: a board without its command channel is no board.
        if (!indexByChannel.contains(QLatin1Char('A')) || !indexByChannel.contains(QLatin1Char('B')))
            return boost::shared_ptr<USBFtdiDevice>();
        description.chop(2);
        auto device = boost::make_shared<USBFtdiDevice>(first.usbId, serialNumber, description);
        auto channelB = boost::make_shared<USBFtdiSocket>(indexByChannel.value(QLatin1Char('B')));
        channelB->setOption(USBFtdiSocket::UartChannel, true);
        device->addSocket(channelB);
        device->addSocket(boost::make_shared<USBFtdiBufferedSocket>(indexByChannel.value(QLatin1Char('A')), s_blockSize));
        return device;
    }

    if (entries.count() != 1)
        return boost::shared_ptr<USBFtdiDevice>();
    auto device = boost::make_shared<USBFtdiDevice>(first.usbId, serialNumber, description);
    device->addSocket(boost::make_shared<USBFtdiSocket>(entries.first().deviceIndex));
    return device;
}

void USBFtdiDevice::addSocket(const USBSocketPtr& socket)
{
    m_sockets.append(socket);
}

void USBFtdiDevice::resetAndCloseSockets()
{
    for (const USBSocketPtr& socket : m_sockets)
        socket->resetAndClose();
}

void USBFtdiDevice::purgeSockets()
{
    for (const USBSocketPtr& socket : m_sockets)
        socket->purge();
}

void USBFtdiDevice::closeSockets()
{
    for (const USBSocketPtr& socket : m_sockets)
        socket->close();
}

QList<USBSocketPtr> USBFtdiDevice::getSockets() const
{
    return m_sockets;
}

USBSocketPtr USBFtdiDevice::getSocket(int index) const
{
    Q_ASSERT_X(index < m_sockets.count(), "src\\USBFtdiDevice", "index < m_sockets.count()");
    return m_sockets.at(index);
}

USBSocketPtr USBFtdiDevice::getFirstSocket() const
{
    Q_ASSERT_X(!m_sockets.isEmpty(), "src\\USBFtdiDevice", "!m_sockets.isEmpty()");
    return m_sockets.first();
}

QList<USBSocketPtr> USBFtdiDevice::getSecondarySockets() const
{
    return m_sockets.mid(1);
}

void USBFtdiDevice::applyTimeouts()
{
    for (const USBSocketPtr& socket : m_sockets)
        socket->applyTimeouts();
}

USBResult USBFtdiDevice::programEeprom(const USBEepromSettings& settings)
{
    try
    {
        // The handle closes itself when it goes out of scope.
        const USBFtdiHandle::Ptr handle = USBFtdiHandle::open(getFirstSocket()->getDeviceIndex(), [](USBFtdiHandle&) {});
        const int chipType = handle->getChipType();
        USBIFtdiApi& api = handle->api();
        int status = USBIFtdiApi::NotSupported;
        switch (chipType)
        {
        case USBIFtdiApi::ChipFT232R:
        case USBIFtdiApi::ChipFT232H:
        case USBIFtdiApi::ChipFT2232H:
            status = programProgramData(api, handle->get(), chipType, settings);
            break;
        case USBIFtdiApi::ChipFTX:
            status = programXSeries(api, handle->get(), settings);
            break;
        default:
            break;
        }
        if (status == USBIFtdiApi::Ok)
            api.resetPort(handle->get());
        handle->close();
        return usbStatusText(status);
    }
    catch (const USBResult& result)
    {
        return result;
    }
}

boost::shared_ptr<USBFtdiDevice> USBFtdiDevice::clone() const
{
    auto copy = boost::make_shared<USBFtdiDevice>(getUsbId(), getSerialNumberText(), getDescription());
    copy->setFirmwareVersion(getFirmwareVersion());
    copy->m_sockets = m_sockets;
    return copy;
}
