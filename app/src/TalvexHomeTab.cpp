#include "TalvexHomeTab.h"

#include "Bootloader.h"
#include "BootloaderFirmwareInfo.h"
#include "PackageInfoWidget.h"
#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"
#include "TalvexDocument.h"
#include "TalvexDriverModel.h"
#include "TalvexGlobalSettings.h"
#include "TalvexMotorSupplyWidget.h"
#include "TalvexRequestDispatcher.h"
#include "TalvexSettingsDialog.h"
#include "USBConnectionState.h"
#include "USBPacketErrorEvent.h"

#include <QComboBox>
#include <QDataStream>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace
{
const char* const s_filter = "Talvex configurations (*.tcf)";

QPushButton* iconButton(const QString& icon, const QString& toolTip, bool enabled)
{
    QPushButton* button = new QPushButton(QIcon(icon), QString());
    button->setIconSize(QSize(32, 32));
    button->setToolTip(toolTip);
    button->setEnabled(enabled);
    return button;
}

QString identityRow(const QString& caption, const QString& value)
{
    return QStringLiteral("<tr><td><b>&nbsp;&nbsp;%1</b></td><td>&nbsp;&nbsp;%2</td></tr>").arg(caption, value);
}
}

TalvexHomeTab::TalvexHomeTab(QWidget* parent, TalvexDocument* document, USBConnectionState* connectionState,
    boost::shared_ptr<TalvexRequestDispatcher> dispatcher)
    : QWidget(parent)
    , m_pDocument(document)
    , m_pConnectionState(connectionState)
    , m_pDispatcher(dispatcher)
{
    connect(m_pConnectionState, &USBConnectionState::connectionStatusChanged, this,
        &TalvexHomeTab::onConnectionStatusChanged);
    connect(m_pConnectionState, &USBConnectionState::availableDevicesChanged, this,
        &TalvexHomeTab::onAvailableDevicesChanged);

    m_pMainLayout = new QVBoxLayout(this);
    QHBoxLayout* devices = new QHBoxLayout;
    m_pDeviceList = new QComboBox;
    m_pConnectButton = new QPushButton(QStringLiteral("Disconnect"));
    // Wide enough for either text, so the row does not jump.
    m_pConnectButton->setMinimumWidth(m_pConnectButton->sizeHint().width());
    m_pConnectButton->setText(QStringLiteral("Connect"));
    devices->addWidget(new QLabel(QStringLiteral("Devices")), 0);
    devices->addWidget(m_pDeviceList, 1);
    devices->addWidget(m_pConnectButton, 0);
    m_pMainLayout->addLayout(devices);

    QHBoxLayout* files = new QHBoxLayout;
    m_pOpenButton = iconButton(QStringLiteral(":/rc/open.png"), QStringLiteral("Open a device configuration file."), false);
    m_pSaveButton = iconButton(QStringLiteral(":/rc/save.png"), QStringLiteral("Save the current configuration."), false);
    m_pSettingsButton = iconButton(QStringLiteral(":/rc/settings.png"), QStringLiteral("Global settings."), true);
    files->addStretch(1);
    files->addWidget(m_pOpenButton);
    files->addWidget(m_pSaveButton);
    files->addWidget(m_pSettingsButton);
    m_pMainLayout->addLayout(files);

    m_pUpdatePanel = new PackageInfoWidget(
        m_pDocument->globalSettings()->value(TalvexGlobalSettings::OnlineUpdateCheck).toBool(),
        QStringLiteral("TalvexStudio"), QString(), 6, 0);
    // The panel centres its contents and spans the tab, so its status line can wrap.
    m_pMainLayout->addWidget(m_pUpdatePanel, 0);

    m_pDeviceInformation = new QLabel;
    m_pMainLayout->addWidget(m_pDeviceInformation, 1);

    m_pLowerArea = new QStackedWidget;
    m_pEmptyPage = new QWidget;
    m_pSupplyMonitor = new TalvexMotorSupplyWidget(this, m_pConnectionState);
    m_pLowerArea->addWidget(m_pEmptyPage);
    m_pLowerArea->addWidget(m_pSupplyMonitor);
    m_pMainLayout->addWidget(m_pLowerArea, 1);

    connect(m_pConnectButton, &QPushButton::pressed, this, &TalvexHomeTab::onConnectClicked);
    connect(m_pOpenButton, &QPushButton::pressed, this, &TalvexHomeTab::onOpenClicked);
    connect(m_pSaveButton, &QPushButton::pressed, this, &TalvexHomeTab::onSaveClicked);
    connect(m_pSettingsButton, &QPushButton::pressed, this, &TalvexHomeTab::onSettingsClicked);
}

