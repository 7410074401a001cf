#include "TestRegistry.h"

#include "StudioOnBus.h"
#include "TalvexApplicationTraits.h"
#include "TalvexDocument.h"
#include "TalvexDriverCommRequest.h"
#include "TalvexDriverMotorConfiguration.h"
#include "TalvexGlobalSettings.h"
#include "TalvexHomeTab.h"
#include "TalvexMotorSupplyWidget.h"
#include "TalvexRequestDispatcher.h"
#include "USBConnectionState.h"
#include "USBPacketErrorEvent.h"

#include <QDataStream>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <boost/make_shared.hpp>
#include <csignal>
#include <sys/resource.h>

namespace
{
typedef TalvexDriverCommRequest R;

// The Home tab with the objects the main window gives it, on the simulated bus.
struct HomeTabOnBus : StudioBus
{
    HomeTabOnBus()
    {
        m_state.setDeviceTraits(boost::make_shared<TalvexApplicationTraits>());
        m_pDispatcher->setContext(&m_document, &m_state);
        m_state.startPolling();
    }

    ~HomeTabOnBus() { m_state.disconnectDevice(); }

    // The identity label: the tab's own label other than the device list's caption.
    QString identity() const
    {
        for (QLabel* label : m_tab.findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
            if (label->text() != "Devices")
                return label->text();
        return "no label";
    }
    QStackedWidget* lowerArea() const { return m_tab.findChild<QStackedWidget*>(); }

    TalvexDocument m_document;
    USBConnectionState m_state{USBConnectionState::PacketProtocol, USBConnectionState::s_pollIntervalMs, m_pClock};
    boost::shared_ptr<TalvexRequestDispatcher> m_pDispatcher = boost::make_shared<TalvexRequestDispatcher>();
    TalvexHomeTab m_tab{nullptr, &m_document, &m_state, m_pDispatcher};
};

typedef TalvexDriverMotorConfiguration Motor;

int motorCurrent(TalvexDocument& document)
{
    return document.motorConfiguration()->value(Motor::MotorCurrent).toInt();
}

QByteArray fileContents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Stops file writes of this process beyond a size, as a full disk would, while it lives.
struct FileSizeLimit
{
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_before;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_before); }

    rlimit m_before;
};
}

