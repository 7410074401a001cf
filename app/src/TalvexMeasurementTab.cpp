#include "TalvexMeasurementTab.h"

#include "PlotFileExport.h"

#include "Plot.h"
#include "PlotInvertPostProcessor.h"
#include "PlotScaleOffsetPostProcessor.h"
#include "PlotSeries.h"
#include "PlotToPhasorPostProcessor.h"
#include "PlotTracerReading.h"
#include "TalvexDocument.h"
#include "TalvexDoubleValidator.h"
#include "TalvexMeasurementStepProcessor.h"
#include "TalvexStreamInterpreter.h"
#include "UIComboBox.h"
#include "UIPropertyBinding.h"
#include "UIUserInputRegister.h"
#include "UIWidgetFor.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHash>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <boost/make_shared.hpp>

// The export icons live in the plot library's resources.
static void initPlotResources()
{
    static const bool s_done = [] {
        Q_INIT_RESOURCE(plot);
        return true;
    }();
    Q_UNUSED(s_done);
}

namespace
{
typedef TalvexDriverSamplingConfiguration Sampling;
typedef TalvexPlotSettings Settings;
typedef UIWidgetFor<QCheckBox> CheckBox;
typedef UIWidgetFor<QComboBox> ComboBox;
typedef UIWidgetFor<QLineEdit> LineEdit;
typedef UIWidgetFor<QSpinBox> SpinBox;

const int s_plotInterval = 100;
const QSize s_iconSize(32, 32);
const char* const s_source = "src\\TalvexMeasurementTab";

// How each channel is plotted, in the order of its graphs.
struct Channel
{
    int key;
    bool unwrap;
    const char* name;
    const char* unit;
    Qt::GlobalColor colour;
    const char* page;
};
const Channel s_channels[] = {
    {TalvexMeasurementTab::VoltageKey, false, "Voltage", "Voltage [V]", Qt::red, "Voltage"},
    {TalvexMeasurementTab::QuadratureKey, true, "Quadrature", "Quadrature count", Qt::green, "Quadrature"},
    {TalvexMeasurementTab::EventsKey, true, "Events", "Event count", Qt::darkBlue, "Events"},
    {TalvexMeasurementTab::StepsKey, true, "Motor steps", "Step count", Qt::blue, "Steps"},
};

template <class Traits>
void bind(UIIUserInput* input, Properties<Traits>* set, int id)
{
    input->bindMethodCall(new UIPropertyBinding<Traits>(set, id));
}

QPushButton* iconButton(const QString& icon, const QString& toolTip)
{
    QPushButton* button = new QPushButton(QIcon(icon), QString());
    button->setIconSize(s_iconSize);
    button->setToolTip(toolTip);
    return button;
}
}

