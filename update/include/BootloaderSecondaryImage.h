#pragma once

#include "BootloaderSecondaryImageHeader.h"

#include <QByteArray>
#include <QSet>
#include <QVector>

// One secondary image of a firmware package, handed out page by page. The image remembers the
// sectors its pages have already met, so one object serves one programming pass.
class BootloaderSecondaryImage
{
public:
    BootloaderSecondaryImage(const BootloaderSecondaryImageHeader& header, const QByteArray& data);

    const BootloaderSecondaryImageHeader& getHeader() const { return m_header; }
    const QByteArray& getData() const { return m_data; }
    // Data size over the page size, rounded up; 0 for a page size below 1.
    int getPageCount() const;
    // The page's absolute number (16 bits, low byte first) followed by its bytes, 0xFF past the
    // data. newSector is true the first time a page of its sector is asked for.
    QVector<quint8> getPage(int index, bool& newSector, quint16& sector);

private:
    BootloaderSecondaryImageHeader m_header;
    QByteArray m_data;
    QSet<quint16> m_erasedSectors;
};