// The Home tab: the device list, connecting and the identity of the board, configuration
// files, the settings it takes from the dialog and the communication-error box.
class tst_TalvexHomeTab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(rc);
        if (!runsOnSimulatedBus())
            QSKIP("needs the simulated bus");
    }

    void listsBoardsAndMarksTheConnectedOne()
    {
        HomeTabOnBus home;
        home.plug(27, 1, 1);
        home.plug(1, 1, 2);
        QComboBox* devices = home.m_tab.findChild<QComboBox*>();
        QVERIFY(waitOnBusClock([devices] { return devices->count() == 2; }));
        const QList<USBDevicePtr> listed = home.m_state.getAvailableDevices();
        devices->setCurrentIndex(1);
        buttonNamed(&home.m_tab, "Connect")->pressed();
        QVERIFY(home.m_state.isDeviceConnected(listed.at(1)));
        QCOMPARE(devices->itemText(0), listed.at(0)->getDescription());
        QCOMPARE(devices->itemText(1), listed.at(1)->getDescription() + " (Connected)");
        QCOMPARE(devices->currentIndex(), 1);
    }

    void showsTheBoardsIdentity()
    {
        HomeTabOnBus home;
        home.plug(27, 1, 7);
        QVERIFY(connectFirstBoard(&home.m_tab));
        QCOMPARE(home.identity(),
            QString("<table width=0>"
                    "<tr><td><b>&nbsp;&nbsp;Description</b></td><td>&nbsp;&nbsp;Stepper motor driver</td></tr>"
                    "<tr><td><b>&nbsp;&nbsp;Serial number</b></td><td>&nbsp;&nbsp;VTAH027010007</td></tr>"
                    "<tr><td><b>&nbsp;&nbsp;Firmware version</b></td><td>&nbsp;&nbsp;1.0</td></tr>"
                    "<tr><td><b>&nbsp;&nbsp;Firmware date</b></td><td>&nbsp;&nbsp;18/3/2024</td></tr>"
                    "</table>"));
        QVERIFY(buttonNamed(&home.m_tab, "Disconnect"));
        QCOMPARE(home.lowerArea()->currentIndex(), 1);
        grabWhenAsked(&home.m_tab, "hometab-connected");

        buttonNamed(&home.m_tab, "Disconnect")->pressed();
        QVERIFY(!home.m_state.isConnected());
        QCOMPARE(home.identity(), QString());
        QCOMPARE(home.lowerArea()->currentIndex(), 0);
    }

    // A board of a model without commands: its identity, but no files and no supply monitor.
    void unknownModelShowsItsIdentityOnly()
    {
        HomeTabOnBus home;
        home.plug(23, 1);
        QVERIFY(connectFirstBoard(&home.m_tab));
        QVERIFY(home.identity().contains("VTAH023010001"));
        QCOMPARE(home.lowerArea()->currentIndex(), 0);
        for (QPushButton* button : home.m_tab.findChildren<QPushButton*>())
            if (button->toolTip().startsWith("Open") || button->toolTip().startsWith("Save"))
                QVERIFY(!button->isEnabled());
    }

    // Many packet errors make one box; its button disconnects the board.
    void communicationErrorOffersToDisconnect()
    {
        HomeTabOnBus home;
        home.plug(27, 1);
        QVERIFY(connectFirstBoard(&home.m_tab));
        for (int i = 0; i < 3; ++i)
            QCoreApplication::postEvent(&home.m_tab, new USBPacketErrorEvent(0, USBResult("Unexpected packet type", 2)));
        QCoreApplication::processEvents();
        const QList<QMessageBox*> boxes = home.m_tab.findChildren<QMessageBox*>();
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.first()->windowTitle(), QString("Communication error"));
        QCOMPARE(boxes.first()->text(), QString("A problem was encountered while processing packet data from the "
                                                "connected device:\nUnexpected packet type"));
        QCOMPARE(boxes.first()->buttons().count(), 1);
        QCOMPARE(boxes.first()->buttons().first()->text(), QString("Disconnect"));
        const QPointer<QMessageBox> box = boxes.first();
        box->buttons().first()->click();
        QVERIFY(!home.m_state.isConnected());
        QVERIFY(!box || !box->isVisible());
    }

    // A packet error opens its box only while its board is connected: one that comes late, once
    // the board was disconnected or pulled out, opens none.
    void communicationErrorOfAGoneBoardOpensNoBox_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("boxes");

        QTest::newRow("connected") << "stay" << 1;
        QTest::newRow("disconnected") << "disconnect" << 0;
        QTest::newRow("unplugged") << "unplug" << 0;
    }

    void communicationErrorOfAGoneBoardOpensNoBox()
    {
        QFETCH(QString, how);
        QFETCH(int, boxes);

        HomeTabOnBus home;
        SimFtdiChip& chip = home.plug(27, 1);
        QVERIFY(connectFirstBoard(&home.m_tab));
        if (how == "disconnect")
            buttonNamed(&home.m_tab, "Disconnect")->pressed();
        else if (how == "unplug")
        {
            StudioBus::bus().removeChip(chip);
            QVERIFY(waitOnBusClock([&home] { return !home.m_state.isConnected(); }));
        }
        QCoreApplication::postEvent(&home.m_tab, new USBPacketErrorEvent(0, USBResult("Unexpected packet type", 2)));
        QCoreApplication::processEvents();
        QCOMPARE(home.m_tab.findChildren<QMessageBox*>().count(), boxes);
    }

    void savesUnderTheConfigurationSuffix_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");

        QTest::newRow("suffix in capitals kept") << "setup.TCF" << "setup.TCF";
        QTest::newRow("suffix added") << "setup" << "setup.tcf";
    }

    void savesUnderTheConfigurationSuffix()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);

        HomeTabOnBus home;
        const QTemporaryDir folder;
        QVERIFY(home.m_tab.saveConfiguration(folder.filePath(chosen)));
        QVERIFY(QFile::exists(folder.filePath(written)));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{written});
    }

    // A save that fails on the way (here: the disk takes no more bytes) leaves the earlier file.
    void failedSaveKeepsTheEarlierFile()
    {
        HomeTabOnBus home;
        const QTemporaryDir folder;
        const QString path = folder.filePath("setup.tcf");
        QVERIFY(home.m_tab.saveConfiguration(path));
        const QByteArray earlier = fileContents(path);
        home.m_document.motorConfiguration()->setValue(Motor::MotorCurrent, 900);

        ModalAnswers boxes;
        {
            const FileSizeLimit limit(64);
            QVERIFY(!home.m_tab.saveConfiguration(path));
        }
        QCOMPARE(boxes.m_boxes, QStringList{"Saving configuration: Unable to save the configuration to:\n   " + path});
        QCOMPARE(fileContents(path), earlier);
    }

    void loadTakesTheFileAndRefusesBadOnes()
    {
        HomeTabOnBus home;
        const QTemporaryDir folder;
        home.m_document.motorConfiguration()->setValue(Motor::MotorCurrent, 700);
        QVERIFY(home.m_tab.saveConfiguration(folder.filePath("good")));
        QByteArray newer = fileContents(folder.filePath("good.tcf"));
        // The file version follows the header text (4 bytes of length, 36 characters).
        newer[79] = 3;
        QFile file(folder.filePath("newer.tcf"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(newer) == newer.size());
        file.close();

        home.m_document.motorConfiguration()->setValue(Motor::MotorCurrent, 500);
        ModalAnswers boxes;
        QVERIFY(!home.m_tab.loadConfiguration(folder.filePath("newer")));
        QVERIFY(!home.m_tab.loadConfiguration(folder.filePath("missing.tcf")));
        QCOMPARE(boxes.m_boxes.count(), 2);
        QVERIFY2(boxes.m_boxes.at(0).startsWith("Loading configuration: Unsupported version (3) found ("),
            qPrintable(boxes.m_boxes.at(0)));
        QVERIFY(boxes.m_boxes.at(0).endsWith(").\nConfiguration could not be loaded."));
        QCOMPARE(boxes.m_boxes.at(1),
            "Loading configuration: Unable to find the configuration file:\n   " + folder.filePath("missing.tcf"));
        QCOMPARE(motorCurrent(home.m_document), 500);

        QVERIFY(home.m_tab.loadConfiguration(folder.filePath("good.TCF").replace(".TCF", "")));
        QCOMPARE(motorCurrent(home.m_document), 700);
    }

    // Auto-load of a file that has gone: the box, and the board's state is still read.
    void failedAutoLoadStillReadsTheBoard()
    {
        HomeTabOnBus home;
        home.plug(27, 1);
        home.m_document.globalSettings()->setValue(TalvexGlobalSettings::AutoLoadEnabled, true);
        home.m_document.globalSettings()->setValue(TalvexGlobalSettings::AutoLoadFile, "/nowhere/gone.tcf");
        ModalAnswers boxes;
        QVERIFY(connectFirstBoard(&home.m_tab));
        QCOMPARE(boxes.m_boxes, QStringList{"Loading configuration: Unable to find the configuration file:\n   /nowhere/gone.tcf"});
        QVERIFY(!home.m_pDispatcher->canSendRequest(&home.m_tab, R::GetMotionConfiguration));
    }

    void acceptedSettingsAreStored_data()
    {
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<bool>("autoLoad");
        QTest::addColumn<int>("warnings");

        QTest::newRow("existing file") << true << true << 0;
        QTest::newRow("missing file turns auto-load off") << false << false << 1;
    }

    void acceptedSettingsAreStored()
    {
        QFETCH(bool, fileExists);
        QFETCH(bool, autoLoad);
        QFETCH(int, warnings);

        HomeTabOnBus home;
        QVERIFY(home.m_settings.isolated());
        const QTemporaryDir folder;
        const QString path = folder.filePath("auto.tcf");
        if (fileExists)
            QVERIFY(home.m_tab.saveConfiguration(path));
        TalvexGlobalSettings chosen(*home.m_document.globalSettings());
        chosen.setValue(TalvexGlobalSettings::AutoLoadEnabled, true);
        chosen.setValue(TalvexGlobalSettings::AutoLoadFile, path);
        ModalAnswers boxes;
        home.m_tab.applySettings(chosen);
        QCOMPARE(boxes.m_boxes.count(), warnings);

        const TalvexGlobalSettings stored;
        QCOMPARE(stored.value(TalvexGlobalSettings::AutoLoadEnabled).toBool(), autoLoad);
        QCOMPARE(stored.value(TalvexGlobalSettings::AutoLoadFile).toString(), path);
        QCOMPARE(home.m_document.globalSettings()->value(TalvexGlobalSettings::AutoLoadEnabled).toBool(), autoLoad);
    }
};

TALVEX_TEST(tst_TalvexHomeTab)
#include "tst_TalvexHomeTab.moc"
