#include "TalvexMotionWidgetFactory.h"

#include "TalvexAccellerationBinding.h"
#include "TalvexDoubleValidator.h"
#include "TalvexDriverModel.h"
#include "TalvexSafeScaleProcessor.h"
#include "UIEnumConverter.h"
#include "UIPropertyBinding.h"
#include "UIRangeValidator.h"
#include "UIUnitHandler.h"
#include "UIUserInputMultiply.h"
#include "UIUserInputRegister.h"
#include "UIWidgetFor.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <boost/make_shared.hpp>

// Q_INIT_RESOURCE must be called outside every namespace.
static void initDriverUiResources()
{
    Q_INIT_RESOURCE(driver_ui);
}

namespace
{
typedef TalvexDriverMotorConfiguration Motor;
typedef TalvexDriverMotionConfiguration Motion;
typedef UIWidgetFor<QLineEdit> LineEdit;
typedef UIWidgetFor<QComboBox> ComboBox;
typedef UIWidgetFor<QCheckBox> CheckBox;

const double s_degreesToRadians = 3.14159265359 / 180.0;
const double s_perRevolution = 0.002777777777777778;
const double s_perMinute = 0.16666666666666669;
const QSize s_buttonIconSize(32, 32);
const char* const s_source = "src\\TalvexMotionWidgetFactory";

template <class Traits>
void bind(UIIUserInput* input, Properties<Traits>* set, int id)
{
    input->bindMethodCall(new UIPropertyBinding<Traits>(set, id));
}

void addItems(QComboBox* comboBox, const QStringList& texts)
{
    for (int i = 0; i < texts.size(); ++i)
        comboBox->addItem(texts.at(i), i);
}

QPushButton* iconButton(const QString& icon, const QString& toolTip)
{
    QPushButton* button = new QPushButton;
    button->setIcon(QIcon(icon));
    button->setIconSize(s_buttonIconSize);
    button->setToolTip(toolTip);
    return button;
}

QPushButton* commitButton()
{
    QPushButton* button = iconButton(QStringLiteral(":/rc/commit.png"), QString());
    button->setEnabled(false);
    return button;
}

// A stretch, the buttons that exist, a stretch.
QVBoxLayout* buttonColumn(std::initializer_list<QPushButton*> buttons)
{
    QVBoxLayout* column = new QVBoxLayout;
    column->addStretch(1);
    for (QPushButton* button : buttons)
        if (button)
            column->addWidget(button);
    column->addStretch(1);
    return column;
}

// The widest caption of the three groups, so that their editors line up one below the other.
int captionWidth()
{
    static const int s_width = [] {
        const QFontMetrics metrics = QLabel().fontMetrics();
        int widest = 0;
        for (const char* caption : {"Motor step size [degrees]", "Mechanical drive", "Pitch [mm/rev]",
                 "Motor current [mA]", "Use reduced hold current", "Low-inductance motor", "Micro-stepping", "Velocity",
                 "Separate backward velocity", "Backward velocity", "Acceleration method", "Acceleration", "Move mode",
                 "Step count", "Position"})
            widest = qMax(widest, metrics.horizontalAdvance(QString::fromLatin1(caption)));
        return widest;
    }();
    return s_width;
}

QLabel* caption(const QString& text)
{
    QLabel* label = new QLabel(text);
    label->setMinimumWidth(captionWidth());
    return label;
}

// A caption that is enabled and disabled with its editor.
QLabel* companionLabel(const QString& text, UIIWidget* input)
{
    QLabel* label = caption(text);
    input->setCompanionWidget(label);
    label->setEnabled(input->isEnabled());
    return label;
}

// The full-step based units of a velocity or an acceleration, base unit 0.
UIUnitHandler* fullStepUnits(ComboBox* units, LineEdit* value, UIIUserInput* stepSize)
{
    UIUnitHandler* handler = new UIUnitHandler(units, value);
    handler->setBaseUnit(0);
    handler->addConversion(1, new TalvexSafeScaleProcessor(s_degreesToRadians, stepSize, nullptr));
    handler->addConversion(2, new TalvexSafeScaleProcessor(1.0, stepSize, nullptr));
    handler->addConversion(3, new TalvexSafeScaleProcessor(s_perRevolution, stepSize, nullptr));
    handler->addConversion(4, new TalvexSafeScaleProcessor(s_perMinute, stepSize, nullptr));
    if (stepSize)
        handler->connectValueChanged(stepSize);
    return handler;
}

// A row of a number in full-step based units: caption, editor and unit combo box.
struct UnitRow
{
    LineEdit* value;
    ComboBox* unit;
    UIUnitHandler* handler;
};

UnitRow addUnitRow(QGridLayout* grid, int row, const QString& text, const QStringList& units, double bottom,
    double top, int decimals, UIIUserInput* stepSize)
{
    LineEdit* value = new LineEdit;
    value->setValidator(new TalvexDoubleValidator(bottom, top, decimals, value));
    ComboBox* unit = new ComboBox;
    addItems(unit, units);
    grid->addWidget(companionLabel(text, value), row, 0);
    grid->addWidget(value, row, 1);
    grid->addWidget(unit, row, 2);
    return {value, unit, fullStepUnits(unit, value, stepSize)};
}
}

