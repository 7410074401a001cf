#pragma once

#include <QString>

// What EEPROM programming writes into a board's USB chip.
struct USBEepromSettings
{
    QString serialNumber;        // at most 16 characters are written
    QString description;         // at most 63 characters are written
    quint8 selfPowered = 0;
    quint16 maxPower = 0;        // mA
    bool xSeriesOption = false;  // FT-X only: chooses one of two fixed CBUS pin set-ups
};
