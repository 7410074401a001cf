// Not a measurement: the program that shows a benchmark run fails when a benchmark reports an
// error. "passes" does nothing of note; "reportsAnError" calls SkipWithError.
#include "BenchSupport.h"

namespace
{
void passes(benchmark::State& state)
{
    int turns = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(++turns);
}

void reportsAnError(benchmark::State& state)
{
    for (auto _ : state)
    {
        state.SkipWithError("the check was asked to fail");
        break;
    }
}
}

BENCHMARK(passes)->Iterations(1);
BENCHMARK(reportsAnError)->Iterations(1);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return BenchSupport::runRegistered(argc, argv);
}
