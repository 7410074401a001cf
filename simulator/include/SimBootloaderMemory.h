#pragma once

#include <QVector>

// The memories of a simulated board that its bootloader reaches: the main flash, the firmware
// information page and, on a model with a secondary chip, that chip's flash. They belong to the
// board, not to a USB handle, so they outlive closing, reopening and power cuts.
//
// Flash behaves as flash does: programming can only clear bits (the new bytes are ANDed with
// the old), so a page written without an erase first comes out wrong. A new board's flash holds
// its old firmware, here all zeros, so a missing erase shows.
class SimBootloaderMemory
{
public:
    struct Geometry
    {
        int pageSize = 0;            // main flash and information page
        bool writeLock = false;      // writes need the write unlock code first
        int pageCount = 0;           // pages of the main flash
        int secondaryPageSize = 0;   // 0: no secondary chip
        int secondaryPagesPerSector = 0;
        int secondaryPageCount = 0;
    };

    // The geometry of a model (product code, revision); an unknown one gets that of (1,1).
    static Geometry geometryOf(int productCode, int revision);

    explicit SimBootloaderMemory(const Geometry& geometry);

    const Geometry& getGeometry() const { return m_geometry; }
    const QVector<quint8>& getFlash() const { return m_flash; }
    const QVector<quint8>& getInformationPage() const { return m_informationPage; }
    const QVector<quint8>& getSecondaryFlash() const { return m_secondaryFlash; }

    void eraseFlash();
    // False for a page beyond the flash or data of another size than a page.
    bool programPage(int page, const QVector<quint8>& data);
    // The information page is replaced whole (it is not part of the erasable flash).
    void setInformationPage(const QVector<quint8>& page);
    bool eraseSecondarySector(int sector);
    bool programSecondaryPage(int page, const QVector<quint8>& data);

private:
    static bool program(QVector<quint8>& memory, int page, int pageSize, const QVector<quint8>& data);

    Geometry m_geometry;
    QVector<quint8> m_flash;
    QVector<quint8> m_informationPage;
    QVector<quint8> m_secondaryFlash;
};
