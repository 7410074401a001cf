#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// Decompresses an update manifest as it is stored and sent: a 4-byte big-endian length of the
// plain text, then a zlib stream. The length is not trusted: the plain bytes are counted as they
// inflate, and a manifest that would take more than UpdateConstants::maxManifestSize() is refused
// at that point, having taken no more than that. Called by the update check in the GUI thread and
// by a repository install in its worker thread; reads compressed from its current position.
//
// Gives the plain manifest. A refused manifest gives an empty array and the reason in *reason; a
// stream that is damaged or cut short gives an empty array and an empty reason (what the manifest
// reader makes of empty contents says the rest). reason may be null.
QByteArray inflateManifest(QIODevice& compressed, QString* reason = nullptr);

// The most bytes that a stored manifest within the bound can take: zlib's worst case for that
// much text, and the length before it. The update check refuses a manifest download that
// announces or sends more, before holding it.
qint64 maxStoredManifestSize();

// Why a manifest is refused for its size.
QString manifestTooLargeText();
