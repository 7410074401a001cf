#include "SimFtdiChip.h"

#include "SimFtdiChannel.h"
#include "SimUsbBus.h"
#include "USBIFtdiApi.h"

#include <QMutexLocker>

SimFtdiChip::SimFtdiChip(SimUsbBus* bus, int chipType, quint32 locationId)
    : m_pBus(bus)
    , m_chipType(chipType)
    , m_locationId(locationId)
{
    const int channelCount = chipType == USBIFtdiApi::ChipFT2232H ? 2 : 1;
    for (int i = 0; i < channelCount; ++i)
        m_channels.push_back(std::make_unique<SimFtdiChannel>(this, i));
}

SimFtdiChip::~SimFtdiChip() = default;

int SimFtdiChip::getChannelCount() const
{
    return int(m_channels.size());
}

SimFtdiChannel& SimFtdiChip::getChannel(int index)
{
    Q_ASSERT_X(index >= 0 && index < getChannelCount(), "src\\SimFtdiChip", "index < getChannelCount()");
    return *m_channels.at(size_t(index));
}

USBFtdiProgramData SimFtdiChip::getEeprom() const
{
    QMutexLocker lock(&m_pBus->getMutex());
    return m_eeprom;
}

void SimFtdiChip::setEeprom(const USBFtdiProgramData& data)
{
    QMutexLocker lock(&m_pBus->getMutex());
    m_eeprom = data;
}

USBFtdiXSeriesEeprom SimFtdiChip::getEepromX() const
{
    QMutexLocker lock(&m_pBus->getMutex());
    return m_eepromX;
}

void SimFtdiChip::setEepromX(const USBFtdiXSeriesEeprom& data)
{
    QMutexLocker lock(&m_pBus->getMutex());
    m_eepromX = data;
}

void SimFtdiChip::setDescription(const QByteArray& description)
{
    QMutexLocker lock(&m_pBus->getMutex());
    (m_chipType == USBIFtdiApi::ChipFTX ? m_eepromX.description : m_eeprom.description) = description;
}

bool SimFtdiChip::isBlank() const
{
    QMutexLocker lock(&m_pBus->getMutex());
    return m_blank;
}

void SimFtdiChip::setBlank(bool blank)
{
    QMutexLocker lock(&m_pBus->getMutex());
    m_blank = blank;
}

int SimFtdiChip::getProgramCount() const
{
    QMutexLocker lock(&m_pBus->getMutex());
    return m_programCount;
}

void SimFtdiChip::unplug()
{
    QMutexLocker lock(&m_pBus->getMutex());
    if (!m_plugged)
        return;
    m_plugged = false;
    ++m_generation;
    for (const auto& channel : m_channels)
    {
        channel->m_openHandle = 0;
        channel->m_toHost.clear();
    }
}

void SimFtdiChip::plug()
{
    QMutexLocker lock(&m_pBus->getMutex());
    m_plugged = true;
}

bool SimFtdiChip::isPlugged() const
{
    QMutexLocker lock(&m_pBus->getMutex());
    return m_plugged;
}

quint32 SimFtdiChip::getUsbId() const
{
    if (!m_blank)
    {
        if (m_chipType == USBIFtdiApi::ChipFTX)
            return quint32(m_eepromX.vendorId) << 16 | m_eepromX.productId;
        return quint32(m_eeprom.vendorId) << 16 | m_eeprom.productId;
    }
    return factoryUsbId(m_chipType);
}

QByteArray SimFtdiChip::getSerialNumber() const
{
    if (m_blank)
        return QByteArray();
    return m_chipType == USBIFtdiApi::ChipFTX ? m_eepromX.serialNumber : m_eeprom.serialNumber;
}

QByteArray SimFtdiChip::getDescription() const
{
    if (m_blank)
        return factoryDescription(m_chipType);
    return m_chipType == USBIFtdiApi::ChipFTX ? m_eepromX.description : m_eeprom.description;
}

quint32 SimFtdiChip::factoryUsbId(int chipType)
{
    switch (chipType)
    {
    case USBIFtdiApi::ChipFT2232H:
        return 0x04036010;
    case USBIFtdiApi::ChipFT4232H:
        return 0x04036011;
    case USBIFtdiApi::ChipFT232H:
        return 0x04036014;
    case USBIFtdiApi::ChipFTX:
        return 0x04036015;
    default:
        return 0x04036001;
    }
}

QByteArray SimFtdiChip::factoryDescription(int chipType)
{
    switch (chipType)
    {
    case USBIFtdiApi::ChipFT2232H:
        return "Dual RS232-HS";
    case USBIFtdiApi::ChipFT4232H:
        return "Quad RS232-HS";
    case USBIFtdiApi::ChipFT232H:
        return "Single RS232-HS";
    case USBIFtdiApi::ChipFTX:
        return "FT230X Basic UART";
    default:
        return "FT232R USB UART";
    }
}
