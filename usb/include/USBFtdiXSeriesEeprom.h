#pragma once

#include <QByteArray>

// EEPROM contents of an FT-X series chip in the library's extended form (the 56-byte structure
// plus the four strings, which the library passes as separate buffers).
struct USBFtdiXSeriesEeprom
{
    static constexpr int s_structSize = 56;

    int deviceType = 9;   // header: the chip type the form is meant for
    quint16 vendorId = 0;
    quint16 productId = 0;
    quint8 serNumEnable = 0;
    quint16 maxPower = 0;   // mA
    quint8 selfPowered = 0;
    quint8 remoteWakeup = 0;
    quint8 pullDownEnable = 0;

    quint8 cbus0 = 0;
    quint8 cbus1 = 0;
    quint8 cbus2 = 0;
    quint8 cbus3 = 0;
    quint8 bcdEnable = 0;
    quint8 bcdForceCbusPWREN = 0;
    quint8 bcdDisableSleep = 0;

    QByteArray manufacturer;
    QByteArray manufacturerId;
    QByteArray description;
    QByteArray serialNumber;
};
