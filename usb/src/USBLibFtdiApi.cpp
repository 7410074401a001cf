#include "USBLibFtdiApi.h"

#include <QElapsedTimer>
#include <QMutexLocker>
#include <QThread>
#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <cstring>

struct USBLibFtdiApi::Channel
{
    QMutex mutex;
    ftdi_context* ftdi = nullptr;   // null once closed
    USBFtdiDeviceListNode node;
    QByteArray readAhead;
    quint32 readTimeout = 300;     // the vendor library's defaults
    quint32 writeTimeout = 300;
};

namespace
{
const int s_eepromSize = 256;
const int s_chunkSize = 4096;

struct ListedChannel
{
    libusb_device* device = nullptr;
    int channelIndex = 0;
    USBFtdiDeviceListNode node;
};

int chipTypeOf(quint16 bcdDevice)
{
    switch (bcdDevice & 0xFF00)
    {
    case 0x0200: return 1;   // FT8U232AM
    case 0x0400: return 0;   // FT232B
    case 0x0500: return 4;   // FT2232C
    case 0x0600: return USBIFtdiApi::ChipFT232R;
    case 0x0700: return USBIFtdiApi::ChipFT2232H;
    case 0x0800: return USBIFtdiApi::ChipFT4232H;
    case 0x0900: return USBIFtdiApi::ChipFT232H;
    case 0x1000: return USBIFtdiApi::ChipFTX;
    default: return 3;       // unknown
    }
}

int channelCountOf(int chipType)
{
    switch (chipType)
    {
    case 4:
    case USBIFtdiApi::ChipFT2232H: return 2;
    case USBIFtdiApi::ChipFT4232H: return 4;
    default: return 1;
    }
}

// Bus number, then one hex digit per port of the path.
quint32 locationOf(libusb_device* device)
{
    quint32 location = libusb_get_bus_number(device);
    quint8 ports[8];
    const int depth = libusb_get_port_numbers(device, ports, int(sizeof(ports)));
    for (int i = 0; i < depth; ++i)
        location = location << 4 | (ports[i] & 0x0F);
    return location;
}

// The channels of every chip libftdi finds. The device pointers live as long as *list.
int listChannels(ftdi_context* ftdi, ftdi_device_list** list, QVector<ListedChannel>& channels)
{
    if (ftdi_usb_find_all(ftdi, list, 0, 0) < 0)
        return USBIFtdiApi::IoError;
    for (ftdi_device_list* entry = *list; entry; entry = entry->next)
    {
        libusb_device_descriptor descriptor;
        if (libusb_get_device_descriptor(entry->dev, &descriptor) < 0)
            continue;
        const int chipType = chipTypeOf(descriptor.bcdDevice);
        const int channelCount = channelCountOf(chipType);
        char manufacturer[128] = {};
        char description[128] = {};
        char serial[128] = {};
        // Without the right to open the chip its strings stay empty; it is listed all the same.
        ftdi_usb_get_strings2(ftdi, entry->dev, manufacturer, sizeof(manufacturer), description,
                              sizeof(description), serial, sizeof(serial));
        const quint32 location = locationOf(entry->dev);
        for (int c = 0; c < channelCount; ++c)
        {
            ListedChannel channel;
            channel.device = entry->dev;
            channel.channelIndex = c;
            USBFtdiDeviceListNode& node = channel.node;
            node.chipType = chipType;
            node.usbId = quint32(descriptor.idVendor) << 16 | descriptor.idProduct;
            node.locationId = channelCount > 1 ? location << 4 | quint32(c + 1) : location;
            if (libusb_get_device_speed(entry->dev) >= LIBUSB_SPEED_HIGH)
                node.flags |= 2;
            node.serialNumber = QByteArray(serial);
            node.description = QByteArray(description);
            if (channelCount > 1)
            {
                const char letter = char('A' + c);
                if (!node.serialNumber.isEmpty())
                    node.serialNumber += letter;
                node.description += ' ';
                node.description += letter;
            }
            channels.append(channel);
        }
    }
    return USBIFtdiApi::Ok;
}

int value(ftdi_context* ftdi, ftdi_eeprom_value name)
{
    int result = 0;
    ftdi_get_eeprom_value(ftdi, name, &result);
    return result;
}

void setValue(ftdi_context* ftdi, ftdi_eeprom_value name, int result)
{
    ftdi_set_eeprom_value(ftdi, name, result);
}

// Drive currents: the vendor form counts milliamperes (4 to 16), libftdi steps 0 to 3.
quint8 driveToMilliamperes(int drive)
{
    return quint8(4 * (qBound(0, drive, 3) + 1));
}

int milliamperesToDrive(quint8 milliamperes)
{
    return qBound(0, milliamperes / 4 - 1, 3);
}

// Reads and decodes the chip's EEPROM into the context.
int readAndDecode(ftdi_context* ftdi)
{
    if (ftdi_read_eeprom(ftdi) < 0)
        return USBIFtdiApi::EepromReadFailed;
    unsigned char buffer[s_eepromSize];
    if (ftdi_get_eeprom_buf(ftdi, buffer, s_eepromSize) < 0)
        return USBIFtdiApi::EepromReadFailed;
    if (std::all_of(buffer, buffer + s_eepromSize, [](unsigned char b) { return b == 0xFF; }))
        return USBIFtdiApi::EepromNotProgrammed;
    if (ftdi_eeprom_decode(ftdi, 0) < 0)
        return USBIFtdiApi::EepromReadFailed;
    return USBIFtdiApi::Ok;
}

void readStrings(ftdi_context* ftdi, QByteArray& manufacturer, QByteArray& description, QByteArray& serialNumber)
{
    char texts[3][128] = {};
    ftdi_eeprom_get_strings(ftdi, texts[0], sizeof(texts[0]), texts[1], sizeof(texts[1]), texts[2], sizeof(texts[2]));
    manufacturer = QByteArray(texts[0]);
    description = QByteArray(texts[1]);
    serialNumber = QByteArray(texts[2]);
}

// A channel mode of the vendor form from libftdi's channel type.
void decodeChannelType(int type, quint8& isFifo, quint8& isFifoTarget, quint8& isFastSerial)
{
    isFifo = type == CHANNEL_IS_FIFO;
    isFifoTarget = type == CHANNEL_IS_CPU;
    isFastSerial = type == CHANNEL_IS_OPTO;
}

int encodeChannelType(quint8 isFifo, quint8 isFifoTarget, quint8 isFastSerial)
{
    if (isFifo)
        return CHANNEL_IS_FIFO;
    if (isFifoTarget)
        return CHANNEL_IS_CPU;
    if (isFastSerial)
        return CHANNEL_IS_OPTO;
    return CHANNEL_IS_UART;
}

// Moves the read-ahead buffer on with what the chip has now; waits at most the chip's latency.
int fetch(ftdi_context* ftdi, QByteArray& readAhead, int maxBytes)
{
    if (maxBytes <= 0)
        return USBIFtdiApi::Ok;
    QByteArray chunk(qMin(maxBytes, s_chunkSize), Qt::Uninitialized);
    const int n = ftdi_read_data(ftdi, reinterpret_cast<unsigned char*>(chunk.data()), chunk.size());
    if (n < 0)
        return USBIFtdiApi::IoError;
    readAhead.append(chunk.constData(), n);
    return USBIFtdiApi::Ok;
}
}

