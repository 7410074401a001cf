#include "TestRegistry.h"

#include "BootloaderConstants.h"
#include "GrabWhenAsked.h"
#include "ModalAnswers.h"
#include "PackageAppData.h"
#include "PackageInfoWidget.h"
#include "UpdateServerFixture.h"

#include <QLabel>
#include <QTest>
#include <QTextBrowser>

namespace
{
typedef UpdateServerFixture Fixture;

const QString s_newVersionLine =
    "A new version of %1 is available. Close the application to install the new version.";

QString statusOf(const PackageInfoWidget& panel)
{
    return panel.findChild<QLabel*>()->text();
}

QPushButton* notesButton(const PackageInfoWidget& panel)
{
    return panel.findChild<QPushButton*>();
}

// A manifest announcing 6.<minor> with the program's package, and the program installed beside
// the test; the update is ready when the two differ and 6.<minor> is newer than the running 6.0.
bool prepareFolder(Fixture& fixture, int minor, const QByteArray& installed, const QString& releaseNotes = "notes")
{
    const PackageAppData data(fixture.application(), fixture.subPath());
    const UpdaterFileEntry program{fixture.application(), true, Fixture::crc("new program")};
    PackageUpdaterResult manifest;
    manifest.setVersion(6, minor);
    manifest.addFile(program);
    manifest.setReleaseNotes(releaseNotes);
    return data.writeManifestFile(PackageUpdaterManifest::write(manifest, fixture.application()))
        && writeFile(data.packageFilePath(program.name), "new program") && fixture.install(program, installed);
}

// The stand-in for the updater program beside the test: it writes its arguments, one a line
// after their count, to "<itself>.args".
class UpdaterStandIn
{
public:
    explicit UpdaterStandIn(const QString& application)
        : m_path(QCoreApplication::applicationDirPath() + "/" + UpdateConstants::executableFileName(application + "Updater"))
    {
    }
    ~UpdaterStandIn()
    {
        QFile::remove(m_path);
        QFile::remove(m_path + ".args");
    }

    bool install() const
    {
        return writeFile(m_path,
                   "#!/bin/sh\n{ echo $#; for a in \"$@\"; do echo \"$a\"; done; } > \"$0.tmp\" && mv \"$0.tmp\" \"$0.args\"\n")
            && QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QString arguments() const
    {
        waitFor([this] { return QFile::exists(m_path + ".args"); }, 20000);
        return QString::fromLocal8Bit(readFile(m_path + ".args"));
    }

private:
    QString m_path;
};
}

// The update panel: its status line and release notes button after a check, the release notes
// dialog, and the offer to install on closing.
class tst_PackageInfoWidget : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { BootloaderConstants::restoreDefaults(); }

    void offlineCheck_data()
    {
        QTest::addColumn<int>("minor");
        QTest::addColumn<QByteArray>("installed");
        QTest::addColumn<bool>("ready");
        QTest::newRow("nothing in the folder") << -1 << QByteArray("old program") << false;
        QTest::newRow("update ready") << 1 << QByteArray("old program") << true;
        QTest::newRow("not newer") << 0 << QByteArray("old program") << false;
        QTest::newRow("already installed") << 1 << QByteArray("new program") << false;
    }

    // Offline the panel reads only the folder: a ready update shows its line and the button,
    // anything else leaves the panel empty (a missing manifest is no error to show).
    void offlineCheck()
    {
        QFETCH(int, minor);
        QFETCH(QByteArray, installed);
        QFETCH(bool, ready);
        Fixture fixture("PIW");
        QVERIFY(fixture.isolated());
        if (minor >= 0)
            QVERIFY(prepareFolder(fixture, minor, installed));
        PackageInfoWidget panel(false, fixture.application(), fixture.subPath(), 6, 0);
        QVERIFY(notesButton(panel)->isHidden());
        panel.checkForUpdates();
        QCOMPARE(statusOf(panel), ready ? s_newVersionLine.arg(fixture.application()) : QString());
        QCOMPARE(notesButton(panel)->isHidden(), !ready);
        QCOMPARE(notesButton(panel)->text(), QString("Release notes"));
        QVERIFY(!PackageAppData::isPackageLockHeld());
        if (ready)
        {
            panel.resize(700, panel.sizeHint().height());
            grabWhenAsked(&panel, "update-panel");
        }
    }

