#pragma once

#include <QString>

// The CRC-32 of a whole file (the one of ZIP and zlib; "abc" gives 0x352441C2, an empty file 0).
// Used by the update data folder to compare unpacked packages with installed files. A file
// that cannot be opened for reading gives 0 and *ok false; otherwise *ok is true. ok may be null.
quint32 computeFileCrc32(const QString& filePath, bool* ok = nullptr);