TalvexMeasurementTab::TalvexMeasurementTab(QWidget* parent, TalvexDocument* document,
    boost::shared_ptr<TalvexRequestDispatcher> dispatcher, PlotUSBDataStream* stream,
    boost::shared_ptr<TalvexStreamInterpreter> interpreter, UIUserInputRegister* inputs)
    : QWidget(parent)
    , m_pDocument(document)
    , m_pStream(stream)
    , m_pInputs(inputs)
    , m_pController(new TalvexMeasurementController(document, dispatcher, stream, interpreter, this, this))
{
    initPlotResources();
    m_pPlot = new Plot(this);
    QVBoxLayout* layout = new QVBoxLayout(this);

    QHBoxLayout* top = new QHBoxLayout;
    top->addSpacing(50);
    m_pStateIconLabel = new QLabel;
    m_pStateIconLabel->setPixmap(QPixmap(QStringLiteral(":/rc/stopped.png")));
    top->addWidget(m_pStateIconLabel);
    m_pStateLabel = new QLabel(QStringLiteral("Stopped"));
    top->addWidget(m_pStateLabel);
    top->addSpacing(30);
    top->addStretch(1);
    m_pStartStopButton = iconButton(QStringLiteral(":/rc/forward.png"), QString());
    m_pStartStopButton->setEnabled(false);
    top->addWidget(m_pStartStopButton);
    top->addSpacing(30);
    m_pCsvButton = iconButton(QStringLiteral(":/rc/export_dat.png"), QStringLiteral("Save graph in CSV format."));
    top->addWidget(m_pCsvButton);
    m_pPngButton = iconButton(QStringLiteral(":/rc/export_png.png"), QStringLiteral("Save graph to *.png file."));
    top->addWidget(m_pPngButton);
    top->addSpacing(50);
    layout->addLayout(top);

    // Tall enough for the merged unit label of the right axis.
    m_pPlot->customPlot()->setMinimumHeight(420);
    layout->addWidget(m_pPlot->customPlot(), 1);

    QHBoxLayout* bottom = new QHBoxLayout;
    bottom->addSpacing(50);
    m_pOptions = new QTabWidget;
    bottom->addWidget(m_pOptions);
    bottom->addSpacing(50);
    layout->addLayout(bottom);

    buildSamplingPage();

    connect(m_pStartStopButton, &QPushButton::pressed, this, &TalvexMeasurementTab::onStartStopMeasureClicked);
    connect(m_pCsvButton, &QPushButton::pressed, this, &TalvexMeasurementTab::onSaveCSV);
    connect(m_pPngButton, &QPushButton::pressed, this, &TalvexMeasurementTab::onSavePNG);
    connect(&m_plotTimer, &QTimer::timeout, this, &TalvexMeasurementTab::updatePlot);
    m_plotTimer.setInterval(s_plotInterval);
    connect(m_pController, &TalvexMeasurementController::stateChanged, this, &TalvexMeasurementTab::showState);
    connect(m_pController, &TalvexMeasurementController::statusMessage, this, &TalvexMeasurementTab::statusMessage);
    connect(m_pController, &TalvexMeasurementController::durationChanged, this, &TalvexMeasurementTab::rescale);
    m_pPlot->showPlot();

    if (m_pDocument)
    {
        m_pDocument->inputConfiguration()->addInputObserver(this);
    }
    if (m_pStream)
        m_pStream->addStateObserver(this);
}

TalvexMeasurementTab::~TalvexMeasurementTab()
{
    if (m_pStream)
        m_pStream->removeStateObserver(this);
    // The controller ends a run that still waits for packets; the series are told of its end
    // while they are still there.
    delete m_pController;
    m_pController = nullptr;
    if (m_pDocument)
    {
        m_pDocument->inputConfiguration()->removeInputObserver(this);
    }
    // No key may point to an input that goes with this tab.
    forgetInputs(m_samplingKeys);
    forgetInputs(m_pageKeys);
    // The series (and their processors, which read the pages' inputs) go before the pages.
    delete m_pPlot;
    m_pPlot = nullptr;
}

void TalvexMeasurementTab::registerInput(const QString& key, UIIUserInput* input)
{
    m_pInputs->add(key, input);
    m_pKeysBeingRegistered->insert(key, input);
}

void TalvexMeasurementTab::forgetInputs(QMap<QString, UIIUserInput*>& inputs)
{
    // A key that another tab has taken over since stays with it.
    for (auto it = inputs.cbegin(); it != inputs.cend(); ++it)
        if (m_pInputs->contains(it.key()) && m_pInputs->get(it.key()) == it.value())
            m_pInputs->remove(it.key());
    inputs.clear();
}

