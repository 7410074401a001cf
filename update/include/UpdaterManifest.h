#pragma once

#include "UpdaterResult.h"

#include <QByteArray>
#include <QDomDocument>
#include <QString>

// Reads an update manifest (plain XML) into `result`, which starts afresh: the format version
// (a "version" element, 1 when absent), then the "app" element (format 1) or the "app", "file"
// and "releasenotes" elements (format 2). The first problem invalidates the result with its
// text. `document` keeps the parsed XML for a reader that takes more from it. Nothing throws.
void readUpdateManifest(const QByteArray& bytes, const QString& applicationName, UpdaterResult& result,
    QDomDocument& document);

// The plain manifest reader, used where the firmware table does not matter.
class UpdaterManifest
{
public:
    static UpdaterResult read(const QByteArray& bytes, const QString& applicationName);
};
