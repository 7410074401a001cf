#include "KindRecorder.h"
#include "TestRegistry.h"
#include "TestSettings.h"
#include "UIPropertyBinding.h"
#include "UIWidgetFor.h"

#include <QLabel>
#include <QTest>
#include <memory>

using TestBinding = UIPropertyBinding<TestSettingsTraits>;

class tst_UIPropertyBinding : public QObject
{
    Q_OBJECT

private slots:
    void showsPropertyWhenBound()
    {
        TestSettings settings;
        settings.setValue(1, 42);
        UIWidgetFor<QSpinBox> spinBox;
        spinBox.bindMethodCall(new TestBinding(&settings, 1));
        QCOMPARE(spinBox.value(), 42);
    }

    // The set keeps property 0 within [0, 100]: what it keeps goes back into the editor,
    // with one write of the editor.
    void commitReplacedBySet_data()
    {
        QTest::addColumn<double>("typed");
        QTest::addColumn<double>("kept");
        QTest::addColumn<int>("writes");
        QTest::newRow("kept as typed") << 42.0 << 42.0 << 0;
        QTest::newRow("clamped high") << 250.0 << 100.0 << 1;
        QTest::newRow("clamped low") << -5.0 << 0.0 << 1;
    }

    void commitReplacedBySet()
    {
        QFETCH(double, typed);
        QFETCH(double, kept);
        QFETCH(int, writes);

        TestSettings settings;
        settings.setValue(TestSettings::s_clampedId, 10.0);
        UIWidgetFor<QDoubleSpinBox> spinBox;
        spinBox.setRange(-1000, 1000);
        spinBox.bindMethodCall(new TestBinding(&settings, TestSettings::s_clampedId));
        KindRecorder recorder;
        recorder.watch(&spinBox);

        spinBox.QDoubleSpinBox::setValue(typed); // as the user would
        QCOMPARE(settings.value(TestSettings::s_clampedId).toDouble(), kept);
        QCOMPARE(spinBox.value(), kept);
        QCOMPARE(recorder.count(UIIUserInput::ValueSet), writes);
    }

    // A value from elsewhere reaches the editor and is written back once through it: a spin
    // box that cannot hold it leaves the property at what it shows.
    void changeElsewhereIsWrittenBack()
    {
        TestSettings settings;
        settings.setValue(1, 5);
        UIWidgetFor<QSpinBox> spinBox;
        spinBox.setRange(0, 10);
        spinBox.bindMethodCall(new TestBinding(&settings, 1));

        settings.setValue(1, 7);
        QCOMPARE(spinBox.value(), 7);
        settings.setValue(1, 50);
        QCOMPARE(spinBox.value(), 10);
        QCOMPARE(settings.value(1), QVariant(10));
    }

    void assignmentReachesEditor()
    {
        TestSettings settings;
        settings.setValue(1, QString("old"));
        UIWidgetFor<QLineEdit> lineEdit;
        lineEdit.bindMethodCall(new TestBinding(&settings, 1));
        TestSettings loaded;
        loaded.setValue(1, QString("new"));
        settings = loaded;
        QCOMPARE(lineEdit.text(), QString("new"));
    }

    // A combo box without an item for the value shows its first item and writes nothing back.
    void comboBoxWithoutItemLeavesProperty()
    {
        TestSettings settings;
        settings.setValue(1, 2);
        UIWidgetFor<QComboBox> comboBox;
        comboBox.addItem("one", 1);
        comboBox.addItem("two", 2);
        comboBox.bindMethodCall(new TestBinding(&settings, 1));
        QCOMPARE(comboBox.currentIndex(), 1);

        settings.setValue(1, 9);
        QCOMPARE(comboBox.currentIndex(), 0);
        QCOMPARE(settings.value(1), QVariant(9));

        // The user's pick is committed.
        comboBox.setCurrentIndex(1);
        QCOMPARE(settings.value(1), QVariant(2));
    }

    void lineEditCommitsWhenEditingEnds()
    {
        TestSettings settings;
        settings.setValue(1, QString("a"));
        UIWidgetFor<QLineEdit> lineEdit;
        lineEdit.bindMethodCall(new TestBinding(&settings, 1));
        lineEdit.selectAll();
        QTest::keyClicks(&lineEdit, "bc");
        QCOMPARE(settings.value(1), QVariant("a"));
        QTest::keyClick(&lineEdit, Qt::Key_Return);
        QCOMPARE(settings.value(1), QVariant("bc"));
    }

    void validationMessages()
    {
        QWidget page;
        auto* spinBox = new UIWidgetFor<QSpinBox>;
        spinBox->setParent(&page);
        TestSettings settings;
        settings.setValue(1, 3);
        spinBox->bindMethodCall(new TestBinding(&settings, 1));
        spinBox->QSpinBox::setValue(8); // committed as 8
        QSignalBlocker blocker(spinBox);
        spinBox->QSpinBox::setValue(4); // shown only

        settings.notifyValidationMessage(2, "Not mine.");
        QCOMPARE(spinBox->value(), 4);
        QVERIFY(page.findChildren<QLabel*>().isEmpty());

        settings.notifyValidationMessage(1, "Too fast.");
        QCOMPARE(spinBox->value(), 8);
        const QList<QLabel*> tips = page.findChildren<QLabel*>();
        QCOMPARE(tips.size(), 1);
        QCOMPARE(tips.first()->toolTip(), QString("Too fast."));
    }

    void setDestroyedFirst()
    {
        QWidget page;
        auto* spinBox = new UIWidgetFor<QSpinBox>;
        spinBox->setParent(&page);
        {
            TestSettings settings;
            settings.setValue(1, 3);
            spinBox->bindMethodCall(new TestBinding(&settings, 1));
        }
        spinBox->QSpinBox::setValue(6);
        spinBox->setValue(7);
        QFocusEvent focusOut(QEvent::FocusOut);
        QApplication::sendEvent(spinBox, &focusOut);
        QCOMPARE(spinBox->value(), 7);
    }

    void editorDestroyedFirst()
    {
        TestSettings settings;
        settings.setValue(1, 3);
        {
            UIWidgetFor<QSpinBox> spinBox;
            spinBox.bindMethodCall(new TestBinding(&settings, 1));
        }
        settings.setValue(1, 4); // must not reach the gone binding
        QCOMPARE(settings.value(1), QVariant(4));
    }
};

TALVEX_TEST(tst_UIPropertyBinding)
#include "tst_UIPropertyBinding.moc"
