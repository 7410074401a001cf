#include "TalvexIOWidgetFactory.h"

#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverModel.h"
#include "TalvexDriverPWMSettings.h"
#include "TalvexLimitDialog.h"
#include "UIDialogEnvoker.h"
#include "UIPropertyBinding.h"
#include "UIUserInputRegister.h"
#include "UIWidgetFor.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

// Q_INIT_RESOURCE must be called outside every namespace.
static void initIODiagramResources()
{
    Q_INIT_RESOURCE(iodiagram);
}

namespace
{
typedef TalvexDriverInputConfiguration Input;
typedef TalvexDriverPWMSettings PWM;
typedef UIWidgetFor<QComboBox> ComboBox;
typedef UIWidgetFor<QSpinBox> SpinBox;
typedef UIWidgetFor<QCheckBox> CheckBox;

const QSize s_commitIconSize(32, 32);
const QSize s_lockIconSize(16, 16);
const int s_commitSpacing = 50;
const int s_maximumCountsPerRevolution = 15000;
const int s_maximumSlowMotionTime = 10;
const int s_maximumDutyCycle = 100;

template <class Traits>
void bind(UIIUserInput* input, Properties<Traits>* set, int id)
{
    input->bindMethodCall(new UIPropertyBinding<Traits>(set, id));
}

ComboBox* comboBox(const QStringList& texts)
{
    ComboBox* box = new ComboBox;
    for (int i = 0; i < texts.count(); ++i)
        box->addItem(QIcon(), texts.at(i), i);
    return box;
}

SpinBox* spinBox(int minimum, int maximum)
{
    SpinBox* box = new SpinBox;
    box->setRange(minimum, maximum);
    return box;
}

// The first free row; an empty grid counts one row already.
int nextRow(const QGridLayout* grid)
{
    return grid->count() == 0 ? 0 : grid->rowCount();
}

// A label and an editor in the grid's next row (or the row given), registered under the key.
template <class Editor>
Editor* addRow(UIUserInputRegister* inputs, QGridLayout* grid, const QString& label, const QString& key,
    Editor* editor, int row = -1)
{
    if (row < 0)
        row = nextRow(grid);
    QLabel* caption = new QLabel(label);
    grid->addWidget(caption, row, 0);
    grid->addWidget(editor, row, 1);
    editor->setCompanionWidget(caption);
    inputs->add(key, editor);
    return editor;
}

void connectKeys(UIUserInputRegister* inputs, const QStringList& keys, QObject* receiver, const char* slot, int kind)
{
    for (const QString& key : keys)
        if (inputs->contains(key))
            inputs->get(key)->connectSignal(receiver, slot, kind);
}
}

TalvexIOWidgetFactory::TalvexIOWidgetFactory(const TalvexDriverDescriptor& descriptor,
    const USBVersion& firmwareVersion)
    : m_options({{0, true}, {1, false}, {2, false}})
    , m_descriptor(descriptor)
    , m_firmwareVersion(firmwareVersion)
{
    initIODiagramResources();
}

void TalvexIOWidgetFactory::setOption(int option, bool value)
{
    m_options.insert(option, value);
}

QWidget* TalvexIOWidgetFactory::createSettingsPage(const QString& title, QGridLayout*& grid, bool withCommitButton)
{
    QWidget* page = new QWidget;
    QVBoxLayout* layout = new QVBoxLayout(page);
    QGroupBox* group = new QGroupBox(title);
    grid = new QGridLayout(group);
    layout->addWidget(group);
    layout->addStretch(1);
    if (!withCommitButton)
        return page;
    QHBoxLayout* row = new QHBoxLayout;
    row->addStretch(1);
    QPushButton* button = new QPushButton(QIcon(QStringLiteral(":/rc/commit.png")), QString());
    button->setIconSize(s_commitIconSize);
    button->setEnabled(false);
    row->addWidget(button, 1);
    m_commitButtons.append(button);
    layout->addLayout(row);
    layout->addSpacing(s_commitSpacing);
    return page;
}

QWidget* TalvexIOWidgetFactory::createADCSettingsWidget(UIUserInputRegister* inputs,
    TalvexDriverInputConfiguration* configuration)
{
    QGridLayout* grid = nullptr;
    QWidget* page = createSettingsPage(QStringLiteral("ADC settings"), grid, m_options.value(CommitButtons));
    const QStringList gains = {"x1", "x2", "x4", "x8", "x16", "x32", "x64"};
    bind(addRow(inputs, grid, QStringLiteral("Gain"), QStringLiteral("ADCGain"), comboBox(gains), 0), configuration,
        Input::ADCGain);
    const QStringList modes = {"Normal sampling", "Peak-peak values"};
    bind(addRow(inputs, grid, QStringLiteral("Mode"), QStringLiteral("ADCMode"), comboBox(modes), 1), configuration,
        Input::ADCMode);
    return page;
}

