#pragma once

#include "ErrorNotingReporter.h"
#include "ResidentMemory.h"
#include "SimUsbBackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <vector>

// What every benchmark program of the studio shares: medians of timed runs, the gaps of the GUI
// thread's event loop while work runs that must leave it live (its resident memory comes from
// ResidentMemory.h, shared with the tests), and a main that runs on the simulated board.
namespace BenchSupport
{
// The middle value (the upper one of an even count); values is not empty.
inline double median(std::vector<double> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

inline void setMedian(benchmark::State& state, std::vector<double>& microseconds)
{
    if (microseconds.empty())
        return;
    state.counters["median_us"] = median(microseconds);
}

// Watches the calling thread's event loop from its construction: a zero-interval timer notes the
// longest time between two of its turns. Lives on the stack of the thread it watches.
class EventLoopGaps
{
public:
    EventLoopGaps()
    {
        m_timer.setInterval(0);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = qMax(m_longest, now - m_last);
            m_last = now;
        });
        m_timer.start();
        m_clock.start();
    }

    // The longest gap so far, the one still open included, in ms.
    double longestMs() const { return qMax(m_longest, m_clock.nsecsElapsed() - m_last) / 1e6; }
    double elapsedMs() const { return m_clock.nsecsElapsed() / 1e6; }

private:
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
    QTimer m_timer;
};

// The longest gap of the calling thread's event loop, in ms, while it runs work.
template <class Work>
double longestGapMs(Work work)
{
    const EventLoopGaps gaps;
    work();
    return gaps.longestMs();
}

// The count of timed runs for a benchmark with a fixed count: one where TALVEX_BENCH_SMOKE is set,
// for the test that only shows each benchmark runs. Read while the benchmarks are registered.
inline int iterations(int count)
{
    return qEnvironmentVariableIsSet("TALVEX_BENCH_SMOKE") ? 1 : count;
}

// The size of a benchmark's input: the smaller one where TALVEX_BENCH_SMOKE is set.
inline int size(int measured, int smoke)
{
    return qEnvironmentVariableIsSet("TALVEX_BENCH_SMOKE") ? smoke : measured;
}

// A size in MB that the environment variable gives (at least 1), else fallback.
inline int megabytes(const char* variable, int fallback)
{
    return qEnvironmentVariableIsSet(variable) ? qMax(1, qEnvironmentVariableIntValue(variable)) : fallback;
}

// "the zip program is missing" when the program is not on the PATH; empty when it is.
inline QString missingProgram(const QString& program)
{
    return QStandardPaths::findExecutable(program).isEmpty() ? QStringLiteral("the %1 program is missing").arg(program)
                                                             : QString();
}

// Runs a program that makes a benchmark's input (zip) in the folder: why it did not, empty when
// it ran and exited with 0.
inline QString runProgram(const QString& program, const QStringList& arguments, const QString& folder)
{
    const QString missing = missingProgram(program);
    if (!missing.isEmpty())
        return missing;
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit)
        return QStringLiteral("%1 did not finish: %2").arg(program, process.errorString());
    if (process.exitCode() != 0)
        return QStringLiteral("%1 exited with %2").arg(program).arg(process.exitCode());
    return QString();
}

// A benchmark whose input could not be made (fault not empty) reports why and fails the run:
// true then, and the benchmark returns.
inline bool setupFailed(benchmark::State& state, const QString& fault)
{
    if (fault.isEmpty())
        return false;
    state.SkipWithError(qPrintable(fault));
    return true;
}

// Runs the registered benchmarks with the command line's options: 1 when a run reported an
// error, so that the smoke tests fail on it.
inline int runRegistered(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    ErrorNotingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return reporter.errorSeen() ? 1 : 0;
}

// Runs the registered benchmarks on the simulated board in an application of the given kind;
// prepare runs once before them.
template <class Application = QCoreApplication, class Prepare>
int run(int argc, char** argv, Prepare prepare)
{
    if (qEnvironmentVariableIsEmpty("TALVEX_USB_BACKEND"))
        qputenv("TALVEX_USB_BACKEND", "simulator");
    const SimUsbBackend backend;
    if (!backend.getBus())
        return 1;
    Application app(argc, argv);
    prepare();
    return runRegistered(argc, argv);
}
}
