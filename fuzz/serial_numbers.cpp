// Serial numbers as a board's USB chip reports them.
#include "FuzzSupport.h"
#include "USBSerialNumber.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const USBSerialNumber serial(QString::fromLatin1(reinterpret_cast<const char*>(data), int(size)));
    if (!serial.isValid())
        return 0;
    // A valid number is written back in a form that reads as the same number.
    const USBSerialNumber again(serial.toString());
    if (!again.isValid() || again != serial || again.getDeviceType() != serial.getDeviceType())
        FuzzSupport::fail("a valid serial number does not read back as itself");
    return 0;
}
