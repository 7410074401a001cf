#include "TalvexMotionTab.h"

#include "TalvexAdvancedMoveSettingsDialog.h"
#include "TalvexDocument.h"
#include "TalvexMotionWidgetFactory.h"
#include "UIInfoTip.h"
#include "UIUnitHandler.h"
#include "UIUserInputRegister.h"
#include "ValueConversions.h"

#include <QGridLayout>
#include <QHash>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{
typedef TalvexDriverMotorMoveConfiguration Move;
typedef TalvexMotionController Controller;

QString stateIcon(int state)
{
    static const QHash<int, QString> s_icons = [] {
        QHash<int, QString> icons;
        icons.insert(TalvexDriverMotorInfo::Hold, QStringLiteral(":/rc/lightbulb_on.png"));
        icons.insert(TalvexDriverMotorInfo::Off, QStringLiteral(":/rc/lightbulb_off.png"));
        icons.insert(TalvexDriverMotorInfo::InvalidSupplyVoltage, QStringLiteral(":/rc/error.png"));
        icons.insert(TalvexDriverMotorInfo::Error, QStringLiteral(":/rc/error.png"));
        for (int moving = TalvexDriverMotorInfo::FirstMoving; moving <= TalvexDriverMotorInfo::LastMoving; ++moving)
            icons.insert(moving, QStringLiteral(":/rc/running.png"));
        return icons;
    }();
    return s_icons.value(state);
}
}

