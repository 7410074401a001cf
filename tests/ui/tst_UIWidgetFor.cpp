#include "KindRecorder.h"
#include "TestRegistry.h"
#include "TestSettings.h"
#include "UIComboBox.h"
#include "UIPropertyBinding.h"
#include "UIWidgetFor.h"

#include <QBuffer>
#include <QFocusEvent>
#include <QLabel>
#include <QLocale>
#include <QTest>
#include <memory>

class tst_UIWidgetFor : public QObject
{
    Q_OBJECT

    enum Editor
    {
        CheckBox,
        ComboBox,
        DoubleSpinBox,
        LineEdit,
        SpinBox
    };

    enum Action
    {
        UserEdit,      // what the user does to change the value
        UserFinish,    // what the user does to end editing
        ProgramSet,    // setValue with a value the editor can show
        ProgramNoMatch // setValue with a value no combo box item carries
    };

    static std::unique_ptr<QWidget> makeEditor(Editor editor, UIIWidget** input)
    {
        switch (editor)
        {
        case CheckBox:
        {
            auto* w = new UIWidgetFor<QCheckBox>;
            *input = w;
            return std::unique_ptr<QWidget>(w);
        }
        case ComboBox:
        {
            auto* w = new UIWidgetFor<QComboBox>;
            w->addItem("zero", 10);
            w->addItem("one", 11);
            w->addItem("two", 12);
            w->setCurrentIndex(1);
            *input = w;
            return std::unique_ptr<QWidget>(w);
        }
        case DoubleSpinBox:
        {
            auto* w = new UIWidgetFor<QDoubleSpinBox>;
            *input = w;
            return std::unique_ptr<QWidget>(w);
        }
        case LineEdit:
        {
            auto* w = new UIWidgetFor<QLineEdit>;
            *input = w;
            return std::unique_ptr<QWidget>(w);
        }
        case SpinBox:
        {
            auto* w = new UIWidgetFor<QSpinBox>;
            *input = w;
            return std::unique_ptr<QWidget>(w);
        }
        }
        return nullptr;
    }

    static void act(Editor editor, Action action, QWidget* widget, UIIWidget* input)
    {
        switch (action)
        {
        case UserEdit:
            if (editor == CheckBox)
                QTest::keyClick(widget, Qt::Key_Space);
            else if (editor == LineEdit)
                QTest::keyClicks(widget, "7");
            else
                QTest::keyClick(widget, editor == ComboBox ? Qt::Key_Down : Qt::Key_Up);
            break;
        case UserFinish:
            QTest::keyClick(widget, Qt::Key_Return);
            break;
        case ProgramSet:
            input->setValue(editor == CheckBox ? QVariant(true) : editor == ComboBox ? QVariant(12) : QVariant(7));
            break;
        case ProgramNoMatch:
            input->setValue(99);
            break;
        }
    }

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void signalKinds_data()
    {
        QTest::addColumn<int>("editor");
        QTest::addColumn<int>("action");
        QTest::addColumn<QList<int>>("expected");

        using K = UIIUserInput;
        // A user edit commits (11) and is an edit (0); a programmatic write is neither.
        QTest::newRow("check box, user") << int(CheckBox) << int(UserEdit) << QList<int>{K::UserEdited, K::EditingFinished, K::ValueChanged, K::Commit};
        QTest::newRow("check box, program") << int(CheckBox) << int(ProgramSet) << QList<int>{K::EditingFinished, K::ValueChanged, K::ValueSet};
        // Kinds 1 and 2 are one relay in a combo box.
        QTest::newRow("combo box, user") << int(ComboBox) << int(UserEdit) << QList<int>{K::UserEdited, K::EditingFinished, K::ValueChanged, K::Commit};
        QTest::newRow("combo box, program") << int(ComboBox) << int(ProgramSet) << QList<int>{K::EditingFinished, K::ValueChanged, K::ValueSet};
        QTest::newRow("combo box, no item") << int(ComboBox) << int(ProgramNoMatch) << QList<int>{K::EditingFinished, K::ValueChanged};
        QTest::newRow("double spin box, user") << int(DoubleSpinBox) << int(UserEdit) << QList<int>{K::UserEdited, K::ValueChanged, K::Commit};
        // Return makes a spin box announce its value again, as a user edit.
        QTest::newRow("double spin box, finish") << int(DoubleSpinBox) << int(UserFinish) << QList<int>{K::UserEdited, K::EditingFinished, K::ValueChanged, K::Commit};
        QTest::newRow("double spin box, program") << int(DoubleSpinBox) << int(ProgramSet) << QList<int>{K::ValueChanged, K::ValueSet};
        // A line edit commits only when editing ends.
        QTest::newRow("line edit, user") << int(LineEdit) << int(UserEdit) << QList<int>{K::UserEdited, K::ValueChanged};
        QTest::newRow("line edit, finish") << int(LineEdit) << int(UserFinish) << QList<int>{K::EditingFinished, K::Commit};
        QTest::newRow("line edit, program") << int(LineEdit) << int(ProgramSet) << QList<int>{K::ValueChanged, K::ValueSet};
        QTest::newRow("spin box, user") << int(SpinBox) << int(UserEdit) << QList<int>{K::UserEdited, K::ValueChanged, K::Commit};
        QTest::newRow("spin box, finish") << int(SpinBox) << int(UserFinish) << QList<int>{K::UserEdited, K::EditingFinished, K::ValueChanged, K::Commit};
        QTest::newRow("spin box, program") << int(SpinBox) << int(ProgramSet) << QList<int>{K::ValueChanged, K::ValueSet};
    }

