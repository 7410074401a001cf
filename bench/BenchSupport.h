#pragma once

#include "SimUsbBackend.h"

#include <QCoreApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <vector>

// What every benchmark program of the studio shares: the median of timed round trips and a
// main that runs on the simulated board.
namespace BenchSupport
{
inline void setMedian(benchmark::State& state, std::vector<double>& microseconds)
{
    if (microseconds.empty())
        return;
    std::nth_element(microseconds.begin(), microseconds.begin() + microseconds.size() / 2, microseconds.end());
    state.counters["median_us"] = microseconds[microseconds.size() / 2];
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

// Runs the registered benchmarks with the command line's options.
inline int runRegistered(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
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
