// Extraction of a large update package (deflated, encrypted) by our reader beside Info-ZIP's
// unzip on the same archive, and the file CRC-32 beside zlib's crc32 over the same bytes in
// memory. The package size in MB comes from TALVEX_BENCH_UPDATE_MB (40 by default).
#include "BenchSupport.h"

#include "FileCrc32.h"
#include "UnZip.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <zlib.h>

namespace
{
const char s_password[] = "Bm4Kq9Wz2Rt7Yx1";

struct Package
{
    QTemporaryDir dir;
    QString archive;
    QString plainFile;
    QByteArray plain;
};

// Text-like data that deflates to about a third, like programs and libraries do.
QByteArray packageBytes(int megabytes)
{
    QRandomGenerator generator(2026);
    QByteArray bytes;
    bytes.reserve(megabytes << 20);
    while (bytes.size() < (megabytes << 20))
    {
        const int length = 2 + int(generator.bounded(10));
        for (int i = 0; i < length; ++i)
            bytes += char('a' + generator.bounded(26) % (6 + i));
        bytes += char(generator.bounded(256));
    }
    bytes.resize(megabytes << 20);
    return bytes;
}

Package& package()
{
    static Package s_package;
    if (s_package.archive.isEmpty())
    {
        const int megabytes = qEnvironmentVariableIsSet("TALVEX_BENCH_UPDATE_MB")
            ? qMax(1, qEnvironmentVariableIntValue("TALVEX_BENCH_UPDATE_MB"))
            : 40;
        s_package.plain = packageBytes(megabytes);
        s_package.plainFile = s_package.dir.filePath("TalvexStudio");
        QFile file(s_package.plainFile);
        if (file.open(QIODevice::WriteOnly))
            file.write(s_package.plain);
        file.close();
        s_package.archive = s_package.dir.filePath("TalvexStudio.pkz");
        QProcess::execute("zip", {"-q", "-j", "-P", s_password, s_package.archive, s_package.plainFile});
    }
    return s_package;
}

void unZipExtract(benchmark::State& state)
{
    Package& p = package();
    const QString out = p.dir.filePath("ours");
    for (auto _ : state)
    {
        UnZip zip;
        zip.setPassword(s_password);
        if (zip.openArchive(p.archive) != UnZip::Success || zip.extractAll(out) != UnZip::Success)
            state.SkipWithError("extraction failed");
    }
    state.SetBytesProcessed(state.iterations() * p.plain.size());
}

void infoZipUnzip(benchmark::State& state)
{
    Package& p = package();
    const QString out = p.dir.filePath("infozip");
    for (auto _ : state)
    {
        if (QProcess::execute("unzip", {"-qq", "-o", "-P", s_password, p.archive, "-d", out}) != 0)
            state.SkipWithError("unzip failed");
    }
    state.SetBytesProcessed(state.iterations() * p.plain.size());
}

void fileCrc32(benchmark::State& state)
{
    Package& p = package();
    for (auto _ : state)
        benchmark::DoNotOptimize(computeFileCrc32(p.plainFile));
    state.SetBytesProcessed(state.iterations() * p.plain.size());
}

void zlibCrc32InMemory(benchmark::State& state)
{
    Package& p = package();
    for (auto _ : state)
        benchmark::DoNotOptimize(crc32(0, reinterpret_cast<const Bytef*>(p.plain.constData()), uInt(p.plain.size())));
    state.SetBytesProcessed(state.iterations() * p.plain.size());
}
}

BENCHMARK(unZipExtract)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(infoZipUnzip)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(fileCrc32)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(zlibCrc32InMemory)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return BenchSupport::runRegistered(argc, argv);
}