TalvexMotionWidgetFactory::TalvexMotionWidgetFactory(const TalvexDriverDescriptor& descriptor,
    const USBVersion& firmwareVersion)
    : m_descriptor(descriptor)
    , m_firmwareVersion(firmwareVersion)
{
    m_options.insert(CommitButtons, true);
    m_options.insert(MicroSteppingInMotorGroup, false);
    initDriverUiResources();
}

void TalvexMotionWidgetFactory::setOption(int option, bool enabled)
{
    m_options.insert(option, enabled);
}

void TalvexMotionWidgetFactory::setMotorConfiguration(Properties<TalvexDriverMotorConfigurationTraits>* configuration)
{
    m_pMotorConfiguration = configuration;
}

void TalvexMotionWidgetFactory::setMotionConfiguration(TalvexDriverMotionConfiguration* configuration)
{
    m_pMotionConfiguration = configuration;
}

bool TalvexMotionWidgetFactory::hasMotionFeature(int feature) const
{
    int features = 0;
    TalvexDriverModel::motionFeatures(m_descriptor, features);
    return (features & feature) != 0;
}

UIIWidget* TalvexMotionWidgetFactory::createMicroSteppingInput(UIUserInputRegister* inputs)
{
    static const char* const s_names[] = {"Full-step", "Half-step", "Micro-step 1/4", "Micro-step 1/8",
        "Micro-step 1/16", "Micro-step 1/32", "Micro-step 1/64", "Micro-step 1/128"};
    const QSet<int> supported = Motion::supportedMicroSteppings(m_descriptor);
    ComboBox* comboBox = new ComboBox;
    comboBox->setToolTip(QStringLiteral("Use full-step for higher speeds and micro-stepping for smoother motion."));
    for (int mode = 0; mode < 8; ++mode)
        if (supported.contains(mode))
            comboBox->addItem(QString::fromLatin1(s_names[mode]), mode);
    inputs->add(QStringLiteral("MicroStepping"), comboBox);
    bind(comboBox, m_pMotionConfiguration, Motion::MicroStepping);
    m_pMicroSteppingInput = comboBox;
    return comboBox;
}

