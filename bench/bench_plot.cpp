// The live plot at 800 x 400, offscreen: one 100 ms refresh as the Measurements tab runs it
// while measuring (a batch of new points per series, invert and scale/offset on) beside a bare
// QCustomPlot that adds the same points and replots, and one stream packet through the sample
// stream into a plot series.
#include "BenchSupport.h"
#include "Plot.h"
#include "PlotInvertPostProcessor.h"
#include "PlotScaleOffsetPostProcessor.h"
#include "PlotSeries.h"
#include "TalvexStreamInterpreter.h"
#include "USBByteHelpers.h"
#include "USBPacketStreamEvent.h"
#include "UIWidgetFor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>
#include <boost/make_shared.hpp>
#include <cmath>
#include <memory>
#include <vector>

namespace
{
const QSize s_size(800, 400);
// 100 ms of samples at a period of 1 ms.
const int s_batch = 100;
const double s_period = 0.001;

QVector<double> keysFrom(int first, int count)
{
    QVector<double> keys;
    for (int i = first; i < first + count; ++i)
        keys.append(i * s_period);
    return keys;
}

QVector<double> valuesFrom(int first, int count)
{
    QVector<double> values;
    for (int i = first; i < first + count; ++i)
        values.append(std::sin(i * 0.01) * 1000.0);
    return values;
}

// The option widgets of one channel with invert and scale/offset on.
struct ChannelOptions
{
    ChannelOptions()
    {
        m_invert.setValue(true);
        m_scale.setRange(-1000.0, 1000.0);
        m_offset.setRange(-1000.0, 1000.0);
        m_scale.setValue(2.0);
        m_offset.setValue(0.5);
    }

    UIWidgetFor<QCheckBox> m_invert;
    UIWidgetFor<QDoubleSpinBox> m_scale;
    UIWidgetFor<QDoubleSpinBox> m_offset;
};

// Series count and points already drawn per series; each refresh adds a batch per series,
// which is taken out of the graphs again between the timed runs.
void plotRefresh(benchmark::State& state)
{
    const int seriesCount = int(state.range(0));
    const int points = int(state.range(1));
    std::vector<std::unique_ptr<ChannelOptions>> options;
    std::vector<boost::shared_ptr<PlotSeries>> series;
    Plot plot;
    plot.clear();
    for (int i = 0; i < seriesCount; ++i)
    {
        options.emplace_back(new ChannelOptions);
        ChannelOptions& option = *options.back();
        boost::shared_ptr<PlotSeries> one = boost::make_shared<PlotSeries>();
        one->addPostProcessor(new PlotInvertPostProcessor(&option.m_invert));
        one->addPostProcessor(new PlotScaleOffsetPostProcessor(&option.m_scale, &option.m_offset));
        PlotSampleBuffer buffer(false);
        buffer.append(keysFrom(0, points), valuesFrom(0, points));
        one->appendSamples(buffer);
        plot.addGraph(one, 0, 0, false, QPen(Qt::blue), PlotGraphStyle());
        series.push_back(one);
    }
    plot.customPlot()->resize(s_size);
    plot.customPlot()->xAxis->setRange(0.0, (points + s_batch) * s_period);
    plot.refresh();

    std::vector<double> microseconds;
    for (auto _ : state)
    {
        for (const boost::shared_ptr<PlotSeries>& one : series)
        {
            PlotSampleBuffer buffer(false);
            buffer.append(keysFrom(points, s_batch), valuesFrom(points, s_batch));
            one->appendSamples(buffer);
        }
        QElapsedTimer timer;
        timer.start();
        plot.refresh();
        const double elapsed = timer.nsecsElapsed() / 1000.0;
        state.SetIterationTime(elapsed / 1.0e6);
        microseconds.push_back(elapsed);
        for (int i = 0; i < seriesCount; ++i)
            plot.customPlot()->graph(i)->data()->removeAfter((points - 0.5) * s_period);
    }
    BenchSupport::setMedian(state, microseconds);
}

// The same drawing without the plot: addData of the batch, processed beforehand, and a replot,
// with plottables drawn without antialiasing as the plot draws them while data arrive.
void bareRefresh(benchmark::State& state)
{
    const int seriesCount = int(state.range(0));
    const int points = int(state.range(1));
    QCustomPlot chart;
    chart.setNotAntialiasedElement(QCP::aePlottables, true);
    const auto processed = [](QVector<double> values) {
        for (double& value : values)
            value = -value * 2.0 + 0.5;
        return values;
    };
    for (int i = 0; i < seriesCount; ++i)
        chart.addGraph()->addData(keysFrom(0, points), processed(valuesFrom(0, points)));
    chart.resize(s_size);
    chart.xAxis->setRange(0.0, (points + s_batch) * s_period);
    chart.replot(QCustomPlot::rpRefreshHint);
    const QVector<double> keys = keysFrom(points, s_batch);
    const QVector<double> values = processed(valuesFrom(points, s_batch));

    std::vector<double> microseconds;
    for (auto _ : state)
    {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < seriesCount; ++i)
            chart.graph(i)->addData(keys, values);
        chart.replot(QCustomPlot::rpRefreshHint);
        const double elapsed = timer.nsecsElapsed() / 1000.0;
        state.SetIterationTime(elapsed / 1.0e6);
        microseconds.push_back(elapsed);
        for (int i = 0; i < seriesCount; ++i)
            chart.graph(i)->data()->removeAfter((points - 0.5) * s_period);
    }
    BenchSupport::setMedian(state, microseconds);
}

