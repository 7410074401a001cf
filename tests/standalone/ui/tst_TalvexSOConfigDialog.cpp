#include "TestRegistry.h"

#include "ModalAnswers.h"
#include "StandaloneUiSupport.h"
#include "TalvexSOConfigDialog.h"
#include "TalvexSONullAxis.h"

#include "Diagram.h"

#include <QDoubleSpinBox>
#include <QGraphicsView>
#include <QStackedWidget>
#include <QPushButton>
#include <QTest>

namespace
{
const QString s_serial1 = QStringLiteral("VTAH010010001");
const QString s_serial2 = QStringLiteral("VTAH01001XXXX");
const QString s_noAxis1 = QStringLiteral("A valid device must be specified for axis 1.\n");
const QString s_noAxis2 = QStringLiteral("A valid device must be specified for axis 2.\n");

QPushButton* button(QWidget* dialog, const QString& text)
{
    for (QPushButton* candidate : dialog->findChildren<QPushButton*>())
        if (candidate->text() == text)
            return candidate;
    return nullptr;
}

// Presses "Save and close"; the text of the box it shows, empty when the dialog accepted.
QString saveAndClose(TalvexSOConfigDialog& dialog)
{
    ModalAnswers answers;
    dialog.setResult(QDialog::Rejected);
    button(&dialog, "Save and close")->pressed();
    if (answers.m_boxes.isEmpty())
        return dialog.result() == QDialog::Accepted ? QString() : QStringLiteral("neither accepted nor told");
    return dialog.result() == QDialog::Accepted ? QStringLiteral("accepted after a box") : answers.m_boxes.join('|');
}

QString box(const QString& text)
{
    return QStringLiteral("Talvex-SO configuration: ") + text;
}
}