USBLibFtdiApi::USBLibFtdiApi() = default;

USBLibFtdiApi::~USBLibFtdiApi()
{
    for (const ChannelPtr& channel : m_channels)
    {
        QMutexLocker lock(&channel->mutex);
        if (channel->ftdi)
        {
            ftdi_usb_close(channel->ftdi);
            ftdi_free(channel->ftdi);
            channel->ftdi = nullptr;
        }
    }
}

USBLibFtdiApi::ChannelPtr USBLibFtdiApi::find(Handle handle) const
{
    QMutexLocker lock(&m_mutex);
    return m_channels.value(handle);
}

template <typename Action>
int USBLibFtdiApi::withContext(Handle handle, Action action)
{
    const ChannelPtr channel = find(handle);
    if (!channel)
        return InvalidHandle;
    QMutexLocker lock(&channel->mutex);
    if (!channel->ftdi)
        return InvalidHandle;
    return action(*channel);
}

int USBLibFtdiApi::createDeviceInfoList(quint32& count)
{
    count = 0;
    QVector<ListedChannel> channels;
    ftdi_device_list* list = nullptr;
    ftdi_context* ftdi = ftdi_new();
    // No USB subsystem at all (no libusb context) is a machine without chips, not an error.
    int status = Ok;
    if (ftdi)
    {
        status = listChannels(ftdi, &list, channels);
        ftdi_list_free(&list);
        ftdi_free(ftdi);
    }

    QMutexLocker lock(&m_mutex);
    m_nodes.clear();
    for (ListedChannel& channel : channels)
    {
        for (const ChannelPtr& open : m_channels)
        {
            if (open->node.locationId == channel.node.locationId)
                channel.node.flags |= 1;
        }
        m_nodes.append(channel.node);
    }
    count = quint32(m_nodes.count());
    return status;
}

