// An update check that downloads one large device package from a local ftp server in real time,
// beside a bare Qt ftp download of the same file to disk: the resident memory the run adds at
// its peak (VmHWM, reset before each run, against VmRSS before it), the longest time the GUI
// thread's event loop went without running a zero-interval timer, and the run's time. The check
// runs with the bound raised above the package (it is kept) and with the connect's own bound
// (the package is refused; a package within that bound is refused at half its size). The
// package size in MB comes from TALVEX_BENCH_DOWNLOAD_MB (400 by default).
#include "BenchSupport.h"

#include "BootloaderConstants.h"
#include "LocalFtpServer.h"
#include "PackageAppData.h"
#include "PackageUpdateDownloader.h"
#include "PackageUpdaterManifest.h"
#include "UpdateConstants.h"

#include <QAuthenticator>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>
#include <QTimer>

#include <zlib.h>

#include <functional>
#include <vector>

namespace
{
const char s_application[] = "BenchStudio";
const char s_user[] = "u7654321";
const char s_password[] = "pass2word";
const BootloaderFirmwareId s_model(27, 1, 2, 3, 0);

qint64 packageBytes()
{
    return qint64(BenchSupport::megabytes("TALVEX_BENCH_DOWNLOAD_MB", 400)) << 20;
}

// The local server's folder with the manifest of an update that holds one device package of the
// size asked, a file of zeros (sparse, so it costs no time to make), and the studio's update
// data folder, both in temporary folders.
struct Setup
{
    Setup()
        : m_server(m_root.path(), s_user, s_password)
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
        const QString folder = m_root.path() + "/downloads/win32";
        QDir().mkpath(folder);
        m_size = packageBytes();
        QFile package(folder + "/" + s_model.fileName());
        if (!package.open(QIODevice::WriteOnly) || !package.resize(m_size))
            m_size = 0;
        const QByteArray zeros(1 << 20, '\0');
        uLong crc = crc32(0L, Z_NULL, 0);
        for (qint64 done = 0; done < m_size; done += zeros.size())
            crc = crc32(crc, reinterpret_cast<const Bytef*>(zeros.constData()), uInt(qMin<qint64>(zeros.size(), m_size - done)));
        PackageUpdaterResult manifest;
        manifest.setVersion(6, 1);
        manifest.addFirmware(BootloaderFirmwareId(27, 1, 2, 3, int(crc)));
        QFile pkm(folder + "/" + s_application + ".pkm");
        if (!pkm.open(QIODevice::WriteOnly) || pkm.write(qCompress(PackageUpdaterManifest::write(manifest, s_application))) <= 0)
            m_size = 0;
        m_url = m_server.address() + "/downloads/win32/" + s_model.fileName();
        UpdateConstants::setUpdateServer(m_server.address());
        UpdateConstants::setUpdateLogin(s_user, s_password);
        UpdateConstants::setPackageLockKey(QStringLiteral("bench-download-%1").arg(QCoreApplication::applicationPid()));
    }

    bool ready() const { return m_size > 0 && m_server.port() != 0; }

    QTemporaryDir m_root;
    QTemporaryDir m_data;
    LocalFtpServer m_server;
    qint64 m_size = 0;
    QString m_url;
};

Setup& setup()
{
    static Setup s_setup;
    return s_setup;
}

struct Figures
{
    double milliseconds = 0.0;
    double peakGrowthMb = 0.0;
    double longestStallMs = 0.0;
};

// Runs one download to its end (start calls done once) with the zero-interval timer going.
Figures measureRun(const std::function<void(const std::function<void()>& done)>& start)
{
    Figures figures;
    figures.peakGrowthMb = ResidentMemory::peakGrowthMb([&] {
        QEventLoop loop;
        bool finished = false;
        const BenchSupport::EventLoopGaps gaps;
        start([&] {
            finished = true;
            loop.quit();
        });
        if (!finished)
            loop.exec();
        figures.milliseconds = gaps.elapsedMs();
        figures.longestStallMs = gaps.longestMs();
    });
    return figures;
}