QGroupBox* TalvexMotionWidgetFactory::createMotorParametersGroup(UIUserInputRegister* inputs)
{
    Q_ASSERT_X(m_pMotorConfiguration, s_source, "m_pMotorConfiguration");
    const bool withMicroStepping = m_options.value(MicroSteppingInMotorGroup);
    Q_ASSERT_X(!withMicroStepping || m_pMotionConfiguration, s_source, "m_pMotionConfiguration");

    QGroupBox* group = new QGroupBox(QStringLiteral("Motor parameters"));
    QHBoxLayout* layout = new QHBoxLayout(group);
    QFormLayout* form = new QFormLayout;
    layout->addLayout(form);
    layout->addStretch(1);

    LineEdit* stepSize = new LineEdit;
    stepSize->setToolTip(QStringLiteral("The full-step size of the motor. This is used for velocity conversions."));
    stepSize->setValidator(new TalvexDoubleValidator(0.001, 50.0, 3, stepSize));
    stepSize->setText(QStringLiteral("1.8"));
    inputs->add(QStringLiteral("StepDegrees"), stepSize);
    bind(stepSize, m_pMotorConfiguration, Motor::StepDegrees);
    m_pStepSizeInput = stepSize;
    form->addRow(caption(QStringLiteral("Motor step size [degrees]")), stepSize);

    ComboBox* drive = new ComboBox;
    addItems(drive, {QStringLiteral("Rotation"), QStringLiteral("Linear translation")});
    inputs->add(QStringLiteral("DriveType"), drive);
    bind(drive, m_pMotorConfiguration, Motor::DriveType);
    form->addRow(caption(QStringLiteral("Mechanical drive")), drive);

    LineEdit* pitch = new LineEdit;
    pitch->setValidator(new TalvexDoubleValidator(0.001, 50.0, 3, pitch));
    inputs->add(QStringLiteral("Pitch"), pitch);
    bind(pitch, m_pMotorConfiguration, Motor::Pitch);
    m_pPitchInput = pitch;
    form->addRow(companionLabel(QStringLiteral("Pitch [mm/rev]"), pitch), pitch);
    drive->enableOnValue(pitch, 1);
    drive->disableOnValue(pitch, 0);

    UIWidgetFor<QSpinBox>* current = new UIWidgetFor<QSpinBox>;
    const int minimum = TalvexDriverMotorConfiguration::minimumCurrent();
    const int maximum = TalvexDriverMotorConfiguration::maximumCurrent(m_descriptor);
    current->setRange(minimum, maximum);
    current->setToolTip(QStringLiteral("Maximum motor current.\nRange: %1 - %2 mA").arg(minimum).arg(maximum));
    inputs->add(QStringLiteral("MotorCurrent"), current);
    bind(current, m_pMotorConfiguration, Motor::MotorCurrent);
    form->addRow(caption(QStringLiteral("Motor current [mA]")), current);

    CheckBox* reducedHold = new CheckBox;
    reducedHold->setToolTip(QStringLiteral("Reducing the motor current during hold will reduce motor heating."));
    inputs->add(QStringLiteral("ReducedHoldCurrent"), reducedHold);
    bind(reducedHold, m_pMotorConfiguration, Motor::ReducedHoldCurrent);
    form->addRow(caption(QStringLiteral("Use reduced hold current")), reducedHold);

    CheckBox* lowInductance = new CheckBox;
    const QString lowInductanceTip = QStringLiteral("Improves driver characteristics for low-inductance stepper motors.");
    lowInductance->setToolTip(lowInductanceTip);
    inputs->add(QStringLiteral("LowInductance"), lowInductance);
    bind(lowInductance, m_pMotorConfiguration, Motor::LowInductance);
    if (!TalvexDriverMotorConfiguration::hasLowInductanceSetting(m_descriptor, m_firmwareVersion))
    {
        lowInductance->setEnabled(false);
        lowInductance->setToolTip(lowInductanceTip
            + QStringLiteral("\nUnfortunately, this feature is not supported.\n"
                             "Please update the firmware of the device to enable this feature."));
    }
    form->addRow(companionLabel(QStringLiteral("Low-inductance motor"), lowInductance), lowInductance);

    if (withMicroStepping)
        form->addRow(caption(QStringLiteral("Micro-stepping")), createMicroSteppingInput(inputs)->widget());

    if (m_options.value(CommitButtons))
    {
        // The two check boxes are sent at once by the Motion tab, so they need no commit.
        m_pMotorCommitButton = commitButton();
        stepSize->enableOnChange(m_pMotorCommitButton);
        pitch->enableOnChange(m_pMotorCommitButton);
        drive->enableOnChange(m_pMotorCommitButton);
        current->enableOnChange(m_pMotorCommitButton);
        layout->addLayout(buttonColumn({m_pMotorCommitButton}));
    }
    return group;
}

