#pragma once

#include "BootloaderBoardRig.h"
#include "BootloaderConstants.h"
#include "BootloaderFirmwareId.h"
#include "ModalAnswers.h"
#include "PackageAppData.h"
#include "PackageFirmwareUpdater.h"
#include "PackageFirmwareUpdaterDialog.h"
#include "PackageWriter.h"
#include "UpdateFolderFixture.h"
#include "USBConnectionState.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>

// Support levels by model: the firmware majors from oldest to newest are supported; a model
// the table does not name is unknown.
class TraitsTable : public USBIDeviceTraits
{
public:
    int checkDevice(const USBSerialNumber& serialNumber) const override
    {
        return serialNumber.isValid() ? isKnownDevice(serialNumber.getDeviceType()) : 3;
    }
    int isKnownDevice(const QPair<int, int>& id) const override { return m_majors.contains(id) ? 0 : 3; }
    int checkFirmware(const USBSerialNumber& serialNumber, int version) const override
    {
        return checkVersion(serialNumber.getDeviceType(), version);
    }
    int checkVersion(const QPair<int, int>& id, int version) const override
    {
        if (!m_majors.contains(id))
            return 3;
        const QPair<int, int> range = m_majors.value(id);
        return version < range.first ? 2 : version > range.second ? 1 : 0;
    }

    QHash<QPair<int, int>, QPair<int, int>> m_majors;
};

// Answers the question box with the chosen button and keeps what it asked; watches the progress
// dialog on every pass of the event loop, and at every queued call the GUI thread takes (the end
// of each step of the update that ran in the worker), and keeps each new message and progress
// text, and the texts and the bar's value at each look. Every change of the bar's value is kept
// with the texts beside it.
class UpdateWatcher : public QObject
{
public:
    struct Step
    {
        QString message;
        QString text;
        int percent;
    };

    explicit UpdateWatcher(QMessageBox::StandardButton answer = QMessageBox::NoButton)
    {
        m_answers.pressInBoxes(answer, ModalAnswers::LeaveOpen);
        // The progress dialog closes itself at the update's end.
        m_answers.leaveOthers();
        m_answers.watch([this](QWidget* modal) { look(modal); });
        qApp->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MetaCall)
            look(QApplication::activeModalWidget());
        return false;
    }

    const QStringList& questions() const { return m_answers.m_boxes; }
    QStringList m_messages;
    QStringList m_progress;
    int m_lastPercent = -1;
    bool m_sawProgressBar = false;
    // The dialog at the last progress text, for looking at by eye.
    QPixmap m_picture;
    QList<Step> m_steps;
    // The texts and the bar's value at each look that saw a bar.
    QList<Step> m_looks;

private:
    void look(QWidget* modal)
    {
        auto* dialog = qobject_cast<PackageFirmwareUpdaterDialog*>(modal);
        if (!dialog)
            return;
        const QList<QLabel*> labels = dialog->findChildren<QLabel*>();
        const QString message = labels.value(1) ? labels.value(1)->text() : QString();
        if (m_messages.value(m_messages.count() - 1) != message)
            m_messages << message;
        const QString progress = labels.value(2) ? labels.value(2)->text() : QString();
        QProgressBar* bar = dialog->findChild<QProgressBar*>();
        if (bar)
        {
            m_sawProgressBar = true;
            m_lastPercent = bar->value();
            m_looks << Step{message, progress, bar->value()};
            if (m_pWatchedBar != bar)
            {
                m_pWatchedBar = bar;
                QObject::connect(bar, &QProgressBar::valueChanged, this, [this, labels](int percent) {
                    m_steps << Step{labels.value(1)->text(), labels.value(2)->text(), percent};
                });
            }
        }
        if (!progress.isEmpty() && m_progress.value(m_progress.count() - 1) != progress)
        {
            m_progress << progress;
            if (bar)
                m_picture = dialog->grab();
        }
    }

    // On every pass of the event loop, for the bar's value at each.
    ModalAnswers m_answers{0};
    QPointer<QProgressBar> m_pWatchedBar;
};

// The updater as the connection state calls it, keeping the result the state does not pass on
// (a warning ends in a successful connect).
class RecordingUpdater : public USBIDeviceUpdater
{
public:
    explicit RecordingUpdater(const USBDeviceUpdaterPtr& updater) : m_pUpdater(updater) {}

    USBResult checkAndUpdate(const USBDevicePtr& device, USBDriver* driver, const USBDeviceTraitsPtr& traits,
        qint32 parameter) override
    {
        m_result = m_pUpdater->checkAndUpdate(device, driver, traits, parameter);
        return m_result;
    }

    USBDeviceUpdaterPtr m_pUpdater;
    USBResult m_result;
};

// A board with its bootloader on the simulated bus (clock in manual mode), the connection state
// the studio connects it with (its protocols on the bus clock), the updater over a test folder
// of update data, and the traits that decide which versions are supported.
struct UpdateOnConnectRig
{
    static SimUsbBus& bus() { return SimUsbBus::instance(); }

    UpdateOnConnectRig(const QString& serialNumber, int major, int minor)
        : m_folder(QStringLiteral("fwupdate"))
    {
        bus().reset();
        UpdateConstants::setPackageLockKey(QStringLiteral("fwupdate-lock-%1").arg(QCoreApplication::applicationPid()));
        m_pChip = &bus().addChip(USBIFtdiApi::ChipFT2232H, serialNumber.toLatin1(), 0x100);
        m_pBoard = SimBootloaderBoard::plugInto(*m_pChip, 1, boost::make_shared<RefusingFirmware>(), serialNumber,
            major, minor);
        m_state.setDeviceTraits(m_pTraits);
        m_state.setDeviceUpdater(m_pRecorder);
    }

    ~UpdateOnConnectRig()
    {
        m_state.disconnectDevice();
        PackageAppData::releasePackageLock();
        BootloaderConstants::restoreDefaults();
        bus().reset();
    }

    USBResult connect() { return m_state.connectDevice(m_state.getDriver()->enumerateDevices(true).value(0), 500000, 800); }

    void support(int productCode, int revision, int oldest, int newest)
    {
        m_pTraits->m_majors.insert(qMakePair(productCode, revision), qMakePair(oldest, newest));
    }

    PackageAppData data() const { return PackageAppData(m_folder.application(), m_folder.subPath()); }

    // The device package file of the model: the contents wrapped as one data-stream byte array.
    bool placePackage(int productCode, int revision, const QByteArray& contents) const
    {
        QByteArray file;
        QDataStream out(&file, QIODevice::WriteOnly);
        out << contents;
        return data().saveDevicePackage(BootloaderFirmwareId(productCode, revision, 0, 0, 0), file);
    }

    UpdateFolderFixture m_folder;
    QWidget m_parent;
    USBProtocolClockPtr m_pClock = boost::make_shared<SimulatedBusClock>();
    boost::shared_ptr<TraitsTable> m_pTraits = boost::make_shared<TraitsTable>();
    boost::shared_ptr<PackageFirmwareUpdater> m_pUpdater = boost::make_shared<PackageFirmwareUpdater>(
        &m_parent, m_folder.application(), m_folder.subPath(), true, m_pClock);
    boost::shared_ptr<RecordingUpdater> m_pRecorder = boost::make_shared<RecordingUpdater>(m_pUpdater);
    USBConnectionState m_state{USBConnectionState::PacketProtocol, USBConnectionState::s_pollIntervalMs, m_pClock};
    SimFtdiChip* m_pChip = nullptr;
    boost::shared_ptr<SimBootloaderBoard> m_pBoard;
};