int USBLibFtdiApi::getDeviceInfoList(QVector<USBFtdiDeviceListNode>& nodes)
{
    QMutexLocker lock(&m_mutex);
    nodes = m_nodes;
    return Ok;
}

int USBLibFtdiApi::open(int deviceIndex, Handle& handle)
{
    handle = 0;
    ftdi_context* ftdi = ftdi_new();
    if (!ftdi)
        return DeviceNotFound;
    QVector<ListedChannel> channels;
    ftdi_device_list* list = nullptr;
    int status = listChannels(ftdi, &list, channels);
    if (status == Ok && (deviceIndex < 0 || deviceIndex >= channels.count()))
        status = DeviceNotFound;
    if (status == Ok)
    {
        const ListedChannel& listed = channels.at(deviceIndex);
        if (ftdi_set_interface(ftdi, ftdi_interface(INTERFACE_A + listed.channelIndex)) < 0
            || ftdi_usb_open_dev(ftdi, listed.device) < 0)
            status = DeviceNotOpened;
    }
    if (status != Ok)
    {
        ftdi_list_free(&list);
        ftdi_free(ftdi);
        return status;
    }

    ChannelPtr channel(new Channel);
    channel->ftdi = ftdi;
    channel->node = channels.at(deviceIndex).node;
    channel->node.flags |= 1;
    ftdi_list_free(&list);
    ftdi->usb_write_timeout = int(channel->writeTimeout);

    QMutexLocker lock(&m_mutex);
    handle = m_nextHandle++;
    m_channels.insert(handle, channel);
    return Ok;
}

int USBLibFtdiApi::close(Handle handle)
{
    ChannelPtr channel;
    {
        QMutexLocker lock(&m_mutex);
        channel = m_channels.take(handle);
    }
    if (!channel)
        return InvalidHandle;
    QMutexLocker lock(&channel->mutex);
    if (channel->ftdi)
    {
        ftdi_usb_close(channel->ftdi);
        ftdi_free(channel->ftdi);
        channel->ftdi = nullptr;
    }
    return Ok;
}

int USBLibFtdiApi::getDeviceInfo(Handle handle, int& chipType, quint32& usbId, QByteArray& serialNumber,
                                 QByteArray& description)
{
    return withContext(handle, [&](Channel& channel) {
        chipType = channel.node.chipType;
        usbId = channel.node.usbId;
        serialNumber = channel.node.serialNumber;
        description = channel.node.description;
        return int(Ok);
    });
}

