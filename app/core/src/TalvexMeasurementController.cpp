#include "TalvexMeasurementController.h"

#include "PlotUSBDataStream.h"
#include "TalvexDocument.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexStreamInterpreter.h"
#include "ValueConversions.h"

namespace
{
typedef TalvexDriverSamplingConfiguration Sampling;
typedef TalvexStreamInterpreter I;
typedef Properties<TalvexDriverSamplingConfigurationTraits> SamplingProperties;
}

TalvexMeasurementController::TalvexMeasurementController(TalvexDocument* document,
    const boost::shared_ptr<TalvexRequestDispatcher>& dispatcher, PlotUSBDataStream* stream,
    boost::shared_ptr<TalvexStreamInterpreter> interpreter, QObject* requester, QObject* parent)
    : QObject(parent)
    , m_pDocument(document)
    , m_pStream(stream)
    , m_pInterpreter(interpreter)
    , m_commands(dispatcher.get(), requester)
{
    if (m_pDocument)
        m_pDocument->samplingConfiguration()->addObserver(static_cast<SamplingProperties::IChangeObserver*>(this));
    m_duration = duration();
}

TalvexMeasurementController::~TalvexMeasurementController()
{
    if (m_pDocument)
        m_pDocument->samplingConfiguration()->removeObserver(static_cast<SamplingProperties::IChangeObserver*>(this));
}

USBResult TalvexMeasurementController::checkStart(bool channelsEnabled)
{
    if (!m_pDocument || !m_pInterpreter || !m_pStream)
        return USBResult(QStringLiteral("No device is open"), 2);
    if (!channelsEnabled)
        return USBResult(QStringLiteral("No channel is enabled for sampling"), 2);
    Sampling* sampling = m_pDocument->samplingConfiguration();
    // A count beyond what the board can count is brought into range (and the user told).
    sampling->validate();
    const QString fault = sampling->settingFault();
    return fault.isEmpty() ? USBResult() : USBResult(fault, 2);
}

USBResult TalvexMeasurementController::start(const TalvexDriverInputConfiguration& input)
{
    if (!m_pDocument || !m_pInterpreter || !m_pStream)
        return USBResult(QStringLiteral("No device is open"), 2);
    const Sampling& sampling = *m_pDocument->samplingConfiguration();
    m_pInterpreter->setConfigurations(sampling, input, *m_pDocument->motionConfiguration());
    return m_pStream->start(sampling.overSamplingFactor());
}

double TalvexMeasurementController::duration() const
{
    if (!m_pDocument)
        return 0.0;
    const Sampling* sampling = m_pDocument->samplingConfiguration();
    return sampling->samplePeriod() * variantToInt(sampling->value(Sampling::SampleCount));
}

USBResult TalvexMeasurementController::clear(Counter counter)
{
    const bool steps = counter == StepCounter;
    if (!m_commands.canSend(steps ? TalvexDriverCommRequest::ZeroPosition : TalvexDriverCommRequest::ClearCounters))
        return USBResult();
    const USBResult sent = steps ? m_commands.zeroPosition() : m_commands.clearCounters();
    if (sent.isOk() && m_pStream)
        m_pStream->resetChannelOffset(
            steps ? I::StepsChannel : counter == EventCounter ? I::EventsChannel : I::QuadratureChannel);
    return sent;
}

void TalvexMeasurementController::streamDestroyed()
{
    m_pStream = nullptr;
}

void TalvexMeasurementController::propertyChanged(int id, const QVariant& value)
{
    Q_UNUSED(id);
    Q_UNUSED(value);
    // A record replaced as a whole changes each of its values in turn.
    const double seconds = duration();
    if (seconds == m_duration)
        return;
    m_duration = seconds;
    emit durationChanged(seconds);
}

void TalvexMeasurementController::validationMessage(int id, const QString& text)
{
    Q_UNUSED(id);
    Q_UNUSED(text);
}

void TalvexMeasurementController::sourceDestroyed(SamplingProperties* source)
{
    Q_UNUSED(source);
    m_pDocument = nullptr;
}
