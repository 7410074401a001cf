#include "TestRegistry.h"

#include "SettingsSandbox.h"
#include "StudioOnBus.h"
#include "TalvexDocument.h"
#include "TalvexGlobalSettings.h"
#include "TalvexSettingsDialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

// The global settings dialog: what it enables, and that it edits a copy.
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