    // Online the panel fetches the update and then shows it as ready; a failed check says why.
    void onlineCheck_data()
    {
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<QString>("error");
        QTest::newRow("update on the server") << true << QString();
        QTest::newRow("no server") << false << QString();
        QTest::newRow("device package too large")
            << true << "Device package 002701.pkg is too large: a device accepts at most 128 bytes.";
    }

    void onlineCheck()
    {
        QFETCH(bool, reachable);
        QFETCH(QString, error);
        Fixture fixture("PIW");
        QVERIFY(fixture.ready());
        const UpdaterFileEntry program{fixture.application(), true, Fixture::crc("new program")};
        PackageUpdaterResult manifest;
        manifest.setVersion(6, 1);
        manifest.addFile(program);
        if (!error.isEmpty())
        {
            BootloaderConstants::setMaxImageSize(16);
            const QByteArray firmware = Fixture::devicePackage(QByteArray(200, 'f'));
            const BootloaderFirmwareId id(27, 1, 2, 0, int(Fixture::crc(firmware)));
            manifest.addFirmware(id);
            QVERIFY(fixture.putDevicePackage(id, firmware));
        }
        QVERIFY(fixture.putManifest(manifest));
        QVERIFY(fixture.putFilePackage(program, "new program"));
        QVERIFY(fixture.install(program, "old program"));
        if (!reachable)
            UpdateConstants::setUpdateServer("ftp://127.0.0.1:1");

        PackageInfoWidget panel(true, fixture.application(), fixture.subPath(), 6, 0);
        panel.checkForUpdates();
        QVERIFY(PackageAppData::isPackageLockHeld());
        QVERIFY(waitFor([] { return !PackageAppData::isPackageLockHeld(); }, 60000));
        if (!error.isEmpty())
        {
            QCOMPARE(statusOf(panel), "Unable to check for updates. " + error);
            panel.resize(700, panel.sizeHint().height());
            grabWhenAsked(&panel, "update-panel-refused");
        }
        else if (reachable)
            QCOMPARE(statusOf(panel), s_newVersionLine.arg(fixture.application()));
        else
            QVERIFY2(statusOf(panel).startsWith("Unable to check for updates. ")
                    && statusOf(panel).size() > QString("Unable to check for updates. ").size(),
                qPrintable(statusOf(panel)));
        QCOMPARE(notesButton(panel)->isHidden(), !reachable || !error.isEmpty());
    }

    void progressLine()
    {
        PackageInfoWidget panel(true, "App", QString(), 6, 0);
        QVERIFY(QMetaObject::invokeMethod(&panel, "onUpdateProgress", Q_ARG(QString, "Downloading device packages"),
            Q_ARG(int, 42)));
        QCOMPARE(statusOf(panel), QString("Update check: Downloading device packages 42%."));
    }

    void releaseNotes_data()
    {
        QTest::addColumn<QString>("notes");
        QTest::addColumn<bool>("keepManifest");
        QTest::addColumn<QString>("seen");
        QTest::addColumn<QString>("shown");
        QTest::newRow("html") << "<h3>Version 6.1</h3><ul><li>Faster plots</li><li>Fewer clicks</li></ul>" << true
                              << "dialog: Release Notes" << "Version 6.1\nFaster plots\nFewer clicks";
        QTest::newRow("plain text") << "Faster plots" << true << "dialog: Release Notes" << "Faster plots";
        QTest::newRow("empty") << QString() << true << "Release Notes: No valid release notes." << QString();
        QTest::newRow("manifest gone") << "Faster" << false << "Release Notes: No valid release notes." << QString();
    }