QGroupBox* TalvexMotionWidgetFactory::createMotionSettingsGroup(UIUserInputRegister* inputs)
{
    Q_ASSERT_X(m_pMotionConfiguration, s_source, "m_pMotionConfiguration");

    QGroupBox* group = new QGroupBox(QStringLiteral("Motion settings"));
    QGridLayout* grid = new QGridLayout(group);
    int row = 0;

    UIIWidget* microStepping = createMicroSteppingInput(inputs);
    grid->addWidget(caption(QStringLiteral("Micro-stepping")), row, 0);
    grid->addWidget(microStepping->widget(), row, 1);
    m_pMicroStepConverter = new UIEnumConverter(microStepping);
    for (int mode = 0; mode < 8; ++mode)
        m_pMicroStepConverter->addConversion(mode, double(1 << mode));
    inputs->add(QStringLiteral("MicroSteppingFactor"), m_pMicroStepConverter);
    ++row;

    const QStringList velocityUnits = {QStringLiteral("Full-steps/s"), QStringLiteral("Radial velocity"),
        QStringLiteral("Degrees/s"), QStringLiteral("Revolutions/s"), QStringLiteral("RPM")};
    const UnitRow velocity = addUnitRow(grid, row++, QStringLiteral("Velocity"), velocityUnits, 0.0, 100000.0, 5,
        m_pStepSizeInput);
    inputs->add(QStringLiteral("Velocity"), velocity.value);
    inputs->add(QStringLiteral("BaseUnitVelocity"), velocity.handler);
    bind(velocity.handler, m_pMotionConfiguration, Motion::Velocity);

    CheckBox* separateBackward = nullptr;
    LineEdit* backwardVelocity = nullptr;
    if (hasMotionFeature(TalvexDriverModel::SeparateBackwardVelocity))
    {
        separateBackward = new CheckBox;
        bind(separateBackward, m_pMotionConfiguration, Motion::SeparateBackwardVelocity);
        grid->addWidget(caption(QStringLiteral("Separate backward velocity")), row, 0);
        grid->addWidget(separateBackward, row++, 1);

        const UnitRow backward = addUnitRow(grid, row++, QStringLiteral("Backward velocity"), velocityUnits, 0.0,
            100000.0, 5, m_pStepSizeInput);
        backwardVelocity = backward.value;
        inputs->add(QStringLiteral("BackwardVelocity"), backward.value);
        inputs->add(QStringLiteral("BaseUnitBackwardVelocity"), backward.handler);
        bind(backward.handler, m_pMotionConfiguration, Motion::BackwardVelocity);
        separateBackward->enableOnValue(backward.value, true);
        separateBackward->disableOnValue(backward.value, false);
        separateBackward->enableOnValue(backward.unit, true);
        separateBackward->disableOnValue(backward.unit, false);
    }

    ComboBox* method = new ComboBox;
    addItems(method, {QStringLiteral("Step"), QStringLiteral("Trapezoidal")});
    inputs->add(QStringLiteral("AccelerationMethod"), method);
    bind(method, m_pMotionConfiguration, Motion::AccelerationMethod);
    grid->addWidget(caption(QStringLiteral("Acceleration method")), row, 0);
    grid->addWidget(method, row++, 1);

    const UnitRow acceleration = addUnitRow(grid, row++, QStringLiteral("Acceleration"),
        {QStringLiteral("Full-steps/s^2"), QStringLiteral("Radial acceleration"), QStringLiteral("degrees/s^2"),
            QStringLiteral("Revolutions/s^2"), QStringLiteral("RPM/s")},
        -1000000000.0, 1000000000.0, 3, m_pStepSizeInput);
    inputs->add(QStringLiteral("Acceleration"), acceleration.value);
    inputs->add(QStringLiteral("AccelerationUnit"), acceleration.unit);
    inputs->add(QStringLiteral("BaseUnitAcceleration"), acceleration.handler);
    method->enableOnValue(acceleration.value, 1);
    method->disableOnValue(acceleration.value, 0);
    method->enableOnValue(acceleration.unit, 1);
    method->disableOnValue(acceleration.unit, 0);
    acceleration.handler->bindMethodCall(
        new TalvexAccellerationBinding(m_pMotionConfiguration, inputs, m_descriptor));

    grid->setColumnStretch(3, 1);

    m_pAdvancedSettingsButton = iconButton(QStringLiteral(":/rc/settings.png"), QStringLiteral("Advanced motion settings."));
    if (m_options.value(CommitButtons))
    {
        m_pMotionCommitButton = commitButton();
        static_cast<ComboBox*>(microStepping)->enableOnChange(m_pMotionCommitButton);
        velocity.value->enableOnChange(m_pMotionCommitButton);
        if (separateBackward)
        {
            separateBackward->enableOnChange(m_pMotionCommitButton);
            backwardVelocity->enableOnChange(m_pMotionCommitButton);
        }
        method->enableOnChange(m_pMotionCommitButton);
        acceleration.value->enableOnChange(m_pMotionCommitButton);
        if (m_pStepSizeInput)
            static_cast<LineEdit*>(m_pStepSizeInput)->enableOnChange(m_pMotionCommitButton);
    }
    grid->addLayout(buttonColumn({m_pMotionCommitButton, m_pAdvancedSettingsButton}), 0, 4, row, 1);
    return group;
}

