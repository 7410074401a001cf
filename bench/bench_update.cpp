// Extraction of a large update package (deflated, encrypted) by our reader beside Info-ZIP's
// unzip on the same archive, extraction of a repository-like tree (2000 small and 24 large
// files) over an earlier extraction of it beside `unzip -o` and into an empty folder beside
// `unzip`, and the file CRC-32 beside zlib's crc32 over the same bytes in memory. The package size
// in MB comes from TALVEX_BENCH_UPDATE_MB (40 by default; the tree is 50 MB by default, or that
// size with at least its small files).
#include "BenchSupport.h"

#include "FileCrc32.h"
#include "UnZip.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <zlib.h>

#include <vector>

namespace
{
const char s_password[] = "Bm4Kq9Wz2Rt7Yx1";

// The package and its archive, or why they could not be made.
struct Package
{
    QTemporaryDir dir;
    QString archive;
    QString plainFile;
    QByteArray plain;
    QString fault;
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

int megabytes(int fallback)
{
    return BenchSupport::megabytes("TALVEX_BENCH_UPDATE_MB", fallback);
}

Package& package()
{
    static Package s_package;
    if (s_package.archive.isEmpty())
    {
        const int megabytes = ::megabytes(40);
        s_package.plain = packageBytes(megabytes);
        s_package.plainFile = s_package.dir.filePath("TalvexStudio");
        s_package.archive = s_package.dir.filePath("TalvexStudio.pkz");
        QFile file(s_package.plainFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(s_package.plain) != s_package.plain.size())
            s_package.fault = QStringLiteral("the package could not be written");
        file.close();
        if (s_package.fault.isEmpty())
            s_package.fault = BenchSupport::runProgram(
                "zip", {"-q", "-j", "-P", s_password, s_package.archive, s_package.plainFile}, s_package.dir.path());
    }
    return s_package;
}

void unZipExtract(benchmark::State& state)
{
    Package& p = package();
    if (BenchSupport::setupFailed(state, p.fault))
        return;
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
    if (BenchSupport::setupFailed(state, p.fault)
        || BenchSupport::setupFailed(state, BenchSupport::missingProgram("unzip")))
        return;
    const QString out = p.dir.filePath("infozip");
    for (auto _ : state)
    {
        if (QProcess::execute("unzip", {"-qq", "-o", "-P", s_password, p.archive, "-d", out}) != 0)
            state.SkipWithError("unzip failed");
    }
    state.SetBytesProcessed(state.iterations() * p.plain.size());
}

// The tree's archive, or why it could not be made.
struct Tree
{
    QTemporaryDir dir;
    QString archive;
    qint64 bytes = 0;
    QString fault;
};

// 2000 small files in 20 folders and 24 large ones, as an update repository with its
// libraries and firmware packages holds them.
Tree& tree()
{
    static Tree s_tree;
    if (s_tree.archive.isEmpty())
    {
        const QString source = s_tree.dir.filePath("source");
        const QByteArray text = packageBytes(qMax(megabytes(50), 3));
        QRandomGenerator generator(2027);
        int at = 0;
        auto write = [&](const QString& name, int size) {
            QDir().mkpath(QFileInfo(source + "/" + name).absolutePath());
            QFile file(source + "/" + name);
            if (!file.open(QIODevice::WriteOnly) || file.write(text.constData() + at, size) != size)
                s_tree.fault = QStringLiteral("the tree could not be written");
            at += size;
            s_tree.bytes += size;
        };
        for (int i = 0; i < 2000; ++i)
            write(QStringLiteral("lib%1/file%2.dat").arg(i % 20).arg(i), 200 + int(generator.bounded(1800)));
        const int large = (text.size() - at) / 24;
        for (int i = 0; i < 24; ++i)
            write(QStringLiteral("%1.pkg").arg(270100 + i), large);
        s_tree.archive = s_tree.dir.filePath("repository.zip");
        if (s_tree.fault.isEmpty())
            s_tree.fault = BenchSupport::runProgram("zip", {"-q", "-r", "-P", s_password, s_tree.archive, "."}, source);
    }
    return s_tree;
}

bool ourExtraction(const QString& archive, const QString& out)
{
    UnZip zip;
    zip.setPassword(s_password);
    return zip.openArchive(archive) == UnZip::Success && zip.extractAll(out) == UnZip::Success;
}

bool infoZipExtraction(const QString& archive, const QString& out)
{
    return QProcess::execute("unzip", {"-qq", "-o", "-P", s_password, archive, "-d", out}) == 0;
}

// Both extract the tree in turn in every iteration, over their own earlier extraction of it or
// into a new folder; the iteration's time is ours, the counters give both medians and their ratio.
// The new folders go when all turns are done: files deleted in between would slow down making new
// ones on some file systems.
void extractTree(benchmark::State& state, bool overEarlier)
{
    Tree& t = tree();
    if (BenchSupport::setupFailed(state, t.fault)
        || BenchSupport::setupFailed(state, BenchSupport::missingProgram("unzip")))
        return;
    QString ours = t.dir.filePath("ours");
    QString theirs = t.dir.filePath("infozip");
    if (overEarlier && (!ourExtraction(t.archive, ours) || !infoZipExtraction(t.archive, theirs)))
        state.SkipWithError("first extraction failed");
    const QTemporaryDir newFolders(t.dir.filePath("new-XXXXXX"));
    std::vector<double> ourTimes;
    std::vector<double> infoZipTimes;
    QElapsedTimer timer;
    for (auto _ : state)
    {
        if (!overEarlier)
        {
            ours = newFolders.filePath(QStringLiteral("ours%1").arg(ourTimes.size()));
            theirs = newFolders.filePath(QStringLiteral("infozip%1").arg(ourTimes.size()));
        }
        timer.start();
        if (!infoZipExtraction(t.archive, theirs))
            state.SkipWithError("unzip failed");
        infoZipTimes.push_back(timer.nsecsElapsed() / 1e6);
        timer.start();
        if (!ourExtraction(t.archive, ours))
            state.SkipWithError("extraction failed");
        ourTimes.push_back(timer.nsecsElapsed() / 1e6);
        state.SetIterationTime(ourTimes.back() / 1e3);
    }
    if (ourTimes.empty())
        return;
    auto median = [](std::vector<double> times) {
        std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
        return times[times.size() / 2];
    };
    state.counters["ours_median_ms"] = median(ourTimes);
    state.counters[overEarlier ? "unzip_o_median_ms" : "unzip_median_ms"] = median(infoZipTimes);
    state.counters["ratio"] = median(ourTimes) / median(infoZipTimes);
    state.SetBytesProcessed(state.iterations() * t.bytes);
}

void extractOverEarlierExtraction(benchmark::State& state)
{
    extractTree(state, true);
}

void extractIntoEmptyFolder(benchmark::State& state)
{
    extractTree(state, false);
}

void fileCrc32(benchmark::State& state)
{
    Package& p = package();
    if (BenchSupport::setupFailed(state, p.fault))
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(computeFileCrc32(p.plainFile));
    state.SetBytesProcessed(state.iterations() * p.plain.size());
}

void zlibCrc32InMemory(benchmark::State& state)
{
    Package& p = package();
    if (BenchSupport::setupFailed(state, p.fault))
        return;
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
    // Seven turns give both medians; a run with a chosen size (the smoke test's) takes two.
    const int turns = qEnvironmentVariableIsSet("TALVEX_BENCH_UPDATE_MB") ? 2 : 7;
    benchmark::RegisterBenchmark("extractOverEarlierExtraction", extractOverEarlierExtraction)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(turns);
    benchmark::RegisterBenchmark("extractIntoEmptyFolder", extractIntoEmptyFolder)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(turns);
    return BenchSupport::runRegistered(argc, argv);
}