QWidget* TalvexIOWidgetFactory::createQuadratureSettingsWidget(UIUserInputRegister* inputs,
    TalvexDriverInputConfiguration* configuration)
{
    QGridLayout* grid = nullptr;
    QWidget* page = createSettingsPage(QStringLiteral("Quadrature settings"), grid, m_options.value(CommitButtons));
    addPullConfigurationRow(inputs, QStringLiteral("Pull configuration A"), QStringLiteral("QuadAPullConfig"), grid);
    bind(inputs->get(QStringLiteral("QuadAPullConfig")), configuration, Input::QuadAPullConfig);
    addPullConfigurationRow(inputs, QStringLiteral("Pull configuration B"), QStringLiteral("QuadBPullConfig"), grid);
    bind(inputs->get(QStringLiteral("QuadBPullConfig")), configuration, Input::QuadBPullConfig);
    bind(addRow(inputs, grid, QStringLiteral("Counts per revolution"), QStringLiteral("QuadratureCPR"),
             spinBox(1, s_maximumCountsPerRevolution)),
        configuration, Input::QuadratureCPR);
    return page;
}

QWidget* TalvexIOWidgetFactory::createEventSettingsWidget(UIUserInputRegister* inputs,
    TalvexDriverInputConfiguration* configuration)
{
    return createPullAndEdgePage(inputs, configuration, QStringLiteral("Event settings"),
        QStringLiteral("EventPullConfig"), Input::EventPullConfig, QStringLiteral("EventEdge"), Input::EventEdge);
}

QWidget* TalvexIOWidgetFactory::createLimitStartSettingsWidget(UIUserInputRegister* inputs,
    TalvexDriverInputConfiguration* configuration)
{
    return createPullAndEdgePage(inputs, configuration, QStringLiteral("Start limit settings"),
        QStringLiteral("LimitStartPullConfig"), Input::LimitStartPullConfig, QStringLiteral("LimitStartEdge"),
        Input::LimitStartEdge);
}

QWidget* TalvexIOWidgetFactory::createLimitEndSettingsWidget(UIUserInputRegister* inputs,
    TalvexDriverInputConfiguration* configuration)
{
    return createPullAndEdgePage(inputs, configuration, QStringLiteral("End limit settings"),
        QStringLiteral("LimitEndPullConfig"), Input::LimitEndPullConfig, QStringLiteral("LimitEndEdge"),
        Input::LimitEndEdge);
}

QWidget* TalvexIOWidgetFactory::createStopSettingsWidget(UIUserInputRegister* inputs,
    TalvexDriverInputConfiguration* configuration)
{
    return createPullAndEdgePage(inputs, configuration, QStringLiteral("Stop settings"),
        QStringLiteral("StopPullConfig"), Input::StopPullConfig, QStringLiteral("StopEdge"), Input::StopEdge);
}

QWidget* TalvexIOWidgetFactory::createMotorControlSettingsWidget(UIUserInputRegister* inputs,
    TalvexDriverInputConfiguration* configuration)
{
    QGridLayout* grid = nullptr;
    QWidget* page = createSettingsPage(QStringLiteral("Motor control settings"), grid, m_options.value(CommitButtons));
    bind(addRow(inputs, grid, QStringLiteral("Slow motion time [s]"), QStringLiteral("SlowMotionTime"),
             spinBox(0, s_maximumSlowMotionTime), 0),
        configuration, Input::SlowMotionTime);
    return page;
}

QWidget* TalvexIOWidgetFactory::createPWMSettingsWidget(UIUserInputRegister* inputs, TalvexDriverPWMSettings* settings)
{
    QGridLayout* grid = nullptr;
    QWidget* page = createSettingsPage(QStringLiteral("PWM settings"), grid, false);
    ComboBox* mode = nullptr;
    if (TalvexDriverModel::hasPWMMode(m_descriptor, m_firmwareVersion))
    {
        mode = addRow(inputs, grid, QStringLiteral("Mode"), QStringLiteral("PWMMode"),
            comboBox({"PWM out", "Step out"}), 0);
        bind(mode, settings, PWM::PWM1Mode);
    }
    addDutyCycleRow(inputs, settings, page, grid, QStringLiteral("PWMDutyCycle"), PWM::PWM1DutyCycle,
        PWM::PWM1DutyCycleLimit);
    if (mode)
    {
        UIIUserInput* dutyCycle = inputs->get(QStringLiteral("PWMDutyCycle"));
        mode->disableOnValue(dutyCycle, 1);
        mode->enableOnValue(dutyCycle, 0);
    }
    return page;
}

