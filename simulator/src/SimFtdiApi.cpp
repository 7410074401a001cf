#include "SimFtdiApi.h"

#include "SimFtdiChannel.h"
#include "SimFtdiChip.h"
#include "SimIChannelEndpoint.h"
#include "SimUsbBus.h"

#include <QMutexLocker>
#include <QStringList>
#include <QThread>
#include <algorithm>

namespace
{
QString entry(const char* name, std::initializer_list<qint64> args = {})
{
    QStringList texts;
    for (qint64 arg : args)
        texts.append(QString::number(arg));
    return QStringLiteral("%1(%2)").arg(QLatin1String(name), texts.join(QStringLiteral(", ")));
}

// The lowest program-data form version a chip type accepts.
quint32 requiredFormVersion(int chipType)
{
    switch (chipType)
    {
    case USBIFtdiApi::ChipFT232R:
        return 2;
    case USBIFtdiApi::ChipFT2232H:
        return 3;
    case USBIFtdiApi::ChipFT232H:
        return 5;
    default:
        return 0;
    }
}

int checkProgramForm(const SimFtdiChip& chip, const USBFtdiProgramData& data)
{
    if (chip.getChipType() == USBIFtdiApi::ChipFTX)
        return USBIFtdiApi::NotSupported;
    if (data.signature1 != 0 || data.signature2 != 0xFFFFFFFF || data.version < requiredFormVersion(chip.getChipType()))
        return USBIFtdiApi::InvalidParameter;
    return USBIFtdiApi::Ok;
}

int checkExtendedForm(const SimFtdiChip& chip, const USBFtdiXSeriesEeprom& data)
{
    if (chip.getChipType() != USBIFtdiApi::ChipFTX)
        return USBIFtdiApi::NotSupported;
    if (data.deviceType != USBIFtdiApi::ChipFTX)
        return USBIFtdiApi::InvalidParameter;
    return USBIFtdiApi::Ok;
}
}

SimFtdiApi::SimFtdiApi(SimUsbBus* bus)
    : m_pBus(bus)
{
}

int SimFtdiApi::lookup(Handle handle, SimFtdiChannel*& channel) const
{
    const auto it = m_handles.constFind(handle);
    if (it == m_handles.constEnd())
        return InvalidHandle;
    channel = it->channel;
    const SimFtdiChip& chip = channel->getChip();
    if (!chip.m_plugged || chip.m_generation != it->generation)
        return IoError;
    return Ok;
}

int SimFtdiApi::configure(Handle handle, const QString& text, const std::function<int(SimFtdiChannel&)>& action)
{
    QMutexLocker lock(&m_pBus->m_mutex);
    m_pBus->syncRealTime();
    int status = m_pBus->logCall(text);
    if (status != Ok)
        return status;
    SimFtdiChannel* channel = nullptr;
    status = lookup(handle, channel);
    if (status != Ok)
        return status;
    return action(*channel);
}

int SimFtdiApi::createDeviceInfoList(quint32& count)
{
    QMutexLocker lock(&m_pBus->m_mutex);
    m_pBus->syncRealTime();
    count = 0;
    const int status = m_pBus->logCall(entry("createDeviceInfoList"));
    if (status != Ok)
        return status;
    count = quint32(m_pBus->listedChannels().count());
    return Ok;
}

int SimFtdiApi::getDeviceInfoList(QVector<USBFtdiDeviceListNode>& nodes)
{
    QMutexLocker lock(&m_pBus->m_mutex);
    m_pBus->syncRealTime();
    nodes.clear();
    const int status = m_pBus->logCall(entry("getDeviceInfoList"));
    if (status != Ok)
        return status;
    nodes = m_pBus->getNodes();
    return Ok;
}

int SimFtdiApi::open(int deviceIndex, Handle& handle)
{
    QMutexLocker lock(&m_pBus->m_mutex);
    m_pBus->syncRealTime();
    handle = 0;
    const int status = m_pBus->logCall(entry("open", {deviceIndex}));
    if (status != Ok)
        return status;
    SimFtdiChannel* channel = m_pBus->getChannel(deviceIndex);
    if (!channel)
        return DeviceNotFound;
    if (channel->m_openHandle != 0)
        return DeviceNotOpened;
    handle = m_nextHandle++;
    m_handles.insert(handle, HandleState{channel, channel->getChip().m_generation});
    channel->m_openHandle = handle;
    channel->m_readTimeout = SimUsbBus::s_defaultTimeout;
    channel->m_writeTimeout = SimUsbBus::s_defaultTimeout;
    return Ok;
}