void TalvexMeasurementTab::buildSamplingPage()
{
    QWidget* page = new QWidget;
    QHBoxLayout* layout = new QHBoxLayout(page);
    QFormLayout* form = new QFormLayout;
    Sampling* sampling = m_pDocument ? m_pDocument->samplingConfiguration() : nullptr;
    const auto addRow = [&](const QString& label, const QString& key, UIIUserInput* input, int id) {
        form->addRow(label, input->widget());
        registerInput(key, input);
        input->connectSignal(this, SLOT(onSamplingChanged()), UIIUserInput::ValueChanged);
        if (sampling)
            bind(input, sampling, id);
    };

    SpinBox* count = new SpinBox;
    count->setRange(100, 5000);
    addRow(QStringLiteral("Samples"), QStringLiteral("SampleCount"), count, Sampling::SampleCount);
    ComboBox* period = new ComboBox;
    for (const TalvexMeasurementController::SamplePeriod& offered : m_pController->samplePeriods())
        period->addItem(offered.text, offered.index);
    addRow(QStringLiteral("Sample resolution"), QStringLiteral("SamplePeriod"), period, Sampling::SamplePeriod);
    ComboBox* trigger = new ComboBox;
    trigger->addItem(QStringLiteral("Trigger manually"), 0);
    trigger->addItem(QStringLiteral("Trigger on motor start"), 2);
    trigger->addItem(QStringLiteral("Trigger on event"), 1);
    addRow(QStringLiteral("Trigger"), QStringLiteral("Trigger"), trigger, Sampling::Trigger);
    ComboBox* overSample = new ComboBox;
    overSample->addItem(QStringLiteral("none"), 0);
    overSample->addItem(QStringLiteral("low (faster)"), 1);
    overSample->addItem(QStringLiteral("high (less noise)"), 2);
    addRow(QStringLiteral("Over-sample"), QStringLiteral("OverSample"), overSample, Sampling::OverSample);

    layout->addLayout(form);
    layout->addSpacing(30);
    QGroupBox* info = new QGroupBox(QStringLiteral("Info"));
    QVBoxLayout* infoLayout = new QVBoxLayout(info);
    m_pInfoLabel = new QLabel;
    infoLayout->addWidget(m_pInfoLabel);
    infoLayout->addStretch(1);
    layout->addWidget(info, 1);
    m_pOptions->addTab(page, QStringLiteral("Sampling"));
}

void TalvexMeasurementTab::inputConfigurationChanged(TalvexDriverInputConfiguration* configuration)
{
    m_pController->inputConfigurationChanged(*configuration);
    rebuild();
}

void TalvexMeasurementTab::inputConfigurationDestroyed(TalvexDriverInputConfiguration* configuration)
{
    Q_UNUSED(configuration);
    m_pDocument = nullptr;
}

void TalvexMeasurementTab::streamStateChanged(int state)
{
    // What the stream holds when it stops is drawn before the measurement ends.
    if (state == PlotUSBDataStream::Stopped)
        m_pPlot->refresh();
    m_pController->streamStateChanged(state);
}

void TalvexMeasurementTab::streamDestroyed(PlotUSBDataStream* stream)
{
    Q_UNUSED(stream);
    m_pStream = nullptr;
    m_pController->streamDestroyed();
}

void TalvexMeasurementTab::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Refresh))
        m_pPlot->rescaleAxes();
    else
        event->ignore();
}

void TalvexMeasurementTab::updatePlot()
{
    m_pPlot->refresh();
}

void TalvexMeasurementTab::onStartStopMeasureClicked()
{
    m_pController->startStopPressed();
}

void TalvexMeasurementTab::showState(int state)
{
    switch (state)
    {
    case TalvexMeasurementController::WaitingForTrigger:
        m_pPlot->clearGraphData();
        m_pStartStopButton->setIcon(QIcon(QStringLiteral(":/rc/stop.png")));
        m_pCsvButton->setEnabled(false);
        m_pPngButton->setEnabled(false);
        m_plotTimer.start();
        m_pStateIconLabel->setPixmap(QPixmap(QStringLiteral(":/rc/waiting.png")));
        m_pStateLabel->setText(QStringLiteral("Waiting for trigger"));
        break;
    case TalvexMeasurementController::Running:
        m_pStateIconLabel->setPixmap(QPixmap(QStringLiteral(":/rc/running.png")));
        m_pStateLabel->setText(QStringLiteral("Running"));
        break;
    case TalvexMeasurementController::Stopping:
        m_plotTimer.stop();
        m_pStateIconLabel->setPixmap(QPixmap(QStringLiteral(":/rc/waiting.png")));
        m_pStateLabel->setText(QStringLiteral("Stopping"));
        m_pStartStopButton->setEnabled(m_pController->startStopEnabled());
        m_pStartStopButton->setToolTip(QStringLiteral("Waiting for the last packet of the board."));
        break;
    default:
        m_plotTimer.stop();
        m_pCsvButton->setEnabled(true);
        m_pPngButton->setEnabled(true);
        m_pStartStopButton->setIcon(QIcon(QStringLiteral(":/rc/forward.png")));
        m_pStartStopButton->setToolTip(QString());
        m_pStartStopButton->setEnabled(m_pController->startStopEnabled());
        m_pStateIconLabel->setPixmap(QPixmap(QStringLiteral(":/rc/stopped.png")));
        m_pStateLabel->setText(QStringLiteral("Stopped"));
        break;
    }
}

