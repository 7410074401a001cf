#pragma once

#include "TalvexDriverCommands.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverSamplingConfiguration.h"
#include "USBResult.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>
#include <boost/shared_ptr.hpp>

class PlotUSBDataStream;
class TalvexDocument;
class TalvexRequestDispatcher;
class TalvexStreamInterpreter;

// The Measurements tab's rules, free of widgets: when a measurement starts and stops and what it
// shows meanwhile, whether and with what a start goes to the board, the sample periods the ADC
// mode allows, the info on the sampling, the length of the sampled time the plot is scaled to,
// and the clearing of the board's counters. The tab builds it with itself as the requester,
// forwards the user's presses and edits to the calls named after them, tells it of the stream's
// state and of the input configuration its pages are built for, and shows what it answers and
// emits. GUI thread only.
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

    // What the tab shows of a measurement.
    enum State
    {
        Stopped,
        WaitingForTrigger,
        Running,
        // Stopped by the user; the board's last packet is still to come.
        Stopping
    };

    // A sample period the board knows: its index in the sampling record and its text.
    struct SamplePeriod
    {
        int index;
        QString text;
    };

    // A stop that waits for the board's last packet gives up after this long.
    static constexpr int s_stopTimeout = 2000;

    // requester: whose requests the dispatcher keeps in flight (the tab); parent owns this.
    TalvexMeasurementController(TalvexDocument* document, const boost::shared_ptr<TalvexRequestDispatcher>& dispatcher,
        PlotUSBDataStream* stream, boost::shared_ptr<TalvexStreamInterpreter> interpreter, QObject* requester,
        QObject* parent);
    // The tab goes with its board: a run that still waits for packets would keep the stream from
    // ever starting again, so it ends here.
    ~TalvexMeasurementController() override;

    // When the document's input configuration changed, before the tab builds its pages for it:
    // ends any measurement and brings a sample period that the ADC mode does not allow (it would
    // be sent all the same) to the shortest one it allows.
    void inputConfigurationChanged(const TalvexDriverInputConfiguration& input);
    // When the tab builds its series and pages: the input configuration last told, by which
    // the channels are decoded.
    const TalvexDriverInputConfiguration& inputConfiguration() const { return m_input; }
    // When the tab builds its sample period box and after each change of the input
    // configuration: the periods that the ADC mode allows, shortest first.
    QVector<SamplePeriod> samplePeriods() const;
    // After each edit of the sampling settings and change of the input configuration: the info
    // on the sampling for the ADC mode; empty without a document.
    QString infoText() const;
    // When the tab builds its series: the sampled time in seconds that they span; 0 without a
    // document.
    double duration() const;

    // When the user presses the start/stop button: a running measurement ends, else one begins.
    void startStopPressed();
    // When the user edits a sampling setting, and before the tab builds its pages again: ends any
    // measurement as a press of stop would.
    void end();
    // When the stream's state changed (after the tab has drawn what the stream holds when it
    // stopped): a measurement started elsewhere, as by a script, shows without a second start.
    void streamStateChanged(int state);
    // When the stream goes before the tab.
    void streamDestroyed();
    // When the stop timer fires, s_stopTimeout after a stop whose last packet has not come: the
    // measurement ends without it.
    void stopTimedOut();

    // The state last shown.
    State state() const { return m_state; }
    // When the tab shows a state: whether the start/stop button may be pressed, which it may
    // with a channel enabled while no stop waits for the board's last packet.
    bool startStopEnabled() const;

    // When the user presses a counter's clear button: the board zeroes it and the stream its
    // channel's offset. A clear of the same kind still in flight sends nothing; a refusal is
    // reported and leaves the offset.
    void clear(Counter counter);

    void propertyChanged(int id, const QVariant& value) override;
    void validationMessage(int id, const QString& text) override;
    void sourceDestroyed(Properties<TalvexDriverSamplingConfigurationTraits>* source) override;

signals:
    // Each time the tab is to show the measurement's state, also when it stays the same.
    void stateChanged(int state);
    // A refused start, stop or clear.
    void statusMessage(const USBResult& result);
    // Once for each change of the sampled time, whether the user edited the sampling settings
    // or a file or the board replaced them.
    void durationChanged(double seconds);

private:
    void begin();
    // Brings a count beyond the board's into range and answers a refusal (status 2) for settings
    // the board cannot sample with, no enabled channel or no board; success otherwise.
    USBResult startRefusal();
    void show(State state);
    void showStopped();

    TalvexDocument* m_pDocument;
    PlotUSBDataStream* m_pStream;
    boost::shared_ptr<TalvexStreamInterpreter> m_pInterpreter;
    TalvexDriverCommands m_commands;
    TalvexDriverInputConfiguration m_input;
    State m_state = Stopped;
    QTimer m_stopTimer;
    // The duration last told.
    double m_duration = 0.0;
};