int USBLibFtdiApi::readEeprom(Handle handle, USBFtdiProgramData& data)
{
    return withContext(handle, [&](Channel& channel) {
        ftdi_context* ftdi = channel.ftdi;
        if (channel.node.chipType == ChipFTX)
            return int(NotSupported);
        const int status = readAndDecode(ftdi);
        if (status != Ok)
            return status;
        data.vendorId = quint16(value(ftdi, VENDOR_ID));
        data.productId = quint16(value(ftdi, PRODUCT_ID));
        readStrings(ftdi, data.manufacturer, data.description, data.serialNumber);
        data.maxPower = quint16(value(ftdi, MAX_POWER));
        data.pnp = !value(ftdi, IS_NOT_PNP);
        data.selfPowered = quint8(value(ftdi, SELF_POWERED));
        data.remoteWakeup = quint8(value(ftdi, REMOTE_WAKEUP));
        const quint8 pullDown = quint8(value(ftdi, SUSPEND_PULL_DOWNS));
        const quint8 serNum = quint8(value(ftdi, USE_SERIAL));
        const bool vcpA = value(ftdi, CHANNEL_A_DRIVER) != 0;
        switch (channel.node.chipType)
        {
        case ChipFT232R:
            data.pullDownEnableR = pullDown;
            data.serNumEnableR = serNum;
            data.rIsD2XX = !vcpA;
            data.cbus0 = quint8(value(ftdi, CBUS_FUNCTION_0));
            break;
        case ChipFT232H:
            data.pullDownEnableH = pullDown;
            data.serNumEnableH = serNum;
            data.acSlowSlewH = quint8(value(ftdi, GROUP0_SLEW));
            data.acDriveCurrentH = driveToMilliamperes(value(ftdi, GROUP0_DRIVE));
            data.adSlowSlewH = quint8(value(ftdi, GROUP1_SLEW));
            data.adDriveCurrentH = driveToMilliamperes(value(ftdi, GROUP1_DRIVE));
            data.cbus8H = quint8(value(ftdi, CBUS_FUNCTION_8));
            data.cbus9H = quint8(value(ftdi, CBUS_FUNCTION_9));
            data.isFT1248H = value(ftdi, CHANNEL_A_TYPE) == CHANNEL_IS_FT1284;
            decodeChannelType(value(ftdi, CHANNEL_A_TYPE), data.isFifoH, data.isFifoTarH, data.isFastSerH);
            data.isVCPH = vcpA;
            data.powerSaveEnableH = quint8(value(ftdi, POWER_SAVE));
            break;
        case ChipFT2232H:
            data.pullDownEnable7 = pullDown;
            data.serNumEnable7 = serNum;
            data.alSlowSlew = quint8(value(ftdi, GROUP0_SLEW));
            data.alDriveCurrent = driveToMilliamperes(value(ftdi, GROUP0_DRIVE));
            data.ahSlowSlew = quint8(value(ftdi, GROUP1_SLEW));
            data.ahDriveCurrent = driveToMilliamperes(value(ftdi, GROUP1_DRIVE));
            data.blSlowSlew = quint8(value(ftdi, GROUP2_SLEW));
            data.blDriveCurrent = driveToMilliamperes(value(ftdi, GROUP2_DRIVE));
            data.bhSlowSlew = quint8(value(ftdi, GROUP3_SLEW));
            data.bhDriveCurrent = driveToMilliamperes(value(ftdi, GROUP3_DRIVE));
            decodeChannelType(value(ftdi, CHANNEL_A_TYPE), data.ifaIsFifo7, data.ifaIsFifoTar7, data.ifaIsFastSer7);
            decodeChannelType(value(ftdi, CHANNEL_B_TYPE), data.ifbIsFifo7, data.ifbIsFifoTar7, data.ifbIsFastSer7);
            data.aIsVCP7 = vcpA;
            data.bIsVCP7 = value(ftdi, CHANNEL_B_DRIVER) != 0;
            data.powerSaveEnable = quint8(value(ftdi, POWER_SAVE));
            break;
        default:
            break;
        }
        return int(Ok);
    });
}