void TalvexMeasurementTab::showSamplePeriods()
{
    QComboBox* period = qobject_cast<QComboBox*>(m_pInputs->get(QStringLiteral("SamplePeriod"))->widget());
    Q_ASSERT_X(period, s_source, "period");
    if (!period)
        return;
    const QVector<TalvexMeasurementController::SamplePeriod> offered = m_pController->samplePeriods();
    const auto isOffered = [&offered](const QVariant& index) {
        return std::any_of(offered.cbegin(), offered.cend(),
            [&index](const TalvexMeasurementController::SamplePeriod& each) { return index == each.index; });
    };
    for (int item = period->count() - 1; item >= 0; --item)
        if (!isOffered(period->itemData(item)))
            period->removeItem(item);
    // Longest first, each missing one at the top: the list stays in order.
    for (auto it = offered.crbegin(); it != offered.crend(); ++it)
        UIComboBox::addItemIfMissing(period, it->text, it->index);
}

void TalvexMeasurementTab::onSamplingChanged()
{
    // The plot is scaled when the settings reach the document.
    m_pController->end();
    const QString info = m_pController->infoText();
    if (m_pInfoLabel && !info.isEmpty())
        m_pInfoLabel->setText(info);
}

void TalvexMeasurementTab::rescale(double seconds)
{
    for (int id : m_seriesIds)
    {
        m_pPlot->clearGraphData();
        if (const boost::shared_ptr<PlotSeries> series = m_pPlot->series(id))
            series->setDuration(seconds);
    }
    m_pPlot->rescaleAxes();
}

void TalvexMeasurementTab::removePages()
{
    for (QWidget* page : m_pages)
    {
        m_pOptions->removeTab(m_pOptions->indexOf(page));
        delete page;
    }
    m_pages.clear();
    forgetInputs(m_pageKeys);
}

void TalvexMeasurementTab::rebuild()
{
    m_pController->end();
    // The series go first: their processors read inputs of the pages and of other tabs, one of
    // which may be going away right now.
    m_pPlot->clear();
    m_seriesIds.clear();
    removePages();
    showSamplePeriods();
    onSamplingChanged();
    rescale(m_pController->duration());
    if (!m_pStream || !m_pDocument)
        return;

    const TalvexDriverInputConfiguration& input = m_pController->inputConfiguration();
    const int mask = input.getOutputMask();
    const double duration = m_pController->duration();
    const double fullScale = input.adcRange();
    m_pKeysBeingRegistered = &m_pageKeys;
    for (const Channel& channel : s_channels)
    {
        if (!(mask & channel.key))
            continue;
        const auto series = boost::make_shared<PlotSeries>(m_pStream, channel.key, channel.unwrap);
        series->setName(QString::fromLatin1(channel.name));
        series->setUnit(QString::fromLatin1(channel.unit));
        series->setDuration(duration);
        if (channel.key == VoltageKey)
            series->setRange(-1.1 * fullScale, 1.1 * fullScale);
        else
            series->setRange(-10.0, 10.0);
        const int side = m_seriesIds.isEmpty() ? 0 : 1;
        m_seriesIds.insert(channel.key,
            m_pPlot->addGraph(series, side, 0, false, QPen(QColor(channel.colour)), PlotGraphStyle()));
        QWidget* page = new QWidget;
        m_pages.insert(channel.key, page);
        m_pOptions->addTab(page, QString::fromLatin1(channel.page));
        switch (channel.key)
        {
        case VoltageKey:
            fillVoltagePage(page);
            break;
        case QuadratureKey:
            fillQuadraturePage(page);
            break;
        case EventsKey:
            fillEventsPage(page);
            break;
        default:
            fillStepsPage(page);
            break;
        }
    }
    if (mask != 0)
    {
        QWidget* page = new QWidget;
        m_pages.insert(CursorsKey, page);
        m_pOptions->addTab(page, QStringLiteral("Cursors"));
        fillCursorsPage(page);
    }
    m_pKeysBeingRegistered = &m_samplingKeys;
}

