#pragma once

#include <QPair>
#include <QString>

// A board's serial number: "vt", two letters, a 3-digit device id, a 2-digit device version
// and, in the 13-character form, a 4-digit unit number or the wildcard "xxxx".
class USBSerialNumber
{
public:
    USBSerialNumber() = default;
    explicit USBSerialNumber(const QString& text);

    bool isValid() const { return m_valid; }
    bool isAnyUnit() const { return m_anyUnit; }
    int getDeviceId() const { return m_deviceId; }
    int getDeviceVersion() const { return m_deviceVersion; }
    int getUnitNumber() const { return m_unitNumber; }
    // (device id, device version)
    QPair<int, int> getDeviceType() const { return qMakePair(m_deviceId, m_deviceVersion); }

    QString toString() const;

    // A wildcard on either side matches any unit number.
    bool operator==(const USBSerialNumber& other) const;
    bool operator!=(const USBSerialNumber& other) const { return !(*this == other); }

private:
    bool m_valid = false;
    bool m_anyUnit = false;
    int m_secondLetter = 0;
    int m_firstLetter = 0;
    int m_deviceId = 0;
    int m_deviceVersion = 0;
    int m_unitNumber = 0;
};
