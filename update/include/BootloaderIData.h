#pragma once

#include <QString>
#include <QVector>

// A main firmware image as the upload sequence reads it: pages of whatever size the bootloader
// reports, the part past the image's end filled with 0xFF.
class BootloaderIData
{
public:
    virtual ~BootloaderIData();

    virtual bool isValid() const = 0;
    // Empty when valid.
    virtual QString getErrorString() const = 0;
    // Pages of that size needed to hold the image, rounded up; 0 for a page size below 1.
    virtual int getPageCount(int pageSize) const = 0;
    virtual QVector<quint8> getPage(int pageSize, int index) const = 0;
    // Whether bytes read back from the device hold the image, and 0xFF after it.
    virtual bool verify(const QVector<quint8>& readBack) const = 0;
};
