#pragma once

#include "TalvexDriverCommands.h"
#include "TalvexDriverSamplingConfiguration.h"
#include "USBResult.h"

#include <QObject>
#include <boost/shared_ptr.hpp>

class PlotUSBDataStream;
class TalvexDocument;
class TalvexDriverInputConfiguration;
class TalvexRequestDispatcher;
class TalvexStreamInterpreter;

// The Measurements tab's rules, free of widgets: whether a measurement may start and with what,
// the length of the sampled time the plot is scaled to, and the clearing of the board's counters.
// The tab builds it with itself as the requester, forwards the user's start and clear presses to
// the calls named after them, shows what they answer and rescales its plot on durationChanged.
// The tab tells it when the stream goes. GUI thread only.
class TalvexMeasurementController
    : public QObject
    , public Properties<TalvexDriverSamplingConfigurationTraits>::IChangeObserver
{
    Q_OBJECT

public:
    // The board's counters, each with the stream channel whose offset it zeroes.
    enum Counter
    {
        StepCounter,
        EventCounter,
        QuadratureCounter
    };

    // requester: whose requests the dispatcher keeps in flight (the tab); parent owns this.
    TalvexMeasurementController(TalvexDocument* document, const boost::shared_ptr<TalvexRequestDispatcher>& dispatcher,
        PlotUSBDataStream* stream, boost::shared_ptr<TalvexStreamInterpreter> interpreter, QObject* requester,
        QObject* parent);
    ~TalvexMeasurementController() override;

    // Called when the user starts a measurement while the stream is stopped, before start: brings
    // a sample count beyond the board's into range and answers a refusal (status 2) for settings
    // the board cannot sample with, no enabled channel or no board; success otherwise.
    USBResult checkStart(bool channelsEnabled);
    // Called after checkStart agreed: starts the stream with the sampling settings, its channels
    // decoded by input. Answers the stream's start.
    USBResult start(const TalvexDriverInputConfiguration& input);
    // The sampled time in seconds that the series span; 0 without a document.
    double duration() const;
    // Called when the user presses a counter's clear button: the board zeroes it and the stream
    // its channel's offset. A clear of the same kind still in flight sends nothing; a refusal is
    // answered and leaves the offset.
    USBResult clear(Counter counter);

    // Called by the tab when the stream goes.
    void streamDestroyed();

    void propertyChanged(int id, const QVariant& value) override;
    void validationMessage(int id, const QString& text) override;
    void sourceDestroyed(Properties<TalvexDriverSamplingConfigurationTraits>* source) override;

signals:
    // Once for each change of the sampled time, whether the user edited the sampling settings
    // or a file or the board replaced them.
    void durationChanged(double seconds);

private:
    TalvexDocument* m_pDocument;
    PlotUSBDataStream* m_pStream;
    boost::shared_ptr<TalvexStreamInterpreter> m_pInterpreter;
    TalvexDriverCommands m_commands;
    // The duration last told.
    double m_duration = 0.0;
};