int USBLibFtdiApi::programEeprom(Handle handle, const USBFtdiProgramData& data)
{
    return withContext(handle, [&](Channel& channel) {
        ftdi_context* ftdi = channel.ftdi;
        if (channel.node.chipType == ChipFTX)
            return int(NotSupported);
        // Start from the chip's own contents so that fields the form does not carry survive.
        const int status = readAndDecode(ftdi);
        if (status == EepromNotProgrammed)
            ftdi_eeprom_initdefaults(ftdi, nullptr, nullptr, nullptr);
        else if (status != Ok)
            return status;

        setValue(ftdi, VENDOR_ID, data.vendorId);
        setValue(ftdi, PRODUCT_ID, data.productId);
        setValue(ftdi, MAX_POWER, data.maxPower);
        setValue(ftdi, IS_NOT_PNP, !data.pnp);
        setValue(ftdi, SELF_POWERED, data.selfPowered);
        setValue(ftdi, REMOTE_WAKEUP, data.remoteWakeup);
        switch (channel.node.chipType)
        {
        case ChipFT232R:
            setValue(ftdi, SUSPEND_PULL_DOWNS, data.pullDownEnableR);
            setValue(ftdi, USE_SERIAL, data.serNumEnableR);
            setValue(ftdi, CHANNEL_A_DRIVER, data.rIsD2XX ? 0 : DRIVER_VCP);
            setValue(ftdi, CBUS_FUNCTION_0, data.cbus0);
            break;
        case ChipFT232H:
            setValue(ftdi, SUSPEND_PULL_DOWNS, data.pullDownEnableH);
            setValue(ftdi, USE_SERIAL, data.serNumEnableH);
            setValue(ftdi, GROUP0_SLEW, data.acSlowSlewH);
            setValue(ftdi, GROUP0_DRIVE, milliamperesToDrive(data.acDriveCurrentH));
            setValue(ftdi, GROUP1_SLEW, data.adSlowSlewH);
            setValue(ftdi, GROUP1_DRIVE, milliamperesToDrive(data.adDriveCurrentH));
            setValue(ftdi, CBUS_FUNCTION_8, data.cbus8H);
            setValue(ftdi, CBUS_FUNCTION_9, data.cbus9H);
            setValue(ftdi, CHANNEL_A_TYPE, data.isFT1248H ? CHANNEL_IS_FT1284
                                                           : encodeChannelType(data.isFifoH, data.isFifoTarH, data.isFastSerH));
            setValue(ftdi, CHANNEL_A_DRIVER, data.isVCPH ? DRIVER_VCP : 0);
            setValue(ftdi, POWER_SAVE, data.powerSaveEnableH);
            break;
        case ChipFT2232H:
            setValue(ftdi, SUSPEND_PULL_DOWNS, data.pullDownEnable7);
            setValue(ftdi, USE_SERIAL, data.serNumEnable7);
            setValue(ftdi, GROUP0_SLEW, data.alSlowSlew);
            setValue(ftdi, GROUP0_DRIVE, milliamperesToDrive(data.alDriveCurrent));
            setValue(ftdi, GROUP1_SLEW, data.ahSlowSlew);
            setValue(ftdi, GROUP1_DRIVE, milliamperesToDrive(data.ahDriveCurrent));
            setValue(ftdi, GROUP2_SLEW, data.blSlowSlew);
            setValue(ftdi, GROUP2_DRIVE, milliamperesToDrive(data.blDriveCurrent));
            setValue(ftdi, GROUP3_SLEW, data.bhSlowSlew);
            setValue(ftdi, GROUP3_DRIVE, milliamperesToDrive(data.bhDriveCurrent));
            setValue(ftdi, CHANNEL_A_TYPE, encodeChannelType(data.ifaIsFifo7, data.ifaIsFifoTar7, data.ifaIsFastSer7));
            setValue(ftdi, CHANNEL_B_TYPE, encodeChannelType(data.ifbIsFifo7, data.ifbIsFifoTar7, data.ifbIsFastSer7));
            setValue(ftdi, CHANNEL_A_DRIVER, data.aIsVCP7 ? DRIVER_VCP : 0);
            setValue(ftdi, CHANNEL_B_DRIVER, data.bIsVCP7 ? DRIVER_VCP : 0);
            setValue(ftdi, POWER_SAVE, data.powerSaveEnable);
            break;
        default:
            break;
        }
        if (ftdi_eeprom_set_strings(ftdi, data.manufacturer.constData(), data.description.constData(),
                                    data.serialNumber.constData()) < 0
            || ftdi_eeprom_build(ftdi) < 0 || ftdi_write_eeprom(ftdi) < 0)
            return int(EepromWriteFailed);
        return int(Ok);
    });
}

