#pragma once

#include <QByteArray>

// One entry of the FTDI device list: a channel of a chip as the back-end sees it.
struct USBFtdiDeviceListNode
{
    quint32 flags = 0;         // bit 0: opened by someone, bit 1: high-speed
    int chipType = 0;          // USBIFtdiApi::ChipType
    quint32 usbId = 0;         // vendor id << 16 | product id; 0 when the chip could not be identified
    quint32 locationId = 0;
    QByteArray serialNumber;   // as listed; a dual-channel chip appends the channel letter
    QByteArray description;    // as listed; a dual-channel chip appends " A" or " B"
};