    // The notes of the folder's manifest, rendered as rich text in a modal 600 × 400 dialog.
    void releaseNotes()
    {
        QFETCH(QString, notes);
        QFETCH(bool, keepManifest);
        QFETCH(QString, seen);
        QFETCH(QString, shown);
        Fixture fixture("PIW");
        QVERIFY(fixture.isolated());
        QVERIFY(prepareFolder(fixture, 1, "old program", notes));
        PackageInfoWidget panel(false, fixture.application(), fixture.subPath(), 6, 0);
        panel.checkForUpdates();
        QVERIFY(!notesButton(panel)->isHidden());
        if (!keepManifest)
            QVERIFY(QFile::remove(PackageAppData(fixture.application(), fixture.subPath()).manifestFilePath()));

        QString text;
        QSize size;
        bool modal = false;
        ModalAnswers answerer;
        answerer.pressInBoxes(QMessageBox::Ok);
        answerer.answerOthersWith(ModalAnswers::closeAfter([&](QWidget* dialog) {
            text = dialog->findChild<QTextBrowser*>()->toPlainText();
            size = dialog->size();
            modal = dialog->isModal();
            grabWhenAsked(dialog, QString("release-notes-") + QTest::currentDataTag());
        }));
        notesButton(panel)->click();
        QCOMPARE(answerer.m_seen, QStringList{seen});
        QCOMPARE(text.trimmed(), shown);
        if (!shown.isEmpty())
        {
            QCOMPARE(size, QSize(600, 400));
            QVERIFY(modal);
        }
    }

    void launchUpdater_data()
    {
        QTest::addColumn<bool>("ready");
        QTest::addColumn<bool>("standIn");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("seen");
        const QString question = "Updates: A new update for APP is available.\nUpdate now?";
        QTest::newRow("yes") << true << true << int(QMessageBox::Yes) << QStringList{question};
        // Without a stand-in any start would fail with a box: none shows, so none was tried.
        QTest::newRow("no") << true << false << int(QMessageBox::No) << QStringList{question};
        QTest::newRow("updater missing")
            << true << false << int(QMessageBox::Yes)
            << QStringList{question, "Updates: Unable to launch the updater.\nAPP must be re-installed."};
        QTest::newRow("no update") << false << false << int(QMessageBox::Yes) << QStringList();
    }

    // Closing with an update ready asks, and on Yes starts "<application>Updater" beside the
    // program with one argument, the update data folder.
    void launchUpdater()
    {
        QFETCH(bool, ready);
        QFETCH(bool, standIn);
        QFETCH(int, answer);
        QFETCH(QStringList, seen);
        Fixture fixture("PIW");
        QVERIFY(fixture.isolated());
        QVERIFY(prepareFolder(fixture, 1, ready ? "old program" : "new program"));
        UpdaterStandIn updater(fixture.application());
        if (standIn)
            QVERIFY(updater.install());

        PackageInfoWidget panel(false, fixture.application(), fixture.subPath(), 6, 0);
        panel.checkForUpdates();
        ModalAnswers answerer;
        answerer.pressInBoxes(QMessageBox::StandardButton(answer));
        panel.launchUpdater();
        QCOMPARE(answerer.m_seen, seen.replaceInStrings("APP", fixture.application()));
        if (standIn)
            QCOMPARE(updater.arguments(), "1\n" + fixture.folder() + "\n");
    }

    // Closing while the check still downloads stops it and offers nothing, even with an
    // update ready from an earlier check.
    void launchUpdaterWhileChecking()
    {
        Fixture fixture("PIW");
        QVERIFY(fixture.ready());
        QVERIFY(prepareFolder(fixture, 1, "old program"));
        PackageUpdaterResult manifest;
        manifest.setVersion(6, 2);
        QVERIFY(fixture.putManifest(manifest));
        PackageInfoWidget panel(true, fixture.application(), fixture.subPath(), 6, 0);
        panel.checkForUpdates();
        QVERIFY(PackageAppData::isPackageLockHeld());
        ModalAnswers answerer;
        answerer.pressInBoxes(QMessageBox::Yes);
        panel.launchUpdater();
        QCOMPARE(answerer.m_seen, QStringList());
        QVERIFY(!PackageAppData::isPackageLockHeld());
    }
};

TALVEX_TEST(tst_PackageInfoWidget)
#include "tst_PackageInfoWidget.moc"
