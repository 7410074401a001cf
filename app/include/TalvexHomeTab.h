#pragma once

#include <QPointer>
#include <QWidget>
#include <boost/shared_ptr.hpp>
#include <functional>

class QComboBox;
class QLabel;
class QMessageBox;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;
class TalvexDocument;
class TalvexGlobalSettings;
class TalvexMotorSupplyWidget;
class PackageInfoWidget;
class TalvexRequestDispatcher;
class USBConnectionState;

// The first tab of the main window, there for the whole run: lists the boards on USB and
// connects or disconnects the chosen one, shows the connected board's identity, opens and
// saves device configuration files (and loads one on connect when the settings say so), opens
// the global settings and shows the update panel and the supply monitor. It receives socket
// 0's packet errors and offers to disconnect; an error that arrives once the board is no longer
// connected shows nothing. It connects to the connection state before the main window does, so
// it reacts to a change first. GUI thread only.
class TalvexHomeTab : public QWidget
{
    Q_OBJECT

public:
    static const int s_baudRate = 500000;
    // What the firmware check waits after making the board leave its bootloader.
    static const int s_firmwareCheckWaitMs = 800;

    TalvexHomeTab(QWidget* parent, TalvexDocument* document, USBConnectionState* connectionState,
        boost::shared_ptr<TalvexRequestDispatcher> dispatcher);

    // Reads a ".tcf" file into the document and uploads it to the board, then reads the board's
    // state back. A file that cannot be read is reported in a box and changes nothing; false then.
    bool loadConfiguration(const QString& path);
    // Writes the document to the file, replacing an earlier one only once all was written. A
    // failure is reported in a box and leaves the earlier file as it was; false then.
    bool saveConfiguration(const QString& path);
    // Takes the settings the dialog accepted and stores them; an auto-load file that does not
    // exist turns auto-load off, with a warning.
    void applySettings(const TalvexGlobalSettings& settings);
    // The update panel's check, started once by the main window after it is built.
    void checkForUpdates();
    // Offers to install an update that is ready; the main window calls it when it closes.
    void launchUpdater();
    // Asked before a disconnect the user chose (the Disconnect button, the communication error
    // box); false keeps the board connected. Without one the board disconnects at once.
    void setDisconnectGuard(const std::function<bool()>& guard) { m_disconnectGuard = guard; }

signals:
    void statusMessage(const QString& text, int timeoutMs);

protected:
    void customEvent(QEvent* event) override;

private slots:
    void onConnectionStatusChanged();
    void onAvailableDevicesChanged();
    void onDisconnect();
    void onConnectClicked();
    void onOpenClicked();
    void onSaveClicked();
    void onSettingsClicked();

private:
    void showIdentity();
    void showConnected();
    void showDisconnected();

    TalvexDocument* m_pDocument;
    USBConnectionState* m_pConnectionState;
    boost::shared_ptr<TalvexRequestDispatcher> m_pDispatcher;
    QPointer<QMessageBox> m_pErrorBox;
    QVBoxLayout* m_pMainLayout;
    QComboBox* m_pDeviceList;
    QPushButton* m_pConnectButton;
    QPushButton* m_pOpenButton;
    QPushButton* m_pSaveButton;
    QPushButton* m_pSettingsButton;
    PackageInfoWidget* m_pUpdatePanel;
    QLabel* m_pDeviceInformation;
    QStackedWidget* m_pLowerArea;
    QWidget* m_pEmptyPage;
    TalvexMotorSupplyWidget* m_pSupplyMonitor;
    std::function<bool()> m_disconnectGuard;
};
