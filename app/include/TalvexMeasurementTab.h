#pragma once

#include "PlotUSBDataStream.h"
#include "TalvexMeasurementController.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexRequestDispatcher.h"
#include "USBResult.h"

#include <QMap>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <boost/shared_ptr.hpp>

class Plot;
class PlotSeries;
class QCheckBox;
class QFormLayout;
class QLabel;
class QPushButton;
class QTabWidget;
class TalvexDocument;
class TalvexStreamInterpreter;
class UIIUserInput;
class UIUserInputRegister;
template <class W>
class UIWidgetFor;

// The "Measurements" tab: the sampling options, start and stop of a measurement with the live
// plot of the sampled channels (refreshed every 100 ms while measuring), an options page per
// enabled channel (invert, scale and offset, phasor or step units, the clear buttons of the
// board's counters), the cursors page and the CSV and PNG export. The pages follow the input
// configuration: they are rebuilt on each of its changes. The rules (when a measurement starts
// and stops, with what, the sample periods, the info text, the scaling, the clears) are the
// controller's; the tab builds the widgets, forwards the user's actions to the controller and
// shows what it answers. The main window builds it after the Motion and IO tabs
// (whose inputs the pages read from the register) when a supported board connects and deletes
// it on disconnect. GUI thread only.
class TalvexMeasurementTab
    : public QWidget
    , public TalvexDriverInputConfiguration::IDriverInputChangeObserver
    , public PlotUSBDataStream::IStateObserver
{
    Q_OBJECT

public:
    // Channel keys of the pages; the cursors page has its own.
    enum PageKey
    {
        VoltageKey = 1,
        EventsKey = 2,
        QuadratureKey = 4,
        StepsKey = 8,
        CursorsKey = 100
    };

    TalvexMeasurementTab(QWidget* parent, TalvexDocument* document,
        boost::shared_ptr<TalvexRequestDispatcher> dispatcher, PlotUSBDataStream* stream,
        boost::shared_ptr<TalvexStreamInterpreter> interpreter, UIUserInputRegister* inputs);
    ~TalvexMeasurementTab() override;

    void inputConfigurationChanged(TalvexDriverInputConfiguration* configuration) override;
    void inputConfigurationDestroyed(TalvexDriverInputConfiguration* configuration) override;
    void streamStateChanged(int state) override;
    void streamDestroyed(PlotUSBDataStream* stream) override;

signals:
    void statusMessage(const USBResult& result);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void updatePlot();
    void onStartStopMeasureClicked();
    void onClearStepCountClicked();
    void onClearEventCountClicked();
    void onClearQuadratureCountClicked();
    void onSamplingChanged();
    void onSavePNG();
    void onSaveCSV();
    // The controller's state of the measurement: icons, texts, buttons and the plot's refresh.
    void showState(int state);

private:
    void buildSamplingPage();
    void rebuild();
    // The series span seconds of sampled time; the axes fit them again.
    void rescale(double seconds);
    // The sample period box offers the periods that the controller allows.
    void showSamplePeriods();

    // The pages, one function each; the registered keys are remembered for removal.
    void registerInput(const QString& key, UIIUserInput* input);
    // Takes this tab's inputs out of the register.
    void forgetInputs(QMap<QString, UIIUserInput*>& inputs);
    // An input of another tab, or null when none is registered; should it go away, the pages
    // that use it are rebuilt without it.
    UIIUserInput* externalInput(const QString& key);
    void onExternalInputDestroyed(const QString& key, const UIIUserInput* input);
    void removePages();
    QFormLayout* channelForm(QWidget* page);
    boost::shared_ptr<PlotSeries> seriesOf(int channel) const;
    // A check box bound to a plot setting that redraws the plot when the user changes it.
    UIWidgetFor<QCheckBox>* addCheckRow(QFormLayout* form, const QString& text, const QString& key, int id);
    // Invert, scale and offset: the last processors of a channel, with the keys name + "Inverted",
    // "Factor" and "Offset".
    void addInvertAndScaleRows(QFormLayout* form, int channel, const QString& name);
    void fillVoltagePage(QWidget* page);
    void fillQuadraturePage(QWidget* page);
    void fillEventsPage(QWidget* page);
    void fillStepsPage(QWidget* page);
    void addClearButton(QWidget* page, const QString& toolTip, const char* slot);
    void fillCursorsPage(QWidget* page);

    TalvexDocument* m_pDocument;
    PlotUSBDataStream* m_pStream;
    UIUserInputRegister* m_pInputs;
    TalvexMeasurementController* m_pController;
    QPushButton* m_pStartStopButton = nullptr;
    QPushButton* m_pPngButton = nullptr;
    QPushButton* m_pCsvButton = nullptr;
    QTabWidget* m_pOptions = nullptr;
    QLabel* m_pStateLabel = nullptr;
    QLabel* m_pStateIconLabel = nullptr;
    QLabel* m_pInfoLabel = nullptr;
    Plot* m_pPlot = nullptr;
    QMap<int, QWidget*> m_pages;
    QMap<int, int> m_seriesIds;
    QTimer m_plotTimer;
    // Inputs of other tabs whose destruction this tab watches.
    QSet<QObject*> m_watchedInputs;
    // Keys that this tab put into the register, for the sampling page and for the channel pages.
    QMap<QString, UIIUserInput*> m_samplingKeys;
    QMap<QString, UIIUserInput*> m_pageKeys;
    QMap<QString, UIIUserInput*>* m_pKeysBeingRegistered = &m_samplingKeys;
};
