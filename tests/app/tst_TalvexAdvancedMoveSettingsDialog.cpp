#include "TestRegistry.h"

#include "ConnectedDriverBoard.h"
#include "SettingsSandbox.h"
#include "TalvexAdvancedMoveSettingsDialog.h"
#include "TalvexDocument.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

namespace
{
typedef TalvexDriverAdvancedMotorMoveConfiguration Advanced;

QPushButton* buttonOf(QDialog& dialog, const QString& text)
{
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

// The editor in the row of the label.
template <class W>
W* editorOf(QDialog& dialog, const QString& label)
{
    for (QLabel* text : dialog.findChildren<QLabel*>())
    {
        if (text->text() != label)
            continue;
        QGridLayout* grid = qobject_cast<QGridLayout*>(text->parentWidget()->layout());
        int row, column, span;
        grid->getItemPosition(grid->indexOf(text), &row, &column, &span, &span);
        return qobject_cast<W*>(grid->itemAtPosition(row, 1)->widget());
    }
    return nullptr;
}
}

class tst_TalvexAdvancedMoveSettingsDialog : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase() { QVERIFY(m_settings.isolated()); }

    void showsTheDocument()
    {
        TalvexDocument document;
        Advanced* advanced = document.advancedMotorMoveConfiguration();
        advanced->setValue(Advanced::HomePosition, 2);
        advanced->setValue(Advanced::BacklashSteps, 250);
        advanced->setValue(Advanced::HomeSlowVelocity, 40);
        QWidget tab;
        TalvexAdvancedMoveSettingsDialog dialog(&tab, &document);
        QCOMPARE(dialog.windowTitle(), QString("Advanced move settings"));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
        QCOMPARE(dialog.width(), 500);
        QCOMPARE(editorOf<QComboBox>(dialog, "Position")->currentText(), QString("At end limit"));
        QCOMPARE(editorOf<QSpinBox>(dialog, "Backlash step count")->value(), 250);
        QCOMPARE(editorOf<QSpinBox>(dialog, "Slow velocity [Full-steps/s]")->value(), 40);
        QCOMPARE(editorOf<QSpinBox>(dialog, "Fast velocity [Full-steps/s]")->maximum(), 20000);
        QVERIFY(buttonOf(dialog, "Ok")->isDefault());
    }

    void compensationEnablesItsFields()
    {
        TalvexDocument document;
        TalvexAdvancedMoveSettingsDialog dialog(nullptr, &document);
        QSpinBox* steps = editorOf<QSpinBox>(dialog, "Backlash step count");
        QComboBox* direction = editorOf<QComboBox>(dialog, "Zero-backlash direction");
        QVERIFY(!steps->isEnabled());
        QVERIFY(!direction->isEnabled());
        editorOf<QCheckBox>(dialog, "Enable compensation")->click();
        QVERIFY(steps->isEnabled());
        QVERIFY(direction->isEnabled());
        QVERIFY(dialog.configuration().value(Advanced::BacklashCompensation).toBool());
    }

    // Edits go into the copy only: Cancel leaves the document as it was, Ok hands the copy out.
    void editsTheCopy_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("result");
        QTest::newRow("Cancel") << "Cancel" << int(QDialog::Rejected);
        QTest::newRow("Ok") << "Ok" << int(QDialog::Accepted);
    }

    void editsTheCopy()
    {
        QFETCH(QString, button);
        QFETCH(int, result);
        TalvexDocument document;
        const QMap<int, QVariant> before = document.advancedMotorMoveConfiguration()->values();
        TalvexAdvancedMoveSettingsDialog dialog(nullptr, &document);
        editorOf<QCheckBox>(dialog, "Use accurate home search")->click();
        editorOf<QSpinBox>(dialog, "Fast velocity [Full-steps/s]")->setValue(1500);
        editorOf<QComboBox>(dialog, "Position")->setCurrentIndex(1);
        QTest::mousePress(buttonOf(dialog, button), Qt::LeftButton);
        QCOMPARE(dialog.result(), result);
        QCOMPARE(document.advancedMotorMoveConfiguration()->values(), before);
        const Advanced edited = dialog.configuration();
        QCOMPARE(edited.value(Advanced::AccurateHomeSearch).toBool(), true);
        QCOMPARE(edited.value(Advanced::HomeFastVelocity).toInt(), 1500);
        QCOMPARE(edited.value(Advanced::HomePosition).toInt(), 2);
        QTest::mouseRelease(buttonOf(dialog, button), Qt::LeftButton);
    }
};

TALVEX_TEST(tst_TalvexAdvancedMoveSettingsDialog)
#include "tst_TalvexAdvancedMoveSettingsDialog.moc"
