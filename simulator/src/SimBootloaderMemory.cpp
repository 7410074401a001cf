#include "SimBootloaderMemory.h"

SimBootloaderMemory::Geometry SimBootloaderMemory::geometryOf(int productCode, int revision)
{
    // Page size, write lock, pages; secondary page size, pages per sector, pages.
    struct Row
    {
        int productCode;
        int revision;
        Geometry geometry;
    };
    static const Row s_rows[] = {
        {1, 1, {128, false, 256, 0, 0, 0}},
        {1, 2, {256, true, 256, 0, 0, 0}},
        {10, 1, {128, true, 256, 0, 0, 0}},
        {27, 1, {256, true, 256, 128, 2, 512}},
    };
    for (const Row& row : s_rows)
    {
        if (row.productCode == productCode && row.revision == revision)
            return row.geometry;
    }
    return s_rows[0].geometry;
}

SimBootloaderMemory::SimBootloaderMemory(const Geometry& geometry)
    : m_geometry(geometry)
    , m_flash(geometry.pageSize * geometry.pageCount, 0x00)
    , m_informationPage(geometry.pageSize, 0xFF)
    , m_secondaryFlash(geometry.secondaryPageSize * geometry.secondaryPageCount, 0x00)
{
}

void SimBootloaderMemory::eraseFlash()
{
    m_flash.fill(0xFF);
}

bool SimBootloaderMemory::programPage(int page, const QVector<quint8>& data)
{
    return program(m_flash, page, m_geometry.pageSize, data);
}

void SimBootloaderMemory::setInformationPage(const QVector<quint8>& page)
{
    m_informationPage = page;
}

bool SimBootloaderMemory::eraseSecondarySector(int sector)
{
    const int sectorSize = m_geometry.secondaryPageSize * m_geometry.secondaryPagesPerSector;
    if (sectorSize == 0 || sector < 0 || (sector + 1) * sectorSize > m_secondaryFlash.count())
        return false;
    std::fill(m_secondaryFlash.begin() + sector * sectorSize, m_secondaryFlash.begin() + (sector + 1) * sectorSize,
        quint8(0xFF));
    return true;
}

bool SimBootloaderMemory::programSecondaryPage(int page, const QVector<quint8>& data)
{
    return program(m_secondaryFlash, page, m_geometry.secondaryPageSize, data);
}

bool SimBootloaderMemory::program(QVector<quint8>& memory, int page, int pageSize, const QVector<quint8>& data)
{
    if (pageSize == 0 || data.count() != pageSize || page < 0 || (page + 1) * pageSize > memory.count())
        return false;
    for (int j = 0; j < pageSize; ++j)
        memory[page * pageSize + j] &= data.at(j);
    return true;
}
