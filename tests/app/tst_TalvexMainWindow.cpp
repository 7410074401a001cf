#include "TestRegistry.h"

#include "AppTestSupport.h"
#include "BootloaderFirmwareId.h"
#include "ConnectedDriverBoard.h"
#include "DriverTestSupport.h"
#include "FileCrc32.h"
#include "PackageAppData.h"
#include "PackageFirmwareUpdaterDialog.h"
#include "PackageUpdaterManifest.h"
#include "SimBootloaderBoard.h"
#include "SimFtdiChip.h"
#include "StudioOnBus.h"
#include "TalvexHomeTab.h"
#include "TalvexIODiagram.h"
#include "TalvexIODiagramWidget.h"
#include "TalvexMainWindow.h"
#include "TalvexMotorSupplyWidget.h"
#include "TalvexPythonEditor.h"
#include "TalvexPythonOutput.h"
#include "TalvexScriptTab.h"
#include "UpdaterAppData.h"
#include "USBEventRelay.h"
#include "USBIFtdiApi.h"
#include "USBPacketErrorEvent.h"

#include <QAbstractButton>
#include <QDebug>
#include <QGraphicsView>
#include <QLabel>
#include <QProgressBar>
#include <QPointer>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace
{
// The tabs of a connected board of a known model, in their order.
const QStringList s_deviceTabs{"Home", "Motion", "IO", "Measurements", "Scripting"};

QStringList tabTitles(const TalvexMainWindow& window)
{
    QTabWidget* tabs = window.findChild<QTabWidget*>();
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    return titles;
}

// A board of one model on the studio's bus whose outputs were set before the studio came: its
// firmware keeps a log of what the studio sends.
struct BoardWithOutputs
{
    BoardWithOutputs(const TalvexDriverDescriptor& model, const USBVersion& version, const QVector<quint8>& pwm,
        bool relayOn)
        : m_model(model)
        , m_pwm(pwm)
    {
        const QString serial = SimDriverFirmware::serialNumberOf(model.getProductCode(), model.getRevision(), 1);
        m_pFirmware = boost::make_shared<SimDriverFirmware>(serial, version);
        m_pFirmware->handleCommand(opcode(TalvexDriverCommRequest::SetPWM), pwm);
        if (relayOn)
            m_pFirmware->handleCommand(opcode(TalvexDriverCommRequest::RelayOn), {});
        m_pRecorder = boost::make_shared<RecordingFirmware>(m_pFirmware);
        SimFtdiChip& chip = StudioBus::bus().addChip(USBIFtdiApi::ChipFT2232H, serial.toLatin1(), 1 << 8);
        SimBootloaderBoard::plugInto(chip, 1, m_pRecorder, serial, version.getMajor(), version.getMinor());
    }

    quint8 opcode(int action) const { return TalvexDriverCommRequest::commandCode(m_model, action); }
    int count(int action) const { return m_pRecorder->opcodes().count(opcode(action)); }
    // The PWM settings the board holds: the first ones, unless the studio wrote others.
    QVector<quint8> pwm() const
    {
        QVector<quint8> held = m_pwm;
        const QVector<quint8> opcodes = m_pRecorder->opcodes();
        for (int i = 0; i < opcodes.count(); ++i)
            if (opcodes[i] == opcode(TalvexDriverCommRequest::SetPWM))
                held = m_pRecorder->payload(i);
        return held;
    }
    bool relayOn() const
    {
        QMutexLocker lock(&StudioBus::bus().getMutex());
        return m_pFirmware->isRelayOn();
    }

    TalvexDriverDescriptor m_model;
    QVector<quint8> m_pwm;
    boost::shared_ptr<SimDriverFirmware> m_pFirmware;
    boost::shared_ptr<RecordingFirmware> m_pRecorder;
};

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const QString s_saveQuestion = "Close script: The script turn.py contains unsaved changes.\nSave it?";

// The window on a connected (27,1) board whose Scripting tab holds turn.py ("old = 1" on disk)
// with a change not saved yet.
struct ModifiedScript
{
    ModifiedScript()
        : m_chip(m_bus.plug(27, 1))
        , m_path(m_folder.filePath("turn.py"))
    {
    }

    // Connects, opens the file and types the change; false when a step fails.
    bool open()
    {
        if (!writeFile(m_path, "old = 1\n"))
            return false;
        m_window.show();
        if (!connectFirstBoard(m_window.homeTab()))
            return false;
        auto* scripting = m_window.findChild<TalvexScriptTab*>();
        ModalAnswers answers;
        answers.add(ModalAnswers::chooseFile(m_path, ModalAnswers::TypeAndAccept));
        QMetaObject::invokeMethod(scripting, "onOpenScript");
        m_pEditor = scripting->findChild<TalvexPythonEditor*>();
        if (!m_pEditor)
            return false;
        m_pEditor->insertPlainText("new = 2\n");
        return true;
    }

    QByteArray onDisk() const
    {
        QFile file(m_path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
    }

    StudioBus m_bus;
    // No firmware package that another test leaves in the shared data folder is offered.
    const OwnDataFolder m_data;
    SimFtdiChip& m_chip;
    QTemporaryDir m_folder;
    const QString m_path;
    TalvexMainWindow m_window{m_bus.m_pClock};
    QPointer<TalvexPythonEditor> m_pEditor;
};

// The status bar's permanent connection icon shows this picture.
bool showsIcon(const TalvexMainWindow& window, const QString& icon)
{
    for (QLabel* label : window.statusBar()->findChildren<QLabel*>())
        if (label->pixmap(Qt::ReturnByValue).toImage() == QPixmap(icon).toImage())
            return true;
    return false;
}
}

// The studio's window on the simulated bus: its start, the device tabs a connect builds and an
// unplug removes, and the status bar texts.
class tst_TalvexMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(rc);
        if (!runsOnSimulatedBus())
            QSKIP("needs the simulated bus");
    }

    void startsWithTheHomeTabOnly()
    {
        StudioBus bus;
        TalvexMainWindow window;
        window.show();
        QCOMPARE(window.windowTitle(), QString("Talvex Studio"));
        QCOMPARE(window.size(), QSize(800, 400));
        QCOMPARE(tabTitles(window), QStringList{"Home"});
        QVERIFY(showsIcon(window, ":/rc/disconnect.png"));
        grabWhenAsked(&window, "mainwindow-disconnected");
    }

    // With an update ready in the data folder (and the online check off, so no download runs),
    // closing the window asks first; it closes whatever the answer and whether the updater starts.
    void closingOffersAReadyUpdate()
    {
        StudioBus bus;
        const OwnDataFolder folder;
        QSettings(QSettings::NativeFormat, QSettings::UserScope, "Veltramonde", "TalvexStudio")
            .setValue("OnlineUpdateCheck", false);
        const UpdaterAppData data("TalvexStudio", QString());
        QFile package(data.packageFilePath("TalvexStudio"));
        QVERIFY(package.open(QIODevice::WriteOnly));
        package.write("new program");
        package.close();
        PackageUpdaterResult manifest;
        manifest.setVersion(6, 1);
        manifest.addFile({"TalvexStudio", true, computeFileCrc32(package.fileName())});
        QVERIFY(data.writeManifestFile(PackageUpdaterManifest::write(manifest, "TalvexStudio")));

        TalvexMainWindow window;
        window.show();
        grabWhenAsked(&window, "mainwindow-update-ready");
        ModalAnswers boxes;
        window.close();
        QCOMPARE(boxes.m_boxes.value(0), QString("Updates: A new update for TalvexStudio is available.\nUpdate now?"));
        QVERIFY(!window.isVisible());
    }

    void connectBuildsDeviceTabsAndUnplugRemovesThem_data()
    {
        QTest::addColumn<quint32>("productCode");
        QTest::addColumn<quint32>("revision");
        QTest::addColumn<QStringList>("tabs");

        QTest::newRow("27,1") << 27u << 1u << s_deviceTabs;
        QTest::newRow("10,1") << 10u << 1u << s_deviceTabs;
        QTest::newRow("23,1: a model without commands") << 23u << 1u << QStringList{"Home"};
    }

    void connectBuildsDeviceTabsAndUnplugRemovesThem()
    {
        QFETCH(quint32, productCode);
        QFETCH(quint32, revision);
        QFETCH(QStringList, tabs);

        StudioBus bus;
        SimFtdiChip& chip = bus.plug(productCode, revision);
        TalvexMainWindow window(bus.m_pClock);
        window.show();
        QStringList messages;
        connect(window.statusBar(), &QStatusBar::messageChanged, [&messages](const QString& text) {
            if (!text.isEmpty())
                messages << text;
        });

        QVERIFY(connectFirstBoard(window.homeTab()));
        QCOMPARE(tabTitles(window), tabs);
        QVERIFY(messages.contains("Connected"));
        QVERIFY(showsIcon(window, ":/rc/connect.png"));
        if (productCode == 27)
        {
            grabWhenAsked(&window, "mainwindow-connected");
            QTabWidget* tabs = window.findChild<QTabWidget*>();
            tabs->setCurrentIndex(tabs->indexOf(tabs->findChild<TalvexIODiagramWidget*>()));
            grabWhenAsked(&window, "mainwindow-io");
        }

        // The board goes away: the next poll notices it, and the device tabs are deleted.
        QTabWidget* tabWidget = window.findChild<QTabWidget*>();
        const QPointer<QWidget> deviceTab = tabWidget->count() > 1 ? tabWidget->widget(1) : nullptr;
        messages.clear();
        StudioBus::bus().removeChip(chip);
        QVERIFY(waitOnBusClock([&messages] { return messages.contains("Disconnected"); }));
        QCOMPARE(tabTitles(window), QStringList{"Home"});
        QVERIFY(showsIcon(window, ":/rc/disconnect.png"));
        QVERIFY(waitFor([&deviceTab] { return deviceTab.isNull(); }));
    }

    // A reconnect after a disconnect builds the tabs afresh, once.
    void reconnectBuildsTheTabsAgain()
    {
        StudioBus bus;
        bus.plug(27, 1);
        TalvexMainWindow window(bus.m_pClock);
        QVERIFY(connectFirstBoard(window.homeTab()));
        buttonNamed(window.homeTab(), "Disconnect")->pressed();
        QCOMPARE(tabTitles(window), QStringList{"Home"});
        buttonNamed(window.homeTab(), "Connect")->pressed();
        QCOMPARE(tabTitles(window), s_deviceTabs);
    }

    // The board goes while a script waits: the script ends with "User aborted" before its tab
    // is deleted, and nothing of it runs on.
    void disconnectStopsARunningScript()
    {
        StudioBus bus;
        bus.plug(27, 1);
        TalvexMainWindow window(bus.m_pClock);
        QString output;
        connect(TalvexPythonOutput::instance(), &TalvexPythonOutput::textWritten, &window,
            [&output](const QString& text) { output += text; });
        QVERIFY(connectFirstBoard(window.homeTab()));
        QPointer<TalvexScriptTab> scripting = window.findChild<TalvexScriptTab*>();
        QVERIFY(scripting);
        QMetaObject::invokeMethod(scripting, "onNewScript");
        scripting->findChild<TalvexPythonEditor*>()->setPlainText("print('started')\nOutput().wait(-1)\nprint('ended')\n");
        QMetaObject::invokeMethod(scripting, "onRunScript");
        QVERIFY(waitFor([&output] { return output.contains("started"); }));
        buttonNamed(window.homeTab(), "Disconnect")->pressed();
        // Pressed outside any event handler, the tab's deletion waits for a loop level below.
        QVERIFY(waitFor([&scripting] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return scripting.isNull();
        }));
        QCOMPARE(tabTitles(window), QStringList{"Home"});
        QVERIFY(waitFor([&output] { return output.contains("User aborted"); }));
        QVERIFY(!output.contains("ended"));
    }

    // Closing the window, disconnecting, or the board going away asks about each modified
    // script: Save writes it and Discard leaves the file alone, and either lets the window or
    // the board go; Cancel (not offered when the board has gone) keeps both, and the script too.
    void modifiedScriptsAreAskedAbout_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("answer");

        for (const char* how : {"close", "disconnect", "unplug"})
        {
            QTest::newRow(qPrintable(QString(how) + ", save")) << how << int(QMessageBox::Save);
            QTest::newRow(qPrintable(QString(how) + ", discard")) << how << int(QMessageBox::Discard);
        }
        QTest::newRow("close, cancel") << "close" << int(QMessageBox::Cancel);
        QTest::newRow("disconnect, cancel") << "disconnect" << int(QMessageBox::Cancel);
    }

    void modifiedScriptsAreAskedAbout()
    {
        QFETCH(QString, how);
        QFETCH(int, answer);

        ModifiedScript script;
        QVERIFY(script.open());
        TalvexMainWindow& window = script.m_window;
        const QPointer<TalvexPythonEditor>& editor = script.m_pEditor;
        ModalAnswers answers;

        // Only the box that offers the answer is the question; others are for the code to close.
        answers.press(QMessageBox::StandardButton(answer), ModalAnswers::PassOver);
        if (how == "close")
            window.close();
        else if (how == "disconnect")
            buttonNamed(window.homeTab(), "Disconnect")->pressed();
        else
        {
            StudioBus::bus().removeChip(script.m_chip);
            QVERIFY(waitOnBusClock([&] { return !answers.m_boxes.isEmpty(); }));
        }
        QCOMPARE(answers.m_boxes, QStringList{s_saveQuestion});
        QCOMPARE(script.onDisk(), QByteArray(answer == QMessageBox::Save ? "new = 2\nold = 1\n" : "old = 1\n"));

        const bool kept = answer == QMessageBox::Cancel;
        QCOMPARE(window.isVisible(), how != "close" || kept);
        QCOMPARE(tabTitles(window), how == "close" || kept ? s_deviceTabs : QStringList{"Home"});
        QCOMPARE(buttonNamed(window.homeTab(), "Connect") == nullptr, how == "close" || kept);
        if (kept)
        {
            QCOMPARE(editor->toPlainText(), QString("new = 2\nold = 1\n"));
            QVERIFY(editor->document()->isModified());
        }
    }

    // A communication error that the board sent just before it was pulled out reaches the Home
    // tab while the window asks about the modified script: it opens no box over the question,
    // which is answered as usual and lets the board go.
    void lateErrorOfAnUnpluggedBoardLeavesTheQuestionAlone()
    {
        ModifiedScript script;
        QVERIFY(script.open());
        // Queued when the window learns that the board has gone, so it waits while the question is
        // open. The board's own error of the unplug may have opened its box already while the board
        // still counted as connected; that box goes, so the late error finds none open.
        TalvexHomeTab* home = script.m_window.homeTab();
        connect(script.m_window.statusBar(), &QStatusBar::messageChanged, home, [home](const QString& text) {
            if (text != "Disconnected")
                return;
            qDeleteAll(home->findChildren<QMessageBox*>());
            USBEventRelay::post(home, new USBPacketErrorEvent(0, USBResult("Unable to read from the device", 2)));
        });
        // Only the question is answered; an error box of the connected board is left open.
        ModalAnswers answers;
        answers.press(QMessageBox::Discard, ModalAnswers::PassOver);
        // A box over the question is noted and hidden, so that the question can still be
        // answered and the test ends.
        QStringList covering;
        QTimer uncover;
        connect(&uncover, &QTimer::timeout, [&covering] {
            QWidget* top = QApplication::activeModalWidget();
            for (QWidget* window : QApplication::topLevelWidgets())
            {
                QMessageBox* question = qobject_cast<QMessageBox*>(window);
                if (top && window != top && question && question->isVisible() && question->button(QMessageBox::Discard))
                {
                    covering << top->windowTitle();
                    top->hide();
                    return;
                }
            }
        });
        uncover.start(0);
        StudioBus::bus().removeChip(script.m_chip);
        QVERIFY(waitOnBusClock([&script] { return tabTitles(script.m_window) == QStringList{"Home"}; }));
        QCoreApplication::processEvents();

        QCOMPARE(covering, QStringList());
        QCOMPARE(answers.m_boxes, QStringList{s_saveQuestion});
        QCOMPARE(script.onDisk(), QByteArray("old = 1\n"));
    }

    // Closing the window stops a running script and waits for its end: nothing of it runs on
    // once the window has gone.
    void closingStopsARunningScript()
    {
        StudioBus bus;
        const OwnDataFolder data;
        bus.plug(27, 1);
        TalvexMainWindow window(bus.m_pClock);
        window.show();
        QString output;
        connect(TalvexPythonOutput::instance(), &TalvexPythonOutput::textWritten, &window,
            [&output](const QString& text) { output += text; });
        QVERIFY(connectFirstBoard(window.homeTab()));
        auto* scripting = window.findChild<TalvexScriptTab*>();
        QMetaObject::invokeMethod(scripting, "onNewScript");
        auto* editor = scripting->findChild<TalvexPythonEditor*>();
        editor->setPlainText("print('started')\nOutput().wait(-1)\nprint('ended')\n");
        QMetaObject::invokeMethod(scripting, "onRunScript");
        QVERIFY(waitFor([&output] { return output.contains("started"); }));

        window.close();
        QVERIFY(!window.isVisible());
        QVERIFY(!scripting->isScriptRunning());
        QVERIFY(waitFor([&output] { return output.contains("User aborted"); }));
        QVERIFY(!output.contains("ended"));
    }

    // The reply layouts of (1,2) changed with its firmware: the board's version must be known
    // before the first request, or its replies fail.
    void readsTheBoardWithItsFirmwaresLayouts()
    {
        StudioBus bus;
        TalvexSimulatedBoards::plug(StudioBus::bus(), 1, 2, USBVersion(4, 0), 1);
        TalvexMainWindow window(bus.m_pClock);
        QStringList messages;
        connect(window.statusBar(), &QStatusBar::messageChanged, [&messages](const QString& text) {
            if (!text.isEmpty())
                messages << text;
        });
        QVERIFY(connectFirstBoard(window.homeTab()));
        QTest::qWait(500);
        QCOMPARE(messages.filter("Warning").count() + messages.filter("failed").count(), 0);
    }

    // What the quick start shows: the (27,1) board runs 1.0 and a 1.1 package lies in the update
    // data folder. The connect offers the update, runs it with the progress dialog and connects
    // the board with its new version.
    void updatesTheBoardOnConnect()
    {
        StudioBus bus;
        QVERIFY(bus.m_settings.isolated());
        bus.plug(27, 1);
        const BootloaderFirmwareId model(27, 1, 0, 0, 0);
        TalvexSimulatedBoards::placeFirmwarePackage("TalvexStudio");
        TalvexMainWindow window(bus.m_pClock);
        window.show();
        bool progressShown = false;
        ModalAnswers answers(0);
        answers.pressInBoxes(QMessageBox::Yes);
        // The progress dialog closes itself at the update's end.
        answers.leaveOthers();
        answers.watch([&](QWidget* modal) {
            if (qobject_cast<PackageFirmwareUpdaterDialog*>(modal))
                progressShown = progressShown || modal->findChild<QProgressBar*>();
        });

        // The window's online check holds the update data while it runs, and a connect meanwhile
        // leaves the firmware as it is.
        QVERIFY(waitFor([] { return !PackageAppData::isPackageLockHeld(); }));
        const bool connected = connectFirstBoard(window.homeTab());
        QFile::remove(PackageAppData("TalvexStudio", QString()).devicePackagePath(model));
        QVERIFY(connected);
        QCOMPARE(answers.m_boxes,
            QStringList{"Firmware update: New firmware is available for the target device.\nUpdate firmware now?"});
        QVERIFY(progressShown);
        bool showsNewVersion = false;
        for (QLabel* label : window.homeTab()->findChildren<QLabel*>())
            showsNewVersion = showsNewVersion || label->text().contains("Firmware version</b></td><td>&nbsp;&nbsp;1.1<");
        QVERIFY(showsNewVersion);
        QCOMPARE(tabTitles(window), s_deviceTabs);
    }

    // Connecting and looking at every tab changes none of the board's outputs, whether the
    // model's PWM settings can be read back or not.
    void connectLeavesTheBoardsOutputsAlone_data()
    {
        QTest::addColumn<TalvexDriverDescriptor>("model");
        QTest::addColumn<USBVersion>("version");
        QTest::addColumn<QVector<quint8>>("pwm");
        QTest::addColumn<bool>("relay");
        QTest::newRow("(1,1): PWM and relay, unreadable") << TalvexDriverDescriptor::s_model1_1 << USBVersion(2, 0)
                                                           << QVector<quint8>{40} << true;
        QTest::newRow("(1,2) 4.0: PWM with its mode, relay")
            << TalvexDriverDescriptor::s_model1_2 << USBVersion(4, 0) << QVector<quint8>{40, 0} << true;
        QTest::newRow("(10,1) 1.1: read with the device state")
            << TalvexDriverDescriptor::s_model10_1 << USBVersion(1, 1) << QVector<quint8>{40} << false;
        QTest::newRow("(27,1): two PWM outputs, read back") << TalvexDriverDescriptor::s_model27_1 << USBVersion(1, 0)
                                                              << QVector<quint8>{40, 60} << false;
    }
    void connectLeavesTheBoardsOutputsAlone()
    {
        QFETCH(TalvexDriverDescriptor, model);
        QFETCH(USBVersion, version);
        QFETCH(QVector<quint8>, pwm);
        QFETCH(bool, relay);

        StudioBus bus;
        // No firmware package that another test run leaves in the shared folder is offered.
        const OwnDataFolder folder;
        const BoardWithOutputs board(model, version, pwm, relay);
        TalvexMainWindow window(bus.m_pClock);
        window.show();
        QVERIFY(connectFirstBoard(window.homeTab()));
        QTabWidget* tabs = window.findChild<QTabWidget*>();
        QCOMPARE(tabs->count(), s_deviceTabs.count());
        for (int i = 0; i < tabs->count(); ++i)
        {
            tabs->setCurrentIndex(i);
            QCoreApplication::processEvents();
            grabWhenAsked(&window, QStringLiteral("mainwindow-%1-%2").arg(model.getProductCode()).arg(tabs->tabText(i)));
        }
        // Whatever the studio sent before this point reached the board before these two
        // measurements, the second of which was asked for after the first came back.
        auto* supply = window.homeTab()->findChild<TalvexMotorSupplyWidget*>();
        const int measured = board.count(TalvexDriverCommRequest::MeasureSupply);
        QVERIFY(waitFor([&] {
            QMetaObject::invokeMethod(supply, "measureSupply");
            return board.count(TalvexDriverCommRequest::MeasureSupply) >= measured + 2;
        }));
        QCOMPARE(board.pwm(), pwm);
        QCOMPARE(board.relayOn(), relay);
    }

    // The IO tab's diagram is shown whole, without scroll bars: at the size the window takes on
    // connect, in a large window, and in a window the user tries to make smaller than the diagram.
    void theIOTabShowsTheWholeDiagram_data()
    {
        QTest::addColumn<quint32>("productCode");
        QTest::addColumn<quint32>("revision");
        QTest::newRow("(10,1): one PWM output") << 10u << 1u;
        QTest::newRow("(27,1): encoder inputs, dual PWM") << 27u << 1u;
    }
    void theIOTabShowsTheWholeDiagram()
    {
        QFETCH(quint32, productCode);
        QFETCH(quint32, revision);

        StudioBus bus;
        bus.plug(productCode, revision);
        TalvexMainWindow window(bus.m_pClock);
        window.show();
        QVERIFY(connectFirstBoard(window.homeTab()));
        QTabWidget* tabs = window.findChild<QTabWidget*>();
        auto* ioTab = tabs->findChild<TalvexIODiagramWidget*>();
        tabs->setCurrentWidget(ioTab);
        QGraphicsView* view = ioTab->ioDiagram()->view();

        // The size the window took on connect, then sizes the user gives it.
        const QVector<QPair<QString, QSize>> sizes{{"default", QSize()}, {"large", {1600, 1000}}, {"small", {400, 300}}};
        for (const QPair<QString, QSize>& size : sizes)
        {
            if (size.second.isValid())
                window.resize(size.second);
            QCoreApplication::processEvents();
            grabWhenAsked(&window, QStringLiteral("mainwindow-%1-io-%2").arg(productCode).arg(size.first));
            const QRectF scene = view->viewportTransform().mapRect(view->sceneRect());
            QString shown;
            QDebug(&shown) << size.first << "window" << window.size() << "viewport" << view->viewport()->size()
                           << "scene" << scene;
            QVERIFY2(QRectF(view->viewport()->rect()).contains(scene), qPrintable(shown));
            QVERIFY2(!view->horizontalScrollBar()->isVisible() && !view->verticalScrollBar()->isVisible(),
                qPrintable(shown));
        }
    }

    void statusMessages_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("shown");

        QTest::newRow("failure") << 1 << "Operation failed: Motor is turned off";
        QTest::newRow("error") << 2 << "Warning: Motor is turned off";
        QTest::newRow("success shows nothing") << 0 << "";
    }

    void statusMessages()
    {
        QFETCH(int, code);
        QFETCH(QString, shown);

        StudioBus bus;
        TalvexMainWindow window;
        window.onStatusMessage(USBResult("Motor is turned off", code));
        QCOMPARE(window.statusBar()->currentMessage(), shown);
    }
};

TALVEX_TEST(tst_TalvexMainWindow)
#include "tst_TalvexMainWindow.moc"