TalvexMotionTab::TalvexMotionTab(QWidget* parent, TalvexDocument* document,
    boost::shared_ptr<TalvexRequestDispatcher> dispatcher, UIUserInputRegister* inputs)
    : QWidget(parent)
    , m_pDocument(document)
    , m_pInputs(inputs)
    , m_pController(new TalvexMotionController(document, dispatcher, this, this))
{
    connect(m_pController, &TalvexMotionController::statusMessage, this, &TalvexMotionTab::statusMessage);
    connect(m_pController, &TalvexMotionController::moveRefused, this, &TalvexMotionTab::onMoveRefused);
    connect(m_pController, &TalvexMotionController::moveHomeRefused, this, &TalvexMotionTab::onMoveHomeRefused);
    QVBoxLayout* layout = new QVBoxLayout(this);

    TalvexMotionWidgetFactory factory(dispatcher->deviceDescriptor(), dispatcher->firmwareVersion());
    factory.setOption(TalvexMotionWidgetFactory::CommitButtons, true);
    factory.setOption(TalvexMotionWidgetFactory::MicroSteppingInMotorGroup, false);
    factory.setMotorConfiguration(m_pDocument->motorConfiguration());
    factory.setMotionConfiguration(m_pDocument->motionConfiguration());

    layout->addWidget(factory.createMotorParametersGroup(m_pInputs));
    // Only the user's own change is sent: a read-back or an opened file already is the board's
    // or will be uploaded with the configuration.
    m_pInputs->get(QStringLiteral("ReducedHoldCurrent"))
        ->connectSignal(this, SLOT(onReducedHoldCurrentChanged()), UIIUserInput::UserEdited);
    m_pInputs->get(QStringLiteral("LowInductance"))
        ->connectSignal(this, SLOT(onLowInductanceSettingChanged()), UIIUserInput::UserEdited);
    m_pMotorCommitButton = factory.motorCommitButton();
    layout->addWidget(factory.createMotionSettingsGroup(m_pInputs));
    m_pMotionCommitButton = factory.motionCommitButton();
    layout->addWidget(factory.createMoveSettingsGroup(m_pInputs));
    m_pInputs->get(QStringLiteral("MoveMode"))
        ->connectSignal(this, SLOT(onMoveModeChanged()), UIIUserInput::ValueChanged);
    m_pStepCountLabel = factory.stepCountLabel();
    m_pStepCountUnitHandler = factory.stepCountUnitHandler();
    layout->addStretch(1);

    QGroupBox* control = new QGroupBox(QStringLiteral("Motor control"));
    QHBoxLayout* controlLayout = new QHBoxLayout(control);
    QGridLayout* stateGrid = new QGridLayout;
    stateGrid->addWidget(new QLabel(QStringLiteral("Motor state: ")), 0, 0);
    m_pStateIconLabel = new QLabel;
    m_pStateIconLabel->setPixmap(QPixmap(QStringLiteral(":/rc/lightbulb_off.png")));
    stateGrid->addWidget(m_pStateIconLabel, 0, 1);
    m_pStateLabel = new QLabel(QStringLiteral("Uninitialised"));
    // A long error name takes a second line rather than widening the window.
    m_pStateLabel->setWordWrap(true);
    stateGrid->addWidget(m_pStateLabel, 0, 2);
    m_pClearErrorButton = new QPushButton(QIcon(QStringLiteral(":/rc/clear.png")), QStringLiteral("Clear error"));
    m_pClearErrorButton->setIconSize(QSize(16, 16));
    m_pClearErrorButton->setToolTip(QStringLiteral("First, check the motor connections and make sure the driver is "
                                                   "not over-heating.\nClick here to clear the error state."));
    m_pClearErrorButton->hide();
    stateGrid->addWidget(m_pClearErrorButton, 0, 3);
    stateGrid->addWidget(new QLabel(QStringLiteral("Remaining steps: ")), 1, 0);
    m_pRemainingStepsLabel = new QLabel(QStringLiteral("-"));
    stateGrid->addWidget(m_pRemainingStepsLabel, 1, 1, 1, 3);
    stateGrid->addWidget(new QLabel(QStringLiteral("Absolute position: ")), 2, 0);
    m_pPositionLabel = new QLabel(QStringLiteral("-"));
    stateGrid->addWidget(m_pPositionLabel, 2, 1, 1, 3);
    controlLayout->addLayout(stateGrid);
    controlLayout->addStretch(1);
    controlLayout->addSpacing(30);

    QGridLayout* buttonGrid = new QGridLayout;
    m_pPowerButton = motionButton(QStringLiteral(":/rc/power.png"));
    m_pHomeButton = motionButton(QStringLiteral(":/rc/house.png"));
    m_pBackwardButton = motionButton(QStringLiteral(":/rc/backward.png"));
    m_pStopButton = motionButton(QStringLiteral(":/rc/stop.png"));
    m_pForwardButton = motionButton(QStringLiteral(":/rc/forward.png"));
    buttonGrid->addWidget(m_pPowerButton, 0, 2);
    buttonGrid->addWidget(m_pHomeButton, 1, 0);
    buttonGrid->addWidget(m_pBackwardButton, 1, 1);
    buttonGrid->addWidget(m_pStopButton, 1, 2);
    buttonGrid->addWidget(m_pForwardButton, 1, 3);
    controlLayout->addLayout(buttonGrid);
    controlLayout->addSpacing(30);
    layout->addWidget(control);

    connect(m_pPowerButton, &QPushButton::pressed, this, &TalvexMotionTab::onOnOff);
    connect(m_pHomeButton, &QPushButton::pressed, this, &TalvexMotionTab::onMoveHome);
    connect(m_pBackwardButton, &QPushButton::pressed, this, &TalvexMotionTab::onMoveBackward);
    connect(m_pForwardButton, &QPushButton::pressed, this, &TalvexMotionTab::onMoveForward);
    connect(m_pStopButton, &QPushButton::pressed, this, &TalvexMotionTab::onStop);
    connect(m_pClearErrorButton, &QPushButton::pressed, this, &TalvexMotionTab::onClearError);
    connect(m_pMotorCommitButton, &QPushButton::pressed, this, &TalvexMotionTab::onUploadMotorSupplyConfig);
    connect(m_pMotionCommitButton, &QPushButton::pressed, this, &TalvexMotionTab::onUploadMotionConfig);
    connect(factory.advancedSettingsButton(), &QPushButton::pressed, this, &TalvexMotionTab::onAdvancedMoveSettings);
    connect(factory.zeroPositionButton(), &QPushButton::pressed, this, &TalvexMotionTab::onZeroPosition);

    if (m_pDocument)
    {
        m_pDocument->motorConfiguration()->addObserver(static_cast<TalvexDriverMotorConfiguration::IChangeObserver*>(this));
        m_pDocument->motionConfiguration()->addObserver(static_cast<TalvexDriverMotionConfiguration::IChangeObserver*>(this));
        m_pDocument->motorInfo()->addObserver(static_cast<TalvexDriverMotorInfo::IChangeObserver*>(this));
    }
}

