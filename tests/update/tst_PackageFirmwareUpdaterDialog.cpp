#include "TestRegistry.h"

#include "GrabWhenAsked.h"
#include "PackageFirmwareUpdaterDialog.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTest>

// The update's progress dialog: what it shows with and without progress, the progress of each
// image in turn, and that only the update closes it.
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
        // Progress leaves a dialog without a bar as it is.
        dialog.updateProgress("Writing page 0", 50);
        dialog.finishProgress();
        QCOMPARE(dialog.findChildren<QLabel*>().count(), labels.count());
        QCOMPARE(dialog.findChild<QProgressBar*>() != nullptr, withProgress);
        dialog.show();
        dialog.reject();
        QVERIFY(dialog.isVisible());
        dialog.close();
        QVERIFY(dialog.isVisible());
    }

    // The bar follows each image from 0 to 100 %: finishing an image fills the bar and takes the
    // text of its last step away; the next image starts the bar again from 0.
    void progress()
    {
        PackageFirmwareUpdaterDialog dialog(nullptr, true);
        dialog.setMessage("Updating secondary firmware.\nBusy uploading data.");
        dialog.show();
        QProgressBar* bar = dialog.findChild<QProgressBar*>();
        QLabel* step = dialog.findChildren<QLabel*>().at(2);
        QList<int> values;
        connect(bar, &QProgressBar::valueChanged, [&values](int value) { values << value; });

        dialog.updateProgress("Writing page 1", 50);
        QCOMPARE(bar->value(), 50);
        QCOMPARE(step->text(), QString("Writing page 1"));
        grabWhenAsked(&dialog, "firmware-update-dialog");
        dialog.updateProgress("Writing page 2", 100);
        dialog.finishProgress();
        QCOMPARE(step->text(), QString());

        dialog.updateProgress("Erasing sector 3", 50);
        QCOMPARE(step->text(), QString("Erasing sector 3"));
        dialog.finishProgress();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(dialog.findChild<QProgressBar*>(), bar);
        QCOMPARE(values, (QList<int>{50, 100, 0, 50, 100}));
        QCOMPARE(step->text(), QString());
    }
};

TALVEX_TEST(tst_PackageFirmwareUpdaterDialog)
#include "tst_PackageFirmwareUpdaterDialog.moc"