    void signalKinds()
    {
        QFETCH(int, editor);
        QFETCH(int, action);
        QFETCH(QList<int>, expected);

        UIIWidget* input = nullptr;
        std::unique_ptr<QWidget> widget = makeEditor(Editor(editor), &input);
        KindRecorder recorder;
        recorder.watch(input);

        act(Editor(editor), Action(action), widget.get(), input);
        QCOMPARE(recorder.sorted(), expected);
    }

    // A programmatic write must not commit: a bound property hears of it once, through the
    // write-back, and not through the commit relay.
    void programmaticWriteDoesNotCommit_data()
    {
        QTest::addColumn<int>("editor");
        QTest::newRow("check box") << int(CheckBox);
        QTest::newRow("combo box") << int(ComboBox);
        QTest::newRow("double spin box") << int(DoubleSpinBox);
        QTest::newRow("line edit") << int(LineEdit);
        QTest::newRow("spin box") << int(SpinBox);
    }

    void programmaticWriteDoesNotCommit()
    {
        QFETCH(int, editor);

        UIIWidget* input = nullptr;
        std::unique_ptr<QWidget> widget = makeEditor(Editor(editor), &input);
        TestSettings settings;
        const int id = 5;
        settings.setValue(id, input->getValue());
        input->bindMethodCall(new UIPropertyBinding<TestSettingsTraits>(&settings, id));

        TestChangeCounter counter(&settings);

        act(Editor(editor), ProgramSet, widget.get(), input);
        QCOMPARE(counter.m_changes, 1);
        QCOMPARE(settings.value(id), input->getValue());
    }

