// Update manifests (XML) as the updater program's reader and the studio's reader with the
// firmware table take them (UpdaterManifest, PackageUpdaterManifest), and stored manifests as the
// update check and a repository install decompress them (inflateManifest).
#include "FuzzSupport.h"
#include "ManifestInflate.h"
#include "PackageUpdaterManifest.h"
#include "UpdateConstants.h"
#include "UpdaterManifest.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString s_application = QStringLiteral("TalvexStudio");
    const QByteArray bytes = FuzzSupport::bytesOf(data, size);
    QBuffer stored;
    stored.setData(bytes);
    stored.open(QIODevice::ReadOnly);
    QString reason;
    if (inflateManifest(stored, &reason).size() > UpdateConstants::maxManifestSize())
        FuzzSupport::fail("a stored manifest decompresses beyond the bound");
    UpdaterManifest::read(bytes, s_application);
    const PackageUpdaterResult result = PackageUpdaterManifest().read(bytes, s_application);
    if (!result.isValid())
        return 0;
    // What was read is written as a manifest that reads again and writes the same.
    const QByteArray written = PackageUpdaterManifest::write(result, s_application);
    const PackageUpdaterResult again = PackageUpdaterManifest().read(written, s_application);
    if (!again.isValid())
        FuzzSupport::fail("a manifest written from a valid one does not read");
    if (PackageUpdaterManifest::write(again, s_application) != written)
        FuzzSupport::fail("a manifest written from a valid one writes differently after a second read");
    return 0;
}
