#pragma once

#include "USBIDeviceUpdater.h"
#include "USBProtocolClock.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class BootloaderFirmwareId;
class BootloaderFirmwarePackage;
class PackageAppData;
class PackageFirmwareUpdaterDialog;
struct BootloaderFirmwareInfo;

// The connection state's check of a board being connected: reads the board's firmware
// information through the bootloader, refuses models and versions the traits do not support,
// looks for the model's device package in the update data folder, asks the user and brings the
// firmware up to date through the bootloader while a modal progress dialog shows what happens.
// Called by USBConnectionState::connectDevice in the GUI thread right after the device was
// opened; never throws. Status 0 and 1 keep the connection, 2 makes the connection state close
// the device and report the text. After an update the device carries the version read back
// from the board. Keeps no state between checks.
// Reading and checking the package, and every step of the update that waits for the board or
// for time, run in a worker thread (UpdateBackgroundTask) that alone uses the driver until the
// step ends; the GUI thread meanwhile runs its events, so from the dialog's showing to its
// closing windows repaint and the dialog's bar moves page by page. The GUI thread sets the
// dialog's texts between the steps.
class PackageFirmwareUpdater : public USBIDeviceUpdater
{
public:
    // Named in the messages that send the user for newer packages.
    static const char* const s_webAddress;
    // The baud rate the update reopens the device with, the one the connect uses.
    static const int s_baudRate = 500000;

    // parent: of the question box and the progress dialog. applicationName and subPath select
    // the update data folder; unlock: entering the bootloader sends the entry unlock code first.
    // The clock times the update's waits and the bootloader's exchanges; null means real time.
    PackageFirmwareUpdater(QWidget* parent, const QString& applicationName, const QString& subPath, bool unlock,
        const USBProtocolClockPtr& clock = USBProtocolClockPtr());

    // parameter: what to wait, in ms, after making the board leave its bootloader.
    USBResult checkAndUpdate(const boost::shared_ptr<USBDevice>& device, USBDriver* driver,
        const USBDeviceTraitsPtr& traits, qint32 parameter) override;

    // Writes the package into the open board, with packageInfo as its information page; on any
    // failure the device is left closed.
    USBResult runUpdate(const boost::shared_ptr<USBDevice>& device, USBDriver* driver,
        const BootloaderFirmwarePackage& package, const BootloaderFirmwareInfo& packageInfo);

private:
    USBResult readTargetInfo(USBDriver& driver, int delayMs, BootloaderFirmwareInfo& info) const;
    // The model's device package; error tells why it cannot be used.
    static BootloaderFirmwarePackage readPackage(const PackageAppData& data, const BootloaderFirmwareId& boardId,
        QString& error);
    // Why the package cannot go into this board, empty when it can; a failing board answers
    // through failure instead.
    QString packageFault(const USBDevice& device, USBDriver& driver, const PackageAppData& data,
        const BootloaderFirmwareId& boardId, const BootloaderFirmwarePackage& package,
        const BootloaderFirmwareInfo& packageInfo, USBResult& failure) const;
    // Takes the board from its firmware into its bootloader: enters it, puts the handshake
    // protocol on the socket and reopens the device. In the worker thread.
    USBResult enterForProgramming(const boost::shared_ptr<USBDevice>& device, USBDriver& driver, bool& handshake) const;
    // Closes the device, puts the packet protocol back and reopens it. In the worker thread.
    USBResult reopenForFirmware(const boost::shared_ptr<USBDevice>& device, USBDriver& driver, bool& handshake) const;
    // Sleeps on the update's clock, in the worker thread.
    void wait(int milliseconds) const;

    QPointer<QWidget> m_pParent;
    bool m_unlock;
    QString m_subPath;
    QString m_applicationName;
    USBProtocolClockPtr m_pClock;
};
