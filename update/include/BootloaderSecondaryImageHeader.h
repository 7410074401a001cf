#pragma once

#include <QString>

// The geometry of a secondary image: the chip's page size and erase sector, and the page at
// which the image starts. The tag is carried into the information page only.
struct BootloaderSecondaryImageHeader
{
    QString name;
    int tag = 0;
    int pageSize = 0;
    int pagesPerSector = 0;
    int firstPage = 0;
};
