#pragma once

#include "USBFtdiProgramData.h"
#include "USBFtdiXSeriesEeprom.h"

#include <QByteArray>
#include <memory>
#include <vector>

class SimFtdiChannel;
class SimUsbBus;

// One simulated FTDI chip: its type, its EEPROM and its channels (two for the FT2232H, A then B,
// one otherwise). Created and owned by SimUsbBus; every method takes the bus lock.
//
// The chip's listed USB id is vendor << 16 | product from its EEPROM; a blank (never programmed)
// chip lists its factory id, its factory description and no serial number, and its EEPROM
// reads answer "EEPROM not programmed" (15). Programming the EEPROM takes effect in the list at
// once (a real chip needs a port reset for that).
class SimFtdiChip
{
public:
    SimFtdiChip(SimUsbBus* bus, int chipType, quint32 locationId);
    ~SimFtdiChip();

    int getChipType() const { return m_chipType; }
    // Channel A lists this location id, channel B the next one.
    quint32 getLocationId() const { return m_locationId; }
    int getChannelCount() const;
    SimFtdiChannel& getChannel(int index);

    // The program-data form (FT232R, FT2232H, FT232H and any other non-X chip).
    USBFtdiProgramData getEeprom() const;
    void setEeprom(const USBFtdiProgramData& data);
    // The extended form of the FT-X series.
    USBFtdiXSeriesEeprom getEepromX() const;
    void setEepromX(const USBFtdiXSeriesEeprom& data);
    // The product description in the EEPROM form of the chip's type, as the board's maker
    // programs it; the list shows it at once.
    void setDescription(const QByteArray& description);
    bool isBlank() const;
    void setBlank(bool blank);
    int getProgramCount() const;

    // An unplugged chip leaves the list; its open handles answer "Communication error" (4) to
    // everything but close. Plugging it back in lists it again; old handles stay dead.
    void unplug();
    void plug();
    bool isPlugged() const;

    // The factory USB id of a chip type (0x0403 with 0x6001, 0x6010, 0x6014 or 0x6015).
    static quint32 factoryUsbId(int chipType);
    static QByteArray factoryDescription(int chipType);

private:
    friend class SimUsbBus;
    friend class SimFtdiApi;
    friend class SimFtdiChannel;

    // Identity as the chip presents it now; callers hold the bus lock.
    quint32 getUsbId() const;
    QByteArray getSerialNumber() const;
    QByteArray getDescription() const;

    SimUsbBus* m_pBus;
    int m_chipType;
    quint32 m_locationId;
    std::vector<std::unique_ptr<SimFtdiChannel>> m_channels;
    USBFtdiProgramData m_eeprom;
    USBFtdiXSeriesEeprom m_eepromX;
    bool m_blank = false;
    int m_programCount = 0;
    bool m_plugged = true;
    int m_generation = 0;   // bumped on unplug: handles of an earlier generation are dead
};
