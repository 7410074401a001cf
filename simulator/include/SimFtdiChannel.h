#pragma once

#include "USBFtdiDeviceListNode.h"

#include <QByteArray>
#include <QVector>
#include <boost/shared_ptr.hpp>
#include <deque>

class SimFtdiChip;
class SimIChannelEndpoint;

// One channel of a simulated chip: its entry in the device list, the byte pipes in both
// directions and the board-side endpoint. Owned by its chip; every method takes the bus lock.
//
// Host to board: bytes the host writes go to the endpoint; without one they pile up for the
// test (takeHostWritten). Board to host: sendToHost appends to the host's receive queue, from
// which the host's reads take. A purge by the host empties its receive queue.
class SimFtdiChannel
{
public:
    SimFtdiChannel(SimFtdiChip* chip, int channelIndex);

    SimFtdiChip& getChip() const { return *m_pChip; }
    // 0 for channel A (the only channel of a single-channel chip), 1 for B.
    int getChannelIndex() const { return m_channelIndex; }
    // 'A' or 'B' on a dual-channel chip, 0 on a single-channel one.
    char getLetter() const;

    // The list entry as the host sees it now: derived from the chip's EEPROM (a blank chip lists
    // its factory description and no serial number), then the overrides below.
    USBFtdiDeviceListNode getNode() const;
    bool isListed() const;
    // Overrides for odd device lists; the EEPROM itself stays as it is.
    void setListed(bool listed);
    void setListedUsbId(quint32 usbId);
    void setListedChipType(int chipType);
    void setListedLocationId(quint32 locationId);
    void setListedSerialNumber(const QByteArray& serialNumber);
    void setListedDescription(const QByteArray& description);

    // Board side.
    void setEndpoint(const boost::shared_ptr<SimIChannelEndpoint>& endpoint);
    boost::shared_ptr<SimIChannelEndpoint> getEndpoint() const;
    void sendToHost(const QVector<quint8>& bytes);
    int getHostRxCount() const;
    // What the host wrote while no endpoint was plugged, oldest first; empties the pipe.
    QVector<quint8> takeHostWritten();

    // Host-side state.
    bool isOpen() const;
    quint32 getReadTimeout() const;
    quint32 getWriteTimeout() const;

    // Faults: each host read hands out at most maxBytes bytes (0: no limit), each write takes
    // at most maxBytes (0: no limit). A short transfer still answers success, as the chip does.
    void setReadLimit(int maxBytes);
    void setWriteLimit(int maxBytes);

private:
    friend class SimUsbBus;
    friend class SimFtdiApi;
    friend class SimFtdiChip;

    SimFtdiChip* m_pChip;
    int m_channelIndex;

    bool m_listed = true;
    bool m_hasUsbId = false;
    quint32 m_usbId = 0;
    bool m_hasChipType = false;
    int m_chipType = 0;
    bool m_hasLocationId = false;
    quint32 m_locationId = 0;
    bool m_hasSerialNumber = false;
    QByteArray m_serialNumber;
    bool m_hasDescription = false;
    QByteArray m_description;

    boost::shared_ptr<SimIChannelEndpoint> m_pEndpoint;
    std::deque<quint8> m_toHost;
    QVector<quint8> m_fromHost;

    quint64 m_openHandle = 0;   // 0: closed
    quint32 m_readTimeout = 0;
    quint32 m_writeTimeout = 0;
    int m_readLimit = 0;
    int m_writeLimit = 0;
};
