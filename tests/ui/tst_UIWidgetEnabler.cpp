#include "TestRegistry.h"
#include "UIWidgetEnabler.h"
#include "UIWidgetFor.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

class tst_UIWidgetEnabler : public QObject
{
    Q_OBJECT

private slots:
    // A rule only ever sets its own direction: the mode-3 rule alone disables and never
    // re-enables; with its mode-2 partner the target follows the box.
    void checkBoxPairs()
    {
        UIWidgetFor<QCheckBox> separate;
        UIWidgetFor<QLineEdit> backward;
        QPushButton unitBox;

        separate.disableOnValue(&unitBox, false);
        QVERIFY(!unitBox.isEnabled());
        separate.setChecked(true);
        QVERIFY(!unitBox.isEnabled());

        separate.disableOnValue(&backward, false);
        separate.enableOnValue(&backward, true);
        separate.enableOnValue(&unitBox, true);
        QVERIFY(backward.isEnabled());
        QVERIFY(unitBox.isEnabled());
        separate.setChecked(false);
        QVERIFY(!backward.isEnabled());
        QVERIFY(!unitBox.isEnabled());
        separate.setValue(true);
        QVERIFY(backward.isEnabled());
        QVERIFY(unitBox.isEnabled());
    }

    // The drive type enables the pitch for linear translation only.
    void comboBoxPairsOnInput()
    {
        UIWidgetFor<QComboBox> drive;
        drive.addItem("Rotation", 0);
        drive.addItem("Linear translation", 1);
        UIWidgetFor<QLineEdit> pitch;
        QLabel* label = new QLabel(&pitch);
        pitch.setCompanionWidget(label);
        drive.enableOnValue(&pitch, 1);
        drive.disableOnValue(&pitch, 0);
        QVERIFY(!pitch.isEnabled());
        QTest::keyClick(&drive, Qt::Key_Down);
        QVERIFY(pitch.isEnabled());
        QVERIFY(label->isEnabled());
    }

    // A value set by the program moves the baseline; only a user edit that changes the value
    // enables the commit button.
    void enableOnChange()
    {
        UIWidgetFor<QSpinBox> current;
        current.setRange(0, 2000);
        QPushButton commit;
        commit.setEnabled(false);
        current.enableOnChange(&commit);

        current.setValue(500);
        QVERIFY(!commit.isEnabled());
        current.QSpinBox::setValue(600);
        QVERIFY(commit.isEnabled());

        commit.setEnabled(false);
        current.setValue(700);
        current.QSpinBox::setValue(700); // no change: Qt says nothing
        QVERIFY(!commit.isEnabled());
    }

    void lineEditKeystrokeEnables()
    {
        UIWidgetFor<QLineEdit> stepSize;
        stepSize.setValue(QString("1.8"));
        QPushButton commit;
        commit.setEnabled(false);
        stepSize.enableOnChange(&commit);
        stepSize.setValue(QString("1.8"));
        QTest::keyClick(&stepSize, Qt::Key_5);
        QVERIFY(commit.isEnabled());
    }

    // A rule whose target has gone does nothing and goes too.
    void targetGone()
    {
        UIWidgetFor<QCheckBox> source;
        auto* target = new QPushButton;
        source.enableOnValue(target, true);
        QCOMPARE(source.findChildren<UIWidgetEnabler*>().size(), 1);
        delete target;
        source.setChecked(true);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(source.findChildren<UIWidgetEnabler*>().isEmpty());
    }
};

TALVEX_TEST(tst_UIWidgetEnabler)
#include "tst_UIWidgetEnabler.moc"
