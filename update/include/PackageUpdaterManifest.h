#pragma once

#include "PackageUpdaterResult.h"

#include <QByteArray>
#include <QString>

// The manifest reader of the downloader, the update panel and the firmware update: the plain
// reading plus the "firmware" elements into the firmware table. write gives the manifest of a
// result in format 2, without an XML declaration (the reader would take it for a second
// top-level node).
class PackageUpdaterManifest
{
public:
    virtual ~PackageUpdaterManifest() = default;

    virtual PackageUpdaterResult read(const QByteArray& bytes, const QString& applicationName) const;

    // The entry named after the application becomes the "app" element, the others "file" elements.
    static QByteArray write(const PackageUpdaterResult& result, const QString& applicationName);
};
