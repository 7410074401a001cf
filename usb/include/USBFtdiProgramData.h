#pragma once

#include <QByteArray>

// EEPROM contents of the FT232R, FT2232H and FT232H in the library's program-data form. Only the
// common fields and the option fields this studio reads or writes are carried; the back-end
// leaves every other field of the chip as it was.
struct USBFtdiProgramData
{
    quint32 signature1 = 0x00000000;
    quint32 signature2 = 0xFFFFFFFF;
    quint32 version = 0;   // 2 FT232R, 3 FT2232H, 5 FT232H

    quint16 vendorId = 0;
    quint16 productId = 0;
    QByteArray manufacturer;
    QByteArray manufacturerId;
    QByteArray description;
    QByteArray serialNumber;
    quint16 maxPower = 0;   // mA
    quint8 pnp = 0;
    quint8 selfPowered = 0;
    quint8 remoteWakeup = 0;

    // FT232R
    quint8 pullDownEnableR = 0;
    quint8 serNumEnableR = 0;
    quint8 rIsD2XX = 0;
    quint8 cbus0 = 0;

    // FT232H
    quint8 pullDownEnableH = 0;
    quint8 serNumEnableH = 0;
    quint8 acSlowSlewH = 0;
    quint8 acDriveCurrentH = 0;
    quint8 adSlowSlewH = 0;
    quint8 adDriveCurrentH = 0;
    quint8 cbus8H = 0;
    quint8 cbus9H = 0;
    quint8 isFifoH = 0;
    quint8 isFifoTarH = 0;
    quint8 isFastSerH = 0;
    quint8 isFT1248H = 0;
    quint8 isVCPH = 0;
    quint8 powerSaveEnableH = 0;

    // FT2232H
    quint8 pullDownEnable7 = 0;
    quint8 serNumEnable7 = 0;
    quint8 alSlowSlew = 0;
    quint8 alDriveCurrent = 0;
    quint8 ahSlowSlew = 0;
    quint8 ahDriveCurrent = 0;
    quint8 blSlowSlew = 0;
    quint8 blDriveCurrent = 0;
    quint8 bhSlowSlew = 0;
    quint8 bhDriveCurrent = 0;
    quint8 ifaIsFifo7 = 0;
    quint8 ifaIsFifoTar7 = 0;
    quint8 ifaIsFastSer7 = 0;
    quint8 aIsVCP7 = 0;
    quint8 ifbIsFifo7 = 0;
    quint8 ifbIsFifoTar7 = 0;
    quint8 ifbIsFastSer7 = 0;
    quint8 bIsVCP7 = 0;
    quint8 powerSaveEnable = 0;
};