int SimFtdiApi::close(Handle handle)
{
    QMutexLocker lock(&m_pBus->m_mutex);
    m_pBus->syncRealTime();
    const int status = m_pBus->logCall(entry("close"));
    const auto it = m_handles.find(handle);
    if (it == m_handles.end())
        return InvalidHandle;
    if (it->channel->m_openHandle == handle)
        it->channel->m_openHandle = 0;
    m_handles.erase(it);
    return status;
}

int SimFtdiApi::getDeviceInfo(Handle handle, int& chipType, quint32& usbId, QByteArray& serialNumber,
                              QByteArray& description)
{
    return configure(handle, entry("getDeviceInfo"), [&](SimFtdiChannel& channel) {
        const USBFtdiDeviceListNode node = channel.getNode();
        chipType = channel.getChip().getChipType();
        usbId = node.usbId;
        serialNumber = node.serialNumber;
        description = node.description;
        return int(Ok);
    });
}

int SimFtdiApi::readEeprom(Handle handle, USBFtdiProgramData& data)
{
    return configure(handle, entry("readEeprom", {data.version}), [&](SimFtdiChannel& channel) {
        const SimFtdiChip& chip = channel.getChip();
        const int status = checkProgramForm(chip, data);
        if (status != Ok)
            return status;
        if (chip.m_blank)
            return int(EepromNotProgrammed);
        const quint32 version = data.version;
        data = chip.m_eeprom;
        data.signature1 = 0;
        data.signature2 = 0xFFFFFFFF;
        data.version = version;
        return int(Ok);
    });
}

int SimFtdiApi::programEeprom(Handle handle, const USBFtdiProgramData& data)
{
    return configure(handle, entry("programEeprom", {data.version}), [&](SimFtdiChannel& channel) {
        SimFtdiChip& chip = channel.getChip();
        const int status = checkProgramForm(chip, data);
        if (status != Ok)
            return status;
        chip.m_eeprom = data;
        chip.m_blank = false;
        ++chip.m_programCount;
        return int(Ok);
    });
}

int SimFtdiApi::readEepromX(Handle handle, USBFtdiXSeriesEeprom& data)
{
    return configure(handle, entry("readEepromX", {USBFtdiXSeriesEeprom::s_structSize}), [&](SimFtdiChannel& channel) {
        const SimFtdiChip& chip = channel.getChip();
        const int status = checkExtendedForm(chip, data);
        if (status != Ok)
            return status;
        if (chip.m_blank)
            return int(EepromNotProgrammed);
        data = chip.m_eepromX;
        return int(Ok);
    });
}

int SimFtdiApi::programEepromX(Handle handle, const USBFtdiXSeriesEeprom& data)
{
    return configure(handle, entry("programEepromX", {USBFtdiXSeriesEeprom::s_structSize}), [&](SimFtdiChannel& channel) {
        SimFtdiChip& chip = channel.getChip();
        const int status = checkExtendedForm(chip, data);
        if (status != Ok)
            return status;
        chip.m_eepromX = data;
        chip.m_blank = false;
        ++chip.m_programCount;
        return int(Ok);
    });
}

int SimFtdiApi::resetPort(Handle handle)
{
    return configure(handle, entry("resetPort"), [](SimFtdiChannel&) { return int(Ok); });
}

int SimFtdiApi::setBaudRate(Handle handle, quint32 baudRate)
{
    return configure(handle, entry("setBaudRate", {baudRate}),
                     [&](SimFtdiChannel&) { return int(baudRate == 0 ? InvalidBaudRate : Ok); });
}

int SimFtdiApi::setDataCharacteristics(Handle handle, quint8 wordLength, quint8 stopBits, quint8 parity)
{
    return configure(handle, entry("setDataCharacteristics", {wordLength, stopBits, parity}),
                     [](SimFtdiChannel&) { return int(Ok); });
}

int SimFtdiApi::setFlowControl(Handle handle, quint16 flowControl, quint8 xon, quint8 xoff)
{
    return configure(handle, entry("setFlowControl", {flowControl, xon, xoff}),
                     [](SimFtdiChannel&) { return int(Ok); });
}

int SimFtdiApi::setLatencyTimer(Handle handle, quint8 milliseconds)
{
    return configure(handle, entry("setLatencyTimer", {milliseconds}), [](SimFtdiChannel&) { return int(Ok); });
}

int SimFtdiApi::setBitMode(Handle handle, quint8 mask, quint8 mode)
{
    return configure(handle, entry("setBitMode", {mask, mode}), [](SimFtdiChannel&) { return int(Ok); });
}

