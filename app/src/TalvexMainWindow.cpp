#include "TalvexMainWindow.h"

#include "PackageFirmwareUpdater.h"
#include "TalvexApplicationTraits.h"
#include "TalvexDriverModel.h"
#include "TalvexHomeTab.h"
#include "TalvexIODiagramWidget.h"
#include "TalvexMeasurementTab.h"
#include "TalvexMotionTab.h"
#include "TalvexPythonScripting.h"
#include "TalvexScriptTab.h"
#include "TalvexStreamInterpreter.h"

#include <QCloseEvent>
#include <QLabel>
#include <QStatusBar>
#include <QTabWidget>
#include <boost/make_shared.hpp>

namespace
{
const int s_statusMs = 3000;
const int s_connectionStatusMs = 2000;
const int s_commandSocket = 0;
const int s_streamId = 0;
}

TalvexMainWindow::TalvexMainWindow(const USBProtocolClockPtr& clock)
    : m_connectionState(USBConnectionState::PacketProtocol, USBConnectionState::s_pollIntervalMs, clock)
    , m_pDispatcher(boost::make_shared<TalvexRequestDispatcher>())
    , m_pInterpreter(boost::make_shared<TalvexStreamInterpreter>())
    , m_pTraits(boost::make_shared<TalvexApplicationTraits>())
{
    m_pDispatcher->setContext(&m_document, &m_connectionState);
    m_pDispatcher->addResultObserver(this);
    m_sampleStream.setDispatcher(m_pDispatcher);
    m_sampleStream.setInterpreter(m_pInterpreter);
    m_connectionState.setDeviceTraits(m_pTraits);
    m_connectionState.setDeviceUpdater(
        boost::make_shared<PackageFirmwareUpdater>(this, QStringLiteral("TalvexStudio"), QString(), true, clock));
    initPythonScripting(&m_document, m_pDispatcher, &m_sampleStream, m_pInterpreter, this);

    m_pTabWidget = new QTabWidget(this);
    // The Home tab connects to the connection state first, so it reacts to a change before
    // the window builds or removes the device tabs.
    m_pHomeTab = new TalvexHomeTab(m_pTabWidget, &m_document, &m_connectionState, m_pDispatcher);
    connect(m_pHomeTab, &TalvexHomeTab::statusMessage, statusBar(), &QStatusBar::showMessage);
    m_pHomeTab->setDisconnectGuard([this] { return releaseScripts(); });
    m_pTabWidget->addTab(m_pHomeTab, QStringLiteral("Home"));
    setCentralWidget(m_pTabWidget);
    m_pConnectionIcon = new QLabel;
    m_pConnectionIcon->setPixmap(QPixmap(QStringLiteral(":/rc/disconnect.png")));
    statusBar()->addPermanentWidget(m_pConnectionIcon, 0);

    resize(800, 400);
    setWindowTitle(QStringLiteral("Talvex Studio"));

    connect(&m_connectionState, &USBConnectionState::connectionStatusChanged, this,
        &TalvexMainWindow::onConnectionStatusChanged);
    connect(&m_connectionState, &USBConnectionState::availableDevicesChanged, this,
        &TalvexMainWindow::onAvailableDevicesChanged);
    m_connectionState.startPolling();
    m_pHomeTab->checkForUpdates();
}

TalvexMainWindow::~TalvexMainWindow()
{
    m_pDispatcher->removeResultObserver(this);
    disconnect(&m_connectionState, nullptr, this, nullptr);
    // The protocol's worker must not post to the Home tab or the sample stream once they are gone.
    m_connectionState.getDriver()->setErrorReceiver(nullptr, s_commandSocket);
    m_connectionState.getDriver()->unregisterStreamReceiver(s_streamId, s_commandSocket);
    // The tabs go before the document and the dispatcher they observe.
    delete m_pTabWidget;
}

void TalvexMainWindow::closeEvent(QCloseEvent* event)
{
    if (!releaseScripts())
    {
        event->ignore();
        return;
    }
    // Nothing of a script may run on once the window is gone.
    if (m_pScriptTab)
        m_pScriptTab->stopScript();
    m_pHomeTab->launchUpdater();
    QMainWindow::closeEvent(event);
}