class IdleDispatcher : public PlotUSBDataStream::IUSBDispatcher
{
public:
    USBResult startStreaming(QObject*) override { return USBResult(); }
    USBResult stopStreaming() override { return USBResult(); }
    void streamingFinished() override {}
};

// One packet of 40 voltage samples, as the board sends it at fast sample periods.
QVector<quint8> voltagePacket()
{
    const int samples = 40;
    QVector<quint8> packet{quint8(samples), 0};
    appendUInt32(packet, 0);
    for (int i = 0; i < samples; ++i)
        appendUInt16(packet, quint16(i * 97));
    return packet;
}

void streamPacketIntoSeries(benchmark::State& state)
{
    TalvexDriverSamplingConfiguration sampling;
    sampling.setValue(TalvexDriverSamplingConfiguration::SamplePeriod, 1);
    TalvexDriverInputConfiguration input;
    input.setOutputMask(TalvexStreamInterpreter::VoltageChannel);
    const auto interpreter = boost::make_shared<TalvexStreamInterpreter>();
    interpreter->setConfigurations(sampling, input, TalvexDriverMotionConfiguration());

    PlotUSBDataStream stream;
    stream.setDispatcher(boost::make_shared<IdleDispatcher>());
    stream.setInterpreter(interpreter);
    ChannelOptions option;
    PlotSeries series(&stream, TalvexStreamInterpreter::VoltageChannel, false);
    series.addPostProcessor(new PlotInvertPostProcessor(&option.m_invert));
    series.addPostProcessor(new PlotScaleOffsetPostProcessor(&option.m_scale, &option.m_offset));
    QCustomPlot chart;
    QCPGraph* graph = chart.addGraph();
    stream.start(1);

    const QVector<quint8> packet = voltagePacket();
    qint64 packets = 0;
    for (auto _ : state)
    {
        USBPacketStreamEvent event(0, packet, USBResult());
        QCoreApplication::sendEvent(&stream, &event);
        series.moveNewPointsTo(graph);
        // A measurement holds at most 5000 points; then the next one starts.
        if (++packets % 125 == 0)
        {
            state.PauseTiming();
            series.clear();
            graph->data()->clear();
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(packets);
}

void refreshArguments(benchmark::internal::Benchmark* bench)
{
    for (int series : {1, 4})
        for (int points : {5000, 100000})
            bench->Args({series, points});
    bench->ArgNames({"series", "points"});
}

BENCHMARK(plotRefresh)->Apply(refreshArguments)->UseManualTime()->Iterations(BenchSupport::iterations(40))->Unit(benchmark::kMillisecond);
BENCHMARK(bareRefresh)->Apply(refreshArguments)->UseManualTime()->Iterations(BenchSupport::iterations(40))->Unit(benchmark::kMillisecond);
BENCHMARK(streamPacketIntoSeries)->Unit(benchmark::kMicrosecond);
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return BenchSupport::runRegistered(argc, argv);
}