int SimFtdiApi::setUSBParameters(Handle handle, quint32 inTransferSize, quint32 outTransferSize)
{
    return configure(handle, entry("setUSBParameters", {inTransferSize, outTransferSize}),
                     [](SimFtdiChannel&) { return int(Ok); });
}

int SimFtdiApi::purge(Handle handle, quint32 mask)
{
    return configure(handle, entry("purge", {mask}), [&](SimFtdiChannel& channel) {
        if (mask & PurgeRx)
            channel.m_toHost.clear();
        return int(Ok);
    });
}

int SimFtdiApi::setTimeouts(Handle handle, quint32 readMilliseconds, quint32 writeMilliseconds)
{
    return configure(handle, entry("setTimeouts", {readMilliseconds, writeMilliseconds}), [&](SimFtdiChannel& channel) {
        channel.m_readTimeout = readMilliseconds;
        channel.m_writeTimeout = writeMilliseconds;
        return int(Ok);
    });
}

int SimFtdiApi::getQueueStatus(Handle handle, quint32& rxCount)
{
    QMutexLocker lock(&m_pBus->m_mutex);
    m_pBus->syncRealTime();
    rxCount = 0;
    SimFtdiChannel* channel = nullptr;
    const int status = lookup(handle, channel);
    if (status != Ok)
        return status;
    rxCount = quint32(channel->m_toHost.size());
    return Ok;
}

int SimFtdiApi::getStatus(Handle handle, quint32& rxCount, quint32& txCount, quint32& eventStatus)
{
    txCount = 0;
    eventStatus = 0;
    return getQueueStatus(handle, rxCount);
}

int SimFtdiApi::read(Handle handle, quint8* buffer, quint32 count, quint32& bytesRead)
{
    QMutexLocker lock(&m_pBus->m_mutex);
    m_pBus->syncRealTime();
    bytesRead = 0;
    SimFtdiChannel* channel = nullptr;
    int status = lookup(handle, channel);
    if (status != Ok)
        return status;

    const size_t wanted = channel->m_readLimit > 0 ? std::min<size_t>(count, size_t(channel->m_readLimit)) : count;
    const qint64 deadline = m_pBus->m_time + channel->m_readTimeout;
    while (channel->m_toHost.size() < wanted && m_pBus->m_time < deadline)
    {
        if (m_pBus->m_realTime)
        {
            // Let other threads (and the board's clock) move while this read waits.
            lock.unlock();
            QThread::msleep(1);
            lock.relock();
            m_pBus->syncRealTime();
        }
        else
        {
            m_pBus->step(1);
        }
        status = lookup(handle, channel);
        if (status != Ok)
            return status;
    }

    const size_t n = std::min(wanted, channel->m_toHost.size());
    std::copy_n(channel->m_toHost.begin(), n, buffer);
    channel->m_toHost.erase(channel->m_toHost.begin(), channel->m_toHost.begin() + std::ptrdiff_t(n));
    bytesRead = quint32(n);
    return Ok;
}

int SimFtdiApi::write(Handle handle, const quint8* buffer, quint32 count, quint32& bytesWritten)
{
    QMutexLocker lock(&m_pBus->m_mutex);
    m_pBus->syncRealTime();
    bytesWritten = 0;
    SimFtdiChannel* channel = nullptr;
    const int status = lookup(handle, channel);
    if (status != Ok)
        return status;

    const quint32 n = channel->m_writeLimit > 0 ? std::min(count, quint32(channel->m_writeLimit)) : count;
    QVector<quint8> bytes(static_cast<int>(n));
    std::copy_n(buffer, n, bytes.begin());
    bytesWritten = n;
    const boost::shared_ptr<SimIChannelEndpoint> endpoint = channel->m_pEndpoint;
    if (endpoint)
        endpoint->hostWrote(*channel, bytes);
    else
        channel->m_fromHost += bytes;
    return Ok;
}

void SimFtdiApi::pause(int milliseconds)
{
    QMutexLocker lock(&m_pBus->m_mutex);
    m_pBus->syncRealTime();
    m_pBus->m_callLog.append(entry("pause", {milliseconds}));
    if (m_pBus->m_realTime)
    {
        lock.unlock();
        QThread::msleep(ulong(milliseconds));
        lock.relock();
        m_pBus->syncRealTime();
    }
    else
    {
        m_pBus->step(milliseconds);
    }
}

void SimFtdiApi::dropHandles(const SimFtdiChip* chip)
{
    for (auto it = m_handles.begin(); it != m_handles.end();)
    {
        if (&it->channel->getChip() == chip)
            it = m_handles.erase(it);
        else
            ++it;
    }
}
