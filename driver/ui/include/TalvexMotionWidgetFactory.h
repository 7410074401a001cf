#pragma once

#include "TalvexDriverDescriptor.h"
#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverMotorConfiguration.h"
#include "USBVersion.h"

#include <QMap>

class QGroupBox;
class QLabel;
class QPushButton;
class UIEnumConverter;
class UIIWidget;
class UIUnitHandler;
class UIUserInputRegister;

// Builds the settings groups of the motion side for one board model and firmware: "Motor
// parameters", "Motion settings" and "Move settings". Every editor is bound to its property,
// registered under its key and given its units, validators, enabling rules and tips; the
// buttons are made here and handled by the caller. A short-lived value on the caller's stack:
// set the options and configurations, then ask for the groups in that order. Everything it
// makes belongs to the returned group boxes. GUI thread only.
class TalvexMotionWidgetFactory
{
public:
    enum Option
    {
        CommitButtons = 0,            // on by default
        MicroSteppingInMotorGroup = 1 // off by default
    };

    TalvexMotionWidgetFactory(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion);

    void setOption(int option, bool enabled);
    void setMotorConfiguration(Properties<TalvexDriverMotorConfigurationTraits>* configuration);
    // The acceleration is validated with the model's limits, so the whole record is needed.
    void setMotionConfiguration(TalvexDriverMotionConfiguration* configuration);

    // Each returns a new group without parent and fills the register.
    QGroupBox* createMotorParametersGroup(UIUserInputRegister* inputs);
    QGroupBox* createMotionSettingsGroup(UIUserInputRegister* inputs);
    // Needs "StepDegrees", "MicroStepping" and "Pitch" in the register and the motion group.
    QGroupBox* createMoveSettingsGroup(UIUserInputRegister* inputs);

    QPushButton* motorCommitButton() const { return m_pMotorCommitButton; }
    QPushButton* motionCommitButton() const { return m_pMotionCommitButton; }
    QPushButton* advancedSettingsButton() const { return m_pAdvancedSettingsButton; }
    QPushButton* zeroPositionButton() const { return m_pZeroPositionButton; }
    QLabel* stepCountLabel() const { return m_pStepCountLabel; }
    UIUnitHandler* stepCountUnitHandler() const { return m_pStepCountUnitHandler; }

private:
    UIIWidget* createMicroSteppingInput(UIUserInputRegister* inputs);
    bool hasMotionFeature(int feature) const;

    QMap<int, bool> m_options;
    TalvexDriverDescriptor m_descriptor;
    USBVersion m_firmwareVersion;
    Properties<TalvexDriverMotorConfigurationTraits>* m_pMotorConfiguration = nullptr;
    TalvexDriverMotionConfiguration* m_pMotionConfiguration = nullptr;
    QPushButton* m_pMotorCommitButton = nullptr;
    QPushButton* m_pMotionCommitButton = nullptr;
    QPushButton* m_pAdvancedSettingsButton = nullptr;
    QPushButton* m_pZeroPositionButton = nullptr;
    UIIWidget* m_pStepSizeInput = nullptr;
    UIIWidget* m_pMicroSteppingInput = nullptr;
    UIIWidget* m_pPitchInput = nullptr;
    QLabel* m_pStepCountLabel = nullptr;
    UIEnumConverter* m_pMicroStepConverter = nullptr;
    UIUnitHandler* m_pStepCountUnitHandler = nullptr;
};