class tst_TalvexSOConfigDialog : public QObject
{
    Q_OBJECT

private slots:
    void tabs()
    {
        TalvexSOConfigDialog dialog(nullptr, TalvexSODocument());
        QCOMPARE(dialog.windowTitle(), QString("Talvex-SO Configuration"));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
        QTabWidget* tabs = tabsOf(&dialog);
        QStringList texts;
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i) + (tabs->isTabEnabled(i) ? "" : " (disabled)");
        QCOMPARE(texts, QStringList({"Configuration", "Axis 1", "Axis 2", "Axis 3 (disabled)"}));
        for (const QString text : {"Save and close", "Cancel"})
        {
            QPushButton* pushButton = button(&dialog, text);
            QVERIFY(pushButton);
            QCOMPARE(pushButton->iconSize(), QSize(32, 32));
            QVERIFY(!pushButton->icon().pixmap(32, 32).isNull());
        }
    }

    void validation_data()
    {
        QTest::addColumn<QString>("serial1");
        QTest::addColumn<QString>("serial2");
        QTest::addColumn<int>("microStepping");
        QTest::addColumn<double>("speed");
        QTest::addColumn<QString>("failure");

        QTest::newRow("no axes") << "" << "" << 0 << 50.0 << box(s_noAxis1 + s_noAxis2);
        QTest::newRow("no axis 1") << "" << s_serial2 << 0 << 50.0 << box(s_noAxis1);
        QTest::newRow("no axis 2, axis 1 not asked") << "VTAH001020001" << "" << 0 << 50.0 << box(s_noAxis2);
        QTest::newRow("both axes set") << s_serial1 << s_serial2 << 0 << 50.0 << QString();
        QTest::newRow("20000 steps/s") << s_serial1 << s_serial2 << 0 << 500.0
                                       << box("The maximum steps per second (20000 steps/s) is larger than "
                                              "10,000 steps/s. Decrease the speed or increase the linear step "
                                              "size.\n");
        QTest::newRow("exactly 10000 steps/s") << s_serial1 << s_serial2 << 0 << 250.0 << QString();
        QTest::newRow("16 micro-steps at 10 mm/s") << s_serial1 << s_serial2 << 4 << 10.0 << QString();
        QTest::newRow("16 micro-steps at 50 mm/s")
            << s_serial1 << s_serial2 << 4 << 50.0
            << box("The maximum steps per second (32000 steps/s) is larger than 10,000 steps/s. Decrease the "
                   "speed or increase the linear step size.\n");
        // Every axis page is asked, and each says what is wrong with it.
        QTest::newRow("32 micro-steps")
            << s_serial1 << s_serial2 << 5 << 10.0
            << box("Axis 1: The resulting minimum step size (0.00078125 mm) must be larger than 0.001 mm.\n"
                   "Axis 2: The resulting minimum step size (0.00078125 mm) must be larger than 0.001 mm.\n");
        QTest::newRow("model (1,2) on axis 1")
            << "VTAH001020001" << s_serial2 << 0 << 50.0
            << box("Axis 1: Serial number \"VTAH001020001\" does not match the device type.\n");
        QTest::newRow("model (27,1) wildcard on axis 2")
            << s_serial1 << "VTAH02701xxxx" << 0 << 50.0
            << box("Axis 2: Serial number \"VTAH02701XXXX\" does not match the device type.\n");
    }

    void validation()
    {
        QFETCH(QString, serial1);
        QFETCH(QString, serial2);
        QFETCH(int, microStepping);
        QFETCH(double, speed);
        QFETCH(QString, failure);

        TalvexSOConfigDialog dialog(nullptr, xyTable(serial1, serial2, microStepping, speed));
        QCOMPARE(saveAndClose(dialog), failure);
    }

    // What the user types in the serial-number field, as it is typed.
    void typedSerialNumbers_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("failure");

        QTest::newRow("empty") << "" << box("Axis 2: Invalid serial number \"\" specified.\n");
        QTest::newRow("not a serial number") << "abc" << box("Axis 2: Invalid serial number \"abc\" specified.\n");
        QTest::newRow("one digit short")
            << "VTAH01001001" << box("Axis 2: Invalid serial number \"VTAH01001001\" specified.\n");
        QTest::newRow("another model")
            << "VTAH001010001" << box("Axis 2: Serial number \"VTAH001010001\" does not match the device type.\n");
        QTest::newRow("exact") << "VTAH010010002" << QString();
        QTest::newRow("wildcard") << "vtah01001xxxx" << QString();
    }

    void typedSerialNumbers()
    {
        QFETCH(QString, typed);
        QFETCH(QString, failure);

        TalvexSOConfigDialog dialog(nullptr, xyTable(s_serial1, QString()));
        TalvexSOAxisConfigWidget* page = axisPage(&dialog, 2);
        driverTypeBox(page)->setCurrentIndex(1);
        serialNumberField(page)->setText(typed);
        QCOMPARE(saveAndClose(dialog), failure);
        if (failure.isEmpty())
            QCOMPARE(dynamic_cast<TalvexSOTalvexPelmoraAxis&>(*dialog.document().axis(2)).serialNumber(),
                USBSerialNumber(typed));
    }

    // A document's driver-bound axis opens on its kind page with its values.
    void loadsTheAxes()
    {
        TalvexSODocument document = xyTable(QString(), s_serial2, 3);
        TalvexSOConfigDialog dialog(nullptr, document);
        QCOMPARE(driverTypeBox(axisPage(&dialog, 1))->currentText(), QString("None (off)"));
        QComboBox* type = driverTypeBox(axisPage(&dialog, 2));
        QCOMPARE(type->currentText(), QString("Talvex-p"));
        QCOMPARE(serialNumberField(axisPage(&dialog, 2))->text(), s_serial2);
        QVERIFY(serialNumberField(axisPage(&dialog, 2))->isVisibleTo(axisPage(&dialog, 2)));
        QCOMPARE(dialog.document().axis(2)->linearStepSize(), document.axis(2)->linearStepSize());
    }

    // The board's four channels are drawn wired to the limit blocks and the drivers' link, and
    // a change of a limit's settings is drawn at once.
    void driverPageDiagram()
    {
        TalvexSOConfigDialog dialog(nullptr, xyTable(s_serial1, s_serial2));
        TalvexSOAxisConfigWidget* page = axisPage(&dialog, 1);
        QGraphicsView* view = page->findChild<QGraphicsView*>();
        QVERIFY(view);
        QCOMPARE(view->width(), 254);
        Diagram* diagram = qobject_cast<Diagram*>(view->scene());
        QVERIFY(diagram);
        QMap<int, int> wiring;
        for (int channel = 1; channel <= 4; ++channel)
            wiring.insert(channel, diagram->channelFunction(channel));
        QCOMPARE(wiring, (QMap<int, int>{{1, 32}, {2, 33}, {3, 66}, {4, 67}}));
        for (int function : {32, 33, 66})
            QVERIFY(diagram->acquisitionItemByFunction(function));
        QCOMPARE(diagram->acquisitionItems().count(), 3);

        const QImage before = view->grab().toImage();
        // The start limit's page, beside the diagram: its first row is the pull configuration.
        QStackedWidget* settings = view->parentWidget()->findChild<QStackedWidget*>();
        QVERIFY(settings);
        QComboBox* pull = settings->widget(0)->findChild<QComboBox*>();
        QVERIFY(pull);
        pull->setCurrentIndex((pull->currentIndex() + 1) % pull->count());
        QVERIFY(view->grab().toImage() != before);
    }

    void createDocument()
    {
        TalvexSODocument given = xyTable(s_serial1, s_serial2, 2, 60.0);
        given.applicationConfiguration().setValue(TalvexSOApplicationConfiguration::TableSizeX, 777.0);
        given.setAxis(3, boundAxis("VTAH010010003"));
        given.axisConfiguration().setValue(3, 1);
        TalvexSOConfigDialog dialog(nullptr, given);
        fieldLabelled<QDoubleSpinBox>(&dialog, "Table size y-direction [mm]")->setValue(640.0);
        QCOMPARE(saveAndClose(dialog), QString());

        const TalvexSODocument created = dialog.document();
        // What the dialog did not show stays as the file had it.
        TalvexSOApplicationConfiguration expected = given.applicationConfiguration();
        expected.setValue(TalvexSOApplicationConfiguration::TableSizeY, 640.0);
        QCOMPARE(created.applicationConfiguration().values(), expected.values());
        QCOMPARE(created.axisConfiguration().values(), given.axisConfiguration().values());
        for (int number = 1; number <= 3; ++number)
        {
            const auto* axis = dynamic_cast<const TalvexSOTalvexPelmoraAxis*>(created.axis(number).get());
            const auto* source = dynamic_cast<const TalvexSOTalvexPelmoraAxis*>(given.axis(number).get());
            QVERIFY(axis && source);
            // New axes with the values of the given ones.
            QVERIFY(axis != source);
            QCOMPARE(axis->serialNumber(), source->serialNumber());
            QCOMPARE(axis->motorConfiguration().values(), source->motorConfiguration().values());
            QCOMPARE(axis->motionConfiguration().values(), source->motionConfiguration().values());
        }
    }

    void typedInputSurvivesAKindSwitch()
    {
        TalvexSOConfigDialog dialog(nullptr, xyTable(s_serial1, QString()));
        TalvexSOAxisConfigWidget* page = axisPage(&dialog, 2);
        QComboBox* type = driverTypeBox(page);
        type->setCurrentIndex(1);
        serialNumberField(page)->setText("VTAH010010042");
        type->setCurrentIndex(0);
        QVERIFY(!serialNumberField(page)->isVisibleTo(page));
        QCOMPARE(dialog.document().axis(2)->typeName(), QString("TalvexSONullAxis"));
        QCOMPARE(dialog.document().axisConfiguration().value(2), QVariant(0));
        type->setCurrentIndex(1);
        QCOMPARE(serialNumberField(page)->text(), QString("VTAH010010042"));
        QCOMPARE(dialog.document().axisConfiguration().value(2), QVariant(1));
        QCOMPARE(dynamic_cast<TalvexSOTalvexPelmoraAxis&>(*dialog.document().axis(2)).serialNumber().toString(),
            QString("VTAH010010042"));
    }

    void cancelChangesNothing()
    {
        TalvexSODocument given = xyTable(s_serial1, s_serial2);
        const QByteArray before = bytesOf(given);
        const boost::shared_ptr<TalvexSOIAxis> firstAxis = given.axis(1);
        TalvexSOConfigDialog dialog(nullptr, given);
        driverTypeBox(axisPage(&dialog, 1))->setCurrentIndex(0);
        fieldLabelled<QDoubleSpinBox>(&dialog, "Speed [mm/s]")->setValue(99.0);
        button(&dialog, "Cancel")->pressed();
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(bytesOf(given), before);
        QCOMPARE(given.axis(1), firstAxis);
    }

    // Keeps pictures of the dialog's tabs in TALVEX_GRAB_DIR, when it is set, for looking at.
    void pictures()
    {
        const QString folder = qEnvironmentVariable("TALVEX_GRAB_DIR");
        if (folder.isEmpty())
            QSKIP("TALVEX_GRAB_DIR is not set");
        TalvexSOConfigDialog dialog(nullptr, xyTable(s_serial1, QString()));
        dialog.show();
        QTabWidget* tabs = tabsOf(&dialog);
        for (int i = 0; i < 3; ++i)
        {
            tabs->setCurrentIndex(i);
            QVERIFY(dialog.grab().save(QString("%1/so-dialog-%2.png").arg(folder).arg(i)));
        }
    }
};

TALVEX_TEST(tst_TalvexSOConfigDialog)
#include "tst_TalvexSOConfigDialog.moc"