int USBLibFtdiApi::readEepromX(Handle handle, USBFtdiXSeriesEeprom& data)
{
    return withContext(handle, [&](Channel& channel) {
        ftdi_context* ftdi = channel.ftdi;
        if (channel.node.chipType != ChipFTX)
            return int(NotSupported);
        const int status = readAndDecode(ftdi);
        if (status != Ok)
            return status;
        data.vendorId = quint16(value(ftdi, VENDOR_ID));
        data.productId = quint16(value(ftdi, PRODUCT_ID));
        data.serNumEnable = quint8(value(ftdi, USE_SERIAL));
        data.maxPower = quint16(value(ftdi, MAX_POWER));
        data.selfPowered = quint8(value(ftdi, SELF_POWERED));
        data.remoteWakeup = quint8(value(ftdi, REMOTE_WAKEUP));
        data.pullDownEnable = quint8(value(ftdi, SUSPEND_PULL_DOWNS));
        data.cbus0 = quint8(value(ftdi, CBUS_FUNCTION_0));
        data.cbus1 = quint8(value(ftdi, CBUS_FUNCTION_1));
        data.cbus2 = quint8(value(ftdi, CBUS_FUNCTION_2));
        data.cbus3 = quint8(value(ftdi, CBUS_FUNCTION_3));
        readStrings(ftdi, data.manufacturer, data.description, data.serialNumber);
        return int(Ok);
    });
}

int USBLibFtdiApi::programEepromX(Handle handle, const USBFtdiXSeriesEeprom&)
{
    return withContext(handle, [](Channel&) { return int(NotSupported); });
}

int USBLibFtdiApi::resetPort(Handle handle)
{
    return withContext(handle, [](Channel& channel) {
        channel.readAhead.clear();
        return int(ftdi_usb_reset(channel.ftdi) < 0 ? IoError : Ok);
    });
}

int USBLibFtdiApi::setBaudRate(Handle handle, quint32 baudRate)
{
    return withContext(handle, [&](Channel& channel) {
        return int(ftdi_set_baudrate(channel.ftdi, int(baudRate)) < 0 ? InvalidBaudRate : Ok);
    });
}

int USBLibFtdiApi::setDataCharacteristics(Handle handle, quint8 wordLength, quint8 stopBits, quint8 parity)
{
    // The vendor's codes and libftdi's enumerations have the same values.
    return withContext(handle, [&](Channel& channel) {
        return int(ftdi_set_line_property(channel.ftdi, ftdi_bits_type(wordLength), ftdi_stopbits_type(stopBits),
                                          ftdi_parity_type(parity)) < 0 ? IoError : Ok);
    });
}

int USBLibFtdiApi::setFlowControl(Handle handle, quint16 flowControl, quint8, quint8)
{
    return withContext(handle, [&](Channel& channel) {
        const int flow = flowControl == FlowRtsCts ? SIO_RTS_CTS_HS : SIO_DISABLE_FLOW_CTRL;
        return int(ftdi_setflowctrl(channel.ftdi, flow) < 0 ? IoError : Ok);
    });
}

int USBLibFtdiApi::setLatencyTimer(Handle handle, quint8 milliseconds)
{
    return withContext(handle, [&](Channel& channel) {
        return int(ftdi_set_latency_timer(channel.ftdi, milliseconds) < 0 ? IoError : Ok);
    });
}

int USBLibFtdiApi::setBitMode(Handle handle, quint8 mask, quint8 mode)
{
    return withContext(handle, [&](Channel& channel) {
        return int(ftdi_set_bitmode(channel.ftdi, mask, mode) < 0 ? IoError : Ok);
    });
}

