// Update manifests (XML) as the updater program's reader and the studio's reader with the
// firmware table take them (UpdaterManifest, PackageUpdaterManifest).
#include "FuzzSupport.h"
#include "PackageUpdaterManifest.h"
#include "UpdaterManifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QString s_application = QStringLiteral("TalvexStudio");
    const QByteArray bytes = FuzzSupport::bytesOf(data, size);
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
