#pragma once

#include <QByteArray>
#include <QtGlobal>

// The values the board's bootloader and the package files share with this program: the key of
// firmware packages, the two unlock codes and the largest image a board's flash can hold.
// Read by the update classes in the GUI thread; tests may set other values before they use them
// (and restore the defaults afterwards).
class BootloaderConstants
{
public:
    static quint64 packageKey();
    static void setPackageKey(quint64 key);

    // 36-character GUID texts: the entry code in lower case, the write code in upper case.
    static QByteArray entryUnlockCode();
    static void setEntryUnlockCode(const QByteArray& code);
    static QByteArray writeUnlockCode();
    static void setWriteUnlockCode(const QByteArray& code);

    // Bytes; a HEX image addressing beyond this is refused instead of being allocated.
    static int maxImageSize();
    static void setMaxImageSize(int bytes);
    // Bytes of the largest device package file that is read: room for the main image as HEX
    // text (under three characters a byte with its records) and the images of secondary chips,
    // eight times the largest image.
    static qint64 maxPackageSize();

    static void restoreDefaults();
};
