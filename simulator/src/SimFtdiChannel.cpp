#include "SimFtdiChannel.h"

#include "SimFtdiChip.h"
#include "SimUsbBus.h"
#include "USBIFtdiApi.h"

#include <QMutexLocker>

SimFtdiChannel::SimFtdiChannel(SimFtdiChip* chip, int channelIndex)
    : m_pChip(chip)
    , m_channelIndex(channelIndex)
{
}

char SimFtdiChannel::getLetter() const
{
    return m_pChip->getChannelCount() > 1 ? char('A' + m_channelIndex) : 0;
}

USBFtdiDeviceListNode SimFtdiChannel::getNode() const
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    const int chipType = m_pChip->getChipType();
    USBFtdiDeviceListNode node;
    node.flags = (m_openHandle != 0 ? 1u : 0u)
        | (chipType == USBIFtdiApi::ChipFT2232H || chipType == USBIFtdiApi::ChipFT232H ? 2u : 0u);
    node.chipType = m_hasChipType ? m_chipType : chipType;
    node.usbId = m_hasUsbId ? m_usbId : m_pChip->getUsbId();
    node.locationId = m_hasLocationId ? m_locationId : m_pChip->getLocationId() + quint32(m_channelIndex);
    // The channel letter follows the chip's serial number only when it has one, so a blank
    // dual-channel chip lists no "A"/"B" entries.
    node.serialNumber = m_pChip->getSerialNumber();
    node.description = m_pChip->getDescription();
    if (const char letter = getLetter())
    {
        if (!node.serialNumber.isEmpty())
            node.serialNumber += letter;
        node.description += ' ';
        node.description += letter;
    }
    if (m_hasSerialNumber)
        node.serialNumber = m_serialNumber;
    if (m_hasDescription)
        node.description = m_description;
    return node;
}

bool SimFtdiChannel::isListed() const
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    return m_listed;
}

void SimFtdiChannel::setListed(bool listed)
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    m_listed = listed;
}

void SimFtdiChannel::setListedUsbId(quint32 usbId)
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    m_hasUsbId = true;
    m_usbId = usbId;
}

void SimFtdiChannel::setListedChipType(int chipType)
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    m_hasChipType = true;
    m_chipType = chipType;
}

void SimFtdiChannel::setListedLocationId(quint32 locationId)
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    m_hasLocationId = true;
    m_locationId = locationId;
}

void SimFtdiChannel::setListedSerialNumber(const QByteArray& serialNumber)
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    m_hasSerialNumber = true;
    m_serialNumber = serialNumber;
}

void SimFtdiChannel::setListedDescription(const QByteArray& description)
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    m_hasDescription = true;
    m_description = description;
}

void SimFtdiChannel::setEndpoint(const boost::shared_ptr<SimIChannelEndpoint>& endpoint)
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    m_pEndpoint = endpoint;
}

boost::shared_ptr<SimIChannelEndpoint> SimFtdiChannel::getEndpoint() const
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    return m_pEndpoint;
}

void SimFtdiChannel::sendToHost(const QVector<quint8>& bytes)
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    m_toHost.insert(m_toHost.end(), bytes.begin(), bytes.end());
}

int SimFtdiChannel::getHostRxCount() const
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    return int(m_toHost.size());
}

QVector<quint8> SimFtdiChannel::takeHostWritten()
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    QVector<quint8> bytes;
    bytes.swap(m_fromHost);
    return bytes;
}

bool SimFtdiChannel::isOpen() const
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    return m_openHandle != 0;
}

quint32 SimFtdiChannel::getReadTimeout() const
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    return m_readTimeout;
}

quint32 SimFtdiChannel::getWriteTimeout() const
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    return m_writeTimeout;
}

void SimFtdiChannel::setReadLimit(int maxBytes)
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    m_readLimit = maxBytes;
}

void SimFtdiChannel::setWriteLimit(int maxBytes)
{
    QMutexLocker lock(&m_pChip->m_pBus->getMutex());
    m_writeLimit = maxBytes;
}