QWidget* TalvexIOWidgetFactory::createDualPWMSettingsWidget(UIUserInputRegister* inputs,
    TalvexDriverPWMSettings* settings)
{
    QWidget* page = new QWidget;
    QVBoxLayout* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    const int dutyCycles[] = {PWM::PWM1DutyCycle, PWM::PWM2DutyCycle};
    const int limits[] = {PWM::PWM1DutyCycleLimit, PWM::PWM2DutyCycleLimit};
    for (int output = 1; output <= 2; ++output)
    {
        QGridLayout* grid = nullptr;
        QWidget* subPage = createSettingsPage(QStringLiteral("PWM %1 settings").arg(output), grid, false);
        addDutyCycleRow(inputs, settings, subPage, grid, QStringLiteral("PWM%1DutyCycle").arg(output),
            dutyCycles[output - 1], limits[output - 1]);
        layout->addWidget(subPage);
    }
    layout->addStretch(1);
    return page;
}

QWidget* TalvexIOWidgetFactory::createRelaySettingsWidget(UIUserInputRegister* inputs)
{
    QGridLayout* grid = nullptr;
    QWidget* page = createSettingsPage(QStringLiteral("Relay settings"), grid, false);
    CheckBox* onOff = addRow(inputs, grid, QStringLiteral("Turn on"), QStringLiteral("RelayOnOff"), new CheckBox, 0);
    onOff->setChecked(false);
    return page;
}

void TalvexIOWidgetFactory::addPullConfigurationRow(UIUserInputRegister* inputs, const QString& label,
    const QString& key, QGridLayout* grid)
{
    addRow(inputs, grid, label, key, comboBox({"High-Z", "Pull-up", "Pull-down"}));
}

void TalvexIOWidgetFactory::addEdgeSenseRow(UIUserInputRegister* inputs, const QString& label, const QString& key,
    QGridLayout* grid)
{
    addRow(inputs, grid, label, key, comboBox({"Rising", "Falling"}));
}

void TalvexIOWidgetFactory::connectCommitButtons(QObject* receiver, const char* slot)
{
    for (QPushButton* button : qAsConst(m_commitButtons))
        QObject::connect(button, SIGNAL(pressed()), receiver, slot);
}

void TalvexIOWidgetFactory::connectInputChanges(UIUserInputRegister* inputs, QObject* receiver, const char* slot)
{
    connectKeys(inputs, {"SlowMotionTime"}, receiver, slot, UIIUserInput::UserEdited);
    connectKeys(inputs,
        {"ADCGain", "ADCMode", "QuadAPullConfig", "QuadBPullConfig", "QuadratureCPR", "EventPullConfig", "EventEdge",
            "LimitStartPullConfig", "LimitStartEdge", "LimitEndPullConfig", "LimitEndEdge", "StopPullConfig",
            "StopEdge"},
        receiver, slot, UIIUserInput::EditingFinished);
}

void TalvexIOWidgetFactory::connectPWMChanges(UIUserInputRegister* inputs, QObject* receiver, const char* slot)
{
    connectKeys(inputs, {"PWMDutyCycle", "PWMMode", "PWM1DutyCycle", "PWM2DutyCycle"}, receiver, slot,
        UIIUserInput::ValueChanged);
}

void TalvexIOWidgetFactory::connectRelayChange(UIUserInputRegister* inputs, QObject* receiver, const char* slot)
{
    connectKeys(inputs, {"RelayOnOff"}, receiver, slot, UIIUserInput::ValueChanged);
}

QWidget* TalvexIOWidgetFactory::createPullAndEdgePage(UIUserInputRegister* inputs,
    TalvexDriverInputConfiguration* configuration, const QString& title, const QString& pullKey, int pullId,
    const QString& edgeKey, int edgeId)
{
    QGridLayout* grid = nullptr;
    QWidget* page = createSettingsPage(title, grid, m_options.value(CommitButtons));
    addPullConfigurationRow(inputs, QStringLiteral("Pull configuration"), pullKey, grid);
    bind(inputs->get(pullKey), configuration, pullId);
    addEdgeSenseRow(inputs, QStringLiteral("Edge sense"), edgeKey, grid);
    bind(inputs->get(edgeKey), configuration, edgeId);
    return page;
}

void TalvexIOWidgetFactory::addDutyCycleRow(UIUserInputRegister* inputs, TalvexDriverPWMSettings* settings,
    QWidget* page, QGridLayout* grid, const QString& key, int dutyCycleId, int limitId)
{
    const int row = nextRow(grid);
    bind(addRow(inputs, grid, QStringLiteral("Duty cycle [%]"), key, spinBox(0, s_maximumDutyCycle), row), settings,
        dutyCycleId);
    TalvexLimitDialog* dialog = new TalvexLimitDialog(page, QStringLiteral("Duty cycle [%]"), 0, s_maximumDutyCycle);
    UIDialogEnvoker* limitButton = new UIDialogEnvoker(page, dialog);
    limitButton->setIcon(QIcon(QStringLiteral(":/rc/lock.png")));
    limitButton->setIconSize(s_lockIconSize);
    limitButton->setToolTip(QStringLiteral("Set a limit on the PWM duty cycle."));
    grid->addWidget(limitButton, row, 2);
    inputs->add(key + QStringLiteral("Limit"), dialog->limitInput());
    bind(dialog->limitInput(), settings, limitId);
}
