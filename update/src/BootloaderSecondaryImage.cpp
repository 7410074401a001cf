#include "BootloaderSecondaryImage.h"

BootloaderSecondaryImage::BootloaderSecondaryImage(const BootloaderSecondaryImageHeader& header, const QByteArray& data)
    : m_header(header)
    , m_data(data)
{
}

int BootloaderSecondaryImage::getPageCount() const
{
    if (m_header.pageSize < 1)
        return 0;
    return int((qint64(m_data.size()) + m_header.pageSize - 1) / m_header.pageSize);
}

QVector<quint8> BootloaderSecondaryImage::getPage(int index, bool& newSector, quint16& sector)
{
    const quint16 number = quint16(m_header.firstPage + index);
    const int pageSize = qMax(0, m_header.pageSize);
    QVector<quint8> page{quint8(number), quint8(number >> 8)};
    page.reserve(2 + pageSize);
    const qint64 start = qint64(index) * pageSize;
    for (int j = 0; j < pageSize; ++j)
    {
        const qint64 at = start + j;
        page.append(at >= 0 && at < m_data.size() ? quint8(m_data.at(int(at))) : quint8(0xFF));
    }
    // A chip without sectors is refused before programming; here it only must not divide by 0.
    sector = m_header.pagesPerSector > 0 ? quint16(number / m_header.pagesPerSector) : number;
    newSector = !m_erasedSectors.contains(sector);
    m_erasedSectors.insert(sector);
    return page;
}