UIIUserInput* TalvexMeasurementTab::externalInput(const QString& key)
{
    if (!m_pInputs->contains(key))
        return nullptr;
    UIIUserInput* input = m_pInputs->get(key);
    QObject* object = input ? input->object() : nullptr;
    if (!object)
        return nullptr;
    if (!m_watchedInputs.contains(object))
    {
        m_watchedInputs.insert(object);
        connect(object, &QObject::destroyed, this, [this, key, input](QObject* gone) {
            m_watchedInputs.remove(gone);
            onExternalInputDestroyed(key, input);
        });
    }
    return input;
}

void TalvexMeasurementTab::onExternalInputDestroyed(const QString& key, const UIIUserInput* input)
{
    // Compared, never dereferenced: the input is half destroyed.
    if (m_pInputs->contains(key) && m_pInputs->get(key) == input)
        m_pInputs->remove(key);
    // The processors that read the input go with the series.
    if (!m_seriesIds.isEmpty())
        rebuild();
}

QFormLayout* TalvexMeasurementTab::channelForm(QWidget* page)
{
    QHBoxLayout* layout = new QHBoxLayout(page);
    QFormLayout* form = new QFormLayout;
    layout->addLayout(form);
    return form;
}

boost::shared_ptr<PlotSeries> TalvexMeasurementTab::seriesOf(int channel) const
{
    const boost::shared_ptr<PlotSeries> series = m_pPlot->series(m_seriesIds.value(channel));
    Q_ASSERT_X(series, s_source, "series");
    return series;
}

UIWidgetFor<QCheckBox>* TalvexMeasurementTab::addCheckRow(QFormLayout* form, const QString& text,
    const QString& key, int id)
{
    CheckBox* check = new CheckBox;
    check->setText(text);
    form->addRow(check);
    registerInput(key, check);
    bind(check, m_pDocument->plotSettings(), id);
    check->connectSignal(m_pPlot, SLOT(updatePlotData()), UIIUserInput::UserEdited);
    return check;
}

void TalvexMeasurementTab::addInvertAndScaleRows(QFormLayout* form, int channel, const QString& name)
{
    static const QHash<int, QVector<int>> s_ids{
        {VoltageKey, {Settings::VoltageInverted, Settings::VoltageFactor, Settings::VoltageOffset}},
        {QuadratureKey, {Settings::QuadratureInverted, Settings::QuadratureFactor, Settings::QuadratureOffset}},
        {EventsKey, {Settings::EventsInverted, Settings::EventsFactor, Settings::EventsOffset}},
        {StepsKey, {Settings::StepsInverted, Settings::StepsFactor, Settings::StepsOffset}}};
    const QVector<int> ids = s_ids.value(channel);
    const boost::shared_ptr<PlotSeries> series = seriesOf(channel);
    CheckBox* invert = addCheckRow(form, QStringLiteral("Invert"), name + QStringLiteral("Inverted"), ids.at(0));
    if (series)
        series->addPostProcessor(new PlotInvertPostProcessor(invert));

    const auto addRow = [&](const QString& label, const QString& key, int id, const QString& initial) {
        LineEdit* edit = new LineEdit;
        edit->setValidator(new TalvexDoubleValidator(-10000000000.0, 10000000000.0, 5, edit));
        edit->setText(initial);
        form->addRow(label, edit);
        registerInput(key, edit);
        bind(edit, m_pDocument->plotSettings(), id);
        edit->connectSignal(m_pPlot, SLOT(updatePlotData()), UIIUserInput::EditingFinished);
        return edit;
    };
    LineEdit* scale = addRow(QStringLiteral("Scale"), name + QStringLiteral("Factor"), ids.at(1), QStringLiteral("1"));
    LineEdit* offset = addRow(QStringLiteral("Offset"), name + QStringLiteral("Offset"), ids.at(2), QStringLiteral("0"));
    if (series)
        series->addPostProcessor(new PlotScaleOffsetPostProcessor(scale, offset));
}

