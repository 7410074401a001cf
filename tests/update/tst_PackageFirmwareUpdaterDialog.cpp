#include "TestRegistry.h"

#include "PackageFirmwareUpdaterDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTest>

// The update's progress dialog: what it shows with and without progress, the progress of the
// secondary images, and that only the update closes it.
class tst_PackageFirmwareUpdaterDialog : public QObject
{
    Q_OBJECT

private slots:
    void layout_data()
    {
        QTest::addColumn<bool>("withProgress");
        QTest::newRow("main image only") << false;
        QTest::newRow("secondary images") << true;
    }

    void layout()
    {
        QFETCH(bool, withProgress);

        QWidget parent;
        PackageFirmwareUpdaterDialog dialog(&parent, withProgress);
        QCOMPARE(dialog.windowTitle(), QString("Firmware update"));
        QVERIFY(dialog.isModal());
        QVERIFY(!(dialog.windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
        const QList<QLabel*> labels = dialog.findChildren<QLabel*>();
        QCOMPARE(labels.count(), withProgress ? 3 : 2);
        QCOMPARE(labels.first()->text(), QString("Do not unplug the device!"));
        QVERIFY(labels.first()->font().bold());
        QCOMPARE(labels.first()->font().pointSize(), int(parent.font().pointSize() * 1.5));
        QCOMPARE(dialog.findChild<QProgressBar*>() != nullptr, withProgress);

        dialog.setMessage("The firmware will now be updated.\nUploading new firmware.");
        QCOMPARE(labels.at(1)->text(), QString("The firmware will now be updated.\nUploading new firmware."));
        const QRect screen = parent.screen()->geometry();
        QCOMPARE(dialog.frameGeometry().center(), screen.center());
        dialog.show();
        dialog.reject();
        QVERIFY(dialog.isVisible());
        dialog.close();
        QVERIFY(dialog.isVisible());
    }

    // The bar follows the programming until it is finished; then it goes and later reports
    // change the text only.
    void progress()
    {
        PackageFirmwareUpdaterDialog dialog(nullptr, true);
        dialog.setMessage("Updating secondary firmware.\nBusy uploading data.");
        dialog.show();
        dialog.updateProgress("Writing page 1", 50);
        QProgressBar* bar = dialog.findChild<QProgressBar*>();
        QCOMPARE(bar->value(), 50);
        QCOMPARE(dialog.findChildren<QLabel*>().at(2)->text(), QString("Writing page 1"));
        const QString folder = qEnvironmentVariable("TALVEX_GRAB_DIR");
        if (!folder.isEmpty())
            dialog.grab().save(QDir(folder).filePath("firmware-update-dialog.png"));

        dialog.finishProgress();
        QCOMPARE(bar->value(), 100);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!dialog.findChild<QProgressBar*>());
        dialog.updateProgress("Writing page 2", 75);
        dialog.finishProgress();
        QCOMPARE(dialog.findChildren<QLabel*>().at(2)->text(), QString("Writing page 2"));
    }
};

TALVEX_TEST(tst_PackageFirmwareUpdaterDialog)
#include "tst_PackageFirmwareUpdaterDialog.moc"
