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
#include <boost/make_shared.hpp>
#include <algorithm>
#include <cmath>

namespace
{
typedef TalvexDriverCommRequest R;
typedef TalvexDriverMotorMoveConfiguration Move;

const int s_pollInterval = 200;
// The most micro-steps one move may take, as the step count's own check says.
const double s_maximumSteps = 1000000000.0;

enum MoveMode
{
    Continuous = 0,
    Relative = 1,
    Absolute = 2,
    BackAndForth = 3
};

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
    , m_pDispatcher(dispatcher)
    , m_pInputs(inputs)
{
    QVBoxLayout* layout = new QVBoxLayout(this);

    TalvexMotionWidgetFactory factory(m_pDispatcher->deviceDescriptor(), m_pDispatcher->firmwareVersion());
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
    m_pDispatcher->addResultObserver(this);
}

TalvexMotionTab::~TalvexMotionTab()
{
    m_pDispatcher->removeResultObserver(this);
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
    connect(&m_pollTimer, &QTimer::timeout, this, &TalvexMotionTab::getMotorState);
    m_pollTimer.start(s_pollInterval);
}

void TalvexMotionTab::stateChanged(TalvexDriverMotorInfo* info)
{
    onMotorInfoChanged(*info);
}

void TalvexMotionTab::infoDestroyed(TalvexDriverMotorInfo* info)
{
    Q_UNUSED(info);
    m_pDocument = nullptr;
}

void TalvexMotionTab::configurationChanged(TalvexDriverMotionConfiguration* configuration)
{
    Q_UNUSED(configuration);
    m_pMotionCommitButton->setEnabled(false);
}

void TalvexMotionTab::configurationDestroyed(TalvexDriverMotionConfiguration* configuration)
{
    Q_UNUSED(configuration);
    m_pDocument = nullptr;
}

void TalvexMotionTab::configurationChanged(TalvexDriverMotorConfiguration* configuration)
{
    Q_UNUSED(configuration);
    m_pMotorCommitButton->setEnabled(false);
}

void TalvexMotionTab::configurationDestroyed(TalvexDriverMotorConfiguration* configuration)
{
    Q_UNUSED(configuration);
    m_pDocument = nullptr;
}

void TalvexMotionTab::reportFailure(const USBResult& result)
{
    Q_UNUSED(result);
    // The dispatcher says nothing of whose request failed: a finished request of this tab's
    // own holds its result.
    QVector<USBResult> failures;
    const auto finished = std::stable_partition(m_requests.begin(), m_requests.end(),
        [](const boost::shared_ptr<TalvexDriverCommRequest>& request) { return !request->isDone(); });
    for (auto it = finished; it != m_requests.end(); ++it)
        if (!(*it)->getResult().isOk())
            failures.append((*it)->getResult());
    m_requests.erase(finished, m_requests.end());
    for (const USBResult& failure : failures)
        emit statusMessage(failure);
}

bool TalvexMotionTab::canSend(int action)
{
    return m_pDispatcher->canSendRequest(this, action);
}

void TalvexMotionTab::send(int action, const QByteArray& payload)
{
    // The dispatcher would drop a second request of the action anyway.
    if (!canSend(action))
        return;
    const auto request =
        boost::make_shared<R>(m_pDispatcher->deviceDescriptor(), m_pDispatcher->firmwareVersion(), action);
    if (!payload.isEmpty())
        request->setData(payload);
    m_requests.erase(std::remove_if(m_requests.begin(), m_requests.end(),
                         [](const boost::shared_ptr<R>& sent) { return sent->isDone() && sent->getResult().isOk(); }),
        m_requests.end());
    const USBResult queued = m_pDispatcher->sendRequest(request, this, QString());
    if (!queued.isOk())
    {
        emit statusMessage(queued);
        return;
    }
    m_requests.append(request);
}

void TalvexMotionTab::getMotorState()
{
    send(R::GetMotorState);
}

void TalvexMotionTab::onClearError()
{
    if (canSend(R::MotorOff))
        send(R::MotorOff);
}

void TalvexMotionTab::onOnOff()
{
    if (!canSend(R::MotorOn) || !canSend(R::MotorOff))
        return;
    send(m_motorOff ? R::MotorOn : R::MotorOff);
}

void TalvexMotionTab::onMoveHome()
{
    if (!m_pDocument)
        return;
    const int home = variantToInt(
        m_pDocument->advancedMotorMoveConfiguration()->value(TalvexDriverAdvancedMotorMoveConfiguration::HomePosition));
    if (!m_pDocument->inputConfiguration()->isHomeLimitConnected(home))
    {
        QMessageBox::critical(this, QStringLiteral("Move home"),
            QStringLiteral("The relevant limits are not configured. Configure the limits on the IO tab."),
            QMessageBox::Ok);
        return;
    }
    if (canSend(R::MoveHome))
        send(R::MoveHome);
}

void TalvexMotionTab::onMoveBackward()
{
    move(Move::Backward);
}

void TalvexMotionTab::onMoveForward()
{
    move(Move::Forward);
}

double TalvexMotionTab::settingsMicroStepFactor() const
{
    return variantToDouble(m_pInputs->get(QStringLiteral("MicroSteppingFactor"))->getValue());
}

bool TalvexMotionTab::buildMoveRecord(int direction, TalvexDriverMotorMoveConfiguration& move)
{
    const int mode = variantToInt(m_pInputs->get(QStringLiteral("MoveMode"))->getValue());
    UIIUserInput* stepCount = m_pInputs->get(QStringLiteral("StepCount"));
    const double steps = std::trunc(variantToDouble(m_pInputs->get(QStringLiteral("BaseUnitStepCount"))->getValue()));
    switch (mode)
    {
    case Continuous:
        move = Move(Move::Continuous, direction, 0);
        return true;
    case Absolute:
    {
        // Counted throughout in the micro-step mode the board reported with the position, which
        // is the one it moves in, whatever the settings show before they are committed.
        const double boardFactor = std::ldexp(1.0, m_lastMotorInfo.getMicroStepMode());
        const double settingsFactor = settingsMicroStepFactor();
        const double target = settingsFactor > 0.0 ? steps * boardFactor / settingsFactor : 0.0;
        const double delta = std::trunc(target - m_lastMotorInfo.microStepPosition(m_pDispatcher->deviceDescriptor()));
        if (delta == 0.0)
            break;
        if (std::fabs(delta) > s_maximumSteps)
        {
            stepCount->showInfoTip(QStringLiteral("The maximum number of steps is 1e9."));
            return false;
        }
        move = delta > 0.0 ? Move(Move::Counted, Move::Forward, int(delta)) : Move(Move::Counted, Move::Backward, int(-delta));
        return true;
    }
    case Relative:
    case BackAndForth:
        if (mode == Relative && steps == 0.0)
            break;
        // The board's count is unsigned: a count the step count's check would refuse is not sent.
        if (steps < 0.0 || steps > s_maximumSteps)
        {
            stepCount->showInfoTip(steps < 0.0 ? QStringLiteral("The minimum number of steps is 1.")
                                               : QStringLiteral("The maximum number of steps is 1e9."));
            return false;
        }
        move = Move(mode == Relative ? Move::Counted : Move::BackAndForth, direction, int(steps));
        return true;
    default:
        return false;
    }
    UIInfoTip(UIInfoTip::Error, stepCount, QStringLiteral("Resulting step count is zero!"), UIInfoTip::s_errorDuration);
    return false;
}

void TalvexMotionTab::move(int direction)
{
    if (!canSend(R::Move))
        return;
    TalvexDriverMotorMoveConfiguration record;
    if (buildMoveRecord(direction, record))
        send(R::Move, record.toByteArray(m_pDispatcher->deviceDescriptor()));
}

void TalvexMotionTab::onStop()
{
    if (canSend(R::Stop))
        send(R::Stop);
}

void TalvexMotionTab::onMoveModeChanged()
{
    switch (variantToInt(m_pInputs->get(QStringLiteral("MoveMode"))->getValue()))
    {
    case Relative:
        m_pStepCountLabel->setText(QStringLiteral("Step count"));
        break;
    case Absolute:
    case BackAndForth:
        m_pStepCountLabel->setText(QStringLiteral("Position"));
        break;
    default:
        m_pStepCountLabel->clear();
        break;
    }
}

void TalvexMotionTab::onReducedHoldCurrentChanged()
{
    const bool on = m_pInputs->get(QStringLiteral("ReducedHoldCurrent"))->getValue().toBool();
    send(on ? R::ReducedHoldCurrentOn : R::ReducedHoldCurrentOff);
}

void TalvexMotionTab::onLowInductanceSettingChanged()
{
    if (!TalvexDriverMotorConfiguration::hasLowInductanceSetting(m_pDispatcher->deviceDescriptor(),
            m_pDispatcher->firmwareVersion()))
        return;
    const bool on = m_pInputs->get(QStringLiteral("LowInductance"))->getValue().toBool();
    send(on ? R::LowInductanceOn : R::LowInductanceOff);
}

void TalvexMotionTab::onUploadMotorSupplyConfig()
{
    if (!m_pDocument || !canSend(R::GetMotorConfiguration))
        return;
    send(R::SetMotorConfiguration, m_pDocument->motorConfiguration()->toByteArray(m_pDispatcher->deviceDescriptor(),
                                       m_pDispatcher->firmwareVersion()));
    send(R::GetMotorConfiguration);
}

void TalvexMotionTab::onUploadMotionConfig()
{
    if (!m_pDocument || !canSend(R::GetMotionConfiguration))
        return;
    send(R::SetMotionConfiguration, m_pDocument->motionConfiguration()->toByteArray(m_pDispatcher->deviceDescriptor()));
    send(R::GetMotionConfiguration);
}

void TalvexMotionTab::onAdvancedMoveSettings()
{
    if (!m_pDocument)
        return;
    TalvexAdvancedMoveSettingsDialog dialog(this, m_pDocument);
    if (dialog.exec() != QDialog::Accepted || !m_pDocument)
        return;
    *m_pDocument->advancedMotorMoveConfiguration() = dialog.configuration();
    send(R::SetAdvancedMotorMoveConfiguration, m_pDocument->advancedMotorMoveConfiguration()->toByteArray());
}

void TalvexMotionTab::onZeroPosition()
{
    const QMessageBox::StandardButton answer = QMessageBox::question(this, QStringLiteral("Zero absolute position"),
        QStringLiteral("The absolute position will be set to zero. Continue?"), QMessageBox::Yes | QMessageBox::No,
        QMessageBox::NoButton);
    if (answer == QMessageBox::Yes)
        send(R::ZeroPosition);
}

void TalvexMotionTab::setMotionButtons(bool power, bool home, bool backward, bool forward, bool stop)
{
    m_pPowerButton->setEnabled(power);
    m_pHomeButton->setEnabled(home);
    m_pBackwardButton->setEnabled(backward);
    m_pForwardButton->setEnabled(forward);
    m_pStopButton->setEnabled(stop);
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

    const int state = info.getState();
    const bool moving = state >= TalvexDriverMotorInfo::FirstMoving && state <= TalvexDriverMotorInfo::LastMoving;
    const int mode = variantToInt(m_pInputs->get(QStringLiteral("MoveMode"))->getValue());
    switch (state)
    {
    case TalvexDriverMotorInfo::Hold:
        setMotionButtons(true, true, mode != Absolute && mode != BackAndForth, true, false);
        m_motorOff = false;
        break;
    case TalvexDriverMotorInfo::Off:
        setMotionButtons(true, false, false, false, false);
        m_motorOff = true;
        break;
    case TalvexDriverMotorInfo::InvalidSupplyVoltage:
    case TalvexDriverMotorInfo::Error:
        setMotionButtons(false, false, false, false, false);
        break;
    default:
        // Moving, or a state of unknown meaning: no move starts, stopping and switching stay possible.
        setMotionButtons(true, false, false, false, true);
        if (moving)
            m_motorOff = false;
        break;
    }
    const bool known = state == TalvexDriverMotorInfo::Hold || state == TalvexDriverMotorInfo::Off
        || state == TalvexDriverMotorInfo::InvalidSupplyVoltage || state == TalvexDriverMotorInfo::Error || moving;
    if (known)
    {
        m_pClearErrorButton->setVisible(state == TalvexDriverMotorInfo::Error);
        m_pInputs->get(QStringLiteral("MicroStepping"))->setEnabled(!moving);
        m_pInputs->get(QStringLiteral("AccelerationUnit"))->setEnabled(!moving);
        const bool withRamp = variantToInt(m_pInputs->get(QStringLiteral("AccelerationMethod"))->getValue()) != 0;
        m_pInputs->get(QStringLiteral("BaseUnitAcceleration"))->setEnabled(!moving && withRamp);
    }

    m_pRemainingStepsLabel->setText(
        info.getStatusByte9() == 0 ? QStringLiteral("-") : QString::number(info.getRemainingSteps()));
    // Shown in the unit of the move settings, from micro-steps of the mode they count in.
    const double boardFactor = std::ldexp(1.0, info.getMicroStepMode());
    const double position = info.microStepPosition(m_pDispatcher->deviceDescriptor()) * settingsMicroStepFactor() / boardFactor;
    m_pPositionLabel->setText(QString::number(variantToDouble(m_pStepCountUnitHandler->convertValue(position)), 'g', 6));

    m_lastMotorInfo = info;
}