void TalvexMeasurementTab::fillVoltagePage(QWidget* page)
{
    addInvertAndScaleRows(channelForm(page), VoltageKey, QStringLiteral("Voltage"));
    static_cast<QHBoxLayout*>(page->layout())->addStretch(1);
}

void TalvexMeasurementTab::fillQuadraturePage(QWidget* page)
{
    QFormLayout* form = channelForm(page);
    CheckBox* phasor = addCheckRow(form, QStringLiteral("Show as phasor"), QStringLiteral("QuadratureAsPhasor"),
        Settings::QuadratureAsPhasor);
    // The counts per revolution are the IO tab's input: without it there is no phase to show.
    UIIUserInput* countsPerRevolution = externalInput(QStringLiteral("QuadratureCPR"));
    const boost::shared_ptr<PlotSeries> series = seriesOf(QuadratureKey);
    if (countsPerRevolution && series)
    {
        series->addPostProcessor(new PlotToPhasorPostProcessor(phasor, countsPerRevolution));
        countsPerRevolution->connectSignal(m_pPlot, SLOT(updatePlotData()), UIIUserInput::ValueChanged);
        if (UIIUserInput* stepDegrees = externalInput(QStringLiteral("StepDegrees")))
            stepDegrees->connectSignal(m_pPlot, SLOT(updatePlotData()), UIIUserInput::ValueChanged);
    }
    else
    {
        phasor->setEnabled(false);
        phasor->setToolTip(QStringLiteral("The encoder's counts per revolution are not known."));
    }
    addInvertAndScaleRows(form, QuadratureKey, QStringLiteral("Quadrature"));
    addClearButton(page, QStringLiteral("Clear quadrature counter."), SLOT(onClearQuadratureCountClicked()));
}

void TalvexMeasurementTab::fillEventsPage(QWidget* page)
{
    addInvertAndScaleRows(channelForm(page), EventsKey, QStringLiteral("Events"));
    addClearButton(page, QStringLiteral("Clear event counter."), SLOT(onClearEventCountClicked()));
}

void TalvexMeasurementTab::fillStepsPage(QWidget* page)
{
    QFormLayout* form = channelForm(page);
    ComboBox* unit = new ComboBox;
    unit->addItem(QStringLiteral("Phasor"), 0);
    unit->addItem(QStringLiteral("Number of full steps"), 1);
    unit->addItem(QStringLiteral("Number of rotations"), 2);
    unit->addItem(QStringLiteral("Distance [mm]"), 3);
    form->addRow(QStringLiteral("Show as"), unit);
    registerInput(QStringLiteral("StepsUnit"), unit);
    bind(unit, m_pDocument->plotSettings(), Settings::StepsUnit);
    unit->connectSignal(m_pPlot, SLOT(updatePlotData()), UIIUserInput::UserEdited);
    // The motor's settings are the Motion tab's inputs: without them the count stays a count.
    UIIUserInput* pitch = externalInput(QStringLiteral("Pitch"));
    UIIUserInput* stepDegrees = externalInput(QStringLiteral("StepDegrees"));
    UIIUserInput* factor = externalInput(QStringLiteral("MicroSteppingFactor"));
    const boost::shared_ptr<PlotSeries> series = seriesOf(StepsKey);
    if (pitch && stepDegrees && factor && series)
    {
        series->addPostProcessor(new TalvexMeasurementStepProcessor(unit, pitch, stepDegrees, factor));
        for (UIIUserInput* input : {stepDegrees, pitch, externalInput(QStringLiteral("MicroStepping")), factor})
            if (input)
                input->connectSignal(m_pPlot, SLOT(updatePlotData()), UIIUserInput::ValueChanged);
    }
    else
    {
        unit->setEnabled(false);
        unit->setToolTip(QStringLiteral("The motor's settings are not known."));
    }
    addInvertAndScaleRows(form, StepsKey, QStringLiteral("Steps"));
    addClearButton(page, QStringLiteral("Clear step counter."), SLOT(onClearStepCountClicked()));
}

