#pragma once

#include "PlotUSBDataStream.h"
#include "TalvexDocument.h"
#include "TalvexRequestDispatcher.h"
#include "UIUserInputRegister.h"
#include "USBConnectionState.h"
#include "USBProtocolClock.h"
#include "USBResult.h"

#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <boost/shared_ptr.hpp>

class QLabel;
class QTabWidget;
class TalvexApplicationTraits;
class TalvexHomeTab;
class TalvexScriptTab;
class TalvexStreamInterpreter;

// The studio's window and composition root, built by main and living for the whole run. It
// owns the document, the connection state, the input register and the sample stream, shares
// the dispatcher, interpreter and traits, and wires them to each other. The Home tab is always
// there; the device tabs exist while a board of a supported model is connected. Request
// failures, whether a tab reports them or the dispatcher learns of them from a reply, and
// connection changes go to the status bar. GUI thread only.
class TalvexMainWindow : public QMainWindow, private TalvexRequestDispatcher::IResultObserver
{
    Q_OBJECT

public:
    // The clock times the device poll, the protocol's waits and the firmware update on connect;
    // null means real time.
    explicit TalvexMainWindow(const USBProtocolClockPtr& clock = USBProtocolClockPtr());
    ~TalvexMainWindow() override;

    TalvexHomeTab* homeTab() const { return m_pHomeTab; }

public slots:
    // "Operation failed: %1" for code 1, "Warning: %1" for code 2; a success shows nothing.
    void onStatusMessage(const USBResult& result);

protected:
    // Asks about modified scripts first (Cancel keeps the window open), stops a running script
    // and waits for its end, and gives the update panel its chance to install an update.
    void closeEvent(QCloseEvent* event) override;

private slots:
    void onConnectionStatusChanged();
    void onAvailableDevicesChanged();

private:
    void reportFailure(const USBResult& result) override;
    void createDeviceTabs();
    template <class Tab>
    Tab* addDeviceTab(Tab* tab, const QString& title);
    void removeDeviceTabs();
    // The user closes the window or disconnects: true once the modified scripts are saved or
    // discarded, false when the user cancels.
    bool releaseScripts();

    QTabWidget* m_pTabWidget;
    TalvexHomeTab* m_pHomeTab;
    QList<QPointer<QWidget>> m_deviceTabs;
    QPointer<TalvexScriptTab> m_pScriptTab;
    TalvexDocument m_document;
    USBConnectionState m_connectionState;
    UIUserInputRegister m_inputs;
    PlotUSBDataStream m_sampleStream;
    boost::shared_ptr<TalvexRequestDispatcher> m_pDispatcher;
    boost::shared_ptr<TalvexStreamInterpreter> m_pInterpreter;
    boost::shared_ptr<TalvexApplicationTraits> m_pTraits;
    QLabel* m_pConnectionIcon;
};
