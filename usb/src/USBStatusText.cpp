#include "USBStatusText.h"

USBResult usbStatusText(int status)
{
    static const char* const s_texts[] = {
        "Valid",
        "Invalid handle",
        "Device not found",
        "Device not opened",
        "Communication error",
        "Insufficient resources",
        "Invalid parameter",
        "Invalid BAUD rate",
        "Unable to erase",
        "Unable to write",
        "Unable to write",
        "Unable to read EEPROM",
        "Unable to write EEPROM",
        "Unable to erase EEPROM",
        "EEPROM not present",
        "EEPROM not programmed",
        "Invalid arguments",
        "Unsupported devices",
    };
    const int count = int(sizeof(s_texts) / sizeof(s_texts[0]));
    const QString text = status >= 0 && status < count ? QString::fromLatin1(s_texts[status])
                                                       : QStringLiteral("Unknown error");
    return USBResult(text, status == 0 ? 0 : 2);
}