void TalvexHomeTab::onAvailableDevicesChanged()
{
    m_pDeviceList->clear();
    int selected = 0;
    const QList<USBDevicePtr> devices = m_pConnectionState->getAvailableDevices();
    for (int i = 0; i < devices.count(); ++i)
    {
        const QString description = devices.at(i)->getDescription();
        if (m_pConnectionState->isDeviceConnected(devices.at(i)))
        {
            m_pDeviceList->addItem(description + QStringLiteral(" (Connected)"));
            selected = i;
        }
        else
            m_pDeviceList->addItem(description);
    }
    m_pDeviceList->setCurrentIndex(devices.isEmpty() ? -1 : selected);
}

void TalvexHomeTab::onConnectClicked()
{
    if (m_pConnectionState->isConnected())
    {
        onDisconnect();
        return;
    }
    const QList<USBDevicePtr> devices = m_pConnectionState->getAvailableDevices();
    const int row = m_pDeviceList->currentIndex();
    if (row < 0 || row >= devices.count())
        return;
    const USBResult result = m_pConnectionState->connectDevice(devices.at(row), s_baudRate, s_firmwareCheckWaitMs);
    if (!result.isOk())
        QMessageBox::critical(this, QStringLiteral("Error connecting"), result.getMessage(), QMessageBox::Ok);
}

void TalvexHomeTab::onDisconnect()
{
    if (m_pConnectionState->isConnected() && (!m_disconnectGuard || m_disconnectGuard()))
        m_pConnectionState->disconnectDevice();
}

void TalvexHomeTab::onConnectionStatusChanged()
{
    if (m_pConnectionState->isConnected())
        showConnected();
    else
        showDisconnected();
    onAvailableDevicesChanged();
}

void TalvexHomeTab::showConnected()
{
    showIdentity();
    const QPair<int, int> type = m_pConnectionState->getDeviceType();
    if (TalvexDriverModel::isKnown(TalvexDriverDescriptor(quint32(type.first), quint32(type.second))))
    {
        m_pOpenButton->setEnabled(true);
        m_pSaveButton->setEnabled(true);
        m_pMainLayout->setStretchFactor(m_pDeviceInformation, 0);
        const TalvexGlobalSettings* settings = m_pDocument->globalSettings();
        // A file that cannot be loaded must not leave the document without the board's state.
        const bool loaded = settings->value(TalvexGlobalSettings::AutoLoadEnabled).toBool()
            && loadConfiguration(settings->value(TalvexGlobalSettings::AutoLoadFile).toString());
        if (!loaded)
            m_pDocument->readDeviceState(m_pDispatcher.get(), this);
        m_pSupplyMonitor->start();
        m_pLowerArea->setCurrentWidget(m_pSupplyMonitor);
    }
    m_pConnectButton->setText(QStringLiteral("Disconnect"));
}

void TalvexHomeTab::showIdentity()
{
    BootloaderFirmwareInfo info;
    const USBResult result = Bootloader(false).readTargetInfo(*m_pConnectionState->getDriver(), info);
    if (!result.isOk())
    {
        m_pDeviceInformation->setText(
            QStringLiteral("<B>Unable to obtaining product signature:\n%1</b>").arg(result.getMessage()));
        return;
    }
    m_pDeviceInformation->setText(QStringLiteral("<table width=0>")
        + identityRow(QStringLiteral("Description"), info.deviceName)
        + identityRow(QStringLiteral("Serial number"), info.serialNumber)
        + identityRow(QStringLiteral("Firmware version"), QStringLiteral("%1.%2").arg(info.major).arg(info.minor))
        + identityRow(QStringLiteral("Firmware date"),
            QStringLiteral("%1/%2/%3").arg(info.day).arg(info.month).arg(info.year))
        + QStringLiteral("</table>"));
}

void TalvexHomeTab::showDisconnected()
{
    m_pSupplyMonitor->stop();
    m_pLowerArea->setCurrentWidget(m_pEmptyPage);
    m_pOpenButton->setEnabled(false);
    m_pSaveButton->setEnabled(false);
    m_pConnectButton->setText(QStringLiteral("Connect"));
    m_pDeviceInformation->clear();
    m_pMainLayout->setStretchFactor(m_pDeviceInformation, 1);
}