TalvexMotionTab::~TalvexMotionTab()
{
    if (m_pDocument)
    {
        m_pDocument->motorConfiguration()->removeObserver(
            static_cast<TalvexDriverMotorConfiguration::IChangeObserver*>(this));
        m_pDocument->motionConfiguration()->removeObserver(
            static_cast<TalvexDriverMotionConfiguration::IChangeObserver*>(this));
        m_pDocument->motorInfo()->removeObserver(static_cast<TalvexDriverMotorInfo::IChangeObserver*>(this));
    }
}

QPushButton* TalvexMotionTab::motionButton(const QString& icon)
{
    QPushButton* button = new QPushButton(QIcon(icon), QString());
    button->setFixedSize(50, 40);
    button->setIconSize(QSize(32, 32));
    button->setEnabled(false);
    return button;
}

void TalvexMotionTab::startMotorStatePolling()
{
    m_pController->startMotorStatePolling();
}

void TalvexMotionTab::stateChanged(TalvexDriverMotorInfo* info)
{
    onMotorInfoChanged(*info);
}

void TalvexMotionTab::infoDestroyed(TalvexDriverMotorInfo* info)
{
    Q_UNUSED(info);
    forgetDocument();
}

void TalvexMotionTab::configurationChanged(TalvexDriverMotionConfiguration* configuration)
{
    Q_UNUSED(configuration);
    m_pMotionCommitButton->setEnabled(false);
}

void TalvexMotionTab::configurationDestroyed(TalvexDriverMotionConfiguration* configuration)
{
    Q_UNUSED(configuration);
    forgetDocument();
}

void TalvexMotionTab::configurationChanged(TalvexDriverMotorConfiguration* configuration)
{
    Q_UNUSED(configuration);
    m_pMotorCommitButton->setEnabled(false);
}

void TalvexMotionTab::configurationDestroyed(TalvexDriverMotorConfiguration* configuration)
{
    Q_UNUSED(configuration);
    forgetDocument();
}

void TalvexMotionTab::forgetDocument()
{
    m_pDocument = nullptr;
    m_pController->forgetDocument();
}

void TalvexMotionTab::getMotorState()
{
    m_pController->pollMotorState();
}

void TalvexMotionTab::onClearError()
{
    m_pController->clearError();
}

void TalvexMotionTab::onOnOff()
{
    m_pController->togglePower();
}

void TalvexMotionTab::onMoveHome()
{
    m_pController->moveHome();
}

void TalvexMotionTab::onMoveHomeRefused(const QString& message)
{
    QMessageBox::critical(this, QStringLiteral("Move home"), message, QMessageBox::Ok);
}

void TalvexMotionTab::onMoveBackward()
{
    move(Move::Backward);
}

void TalvexMotionTab::onMoveForward()
{
    move(Move::Forward);
}

int TalvexMotionTab::moveMode() const
{
    return variantToInt(m_pInputs->get(QStringLiteral("MoveMode"))->getValue());
}

double TalvexMotionTab::settingsMicroStepFactor() const
{
    return variantToDouble(m_pInputs->get(QStringLiteral("MicroSteppingFactor"))->getValue());
}

void TalvexMotionTab::move(int direction)
{
    Controller::MoveSettings settings;
    settings.mode = moveMode();
    settings.steps = variantToDouble(m_pInputs->get(QStringLiteral("BaseUnitStepCount"))->getValue());
    settings.microStepFactor = settingsMicroStepFactor();
    m_pController->move(direction, settings);
}