QGroupBox* TalvexMotionWidgetFactory::createMoveSettingsGroup(UIUserInputRegister* inputs)
{
    Q_ASSERT_X(m_pMicroStepConverter, s_source, "m_pMicroStepConverter");
    UIIUserInput* stepSize = inputs->get(QStringLiteral("StepDegrees"));
    UIIUserInput* microStepping = inputs->get(QStringLiteral("MicroStepping"));
    UIIUserInput* pitch = inputs->get(QStringLiteral("Pitch"));

    QGroupBox* group = new QGroupBox(QStringLiteral("Move settings"));
    QHBoxLayout* layout = new QHBoxLayout(group);
    QGridLayout* grid = new QGridLayout;
    layout->addLayout(grid, 1);

    ComboBox* mode = new ComboBox;
    mode->setToolTip(QStringLiteral("In counted mode the motor will move for the given number of steps."));
    addItems(mode, {QStringLiteral("Continuous"), QStringLiteral("Relative"), QStringLiteral("Absolute")});
    if (hasMotionFeature(TalvexDriverModel::BackAndForthMove))
        mode->addItem(QStringLiteral("Back and forth"), 3);
    inputs->add(QStringLiteral("MoveMode"), mode);
    grid->addWidget(caption(QStringLiteral("Move mode")), 0, 0);
    grid->addWidget(mode, 0, 1);

    m_pStepCountLabel = caption(QString());
    LineEdit* stepCount = new LineEdit;
    stepCount->setToolTip(QStringLiteral("Distance to move in counted mode."));
    ComboBox* unit = new ComboBox;
    addItems(unit, {QStringLiteral("Full-steps"), QStringLiteral("Micro-steps"), QStringLiteral("Revolutions"),
        QStringLiteral("mm")});
    m_pStepCountUnitHandler = new UIUnitHandler(unit, stepCount);
    m_pStepCountUnitHandler->setBaseUnit(1);
    m_pStepCountUnitHandler->addConversion(0, new TalvexSafeScaleProcessor(1.0, nullptr, m_pMicroStepConverter));
    m_pStepCountUnitHandler->addConversion(
        2, new TalvexSafeScaleProcessor(s_perRevolution, stepSize, m_pMicroStepConverter));
    m_pStepCountUnitHandler->addConversion(3,
        new TalvexSafeScaleProcessor(s_perRevolution, new UIUserInputMultiply(stepSize, pitch), m_pMicroStepConverter));
    for (UIIUserInput* source : {stepSize, microStepping, pitch})
        m_pStepCountUnitHandler->connectValueChanged(source);
    // Set after the handler exists, so it knows the value in every unit.
    stepCount->setValue(10);
    inputs->add(QStringLiteral("StepCount"), stepCount);
    inputs->add(QStringLiteral("BaseUnitStepCount"), m_pStepCountUnitHandler);
    grid->addWidget(m_pStepCountLabel, 1, 0);
    grid->addWidget(stepCount, 1, 1);
    grid->addWidget(unit, 1, 2);

    mode->disableOnValue(m_pStepCountUnitHandler, 0);
    for (int counted : {1, 2, 3})
        mode->enableOnValue(m_pStepCountUnitHandler, counted);

    // Checks the step count in micro-steps; an absolute position may be negative.
    const auto range = boost::make_shared<UIRangeValidator>();
    range->setMinimum(1.0, QStringLiteral("The minimum number of steps is 1."));
    range->setMaximum(1000000000.0, QStringLiteral("The maximum number of steps is 1e9."));
    range->addConditionalMinimum(-1000000000.0,
        QStringLiteral("The maximum absolute negative position is -1e9 steps."), mode, 2);
    range->addConditionalMaximum(1000000000.0,
        QStringLiteral("The maximum absolute positive position is 1e9 steps."), mode, 2);
    range->addException(mode, 0);
    m_pStepCountUnitHandler->addValidator(range);
    for (UIIUserInput* source : {static_cast<UIIUserInput*>(mode), microStepping, pitch, stepSize})
        stepCount->forwardSignalFrom(source);

    grid->setColumnStretch(3, 1);

    m_pZeroPositionButton = iconButton(QStringLiteral(":/rc/zero.png"), QStringLiteral("Zero absolute position."));
    layout->addLayout(buttonColumn({m_pZeroPositionButton}));
    return group;
}
