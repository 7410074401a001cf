#pragma once

#include "GrabWhenAsked.h"
#include "ModalAnswers.h"
#include "SettingsSandbox.h"
#include "SimulatedBus.h"
#include "SimulatedBusClock.h"
#include "SimUsbBus.h"
#include "TalvexSimulatedBoards.h"
#include "Waiting.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QWidget>

// The simulated bus emptied for one test, the settings kept in a folder of their own, and the
// clock that puts a main window or connection state on the bus's time (m_pClock).
struct StudioBus
{
    static SimUsbBus& bus() { return SimUsbBus::instance(); }

    StudioBus() { bus().reset(); }
    ~StudioBus() { bus().reset(); }

    SimFtdiChip& plug(quint32 productCode, quint32 revision, int unit = 1)
    {
        return TalvexSimulatedBoards::plug(bus(), productCode, revision, USBVersion(1, 0), unit);
    }

    SettingsSandbox m_settings;
    USBProtocolClockPtr m_pClock = boost::make_shared<SimulatedBusClock>();
};

// The push button of a widget by its text; null when there is none.
inline QPushButton* buttonNamed(QWidget* widget, const QString& text)
{
    for (QPushButton* button : widget->findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

// Lists the boards (the connection state polls at its start and every 2 s, on the bus clock when
// it was given StudioBus's) and connects the first through the Home tab's Connect button.
inline bool connectFirstBoard(QWidget* homeTab)
{
    QComboBox* devices = homeTab->findChild<QComboBox*>();
    if (!waitOnBusClock([devices] { return devices->count() > 0; }))
        return false;
    QPushButton* connect = buttonNamed(homeTab, "Connect");
    if (!connect)
        return false;
    connect->pressed();
    return buttonNamed(homeTab, "Disconnect") != nullptr;
}