    void values_data()
    {
        QTest::addColumn<int>("editor");
        QTest::addColumn<QVariant>("given");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");

        QTest::newRow("check box ticked") << int(CheckBox) << QVariant(true) << QVariant(true) << "On";
        QTest::newRow("check box clear") << int(CheckBox) << QVariant(false) << QVariant(false) << "Off";
        QTest::newRow("combo box by data") << int(ComboBox) << QVariant(12) << QVariant(12) << "two";
        QTest::newRow("combo box, equal double") << int(ComboBox) << QVariant(10.0) << QVariant(10) << "zero";
        QTest::newRow("combo box, no item shows the first") << int(ComboBox) << QVariant(13) << QVariant(10) << "zero";
        QTest::newRow("double spin box") << int(DoubleSpinBox) << QVariant(2.5) << QVariant(2.5) << "2.5";
        QTest::newRow("double spin box from text") << int(DoubleSpinBox) << QVariant("12.25") << QVariant(12.25) << "12.25";
        QTest::newRow("spin box") << int(SpinBox) << QVariant(42) << QVariant(42) << "42";
        QTest::newRow("spin box truncates") << int(SpinBox) << QVariant(2.9) << QVariant(2) << "2";
        QTest::newRow("line edit text") << int(LineEdit) << QVariant("abc") << QVariant("abc") << "abc";
        QTest::newRow("line edit double") << int(LineEdit) << QVariant(1.0 / 3.0) << QVariant(0.333333) << "0.333333";
        QTest::newRow("line edit int") << int(LineEdit) << QVariant(1234567) << QVariant(1234567) << "1234567";
        QTest::newRow("line edit numeric text stays text") << int(LineEdit) << QVariant("12") << QVariant("12") << "12";
    }

    void values()
    {
        QFETCH(int, editor);
        QFETCH(QVariant, given);
        QFETCH(QVariant, value);
        QFETCH(QString, text);

        UIIWidget* input = nullptr;
        std::unique_ptr<QWidget> widget = makeEditor(Editor(editor), &input);
        input->setValue(given);
        QCOMPARE(input->getValue(), value);
        QCOMPARE(input->getValue().userType(), value.userType());
        QCOMPARE(input->text(), text);
    }

    void spinBoxReadsGroupSpace()
    {
        UIWidgetFor<QSpinBox> spinBox;
        spinBox.setRange(0, 5000);
        spinBox.setValue(QVariant("1 000"));
        QCOMPARE(spinBox.value(), 1000);
    }

    void partialCheckIsOff()
    {
        UIWidgetFor<QCheckBox> checkBox;
        checkBox.setTristate(true);
        checkBox.setCheckState(Qt::PartiallyChecked);
        QCOMPARE(checkBox.getValue(), QVariant(false));
        QCOMPARE(checkBox.text(), QString("Off"));
    }

    void comboBoxRelayIsShared()
    {
        UIWidgetFor<QComboBox> comboBox;
        comboBox.addItem("a", 0);
        comboBox.addItem("b", 1);
        KindRecorder recorder;
        comboBox.connectSignal(&recorder, SLOT(onValueChanged()), UIIUserInput::ValueChanged);
        comboBox.connectSignal(&recorder, SLOT(onValueChanged()), UIIUserInput::EditingFinished);
        comboBox.setCurrentIndex(1);
        QCOMPARE(recorder.count(UIIUserInput::ValueChanged), 2);
    }

    // The editor reads the number in the user's locale; the document keeps a number, so a file
    // written under one locale reads back under another.
    void lineEditKeepsNumbers()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        TestSettings settings;
        settings.setValue(1, 1.5);
        settings.setValue(2, 7);
        UIWidgetFor<QLineEdit> factor;
        UIWidgetFor<QLineEdit> count;
        factor.bindMethodCall(new UIPropertyBinding<TestSettingsTraits>(&settings, 1));
        count.bindMethodCall(new UIPropertyBinding<TestSettingsTraits>(&settings, 2));
        QCOMPARE(factor.text(), QString("1,5"));

