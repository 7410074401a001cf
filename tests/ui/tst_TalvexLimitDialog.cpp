#include "TalvexLimitDialog.h"
#include "TestRegistry.h"
#include "UIIUserInput.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

class tst_TalvexLimitDialog : public QObject
{
    Q_OBJECT

private slots:
    void layout()
    {
        QWidget page;
        TalvexLimitDialog dialog(&page, "Duty cycle [%]", 0, 100);
        QCOMPARE(dialog.parentWidget(), &page);
        QCOMPARE(dialog.windowTitle(), QString("Set limit"));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
        QCOMPARE(dialog.findChild<QLabel*>()->text(), QString("Duty cycle [%]"));
        const QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons.first()->text(), QString("Ok"));
        QVERIFY(dialog.limitInput());
        QCOMPARE(dialog.limitInput()->widget(), dialog.findChild<QSpinBox*>());
    }

    void staysInRange_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("value");
        QTest::newRow("inside") << "42" << 42;
        // A keystroke that would leave the range is refused.
        QTest::newRow("above") << "150" << 15;
        QTest::newRow("below") << "-5" << 5;
    }

    void staysInRange()
    {
        QFETCH(QString, typed);
        QFETCH(int, value);

        TalvexLimitDialog dialog(nullptr, "Duty cycle [%]", 0, 100);
        QSpinBox* spinBox = dialog.findChild<QSpinBox*>();
        spinBox->selectAll();
        QTest::keyClicks(spinBox, typed);
        QTest::keyClick(spinBox, Qt::Key_Return);
        QCOMPARE(dialog.limitInput()->getValue(), QVariant(value));

        // A value from elsewhere is held at the limit.
        dialog.limitInput()->setValue(150);
        QCOMPARE(dialog.limitInput()->getValue(), QVariant(100));
        dialog.limitInput()->setValue(-5);
        QCOMPARE(dialog.limitInput()->getValue(), QVariant(0));
    }

    // Pressing, not releasing, accepts.
    void okAcceptsOnPress()
    {
        TalvexLimitDialog dialog(nullptr, "Limit", 0, 10);
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        QTest::mousePress(dialog.findChild<QPushButton*>(), Qt::LeftButton);
        QCOMPARE(accepted.count(), 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QTest::mouseRelease(dialog.findChild<QPushButton*>(), Qt::LeftButton);
    }
};

TALVEX_TEST(tst_TalvexLimitDialog)
#include "tst_TalvexLimitDialog.moc"