bool TalvexHomeTab::loadConfiguration(const QString& path)
{
    const QString name = TalvexSettingsDialog::withConfigurationSuffix(path);
    const QString title = QStringLiteral("Loading configuration");
    if (!QFileInfo::exists(name))
    {
        QMessageBox::critical(this, title, QStringLiteral("Unable to find the configuration file:\n   %1").arg(name),
            QMessageBox::Ok);
        return false;
    }
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
    {
        QMessageBox::critical(this, title, QStringLiteral("Unable to open the configuration file:\n   %1").arg(name),
            QMessageBox::Ok);
        return false;
    }
    try
    {
        // The document takes every configuration of the file, or none when it cannot be read whole.
        QDataStream in(&file);
        m_pDocument->readFrom(in);
    }
    catch (const StreamableVersionException& e)
    {
        QMessageBox::critical(this, title,
            QStringLiteral("Unsupported version (%1) found (%2:%3).\nConfiguration could not be loaded.")
                .arg(e.getVersion())
                .arg(e.getSourceFile())
                .arg(e.getLine()),
            QMessageBox::Ok);
        return false;
    }
    catch (const StreamableUnexpectedContentsException& e)
    {
        QMessageBox::critical(this, title, e.getMessage(), QMessageBox::Ok);
        return false;
    }
    m_pDocument->uploadToDevice(m_pDispatcher.get(), this);
    m_pDocument->readDeviceState(m_pDispatcher.get(), this);
    emit statusMessage(QStringLiteral("Configuration opened."), 5000);
    return true;
}

bool TalvexHomeTab::saveConfiguration(const QString& path)
{
    const QString name = TalvexSettingsDialog::withConfigurationSuffix(path);
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        m_pDocument->writeTo(out);
    }
    // Written beside the old file and put in its place only when complete. A disk that takes
    // only part of the bytes may still report success, so the size written is checked too.
    QSaveFile file(name);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush()
        && file.size() == bytes.size() && file.commit();
    if (!written)
    {
        QMessageBox::critical(this, QStringLiteral("Saving configuration"),
            QStringLiteral("Unable to save the configuration to:\n   %1").arg(name), QMessageBox::Ok);
        return false;
    }
    emit statusMessage(QStringLiteral("Configuration saved."), 5000);
    return true;
}

void TalvexHomeTab::onOpenClicked()
{
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("Load configuration"), QString(),
        QString::fromLatin1(s_filter));
    if (!path.isEmpty())
        loadConfiguration(path);
}

void TalvexHomeTab::onSaveClicked()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save configuration"), QString(),
        QString::fromLatin1(s_filter));
    if (!path.isEmpty())
        saveConfiguration(path);
}

void TalvexHomeTab::onSettingsClicked()
{
    TalvexSettingsDialog dialog(this, m_pDocument);
    if (dialog.exec() == QDialog::Accepted)
        applySettings(dialog.settings());
}

void TalvexHomeTab::applySettings(const TalvexGlobalSettings& settings)
{
    TalvexGlobalSettings accepted(settings);
    if (accepted.value(TalvexGlobalSettings::AutoLoadEnabled).toBool()
        && !QFileInfo::exists(accepted.value(TalvexGlobalSettings::AutoLoadFile).toString()))
    {
        QMessageBox::warning(this, QStringLiteral("Settings"),
            QStringLiteral("Invalid auto-load configuration file specified.\nDisabling auto-load feature."),
            QMessageBox::Ok);
        accepted.setValue(TalvexGlobalSettings::AutoLoadEnabled, false);
    }
    *m_pDocument->globalSettings() = accepted;
    m_pDocument->globalSettings()->save();
}

void TalvexHomeTab::checkForUpdates()
{
    m_pUpdatePanel->checkForUpdates();
}

void TalvexHomeTab::launchUpdater()
{
    m_pUpdatePanel->launchUpdater();
}

void TalvexHomeTab::customEvent(QEvent* event)
{
    if (event->type() != USBPacketErrorEvent::s_type)
    {
        QWidget::customEvent(event);
        return;
    }
    event->accept();
    // One box at a time: later errors of the same failure add nothing. An error that comes once
    // the board has gone (sent just before it was pulled out) has nothing left to disconnect, and
    // its box would cover the question about the board's unsaved scripts.
    if (m_pErrorBox || !m_pConnectionState->isConnected())
        return;
    const USBPacketErrorEvent* error = static_cast<USBPacketErrorEvent*>(event);
    m_pErrorBox = new QMessageBox(QMessageBox::Critical, QStringLiteral("Communication error"), QString(),
        QMessageBox::NoButton, this);
    connect(m_pErrorBox, &QDialog::finished, m_pErrorBox, &QObject::deleteLater);
    m_pErrorBox->setWindowModality(Qt::ApplicationModal);
    m_pErrorBox->addButton(QMessageBox::Cancel)->setText(QStringLiteral("Disconnect"));
    m_pErrorBox->setText(
        QStringLiteral("A problem was encountered while processing packet data from the connected device:\n")
        + error->getResult().getMessage());
    m_pErrorBox->open(this, SLOT(onDisconnect()));
}