void TalvexMeasurementTab::addClearButton(QWidget* page, const QString& toolTip, const char* slot)
{
    QHBoxLayout* layout = static_cast<QHBoxLayout*>(page->layout());
    layout->addSpacing(30);
    layout->addStretch(1);
    QPushButton* button = iconButton(QStringLiteral(":/rc/zero.png"), toolTip);
    layout->addWidget(button, 0, Qt::AlignBottom);
    connect(button, SIGNAL(pressed()), this, slot);
}

void TalvexMeasurementTab::fillCursorsPage(QWidget* page)
{
    QVBoxLayout* layout = new QVBoxLayout(page);
    QHBoxLayout* checks = new QHBoxLayout;
    const auto showCursor = [&](int number, int id) {
        CheckBox* show = new CheckBox;
        show->setText(QStringLiteral("Show cursor %1").arg(number));
        registerInput(QStringLiteral("ShowCursor%1").arg(number), show);
        bind(show, m_pDocument->plotSettings(), id);
        checks->addWidget(show);
        return show;
    };
    CheckBox* show1 = showCursor(1, Settings::ShowCursor1);
    CheckBox* show2 = showCursor(2, Settings::ShowCursor2);
    checks->addStretch(1);
    layout->addLayout(checks);

    QGridLayout* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("<b>Cursor 1</b>")), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("<b>Cursor 2</b>")), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("<b>Delta</b>")), 0, 3);
    for (int channel : {int(VoltageKey), int(StepsKey), int(QuadratureKey), int(EventsKey)})
    {
        if (!m_seriesIds.contains(channel))
            continue;
        const int id = m_seriesIds.value(channel);
        UIIUserInput* tracer1 = m_pPlot->addTracer(1, id, false);
        UIIUserInput* tracer2 = m_pPlot->addTracer(2, id, false);
        Q_ASSERT_X(tracer1 && tracer2, s_source, "tracers");
        if (!tracer1 || !tracer2)
            continue;
        show1->enableOnValue(tracer1, true);
        show1->disableOnValue(tracer1, false);
        show2->enableOnValue(tracer2, true);
        show2->disableOnValue(tracer2, false);
        tracer1->setEnabled(show1->isChecked());
        tracer2->setEnabled(show2->isChecked());
        if (grid->rowCount() == 1)
        {
            grid->addWidget(new QLabel(QStringLiteral("<b>X</b>")), 1, 0);
            grid->addWidget(new PlotTracerReading(tracer1, PlotTracerReading::Key), 1, 1);
            grid->addWidget(new PlotTracerReading(tracer2, PlotTracerReading::Key), 1, 2);
            grid->addWidget(new PlotTracerReading(tracer1, tracer2, PlotTracerReading::Key), 1, 3);
        }
        const int row = grid->rowCount();
        grid->addWidget(new QLabel(QStringLiteral("<b>%1</b>").arg(tracer1->text())), row, 0);
        grid->addWidget(new PlotTracerReading(tracer1, PlotTracerReading::Value), row, 1);
        grid->addWidget(new PlotTracerReading(tracer2, PlotTracerReading::Value), row, 2);
        grid->addWidget(new PlotTracerReading(tracer1, tracer2, PlotTracerReading::Value), row, 3);
    }
    layout->addLayout(grid);
    layout->addStretch(1);
}

void TalvexMeasurementTab::onClearStepCountClicked()
{
    m_pController->clear(TalvexMeasurementController::StepCounter);
}

void TalvexMeasurementTab::onClearEventCountClicked()
{
    m_pController->clear(TalvexMeasurementController::EventCounter);
}

void TalvexMeasurementTab::onClearQuadratureCountClicked()
{
    m_pController->clear(TalvexMeasurementController::QuadratureCounter);
}

void TalvexMeasurementTab::onSaveCSV()
{
    PlotFileExport::saveCSV(this, m_pPlot);
}

void TalvexMeasurementTab::onSavePNG()
{
    PlotFileExport::savePNG(this, m_pPlot);
}
