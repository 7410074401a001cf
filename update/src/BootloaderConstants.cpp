#include "BootloaderConstants.h"

namespace
{
const quint64 s_defaultPackageKey = Q_UINT64_C(0x5A3C96E1F00D2B47);
const char s_defaultEntryUnlockCode[] = "3f6c1a52-9b7e-4d08-a1c4-7e52b90d3f16";
const char s_defaultWriteUnlockCode[] = "C81D4E27-06AF-4B93-8E5D-2A7F19C0B64E";
// The largest flash among the boards' chips is well below this.
const int s_defaultMaxImageSize = 1024 * 1024;
const int s_packageSizeFactor = 8;

quint64 s_packageKey = s_defaultPackageKey;
QByteArray s_entryUnlockCode = s_defaultEntryUnlockCode;
QByteArray s_writeUnlockCode = s_defaultWriteUnlockCode;
int s_maxImageSize = s_defaultMaxImageSize;
}

quint64 BootloaderConstants::packageKey()
{
    return s_packageKey;
}

void BootloaderConstants::setPackageKey(quint64 key)
{
    s_packageKey = key;
}

QByteArray BootloaderConstants::entryUnlockCode()
{
    return s_entryUnlockCode;
}

void BootloaderConstants::setEntryUnlockCode(const QByteArray& code)
{
    s_entryUnlockCode = code;
}

QByteArray BootloaderConstants::writeUnlockCode()
{
    return s_writeUnlockCode;
}

void BootloaderConstants::setWriteUnlockCode(const QByteArray& code)
{
    s_writeUnlockCode = code;
}

int BootloaderConstants::maxImageSize()
{
    return s_maxImageSize;
}

void BootloaderConstants::setMaxImageSize(int bytes)
{
    s_maxImageSize = bytes;
}

qint64 BootloaderConstants::maxPackageSize()
{
    return qint64(s_packageSizeFactor) * s_maxImageSize;
}

void BootloaderConstants::restoreDefaults()
{
    s_packageKey = s_defaultPackageKey;
    s_entryUnlockCode = s_defaultEntryUnlockCode;
    s_writeUnlockCode = s_defaultWriteUnlockCode;
    s_maxImageSize = s_defaultMaxImageSize;
}
