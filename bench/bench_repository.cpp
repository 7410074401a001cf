// A repository install ("Use repository") of an archive whose manifest inflates to 1 GiB of zero
// bytes (about 2 KB as an archive: compressed twice) and of a whole 48 MB repository: the growth of resident
// memory (the peak, VmHWM, over the resident size before) and the longest stall of the calling
// thread's event loop (the longest gap between turns of a zero-interval timer). Beside them the
// install as it was, the baseline: every step on the calling thread, the manifest inflated whole
// by qUncompress. The sizes in MB come from TALVEX_BENCH_MANIFEST_MB (1024 by default) and
// TALVEX_BENCH_REPOSITORY_MB (48 by default).
#include "BenchSupport.h"

#include "FileCrc32.h"
#include "PackageAppData.h"
#include "PackageUpdaterManifest.h"
#include "UnZip.h"
#include "UpdateConstants.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>
#include <QtEndian>

#include <zlib.h>

#include <functional>
#include <vector>

namespace
{
const char s_application[] = "BenchRepository";

QTemporaryDir& scratch()
{
    static QTemporaryDir s_scratch;
    return s_scratch;
}

// An archive that the benchmarks install, or why it could not be made.
struct Archive
{
    QString path;
    QString fault;
};

// Zips the files of the folder, encrypted as update archives are.
Archive zipFolder(const QString& folder, const QString& name)
{
    const QString path = scratch().filePath(name);
    const QString fault =
        BenchSupport::runProgram("zip", {"-q", "-r", "-P", UpdateConstants::archivePassword(), path, "."}, folder);
    return {fault.isEmpty() ? path : QString(), fault};
}

// A manifest as stored (a 4-byte length, then a zlib stream) of megabytes of zero bytes,
// deflated piece by piece so that the plain bytes are never held whole.
bool writeHugeManifest(const QString& path, int megabytes)
{
    QFile file(path);
    char length[4];
    qToBigEndian(quint32(megabytes) << 20, length);
    if (!file.open(QIODevice::WriteOnly) || file.write(length, 4) != 4)
        return false;
    z_stream stream = {};
    deflateInit(&stream, 9);
    QByteArray zeros(1 << 20, '\0');
    std::vector<char> out(1 << 16);
    for (int i = 0; i < megabytes; ++i)
    {
        stream.next_in = reinterpret_cast<Bytef*>(zeros.data());
        stream.avail_in = uInt(zeros.size());
        const int flush = i == megabytes - 1 ? Z_FINISH : Z_NO_FLUSH;
        do
        {
            stream.next_out = reinterpret_cast<Bytef*>(out.data());
            stream.avail_out = uInt(out.size());
            deflate(&stream, flush);
            const qint64 deflated = qint64(out.size() - stream.avail_out);
            if (file.write(out.data(), deflated) != deflated)
            {
                deflateEnd(&stream);
                return false;
            }
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return true;
}

// Bytes that do not compress: the archive's size is the repository's.
QByteArray packageBytes(int megabytes, quint32 seed)
{
    QByteArray bytes(megabytes << 20, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
    return bytes;
}

const Archive& hugeManifestArchive()
{
    static const Archive s_archive = [] {
        const QString folder = scratch().filePath("huge");
        QDir().mkpath(folder);
        const int megabytes = BenchSupport::megabytes("TALVEX_BENCH_MANIFEST_MB", 1024);
        if (!writeHugeManifest(folder + "/" + s_application + ".pkm", megabytes))
            return Archive{QString(), QStringLiteral("the manifest could not be written")};
        return zipFolder(folder, "huge-manifest.zip");
    }();
    return s_archive;
}

// Packages of up to 8 MB each, all named by the manifest with their checksums.
const Archive& repositoryArchive()
{
    static const Archive s_archive = [] {
        const Archive unwritten{QString(), QStringLiteral("the repository could not be written")};
        const QString folder = scratch().filePath("repository");
        QDir().mkpath(folder);
        QByteArray manifest = "<u><version Value=\"2\"/>";
        int left = BenchSupport::megabytes("TALVEX_BENCH_REPOSITORY_MB", 48);
        for (int i = 0; left > 0; ++i)
        {
            const QByteArray bytes = packageBytes(qMin(left, 8), quint32(i));
            left -= 8;
            const QString name = QStringLiteral("package%1").arg(i);
            QFile file(folder + "/" + name + ".pkg");
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                return unwritten;
            manifest += QStringLiteral("<file Name=\"%1\" Checksum=\"%2\"/>")
                            .arg(name)
                            .arg(::crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())))
                            .toLatin1();
        }
        QFile file(folder + "/" + s_application + ".pkm");
        if (!file.open(QIODevice::WriteOnly) || file.write(qCompress(manifest + "</u>")) <= 0)
            return unwritten;
        file.close();
        return zipFolder(folder, "repository.zip");
    }();
    return s_archive;
}



// The install as it was: extraction, the manifest inflated by qUncompress as its prefix says,
// and the checks, all on the calling thread.
bool installOnCallingThread(const QString& archive)
{
    const QTemporaryDir staging(scratch().filePath("staging-XXXXXX"));
    UnZip zip;
    zip.setPassword(UpdateConstants::archivePassword());
    const bool extracted = zip.openArchive(archive) == UnZip::Success
        && zip.extractAll(staging.path(), UnZip::KeepFolders) == UnZip::Success;
    zip.closeArchive();
    QFile manifest(staging.filePath(QString(s_application) + ".pkm"));
    if (!extracted || !manifest.open(QIODevice::ReadOnly))
        return false;
    const QByteArray plain = qUncompress(manifest.readAll());
    const PackageUpdaterResult contents = PackageUpdaterManifest().read(plain, s_application);
    if (plain.isEmpty() || !contents.isValid())
        return false;
    for (const UpdaterFileEntry& entry : contents.getFiles())
    {
        bool read = false;
        const quint32 crc = computeFileCrc32(staging.filePath(entry.name + ".pkg"), &read);
        if (!read || crc != entry.checksum)
            return false;
    }
    return true;
}

bool installed(const QString& archive)
{
    return PackageAppData(s_application, QString()).installRepositoryArchive(archive);
}

// Each turn installs the archive while a zero-interval timer notes the gaps between its turns;
// the counters give the medians of the longest gap and of the peak's growth, and whether the
// install went through. An install that goes otherwise than expected (mustInstall: installed,
// else refused) fails the run.
void measureInstall(benchmark::State& state, const Archive& made, const std::function<bool(const QString&)>& install,
    bool mustInstall)
{
    if (BenchSupport::setupFailed(state, made.fault))
        return;
    const QString& archive = made.path;
    std::vector<double> stalls;
    std::vector<double> growths;
    bool accepted = false;
    for (auto _ : state)
    {
        double milliseconds = 0.0;
        growths.push_back(ResidentMemory::peakGrowthMb([&] {
            stalls.push_back(BenchSupport::longestGapMs([&] {
                QElapsedTimer clock;
                clock.start();
                accepted = install(archive);
                milliseconds = clock.nsecsElapsed() / 1e6;
            }));
        }));
        state.SetIterationTime(milliseconds / 1e3);
        if (accepted != mustInstall)
        {
            state.SkipWithError(mustInstall ? "the repository was refused" : "the archive was installed, not refused");
            break;
        }
    }
    state.counters["longest_stall_ms"] = BenchSupport::median(stalls);
    state.counters["peak_growth_MB"] = BenchSupport::median(growths);
    state.counters["installed"] = accepted ? 1 : 0;
    state.counters["archive_kB"] = QFileInfo(archive).size() / 1024.0;
}

void hugeManifest(benchmark::State& state)
{
    measureInstall(state, hugeManifestArchive(), installed, false);
}

void hugeManifestOnCallingThread(benchmark::State& state)
{
    measureInstall(state, hugeManifestArchive(), installOnCallingThread, false);
}

void repository(benchmark::State& state)
{
    measureInstall(state, repositoryArchive(), installed, true);
}

void repositoryOnCallingThread(benchmark::State& state)
{
    measureInstall(state, repositoryArchive(), installOnCallingThread, true);
}
}

int main(int argc, char** argv)
{
    // The update data folder and the lock of this run's own.
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch().filePath("data")));
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(s_application);
    UpdateConstants::setPackageLockKey(QUuid::createUuid().toString(QUuid::WithoutBraces));
    const int turns = BenchSupport::iterations(5);
    for (const auto& measured : {std::make_pair("hugeManifest", hugeManifest),
             std::make_pair("hugeManifestOnCallingThread", hugeManifestOnCallingThread),
             std::make_pair("repository", repository),
             std::make_pair("repositoryOnCallingThread", repositoryOnCallingThread)})
        benchmark::RegisterBenchmark(measured.first, measured.second)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(turns);
    return BenchSupport::runRegistered(argc, argv);
}
