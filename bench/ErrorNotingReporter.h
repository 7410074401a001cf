#pragma once

#include <benchmark/benchmark.h>

#include <vector>

// The display reporter of a benchmark program: hands every report to the one the command line
// chose (--benchmark_format; --benchmark_out still gets the library's own file reporter) and
// notes whether a run reported an error (SkipWithError), so that the program can fail on it.
// Made by BenchSupport::runRegistered on the main thread for one run of the benchmarks.
class ErrorNotingReporter : public benchmark::BenchmarkReporter
{
public:
    ErrorNotingReporter()
        : m_pDisplay(benchmark::CreateDefaultDisplayReporter())
    {
    }

    bool ReportContext(const Context& context) override { return m_pDisplay->ReportContext(context); }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            m_errorSeen = m_errorSeen || run.error_occurred;
        m_pDisplay->ReportRuns(runs);
    }

    void Finalize() override { m_pDisplay->Finalize(); }

    bool errorSeen() const { return m_errorSeen; }

private:
    // The library keeps it for the program's life: not ours to delete.
    benchmark::BenchmarkReporter* m_pDisplay;
    bool m_errorSeen = false;
};