int USBLibFtdiApi::setUSBParameters(Handle handle, quint32 inTransferSize, quint32 outTransferSize)
{
    return withContext(handle, [&](Channel& channel) {
        if (inTransferSize != 0 && ftdi_read_data_set_chunksize(channel.ftdi, inTransferSize) < 0)
            return int(IoError);
        if (outTransferSize != 0 && ftdi_write_data_set_chunksize(channel.ftdi, outTransferSize) < 0)
            return int(IoError);
        return int(Ok);
    });
}

int USBLibFtdiApi::purge(Handle handle, quint32 mask)
{
    return withContext(handle, [&](Channel& channel) {
        int result = 0;
        if ((mask & PurgeRx) && (mask & PurgeTx))
            result = ftdi_tcioflush(channel.ftdi);
        else if (mask & PurgeRx)
            result = ftdi_tciflush(channel.ftdi);
        else if (mask & PurgeTx)
            result = ftdi_tcoflush(channel.ftdi);
        if (mask & PurgeRx)
            channel.readAhead.clear();
        return int(result < 0 ? IoError : Ok);
    });
}

int USBLibFtdiApi::setTimeouts(Handle handle, quint32 readMilliseconds, quint32 writeMilliseconds)
{
    return withContext(handle, [&](Channel& channel) {
        channel.readTimeout = readMilliseconds;
        channel.writeTimeout = writeMilliseconds;
        channel.ftdi->usb_write_timeout = int(writeMilliseconds);
        return int(Ok);
    });
}

int USBLibFtdiApi::getQueueStatus(Handle handle, quint32& rxCount)
{
    rxCount = 0;
    return withContext(handle, [&](Channel& channel) {
        const int status = fetch(channel.ftdi, channel.readAhead, s_chunkSize);
        rxCount = quint32(channel.readAhead.size());
        return status;
    });
}

int USBLibFtdiApi::getStatus(Handle handle, quint32& rxCount, quint32& txCount, quint32& eventStatus)
{
    rxCount = 0;
    txCount = 0;
    eventStatus = 0;
    return withContext(handle, [&](Channel& channel) {
        // The modem status query fails once the chip is gone.
        unsigned short modemStatus = 0;
        if (ftdi_poll_modem_status(channel.ftdi, &modemStatus) < 0)
            return int(IoError);
        const int status = fetch(channel.ftdi, channel.readAhead, s_chunkSize);
        rxCount = quint32(channel.readAhead.size());
        return status;
    });
}

int USBLibFtdiApi::read(Handle handle, quint8* buffer, quint32 count, quint32& bytesRead)
{
    bytesRead = 0;
    const ChannelPtr channel = find(handle);
    if (!channel)
        return InvalidHandle;
    QElapsedTimer timer;
    timer.start();
    for (;;)
    {
        {
            // Locked per transfer only, so that status queries of other threads get in between.
            QMutexLocker lock(&channel->mutex);
            if (!channel->ftdi)
                return InvalidHandle;
            const int wanted = int(count - bytesRead);
            if (channel->readAhead.size() < wanted)
            {
                const int status = fetch(channel->ftdi, channel->readAhead, wanted - channel->readAhead.size());
                if (status != Ok)
                    return status;
            }
            const int n = qMin(wanted, channel->readAhead.size());
            std::memcpy(buffer + bytesRead, channel->readAhead.constData(), size_t(n));
            channel->readAhead.remove(0, n);
            bytesRead += quint32(n);
            if (bytesRead == count || timer.elapsed() >= qint64(channel->readTimeout))
                return Ok;
        }
        QThread::yieldCurrentThread();
    }
}

int USBLibFtdiApi::write(Handle handle, const quint8* buffer, quint32 count, quint32& bytesWritten)
{
    bytesWritten = 0;
    return withContext(handle, [&](Channel& channel) {
        const int n = ftdi_write_data(channel.ftdi, buffer, int(count));
        if (n < 0)
            return int(IoError);
        bytesWritten = quint32(n);
        return int(Ok);
    });
}

void USBLibFtdiApi::pause(int milliseconds)
{
    QThread::msleep(ulong(milliseconds));
}