        factor.selectAll();
        QTest::keyClicks(&factor, "2,25");
        QTest::keyClick(&factor, Qt::Key_Return);
        count.selectAll();
        QTest::keyClicks(&count, "12");
        QTest::keyClick(&count, Qt::Key_Return);
        QCOMPARE(settings.value(1).userType(), int(QMetaType::Double));
        QCOMPARE(settings.value(1).toDouble(), 2.25);
        QCOMPARE(settings.value(2).userType(), int(QMetaType::Int));
        QCOMPARE(settings.value(2).toInt(), 12);

        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        QDataStream out(&buffer);
        out << settings;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        buffer.seek(0);
        QDataStream in(&buffer);
        TestSettings loaded;
        in >> loaded;
        UIWidgetFor<QLineEdit> shown;
        shown.bindMethodCall(new UIPropertyBinding<TestSettingsTraits>(&loaded, 1));
        QCOMPARE(shown.text(), QString("2.25"));
        QCOMPARE(loaded.value(1).toDouble(), 2.25);
    }

    // Text that does not read as a number is handed on as it is, for a validator to refuse.
    void lineEditUnreadableNumber()
    {
        UIWidgetFor<QLineEdit> lineEdit;
        lineEdit.setValue(3.0);
        lineEdit.setText("abc");
        QCOMPARE(lineEdit.getValue(), QVariant("abc"));
    }

    void focusLossChecksBeforeListeners()
    {
        QWidget page;
        auto* spinBox = new UIWidgetFor<QSpinBox>;
        spinBox->setParent(&page);
        QStringList log;
        TestSettings settings;
        settings.m_pLog = &log;
        spinBox->bindMethodCall(new UIPropertyBinding<TestSettingsTraits>(&settings, 1));
        KindRecorder recorder;
        recorder.m_pLog = &log;
        spinBox->connectSignal(&recorder, SLOT(onFocusLost()), UIIUserInput::FocusLost);

        log.clear();
        QFocusEvent focusOut(QEvent::FocusOut);
        QApplication::sendEvent(spinBox, &focusOut);
        QCOMPARE(log, (QStringList{"check", "kind 3"}));
    }

    void companionFollowsEnabling_data()
    {
        QTest::addColumn<QString>("through");
        QTest::newRow("the wrapper") << "wrapper";
        QTest::newRow("a QWidget pointer") << "widget";
        QTest::newRow("the user-input interface") << "input";
    }

    // However the wrapper is enabled or disabled, its companion is kept in step.
    void companionFollowsEnabling()
    {
        QFETCH(QString, through);
        QLabel label;
        UIWidgetFor<QSpinBox> spinBox;
        spinBox.setCompanionWidget(&label);
        const auto setEnabled = [&](bool enabled) {
            if (through == "widget")
                static_cast<QWidget*>(&spinBox)->setEnabled(enabled);
            else if (through == "input")
                static_cast<UIIUserInput*>(&spinBox)->setEnabled(enabled);
            else
                spinBox.setEnabled(enabled);
        };
        setEnabled(false);
        QVERIFY(!label.isEnabled());
        QVERIFY(!spinBox.isEnabled());
        setEnabled(true);
        QVERIFY(label.isEnabled());
        QVERIFY(spinBox.isEnabled());
    }

    void forwardedEditingFinished()
    {
        UIWidgetFor<QSpinBox> target;
        UIWidgetFor<QCheckBox> source;
        target.forwardSignalFrom(&source);
        KindRecorder recorder;
        recorder.watch(&target);
        source.setChecked(true);
        QCOMPARE(recorder.sorted(), QList<int>{UIIUserInput::EditingFinished});
    }

    void comboBoxHelpers()
    {
        QComboBox comboBox;
        comboBox.addItem("one", 1);
        UIComboBox::addItemIfMissing(&comboBox, "one again", 1);
        QCOMPARE(comboBox.count(), 1);
        UIComboBox::addItemIfMissing(&comboBox, "zero", 0);
        QCOMPARE(comboBox.count(), 2);
        QCOMPARE(comboBox.itemText(0), QString("zero"));
        UIComboBox::removeItemByData(&comboBox, 1);
        UIComboBox::removeItemByData(&comboBox, 7);
        QCOMPARE(comboBox.count(), 1);
        QCOMPARE(comboBox.itemData(0), QVariant(0));
    }
};

TALVEX_TEST(tst_UIWidgetFor)
#include "tst_UIWidgetFor.moc"
