// Firmware package files (BootloaderFirmwarePackage). The first byte picks the board model and
// what the rest is: the whole file, or the inner data that this target enciphers and checks
// the way the package tool does, so that the fuzzer reaches the reader behind the cipher.
#include "Bootloader.h"
#include "BootloaderConstants.h"
#include "BootloaderFirmwarePackage.h"
#include "BootloaderHexData.h"
#include "FuzzSupport.h"
#include "PackageWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    static const QPair<int, int> s_models[] = {{1, 1}, {1, 2}, {10, 1}, {27, 1}};
    const quint8 pick = data[0];
    const QByteArray rest = FuzzSupport::bytesOf(data + 1, size - 1);
    const QByteArray contents =
        (pick & 0x80) ? rest : PackageWriter::contents(rest, BootloaderConstants::packageKey(), quint8(pick & 0x07));

    QString error;
    BootloaderFirmwarePackage package(s_models[(pick >> 3) & 3], contents, error);
    if (!error.isEmpty())
        return 0;
    // What the firmware update does with an accepted package.
    package.makeFirmwareInfo(BootloaderFirmwareInfo());
    const BootloaderHexData image(package.getData());
    if (image.isValid())
        image.getPage(256, image.getPageCount(256) - 1);
    for (BootloaderSecondaryImage secondary : package.getSecondaryImages())
    {
        if (!Bootloader::secondaryImageFault(secondary).isEmpty())
            continue;
        bool newSector = false;
        quint16 sector = 0;
        for (int i = 0; i < secondary.getPageCount(); ++i)
            secondary.getPage(i, newSector, sector);
    }
    return 0;
}
