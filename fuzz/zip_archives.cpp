// ZIP archives as the package unpacking reads them (UnZip): every entry extracted, with the
// password of the encrypted seeds, into a scratch folder that nothing may leave.
#include "FuzzSupport.h"
#include "UnZip.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString archive = FuzzSupport::scratchFile(QStringLiteral("archive.zip"), data, size);
    QDir out(FuzzSupport::scratchFolder().filePath(QStringLiteral("out")));
    UnZip unzip;
    unzip.setPassword(QStringLiteral("fuzz"));
    if (unzip.openArchive(archive) == UnZip::Success)
        unzip.extractAll(out.path());
    unzip.closeArchive();

    // Whatever the entries are named, they land below the target folder.
    const QDir scratch(FuzzSupport::scratchFolder().path());
    for (const QString& name : scratch.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
    {
        if (name != QLatin1String("archive.zip") && name != QLatin1String("out"))
            FuzzSupport::fail("an entry was written outside the target folder");
    }
    out.removeRecursively();
    return 0;
}
