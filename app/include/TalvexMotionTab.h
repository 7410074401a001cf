#pragma once

#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverMotorConfiguration.h"
#include "TalvexDriverMotorInfo.h"
#include "TalvexMotionController.h"
#include "TalvexRequestDispatcher.h"
#include "USBResult.h"

#include <QWidget>
#include <boost/shared_ptr.hpp>

class QLabel;
class QPushButton;
class TalvexDocument;
class UIUnitHandler;
class UIUserInputRegister;

// The "Motion" tab: the motor parameters, motion settings and move settings groups bound to the
// document, and the motor control with the state the board reports every 200 ms and the buttons
// that turn the motor on and off, move, stop, home and clear an error. Every command goes to
// the board through its controller (TalvexMotionController) with this tab as requester; the tab
// forwards the user's actions to it and shows what it answers; a failure of one of its requests
// is emitted as statusMessage. The main window builds it when a supported board connects, starts
// the poll and deletes it on disconnect. GUI thread only.
class TalvexMotionTab
    : public QWidget
    , public TalvexDriverMotorInfo::IChangeObserver
    , public TalvexDriverMotionConfiguration::IChangeObserver
    , public TalvexDriverMotorConfiguration::IChangeObserver
{
    Q_OBJECT

public:
    TalvexMotionTab(QWidget* parent, TalvexDocument* document, boost::shared_ptr<TalvexRequestDispatcher> dispatcher,
        UIUserInputRegister* inputs);
    ~TalvexMotionTab() override;

    void startMotorStatePolling();

    void stateChanged(TalvexDriverMotorInfo* info) override;
    void infoDestroyed(TalvexDriverMotorInfo* info) override;
    void configurationChanged(TalvexDriverMotionConfiguration* configuration) override;
    void configurationDestroyed(TalvexDriverMotionConfiguration* configuration) override;
    void configurationChanged(TalvexDriverMotorConfiguration* configuration) override;
    void configurationDestroyed(TalvexDriverMotorConfiguration* configuration) override;

signals:
    void statusMessage(const USBResult& result);

private slots:
    void getMotorState();
    void onClearError();
    void onOnOff();
    void onMoveHome();
    void onMoveBackward();
    void onMoveForward();
    void onStop();
    void onMoveModeChanged();
    void onReducedHoldCurrentChanged();
    void onLowInductanceSettingChanged();
    void onUploadMotorSupplyConfig();
    void onUploadMotionConfig();
    void onAdvancedMoveSettings();
    void onZeroPosition();

private:
    void onMotorInfoChanged(const TalvexDriverMotorInfo& info);
    void onMoveRefused(const QString& message);
    void onMoveHomeRefused(const QString& message);
    void move(int direction);
    void forgetDocument();
    int moveMode() const;
    // The micro-step factor that the move settings count in.
    double settingsMicroStepFactor() const;
    QPushButton* motionButton(const QString& icon);

    TalvexDocument* m_pDocument;
    UIUserInputRegister* m_pInputs;
    TalvexMotionController* m_pController = nullptr;
    QPushButton* m_pMotorCommitButton = nullptr;
    QPushButton* m_pMotionCommitButton = nullptr;
    QPushButton* m_pClearErrorButton = nullptr;
    QPushButton* m_pPowerButton = nullptr;
    QPushButton* m_pHomeButton = nullptr;
    QPushButton* m_pBackwardButton = nullptr;
    QPushButton* m_pForwardButton = nullptr;
    QPushButton* m_pStopButton = nullptr;
    UIUnitHandler* m_pStepCountUnitHandler = nullptr;
    QLabel* m_pStateLabel = nullptr;
    QLabel* m_pStateIconLabel = nullptr;
    QLabel* m_pRemainingStepsLabel = nullptr;
    QLabel* m_pPositionLabel = nullptr;
    QLabel* m_pStepCountLabel = nullptr;
};
