#include "SimUsbBus.h"

#include "SimFtdiApi.h"
#include "SimFtdiChannel.h"
#include "SimFtdiChip.h"
#include "SimIChannelEndpoint.h"

#include <QMutexLocker>
#include <algorithm>

namespace
{
SimUsbBus* s_pInstance = nullptr;

// The EEPROM contents a chip comes with, in either form.
template <typename Form>
Form factoryForm(int chipType, const QByteArray& serialNumber)
{
    const quint32 usbId = SimFtdiChip::factoryUsbId(chipType);
    Form form;
    form.vendorId = quint16(usbId >> 16);
    form.productId = quint16(usbId);
    form.manufacturer = "FTDI";
    form.manufacturerId = "FT";
    form.description = SimFtdiChip::factoryDescription(chipType);
    form.serialNumber = serialNumber;
    form.maxPower = 100;
    return form;
}
}

SimUsbBus& SimUsbBus::instance()
{
    if (!s_pInstance)
        qFatal("No simulated USB bus: the program's main creates it (TALVEX_USB_BACKEND=simulator)");
    return *s_pInstance;
}

SimUsbBus::SimUsbBus()
    : m_pApi(new SimFtdiApi(this))
{
    Q_ASSERT(!s_pInstance);
    s_pInstance = this;
    m_wallClock.start();
}

SimUsbBus::~SimUsbBus()
{
    s_pInstance = nullptr;
}

void SimUsbBus::reset()
{
    QMutexLocker lock(&m_mutex);
    for (const auto& chip : m_chips)
        m_pApi->dropHandles(chip.get());
    m_chips.clear();
    m_time = 0;
    m_realTime = false;
    m_callLog.clear();
    m_failStep = -1;
    m_failStatus = 0;
}

SimFtdiChip& SimUsbBus::addChip(int chipType, const QByteArray& serialNumber, quint32 locationId)
{
    QMutexLocker lock(&m_mutex);
    m_chips.push_back(std::make_unique<SimFtdiChip>(this, chipType, locationId));
    SimFtdiChip& chip = *m_chips.back();
    if (chipType == USBIFtdiApi::ChipFTX)
    {
        chip.m_eepromX = factoryForm<USBFtdiXSeriesEeprom>(chipType, serialNumber);
        chip.m_eepromX.serNumEnable = 1;
    }
    else
    {
        chip.m_eeprom = factoryForm<USBFtdiProgramData>(chipType, serialNumber);
        chip.m_eeprom.pnp = 1;
    }
    return chip;
}

void SimUsbBus::removeChip(SimFtdiChip& chip)
{
    QMutexLocker lock(&m_mutex);
    const auto it = std::find_if(m_chips.begin(), m_chips.end(), [&](const auto& c) { return c.get() == &chip; });
    if (it == m_chips.end())
        return;
    m_pApi->dropHandles(&chip);
    m_chips.erase(it);
}

QVector<SimFtdiChannel*> SimUsbBus::listedChannels() const
{
    QVector<SimFtdiChannel*> channels;
    for (const auto& chip : m_chips)
    {
        if (!chip->m_plugged)
            continue;
        for (const auto& channel : chip->m_channels)
        {
            if (channel->m_listed)
                channels.append(channel.get());
        }
    }
    return channels;
}

QVector<USBFtdiDeviceListNode> SimUsbBus::getNodes() const
{
    QMutexLocker lock(&m_mutex);
    QVector<USBFtdiDeviceListNode> nodes;
    for (SimFtdiChannel* channel : listedChannels())
        nodes.append(channel->getNode());
    return nodes;
}

SimFtdiChannel* SimUsbBus::getChannel(int deviceIndex) const
{
    QMutexLocker lock(&m_mutex);
    const QVector<SimFtdiChannel*> channels = listedChannels();
    return deviceIndex >= 0 && deviceIndex < channels.count() ? channels.at(deviceIndex) : nullptr;
}

qint64 SimUsbBus::getTime() const
{
    QMutexLocker lock(&m_mutex);
    return m_time;
}

void SimUsbBus::advance(qint64 milliseconds)
{
    QMutexLocker lock(&m_mutex);
    step(milliseconds);
}

void SimUsbBus::step(qint64 milliseconds)
{
    for (qint64 i = 0; i < milliseconds; ++i)
    {
        ++m_time;
        for (const auto& chip : m_chips)
        {
            if (!chip->m_plugged)
                continue;
            for (const auto& channel : chip->m_channels)
            {
                const boost::shared_ptr<SimIChannelEndpoint> endpoint = channel->m_pEndpoint;
                if (endpoint)
                    endpoint->advance(*channel, 1);
            }
        }
    }
}

void SimUsbBus::setRealTime(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_realTime = on;
    m_wallClock.restart();
    m_wallClockBase = m_time;
}

void SimUsbBus::syncRealTime()
{
    if (!m_realTime)
        return;
    const qint64 target = m_wallClockBase + m_wallClock.elapsed();
    if (target > m_time)
        step(target - m_time);
}

QStringList SimUsbBus::getCallLog() const
{
    QMutexLocker lock(&m_mutex);
    return m_callLog;
}

void SimUsbBus::clearCallLog()
{
    QMutexLocker lock(&m_mutex);
    m_callLog.clear();
}

void SimUsbBus::failCallAt(int step, int status)
{
    QMutexLocker lock(&m_mutex);
    m_failStep = step;
    m_failStatus = status;
}

int SimUsbBus::logCall(const QString& entry)
{
    m_callLog.append(entry);
    if (m_failStep < 0)
        return USBIFtdiApi::Ok;
    if (m_failStep-- > 0)
        return USBIFtdiApi::Ok;
    return m_failStatus;
}

int SimUsbBus::getOpenHandleCount() const
{
    QMutexLocker lock(&m_mutex);
    return m_pApi->getOpenHandleCount();
}

USBIFtdiApi& SimUsbBus::getApi()
{
    return *m_pApi;
}
