#pragma once

#include <QVector>

// The bootloader's target info: the flash page size every page operation uses, and whether
// writes must be unlocked first. Decoded from the reply of the target-info command: two bytes
// (page size, high byte first), or the marker 0xFF, the page size and a flag byte.
class BootloaderInfo
{
public:
    explicit BootloaderInfo(const QVector<quint8>& reply);

    int getPageSize() const { return m_pageSize; }
    bool getFlag() const { return m_flag; }

private:
    int m_pageSize = 0;
    bool m_flag = false;
};
