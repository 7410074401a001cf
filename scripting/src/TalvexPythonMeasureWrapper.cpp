#include "TalvexPythonMeasureWrapper.h"

#include "PlotUSBDataStream.h"
#include "TalvexDocument.h"
#include "TalvexPythonArguments.h"
#include "TalvexPythonContext.h"
#include "TalvexStreamInterpreter.h"

#include <QVector>
#include <stdexcept>

namespace py = pybind11;

namespace
{
typedef TalvexPythonMeasureWrapper W;
typedef TalvexDriverSamplingConfiguration Sampling;

const int s_maximumSampleCount = 5000;

// GUI thread only.
TalvexDocument& document()
{
    if (!TalvexPythonContext::s_pDocument || !TalvexPythonContext::s_pStream || !TalvexPythonContext::s_pInterpreter)
        throw std::runtime_error("No device is open");
    return *TalvexPythonContext::s_pDocument;
}

// The over-sampling and trigger settings keep their number; any other number stores 0.
int settingOf(int value, int last)
{
    return value >= 0 && value <= last ? value : 0;
}

int channelOf(int source)
{
    switch (source)
    {
    case W::ADC:
        return TalvexStreamInterpreter::VoltageChannel;
    case W::Events:
        return TalvexStreamInterpreter::EventsChannel;
    case W::Quadrature:
        return TalvexStreamInterpreter::QuadratureChannel;
    case W::MotorSteps:
        return TalvexStreamInterpreter::StepsChannel;
    default:
        return 0;
    }
}

void storeSampling(int id, int value)
{
    TalvexPythonContext::callInGuiThread([id, value] { document().samplingConfiguration()->setValue(id, value); });
}

py::tuple floats(const QVector<double>& values)
{
    py::tuple tuple(values.size());
    for (int i = 0; i < values.size(); ++i)
        tuple[i] = py::float_(values.at(i));
    return tuple;
}
}

void TalvexPythonMeasureWrapper::bind(py::module_& module)
{
    py::class_<W> measure(module, "Measure");
    measure.def(py::init<>())
        .def("setSampleCount", &W::setSampleCount, py::arg("count"))
        .def("setResolution", &W::setResolution, py::arg("resolution"))
        .def("setOverSampling", &W::setOverSampling, py::arg("overSampling"))
        .def("setTrigger", &W::setTrigger, py::arg("trigger"))
        .def("start", &W::start)
        .def("waitToFinish", &W::waitToFinish)
        .def("getPlotData", &W::getPlotData, py::arg("source"));
    const char* const sources[] = {"ADC", "Events", "Quadrature", "MotorSteps"};
    const char* const overSamplings[] = {"OverSampleNone", "OverSampleLow", "OverSampleHigh"};
    const char* const resolutions[] = {"Resol_200us", "Resol_500us", "Resol_1ms", "Resol_2ms", "Resol_5ms",
        "Resol_10ms", "Resol_20ms", "Resol_50ms", "Resol_100ms", "Resol_200ms", "Resol_500ms", "Resol_1s",
        "Resol_2s", "Resol_5s"};
    const char* const triggers[] = {"TriggerManually", "TriggerOnEvent", "TriggerOnMotorStart"};
    for (int i = 0; i < 4; ++i)
        measure.attr(sources[i]) = i;
    for (int i = 0; i < 3; ++i)
        measure.attr(overSamplings[i]) = i;
    for (int i = 0; i < 14; ++i)
        measure.attr(resolutions[i]) = i;
    for (int i = 0; i < 3; ++i)
        measure.attr(triggers[i]) = i;
}

void TalvexPythonMeasureWrapper::setSampleCount(const py::int_& count)
{
    const int value = TalvexPythonArguments::toInt(count);
    if (value > s_maximumSampleCount)
        throw std::invalid_argument("Sample count too large.");
    storeSampling(Sampling::SampleCount, value);
}

void TalvexPythonMeasureWrapper::setResolution(const py::int_& resolution)
{
    const int value = TalvexPythonArguments::toInt(resolution);
    // The sample period index: 1 (200 us) to 14 (5 s); 0 for no resolution.
    const int index = value >= Resol_200us && value <= Resol_5s ? value + 1 : 0;
    TalvexPythonContext::callInGuiThread([index] {
        TalvexDocument& doc = document();
        if (index < doc.inputConfiguration()->minimumSamplePeriodIndex())
            throw std::invalid_argument("Sample period to small.");
        doc.samplingConfiguration()->setValue(Sampling::SamplePeriod, index);
    });
}

void TalvexPythonMeasureWrapper::setOverSampling(const py::int_& overSampling)
{
    storeSampling(Sampling::OverSample, settingOf(TalvexPythonArguments::toInt(overSampling), OverSampleHigh));
}

void TalvexPythonMeasureWrapper::setTrigger(const py::int_& trigger)
{
    storeSampling(Sampling::Trigger, settingOf(TalvexPythonArguments::toInt(trigger), TriggerOnMotorStart));
}

void TalvexPythonMeasureWrapper::start()
{
    TalvexPythonContext::callInGuiThread([] {
        TalvexDocument& doc = document();
        Sampling* sampling = doc.samplingConfiguration();
        // A count the board cannot count is brought into range and refused, as a setting the
        // board does not know.
        const Sampling::ValidationMessages messages = sampling->validate();
        if (!messages.isEmpty())
            throw std::invalid_argument(messages.first().first.toStdString());
        const QString fault = sampling->settingFault();
        if (!fault.isEmpty())
            throw std::invalid_argument(fault.toStdString());
        TalvexPythonContext::s_pInterpreter->setConfigurations(
            *sampling, *doc.inputConfiguration(), *doc.motionConfiguration());
        const USBResult started = TalvexPythonContext::s_pStream->start(sampling->overSamplingFactor());
        if (!started.isOk())
            throw std::runtime_error(started.getMessage().toStdString());
    });
}

void TalvexPythonMeasureWrapper::waitToFinish()
{
    TalvexPythonContext::waitUntil([] {
        document();
        return TalvexPythonContext::s_pStream->state() == PlotUSBDataStream::Stopped;
    });
}

py::tuple TalvexPythonMeasureWrapper::getPlotData(const py::int_& source)
{
    const int channel = channelOf(TalvexPythonArguments::toInt(source));
    QVector<double> keys;
    QVector<double> values;
    TalvexPythonContext::callInGuiThread([channel, &keys, &values] {
        document();
        PlotUSBDataStream* stream = TalvexPythonContext::s_pStream;
        if (channel == 0 || !stream->hasChannel(channel))
            return;
        const QVector<PlotPoint> points = stream->client(channel)->processedPoints();
        keys.reserve(points.size());
        values.reserve(points.size());
        for (const PlotPoint& point : points)
        {
            keys.append(point.getKey());
            values.append(point.getValue());
        }
    });
    return py::make_tuple(floats(keys), floats(values));
}
