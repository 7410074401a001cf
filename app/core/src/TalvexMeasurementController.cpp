#include "TalvexMeasurementController.h"

#include "PlotUSBDataStream.h"
#include "TalvexDocument.h"
#include "TalvexStreamInterpreter.h"
#include "ValueConversions.h"

namespace
{
typedef TalvexDriverSamplingConfiguration Sampling;
typedef TalvexDriverInputConfiguration Input;
typedef TalvexStreamInterpreter I;
typedef Properties<TalvexDriverSamplingConfigurationTraits> SamplingProperties;

// By their index in the sampling record, from 1.
const char* const s_periodTexts[] = {"200 us", "500 us", "1 ms", "2 ms", "5 ms", "10 ms", "20 ms", "50 ms",
    "100 ms", "200 ms", "500 ms", "1 s", "2 s", "5 s"};
const int s_sampledChannels = I::VoltageChannel | I::EventsChannel | I::QuadratureChannel | I::StepsChannel;
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
    m_stopTimer.setSingleShot(true);
    m_stopTimer.setInterval(s_stopTimeout);
    connect(&m_stopTimer, &QTimer::timeout, this, &TalvexMeasurementController::stopTimedOut);
    if (m_pDocument)
        m_pDocument->samplingConfiguration()->addObserver(static_cast<SamplingProperties::IChangeObserver*>(this));
    m_duration = duration();
}

TalvexMeasurementController::~TalvexMeasurementController()
{
    m_stopTimer.stop();
    if (m_pStream)
        m_pStream->reset();
    if (m_pDocument)
        m_pDocument->samplingConfiguration()->removeObserver(static_cast<SamplingProperties::IChangeObserver*>(this));
}

void TalvexMeasurementController::inputConfigurationChanged(const TalvexDriverInputConfiguration& input)
{
    m_input = input;
    end();
    if (!m_pDocument)
        return;
    Sampling* sampling = m_pDocument->samplingConfiguration();
    const int shortest = m_input.minimumSamplePeriodIndex();
    if (variantToInt(sampling->value(Sampling::SamplePeriod)) < shortest)
        sampling->setValue(Sampling::SamplePeriod, shortest);
}

QVector<TalvexMeasurementController::SamplePeriod> TalvexMeasurementController::samplePeriods() const
{
    QVector<SamplePeriod> periods;
    const int count = int(sizeof(s_periodTexts) / sizeof(s_periodTexts[0]));
    for (int index = m_input.minimumSamplePeriodIndex(); index <= count; ++index)
        periods.append({index, QString::fromLatin1(s_periodTexts[index - 1])});
    return periods;
}

QString TalvexMeasurementController::infoText() const
{
    if (!m_pDocument)
        return QString();
    const Sampling* sampling = m_pDocument->samplingConfiguration();
    const double period = sampling->samplePeriod();
    if (variantToInt(m_input.value(Input::ADCMode)) == 0)
        return QStringLiteral("Voltage sample mode: normal\n")
            + QStringLiteral("Maximum resolvable voltage signal frequency: %1 Hz").arg(0.25 / period);
    return QStringLiteral("Voltage sample mode: Peak-peak\n")
        + QStringLiteral("Maximum AC signal frequency : %1 Hz\n").arg(1250.0)
        + QStringLiteral("Minimum AC signal frequency convertable to DC: %1 Hz")
              .arg(2.0 / (period / sampling->overSamplingFactor()));
}

double TalvexMeasurementController::duration() const
{
    if (!m_pDocument)
        return 0.0;
    const Sampling* sampling = m_pDocument->samplingConfiguration();
    return sampling->samplePeriod() * variantToInt(sampling->value(Sampling::SampleCount));
}

void TalvexMeasurementController::startStopPressed()
{
    if (m_pStream && m_pStream->state() != PlotUSBDataStream::Stopped)
        end();
    else
        begin();
}

void TalvexMeasurementController::begin()
{
    show(WaitingForTrigger);
    if (!m_pStream || m_pStream->state() != PlotUSBDataStream::Stopped)
        return;
    const USBResult refused = startRefusal();
    if (!refused.isOk())
    {
        showStopped();
        emit statusMessage(refused);
        return;
    }
    // The record that was checked is the one sent.
    const Sampling& sampling = *m_pDocument->samplingConfiguration();
    m_pInterpreter->setConfigurations(sampling, m_input, *m_pDocument->motionConfiguration());
    // A start that the board refuses ends the measurement through the stream's state.
    const USBResult started = m_pStream->start(sampling.overSamplingFactor());
    if (!started.isOk())
        emit statusMessage(started);
}

USBResult TalvexMeasurementController::startRefusal()
{
    if (!m_pDocument || !m_pInterpreter || !m_pStream)
        return USBResult(QStringLiteral("No device is open"), 2);
    if (!(m_input.getOutputMask() & s_sampledChannels))
        return USBResult(QStringLiteral("No channel is enabled for sampling"), 2);
    Sampling* sampling = m_pDocument->samplingConfiguration();
    // A count beyond what the board can count is brought into range (and the user told).
    sampling->validate();
    const QString fault = sampling->settingFault();
    return fault.isEmpty() ? USBResult() : USBResult(fault, 2);
}

void TalvexMeasurementController::end()
{
    if (m_pStream && m_pStream->state() != PlotUSBDataStream::Stopped && m_state != Stopping)
    {
        const USBResult stopped = m_pStream->stop();
        if (!stopped.isOk())
            emit statusMessage(stopped);
    }
    if (m_pStream && m_pStream->state() != PlotUSBDataStream::Stopped)
    {
        // The board sends its last packet; until then a second press would stop nothing.
        show(Stopping);
        if (!m_stopTimer.isActive())
            m_stopTimer.start();
        return;
    }
    showStopped();
}

void TalvexMeasurementController::streamStateChanged(int state)
{
    switch (state)
    {
    case PlotUSBDataStream::Receiving:
        if (m_state != Stopping)
            show(Running);
        break;
    case PlotUSBDataStream::WaitingForData:
        begin();
        break;
    case PlotUSBDataStream::Stopped:
        end();
        break;
    default:
        break;
    }
}

void TalvexMeasurementController::streamDestroyed()
{
    m_pStream = nullptr;
}

void TalvexMeasurementController::stopTimedOut()
{
    if (m_pStream && m_pStream->state() != PlotUSBDataStream::Stopped)
        m_pStream->reset();
    else
        showStopped();
}

bool TalvexMeasurementController::startStopEnabled() const
{
    return m_input.getOutputMask() != 0 && m_state != Stopping;
}

void TalvexMeasurementController::show(State state)
{
    m_state = state;
    emit stateChanged(state);
}

void TalvexMeasurementController::showStopped()
{
    m_stopTimer.stop();
    show(Stopped);
}

void TalvexMeasurementController::clear(Counter counter)
{
    const bool steps = counter == StepCounter;
    if (!m_commands.canSend(steps ? TalvexDriverCommRequest::ZeroPosition : TalvexDriverCommRequest::ClearCounters))
        return;
    const USBResult sent = steps ? m_commands.zeroPosition() : m_commands.clearCounters();
    if (!sent.isOk())
    {
        emit statusMessage(sent);
        return;
    }
    if (m_pStream)
        m_pStream->resetChannelOffset(
            steps ? I::StepsChannel : counter == EventCounter ? I::EventsChannel : I::QuadratureChannel);
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