void TalvexMotionTab::onMoveRefused(const QString& message)
{
    UIInfoTip(UIInfoTip::Error, m_pInputs->get(QStringLiteral("StepCount")), message, UIInfoTip::s_errorDuration);
}

void TalvexMotionTab::onStop()
{
    m_pController->stop();
}

void TalvexMotionTab::onMoveModeChanged()
{
    switch (moveMode())
    {
    case Controller::Relative:
        m_pStepCountLabel->setText(QStringLiteral("Step count"));
        break;
    case Controller::Absolute:
    case Controller::BackAndForth:
        m_pStepCountLabel->setText(QStringLiteral("Position"));
        break;
    default:
        m_pStepCountLabel->clear();
        break;
    }
}

void TalvexMotionTab::onReducedHoldCurrentChanged()
{
    m_pController->setReducedHoldCurrent(m_pInputs->get(QStringLiteral("ReducedHoldCurrent"))->getValue().toBool());
}

void TalvexMotionTab::onLowInductanceSettingChanged()
{
    m_pController->setLowInductance(m_pInputs->get(QStringLiteral("LowInductance"))->getValue().toBool());
}

void TalvexMotionTab::onUploadMotorSupplyConfig()
{
    m_pController->uploadMotorConfiguration();
}

void TalvexMotionTab::onUploadMotionConfig()
{
    m_pController->uploadMotionConfiguration();
}

void TalvexMotionTab::onAdvancedMoveSettings()
{
    if (!m_pDocument)
        return;
    TalvexAdvancedMoveSettingsDialog dialog(this, m_pDocument);
    if (dialog.exec() != QDialog::Accepted || !m_pDocument)
        return;
    m_pController->uploadAdvancedMoveConfiguration(dialog.configuration());
}

void TalvexMotionTab::onZeroPosition()
{
    const QMessageBox::StandardButton answer = QMessageBox::question(this, QStringLiteral("Zero absolute position"),
        QStringLiteral("The absolute position will be set to zero. Continue?"), QMessageBox::Yes | QMessageBox::No,
        QMessageBox::NoButton);
    if (answer == QMessageBox::Yes)
        m_pController->zeroPosition();
}

void TalvexMotionTab::onMotorInfoChanged(const TalvexDriverMotorInfo& info)
{
    m_pStateLabel->setText(info.stateName());
    m_pStateLabel->setToolTip(info.errorDescription());
    m_pStateIconLabel->setToolTip(info.errorDescription());
    const QString icon = stateIcon(info.getState());
    if (icon.isEmpty())
        m_pStateIconLabel->clear();
    else
        m_pStateIconLabel->setPixmap(QPixmap(icon));

    const Controller::Controls controls = m_pController->motorStateChanged(info, moveMode());
    m_pPowerButton->setEnabled(controls.power);
    m_pHomeButton->setEnabled(controls.home);
    m_pBackwardButton->setEnabled(controls.backward);
    m_pForwardButton->setEnabled(controls.forward);
    m_pStopButton->setEnabled(controls.stop);
    if (controls.known)
    {
        m_pClearErrorButton->setVisible(controls.clearError);
        m_pInputs->get(QStringLiteral("MicroStepping"))->setEnabled(!controls.moving);
        m_pInputs->get(QStringLiteral("AccelerationUnit"))->setEnabled(!controls.moving);
        const bool withRamp = variantToInt(m_pInputs->get(QStringLiteral("AccelerationMethod"))->getValue()) != 0;
        m_pInputs->get(QStringLiteral("BaseUnitAcceleration"))->setEnabled(!controls.moving && withRamp);
    }

    m_pRemainingStepsLabel->setText(
        info.getStatusByte9() == 0 ? QStringLiteral("-") : QString::number(info.getRemainingSteps()));
    // Shown in the unit of the move settings.
    const double position = m_pController->settingsPosition(settingsMicroStepFactor());
    m_pPositionLabel->setText(QString::number(variantToDouble(m_pStepCountUnitHandler->convertValue(position)), 'g', 6));
}
