#pragma once

#include "TalvexDriverDescriptor.h"
#include "USBVersion.h"

#include <QMap>
#include <QString>
#include <QVector>

class QGridLayout;
class QObject;
class QPushButton;
class QWidget;
class TalvexDriverInputConfiguration;
class TalvexDriverPWMSettings;
class UIUserInputRegister;

// Builds the settings page of each block kind of the I/O diagram for one board model and
// firmware: labelled editors, each registered in the input register under a fixed key and, where
// the value belongs to the input configuration or the PWM settings, bound to that property. It
// also wires the registered inputs and the pages' commit buttons to the owner's slots. A
// short-lived value on the builder's stack; the pages it returns belong to whoever adds them to
// a widget. GUI thread only.
class TalvexIOWidgetFactory
{
public:
    enum Option
    {
        // Pages that offer one get a commit button; on by default.
        CommitButtons = 0
    };

    TalvexIOWidgetFactory(const TalvexDriverDescriptor& descriptor, const USBVersion& firmwareVersion);

    void setOption(int option, bool value);

    // A page with a titled group whose grid is handed out; with a commit button (disabled) below.
    QWidget* createSettingsPage(const QString& title, QGridLayout*& grid, bool withCommitButton);

    QWidget* createADCSettingsWidget(UIUserInputRegister* inputs, TalvexDriverInputConfiguration* configuration);
    QWidget* createQuadratureSettingsWidget(UIUserInputRegister* inputs, TalvexDriverInputConfiguration* configuration);
    QWidget* createEventSettingsWidget(UIUserInputRegister* inputs, TalvexDriverInputConfiguration* configuration);
    QWidget* createLimitStartSettingsWidget(UIUserInputRegister* inputs, TalvexDriverInputConfiguration* configuration);
    QWidget* createLimitEndSettingsWidget(UIUserInputRegister* inputs, TalvexDriverInputConfiguration* configuration);
    QWidget* createStopSettingsWidget(UIUserInputRegister* inputs, TalvexDriverInputConfiguration* configuration);
    QWidget* createMotorControlSettingsWidget(UIUserInputRegister* inputs,
        TalvexDriverInputConfiguration* configuration);
    QWidget* createPWMSettingsWidget(UIUserInputRegister* inputs, TalvexDriverPWMSettings* settings);
    QWidget* createDualPWMSettingsWidget(UIUserInputRegister* inputs, TalvexDriverPWMSettings* settings);
    // The relay's switch is bound to nothing: the owner reads "RelayOnOff".
    QWidget* createRelaySettingsWidget(UIUserInputRegister* inputs);

    // A row of a label and a combo box of the choices, registered under the key and not bound.
    void addPullConfigurationRow(UIUserInputRegister* inputs, const QString& label, const QString& key,
        QGridLayout* grid);
    void addEdgeSenseRow(UIUserInputRegister* inputs, const QString& label, const QString& key, QGridLayout* grid);

    QVector<QPushButton*> commitButtons() const { return m_commitButtons; }
    // slot is a Qt member string such as SLOT(onUpload()).
    void connectCommitButtons(QObject* receiver, const char* slot);
    // Each connects the inputs of its keys that the register holds; the slot finds the new value
    // already in the bound record.
    void connectInputChanges(UIUserInputRegister* inputs, QObject* receiver, const char* slot);
    void connectPWMChanges(UIUserInputRegister* inputs, QObject* receiver, const char* slot);
    void connectRelayChange(UIUserInputRegister* inputs, QObject* receiver, const char* slot);

private:
    // A page of a pull row and an edge row, both bound.
    QWidget* createPullAndEdgePage(UIUserInputRegister* inputs, TalvexDriverInputConfiguration* configuration,
        const QString& title, const QString& pullKey, int pullId, const QString& edgeKey, int edgeId);
    // "Duty cycle [%]" with its limit button in the grid's next row, bound to the two properties.
    void addDutyCycleRow(UIUserInputRegister* inputs, TalvexDriverPWMSettings* settings, QWidget* page,
        QGridLayout* grid, const QString& key, int dutyCycleId, int limitId);

    QMap<int, bool> m_options;
    TalvexDriverDescriptor m_descriptor;
    USBVersion m_firmwareVersion;
    QVector<QPushButton*> m_commitButtons;
};
