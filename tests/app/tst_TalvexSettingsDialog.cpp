#include "TestRegistry.h"

#include "AppTestSupport.h"
#include "PackageInstallLatch.h"
#include "SettingsSandbox.h"
#include "StudioOnBus.h"
#include "TalvexDocument.h"
#include "TalvexGlobalSettings.h"
#include "TalvexSettingsDialog.h"
#include "UpdateConstants.h"
#include "UpdaterAppData.h"
#include "ZipWriter.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

namespace
{
// The texts of the dialog's own push buttons (not those of a box over it) that take clicks,
// sorted.
QStringList enabledButtons(QWidget* dialog)
{
    QStringList texts;
    for (QPushButton* button : dialog->findChildren<QPushButton*>())
        if (button->window() == dialog && button->isEnabled())
            texts << button->text();
    texts.sort();
    return texts;
}
}

// The global settings dialog: what it enables, that it edits a copy, and the install of an update
// repository archive.
class tst_TalvexSettingsDialog : public QObject
{
    Q_OBJECT

private slots:
    void fileIsEditableOnlyWithAutoLoad()
    {
        const SettingsSandbox settings;
        TalvexDocument document;
        document.globalSettings()->setValue(TalvexGlobalSettings::AutoLoadFile, "/data/motor.tcf");
        TalvexSettingsDialog dialog(nullptr, &document);
        dialog.show();
        QCheckBox* autoLoad = dialog.findChild<QCheckBox*>();
        QLineEdit* file = dialog.findChild<QLineEdit*>();
        QPushButton* browse = buttonNamed(&dialog, "Browse");
        QCOMPARE(dialog.windowTitle(), QString("Global Settings"));
        QCOMPARE(file->text(), QString("/data/motor.tcf"));
        QVERIFY(!autoLoad->isChecked());
        QVERIFY(!file->isEnabled());
        QVERIFY(!browse->isEnabled());

        autoLoad->click();
        QVERIFY(file->isEnabled());
        QVERIFY(browse->isEnabled());
        grabWhenAsked(&dialog, "settingsdialog");

        QTest::keyClicks(file, "x");
        file->editingFinished();
        QCOMPARE(dialog.settings().value(TalvexGlobalSettings::AutoLoadEnabled), QVariant(true));
        QCOMPARE(dialog.settings().value(TalvexGlobalSettings::AutoLoadFile).toString(), QString("/data/motor.tcfx"));
        // The document keeps its settings until the Home tab takes the accepted copy.
        QCOMPARE(document.globalSettings()->value(TalvexGlobalSettings::AutoLoadEnabled), QVariant(false));

        autoLoad->click();
        QVERIFY(!file->isEnabled());
        QVERIFY(!browse->isEnabled());
    }

    void onlineUpdateCheck()
    {
        const SettingsSandbox settings;
        TalvexDocument document;
        TalvexSettingsDialog dialog(nullptr, &document);
        QCheckBox* online = nullptr;
        for (QCheckBox* box : dialog.findChildren<QCheckBox*>())
            if (box->text() == "Check for updates online")
                online = box;
        QVERIFY(online);
        QVERIFY(online->isChecked());
        online->click();
        QCOMPARE(dialog.settings().value(TalvexGlobalSettings::OnlineUpdateCheck), QVariant(false));
        QCOMPARE(document.globalSettings()->value(TalvexGlobalSettings::OnlineUpdateCheck), QVariant(true));
        QCOMPARE(buttonNamed(&dialog, "Use repository")->toolTip(),
            QString("If there is no internet access, new updates can be manually installed using a repository "
                    "archive.\nThe update repository is available on www.veltramonde.example"));
    }

    void installUpdateRepository_data()
    {
        QTest::addColumn<bool>("archive");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("reason");
        QTest::newRow("repository") << true << "Repository update: The repository was extracted successfully." << "";
        QTest::newRow("not an archive") << false
                                        << "Repository update: An error was encountered.\nMake sure that the correct "
                                           "repository file was used."
                                        << "Invalid or incompatible zip archive.";
    }

    // The archive's contents replace the update data folder's, its manifest decompressed. The
    // install runs in a worker thread: meanwhile the dialog's events go on and its buttons are
    // disabled, and they come back as they were before the box that says how it went.
    void installUpdateRepository()
    {
        QFETCH(bool, archive);
        QFETCH(QString, box);
        QFETCH(QString, reason);
        const SettingsSandbox settings;
        const OwnDataFolder folder;
        TalvexDocument document;
        TalvexSettingsDialog dialog(nullptr, &document);
        dialog.show();
        QTemporaryDir source;
        const QString path = source.filePath("repository.zip");
        {
            ZipWriter writer;
            ZipWriter::Entry manifest;
            manifest.name = "TalvexStudio.pkm";
            manifest.data = qCompress("<u/>");
            manifest.password = UpdateConstants::archivePassword().toLatin1();
            writer.add(manifest);
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(archive ? writer.archive() : QByteArray("not a zip archive"));
        }
        const QStringList enabledBefore = enabledButtons(&dialog);
        QStringList enabledWhileHeld;
        QStringList enabledAtBox;
        PackageInstallLatch latch([&] {
            enabledWhileHeld = enabledButtons(&dialog);
            grabWhenAsked(&dialog, "settingsdialog-installing");
        });
        ModalAnswers boxes;
        boxes.addForBox([&](QWidget* window) {
            enabledAtBox = enabledButtons(&dialog);
            ModalAnswers::pressIn(window, QMessageBox::Ok);
        });
        dialog.installUpdateRepository(path);
        QVERIFY(latch.inWorker());
        QVERIFY(latch.seenHeld());
        QCOMPARE(enabledWhileHeld, QStringList());
        QCOMPARE(enabledAtBox, enabledBefore);
        QCOMPARE(enabledBefore, (QStringList{"Cancel", "Ok", "Use repository"}));
        QCOMPARE(boxes.m_boxes, QStringList{box});
        QCOMPARE(boxes.m_details, QStringList{reason});
        QCOMPARE(UpdaterAppData("TalvexStudio", QString()).readManifestFile(), archive ? QByteArray("<u/>") : QByteArray());
    }

    void configurationSuffix_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("stored");

        QTest::newRow("kept in capitals") << "/data/Motor.TCF" << "/data/Motor.TCF";
        QTest::newRow("added") << "/data/motor" << "/data/motor.tcf";
        QTest::newRow("other suffix") << "/data/motor.tc" << "/data/motor.tc.tcf";
    }

    void configurationSuffix()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, stored);
        QCOMPARE(TalvexSettingsDialog::withConfigurationSuffix(chosen), stored);
    }
};

TALVEX_TEST(tst_TalvexSettingsDialog)
#include "tst_TalvexSettingsDialog.moc"