void report(benchmark::State& state, const std::vector<Figures>& runs)
{
    if (runs.empty())
        return;
    std::vector<double> times, growths, stalls;
    for (const Figures& figures : runs)
    {
        times.push_back(figures.milliseconds);
        growths.push_back(figures.peakGrowthMb);
        stalls.push_back(figures.longestStallMs);
    }
    state.counters["median_ms"] = BenchSupport::median(times);
    state.counters["peak_rss_growth_mb"] = BenchSupport::median(growths);
    state.counters["longest_stall_ms"] = BenchSupport::median(stalls);
    state.counters["package_mb"] = double(setup().m_size) / (1 << 20);
}

// One update check whose device package is kept (bound above the package) or refused.
void updateCheck(benchmark::State& state, bool refused)
{
    Setup& s = setup();
    if (!s.ready())
    {
        state.SkipWithError("no server or no package");
        return;
    }
    // The connect's own bound, or half the package where that bound would take it.
    const qint64 image = refused ? qMin<qint64>(BootloaderConstants::maxImageSize(), s.m_size / 16) : s.m_size / 8 + 1;
    BootloaderConstants::setMaxImageSize(int(image));
    std::vector<Figures> runs;
    for (auto _ : state)
    {
        const PackageAppData data(s_application, QString());
        QFile::remove(data.devicePackagePath(s_model));
        PackageUpdaterResult result;
        PackageUpdateDownloader* downloader = nullptr;
        runs.push_back(measureRun([&](const std::function<void()>& done) {
            downloader = new PackageUpdateDownloader(s_application, QString());
            QObject::connect(downloader, &PackageUpdateDownloader::checkFinished, [&result, done](PackageUpdaterResult r) {
                result = r;
                done();
            });
            downloader->startManifestDownload();
        }));
        delete downloader;
        s.m_server.waitForClientsGone();
        if (result.isValid() == refused)
            state.SkipWithError(qPrintable(QStringLiteral("unexpected outcome: ") + result.getError()));
        state.SetIterationTime(runs.back().milliseconds / 1e3);
    }
    BootloaderConstants::restoreDefaults();
    report(state, runs);
    state.SetBytesProcessed(refused ? 0 : state.iterations() * s.m_size);
}

void checkKeepsPackage(benchmark::State& state)
{
    updateCheck(state, false);
}

void checkRefusesPackage(benchmark::State& state)
{
    updateCheck(state, true);
}

// The plain baseline: Qt's ftp download of the same file, each part appended to a file as it
// arrives, nothing checked.
void plainFtpToFile(benchmark::State& state)
{
    Setup& s = setup();
    if (!s.ready())
    {
        state.SkipWithError("no server or no package");
        return;
    }
    std::vector<Figures> runs;
    for (auto _ : state)
    {
        QFile file(s.m_data.filePath("plain.pkg"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            state.SkipWithError("cannot write");
        QNetworkAccessManager manager;
        QObject::connect(&manager, &QNetworkAccessManager::authenticationRequired, [](QNetworkReply*, QAuthenticator* login) {
            login->setUser(s_user);
            login->setPassword(s_password);
        });
        qint64 received = 0;
        runs.push_back(measureRun([&](const std::function<void()>& done) {
            QNetworkReply* reply = manager.get(QNetworkRequest(QUrl(s.m_url)));
            QObject::connect(reply, &QNetworkReply::readyRead, [&file, &received, reply] { received += file.write(reply->readAll()); });
            QObject::connect(reply, &QNetworkReply::finished, [&file, &received, reply, done] {
                received += file.write(reply->readAll());
                reply->deleteLater();
                done();
            });
        }));
        manager.clearConnectionCache();
        file.remove();
        s.m_server.waitForClientsGone();
        if (received != s.m_size)
            state.SkipWithError("incomplete download");
        state.SetIterationTime(runs.back().milliseconds / 1e3);
    }
    report(state, runs);
    state.SetBytesProcessed(state.iterations() * s.m_size);
}
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Five runs give the medians; the smoke run takes one.
    const int runs = BenchSupport::iterations(5);
    for (const auto& bench : {std::make_pair("plainFtpToFile", &plainFtpToFile),
             std::make_pair("checkKeepsPackage", &checkKeepsPackage),
             std::make_pair("checkRefusesPackage", &checkRefusesPackage)})
        benchmark::RegisterBenchmark(bench.first, bench.second)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(runs);
    return BenchSupport::runRegistered(argc, argv);
}
