// The whole road of sampled data at the board's fastest sampling (200 us, 5 000 samples, every
// channel) through the simulated board in real time, into the Measurements tab: the share of
// the GUI thread's time spent on the stream's packets and the plot's refreshes, and the refresh
// time (p50, p99). Runs offscreen; prints one line per run and the medians.
#include "ConnectedDriverBoard.h"
#include "SimUsbBackend.h"
#include "TalvexMeasurementTab.h"
#include "TalvexStreamInterpreter.h"
#include "UIUserInputRegister.h"
#include "UIWidgetFor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{
typedef TalvexDriverCommRequest R;

// The tab's plot timer.
const int s_refreshInterval = 100;

// Times every event the GUI thread delivers: the 100 ms plot timer's (the refresh) on its own.
class TimingApplication : public QApplication
{
public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override
    {
        QElapsedTimer timer;
        timer.start();
        const bool refresh = event->type() == QEvent::Timer && qobject_cast<QTimer*>(receiver)
            && static_cast<QTimer*>(receiver)->interval() == s_refreshInterval;
        ++m_depth;
        const bool done = QApplication::notify(receiver, event);
        --m_depth;
        const qint64 spent = timer.nsecsElapsed();
        if (m_depth == 0)
            m_busy += spent;
        if (refresh)
            m_refreshes.push_back(spent / 1e6);
        return done;
    }

    qint64 m_busy = 0;
    int m_depth = 0;
    std::vector<double> m_refreshes;
};

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(share * double(values.size())))];
}

struct Run
{
    double busyShare;
    double refreshP50;
    double refreshP99;
    int refreshes;
    double seconds;
};

Run measureOnce()
{
    ConnectedDriverBoard board(TalvexDriverDescriptor::s_model1_2, USBVersion(4, 0));
    PlotUSBDataStream stream;
    const auto interpreter = boost::make_shared<TalvexStreamInterpreter>();
    stream.setDispatcher(board.m_pDispatcher);
    stream.setInterpreter(interpreter);
    board.m_state.getDriver()->registerStreamReceiver(0, &stream, 0);
    UIUserInputRegister inputs;
    TalvexMeasurementTab tab(nullptr, &board.m_document, board.m_pDispatcher, &stream, interpreter, &inputs);
    tab.resize(1200, 800);
    tab.show();

    TalvexDriverInputConfiguration input;
    input.setOutputMask(0xF);
    board.configureBoard(R::SetInputConfiguration, input.toByteArray(board.m_model, board.m_firmwareVersion));
    *board.m_document.inputConfiguration() = input;
    TalvexDriverSamplingConfiguration* sampling = board.m_document.samplingConfiguration();
    sampling->setValue(TalvexDriverSamplingConfiguration::SamplePeriod, 1);
    sampling->setValue(TalvexDriverSamplingConfiguration::SampleCount, 5000);
    sampling->setValue(TalvexDriverSamplingConfiguration::OverSample, 0);

    ConnectedDriverBoard::bus().setRealTime(true);
    QPushButton* startStop = nullptr;
    for (QPushButton* button : tab.findChildren<QPushButton*>())
        if (button->toolTip().isEmpty())
            startStop = button;
    TimingApplication* app = static_cast<TimingApplication*>(qApp);
    app->m_busy = 0;
    app->m_refreshes.clear();
    QElapsedTimer wall;
    emit startStop->pressed();
    wall.start();
    while (stream.state() != PlotUSBDataStream::Stopped && wall.elapsed() < 10000)
    {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        QThread::usleep(200);
    }
    const double seconds = wall.nsecsElapsed() / 1e9;
    ConnectedDriverBoard::bus().setRealTime(false);
    board.m_state.getDriver()->unregisterStreamReceiver(0, 0);
    Run run;
    run.busyShare = app->m_busy / 1e9 / seconds;
    run.refreshP50 = percentile(app->m_refreshes, 0.5);
    run.refreshP99 = percentile(app->m_refreshes, 0.99);
    run.refreshes = int(app->m_refreshes.size());
    run.seconds = seconds;
    return run;
}
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("TALVEX_USB_BACKEND"))
        qputenv("TALVEX_USB_BACKEND", "simulator");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const SimUsbBackend backend;
    if (!backend.getBus())
        return 1;
    TimingApplication app(argc, argv);
    Q_INIT_RESOURCE(rc);
    const int runs = argc > 1 ? QByteArray(argv[1]).toInt() : 5;
    std::vector<double> shares, p50s, p99s;
    for (int i = 0; i < runs; ++i)
    {
        const Run run = measureOnce();
        std::printf("run %d: %.2f s, GUI thread busy %.2f %%, %d refreshes p50 %.2f ms p99 %.2f ms\n", i + 1,
            run.seconds, run.busyShare * 100.0, run.refreshes, run.refreshP50, run.refreshP99);
        shares.push_back(run.busyShare);
        p50s.push_back(run.refreshP50);
        p99s.push_back(run.refreshP99);
    }
    std::printf("median of %d runs: GUI thread busy %.2f %%, refresh p50 %.2f ms, p99 %.2f ms\n", runs,
        percentile(shares, 0.5) * 100.0, percentile(p50s, 0.5), percentile(p99s, 0.5));
    return 0;
}
