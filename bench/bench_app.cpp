// The studio's start: the program from its start to its main window shown (and closed again),
// and, inside one process, building and showing the main window, beside a bare window with one
// tab shown the same way. Offscreen, on the simulated boards.
#include "BenchSupport.h"
#include "TalvexMainWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTabWidget>
#include <QWindow>
#include <benchmark/benchmark.h>
#include <vector>

namespace
{
// Until the window system has put the window on the (offscreen) screen.
void showAndWait(QWidget& window)
{
    window.show();
    while (!window.windowHandle() || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents();
}

// Times each run of start (which returns false on a failure) and reports the median.
template <class Start>
void timeEach(benchmark::State& state, Start start)
{
    std::vector<double> microseconds;
    for (auto _ : state)
    {
        QElapsedTimer clock;
        clock.start();
        if (!start())
        {
            state.SkipWithError("the start failed");
            return;
        }
        const double elapsed = clock.nsecsElapsed() / 1000.0;
        state.SetIterationTime(elapsed / 1e6);
        microseconds.push_back(elapsed);
    }
    BenchSupport::setMedian(state, microseconds);
}

// The whole program: process start, splash, main window shown, then it quits.
void programStart(benchmark::State& state)
{
    timeEach(state, [] {
        QProcess program;
        program.start(QStringLiteral(TALVEX_STUDIO_PROGRAM), {QStringLiteral("--quit-when-shown")});
        return program.waitForFinished(30000) && program.exitCode() == 0;
    });
}

void mainWindowShown(benchmark::State& state)
{
    timeEach(state, [] {
        TalvexMainWindow window;
        showAndWait(window);
        return true;
    });
}

void bareWindowShown(benchmark::State& state)
{
    timeEach(state, [] {
        QTabWidget window;
        window.addTab(new QWidget, QStringLiteral("Home"));
        window.resize(800, 400);
        showAndWait(window);
        return true;
    });
}

BENCHMARK(programStart)->UseManualTime()->Iterations(BenchSupport::iterations(9))->Unit(benchmark::kMillisecond);
BENCHMARK(mainWindowShown)->UseManualTime()->Iterations(BenchSupport::iterations(20))->Unit(benchmark::kMillisecond);
BENCHMARK(bareWindowShown)->UseManualTime()->Iterations(BenchSupport::iterations(20))->Unit(benchmark::kMillisecond);
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("TALVEX_USB_BACKEND"))
        qputenv("TALVEX_USB_BACKEND", "simulator");
    const SimUsbBackend backend;
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(rc);
    return BenchSupport::runRegistered(argc, argv);
}