bool TalvexMainWindow::releaseScripts()
{
    return !m_pScriptTab || m_pScriptTab->askToSaveScripts(true);
}

void TalvexMainWindow::onStatusMessage(const USBResult& result)
{
    if (result.isOk())
        return;
    const QString text = result.isWarning() ? QStringLiteral("Operation failed: %1") : QStringLiteral("Warning: %1");
    statusBar()->showMessage(text.arg(result.getMessage()), s_statusMs);
}

void TalvexMainWindow::reportFailure(const USBResult& result)
{
    onStatusMessage(result);
}

void TalvexMainWindow::onConnectionStatusChanged()
{
    USBDriver* driver = m_connectionState.getDriver();
    if (!m_connectionState.isConnected())
    {
        m_pConnectionIcon->setPixmap(QPixmap(QStringLiteral(":/rc/disconnect.png")));
        statusBar()->showMessage(QStringLiteral("Disconnected"), s_connectionStatusMs);
        driver->setErrorReceiver(nullptr, s_commandSocket);
        driver->unregisterStreamReceiver(s_streamId, s_commandSocket);
        // The board went away unasked (a disconnect the user chose has asked already): the
        // scripts can still be saved, but the tab goes in any case.
        if (m_pScriptTab)
            m_pScriptTab->askToSaveScripts(false);
        // A measurement that was running must not keep the next connection from starting one.
        m_sampleStream.reset();
        removeDeviceTabs();
        return;
    }

    removeDeviceTabs();
    m_inputs.clear();
    m_pDispatcher->clearPendingRequests();
    m_pConnectionIcon->setPixmap(QPixmap(QStringLiteral(":/rc/connect.png")));
    statusBar()->showMessage(QStringLiteral("Connected"), s_connectionStatusMs);
    if (!TalvexDriverModel::isKnown(m_pDispatcher->deviceDescriptor()))
        return;

    createDeviceTabs();
    driver->setErrorReceiver(m_pHomeTab, s_commandSocket);
    driver->registerStreamReceiver(s_streamId, &m_sampleStream, s_commandSocket);
}

void TalvexMainWindow::onAvailableDevicesChanged()
{
    statusBar()->showMessage(QStringLiteral("Devices added/removed"), s_connectionStatusMs);
}

// ---- The device tabs of a connected board, created here and only here, in the order the input
// ---- register needs: the Motion and IO tabs register the inputs that the tabs after them read.
void TalvexMainWindow::createDeviceTabs()
{
    addDeviceTab(new TalvexMotionTab(m_pTabWidget, &m_document, m_pDispatcher, &m_inputs), QStringLiteral("Motion"))
        ->startMotorStatePolling();
    addDeviceTab(new TalvexIODiagramWidget(m_pTabWidget, &m_document, m_pDispatcher, &m_inputs), QStringLiteral("IO"));
    addDeviceTab(new TalvexMeasurementTab(m_pTabWidget, &m_document, m_pDispatcher, &m_sampleStream, m_pInterpreter,
                     &m_inputs),
        QStringLiteral("Measurements"));
    // Deleting it stops a running script and waits for its end.
    m_pScriptTab = new TalvexScriptTab(m_pTabWidget);
    m_pTabWidget->addTab(m_pScriptTab, QStringLiteral("Scripting"));
    m_deviceTabs.append(m_pScriptTab.data());
}

template <class Tab>
Tab* TalvexMainWindow::addDeviceTab(Tab* tab, const QString& title)
{
    m_pTabWidget->addTab(tab, title);
    m_deviceTabs.append(tab);
    connect(tab, &Tab::statusMessage, this, &TalvexMainWindow::onStatusMessage);
    return tab;
}

void TalvexMainWindow::removeDeviceTabs()
{
    for (const QPointer<QWidget>& tab : qAsConst(m_deviceTabs))
    {
        if (!tab)
            continue;
        m_pTabWidget->removeTab(m_pTabWidget->indexOf(tab));
        tab->deleteLater();
    }
    m_deviceTabs.clear();
}
