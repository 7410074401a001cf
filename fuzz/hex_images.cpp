// Intel HEX text of a main firmware image (BootloaderHexData).
#include "BootloaderHexData.h"
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const BootloaderHexData image(FuzzSupport::bytesOf(data, size));
    if (!image.isValid())
        return 0;
    // The pages the bootloader writes, read back in order, are the image.
    for (const int pageSize : {7, 256})
    {
        QVector<quint8> pages;
        for (int i = 0; i < image.getPageCount(pageSize); ++i)
            pages += image.getPage(pageSize, i);
        if (!image.verify(pages))
            FuzzSupport::fail("the pages of a valid image do not verify as the image");
    }
    return 0;
}
