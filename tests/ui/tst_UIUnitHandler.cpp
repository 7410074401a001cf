#include "TestRegistry.h"
#include "TestSettings.h"
#include "UIEnumConverter.h"
#include "UIPropertyBinding.h"
#include "UIUnitHandler.h"
#include "UIUserInputMultiply.h"
#include "UIValueScaleProcessor.h"
#include "UIWidgetFor.h"

#include <QFocusEvent>
#include <QTest>
#include <QValidator>
#include <cmath>

namespace
{
// The velocity row of the motion settings: full steps per second as base unit.
struct VelocityRow
{
    VelocityRow()
    {
        stepSize.setValue(1.8);
        units.addItem("Full-steps/s", 0);
        units.addItem("Degrees/s", 2);
        units.addItem("Revolutions/s", 3);
        units.addItem("RPM", 4);
        handler = new UIUnitHandler(&units, &value);
        handler->setBaseUnit(0);
        handler->addConversion(2, new UIValueScaleProcessor(1.0, &stepSize, nullptr));
        handler->addConversion(3, new UIValueScaleProcessor(1.0 / 360.0, &stepSize, nullptr));
        handler->addConversion(4, new UIValueScaleProcessor(1.0 / 6.0, &stepSize, nullptr));
        handler->connectValueChanged(&stepSize);
    }

    void selectUnit(int unit) { units.setCurrentIndex(units.findData(unit)); }

    UIWidgetFor<QLineEdit> stepSize;
    UIWidgetFor<QComboBox> units;
    UIWidgetFor<QLineEdit> value;
    UIUnitHandler* handler;
};
}

// Puts a text above 1000 back to 1000 when editing ends, as a double validator's fixup does.
class AtMost1000 : public QValidator
{
    Q_OBJECT

public:
    State validate(QString& input, int&) const override
    {
        bool ok = false;
        const double value = input.toDouble(&ok);
        if (!ok)
            return input.isEmpty() ? Intermediate : Invalid;
        return value <= 1000.0 ? Acceptable : Intermediate;
    }

    void fixup(QString& input) const override { input = "1000"; }
};

class tst_UIUnitHandler : public QObject
{
    Q_OBJECT

private slots:
    void velocityUnits_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("shown");
        QTest::newRow("full steps") << 0 << "200";
        QTest::newRow("degrees") << 2 << "360";
        QTest::newRow("revolutions") << 3 << "1";
        QTest::newRow("rpm") << 4 << "60";
    }

    // Switching the unit changes the number shown and keeps the value.
    void velocityUnits()
    {
        QFETCH(int, unit);
        QFETCH(QString, shown);

        VelocityRow row;
        row.handler->setValue(200.0);
        row.selectUnit(unit);
        QCOMPARE(row.value.text(), shown);
        QCOMPARE(row.handler->getValue().toDouble(), 200.0);
        QCOMPARE(row.handler->convertValue(400.0).toDouble(), 2 * shown.toDouble());
    }

    void setValueInUnitShown()
    {
        VelocityRow row;
        row.selectUnit(3);
        row.handler->setValue(400.0);
        QCOMPARE(row.value.text(), QString("2"));
        QCOMPARE(row.handler->getValue().toDouble(), 400.0);
    }

    // A processor's input changing converts again: the value stays, the number shown follows.
    void changeOfStepSize()
    {
        VelocityRow row;
        row.handler->setValue(200.0);
        row.stepSize.setValue(0.9);
        row.selectUnit(2);
        QCOMPARE(row.value.text(), QString("180"));
    }

    // The property is written on a user edit of the number, never on a change of unit.
    void bindingCommitsEditsOnly()
    {
        TestSettings settings;
        settings.setValue(1, 200.0);
        VelocityRow row;
        row.handler->bindMethodCall(new UIPropertyBinding<TestSettingsTraits>(&settings, 1));
        QCOMPARE(row.value.text(), QString("200"));

        TestChangeCounter counter(&settings);
        row.selectUnit(2);
        QCOMPARE(counter.m_changes, 0);

        row.value.selectAll();
        QTest::keyClicks(&row.value, "720");
        QCOMPARE(settings.value(1).toDouble(), 400.0);
    }

    // What the value editor shows when editing ends is what the property holds, also when the
    // editor's validator fixed the typed text up; an untouched number is not committed again.
    void fixedUpTextIsCommitted_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("changes");
        // Every keystroke commits; the fixup once more.
        QTest::newRow("too high in full steps") << 0 << "5000" << "1000" << 1000.0 << 5;
        QTest::newRow("too high in degrees") << 2 << "5000" << "1000" << 1000.0 / 1.8 << 5;
        QTest::newRow("in range") << 2 << "720" << "720" << 400.0 << 3;
        QTest::newRow("untouched") << 4 << "" << "60" << 200.0 << 0;
    }

    void fixedUpTextIsCommitted()
    {
        QFETCH(int, unit);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(double, value);
        QFETCH(int, changes);

        QWidget page;
        VelocityRow row;
        row.value.setParent(&page);
        row.value.setValidator(new AtMost1000);
        TestSettings settings;
        settings.setValue(1, 200.0);
        row.handler->bindMethodCall(new UIPropertyBinding<TestSettingsTraits>(&settings, 1));
        row.selectUnit(unit);
        TestChangeCounter counter(&settings);

        if (!typed.isEmpty())
        {
            row.value.selectAll();
            QTest::keyClicks(&row.value, typed);
        }
        QTest::keyClick(&row.value, Qt::Key_Return);
        QFocusEvent focusOut(QEvent::FocusOut);
        QApplication::sendEvent(&row.value, &focusOut);
        QCOMPARE(row.value.text(), shown);
        QCOMPARE(settings.value(1).toDouble(), value);
        QCOMPARE(counter.m_changes, changes);
    }

    void stepCountUnits_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("shown");
        QTest::newRow("micro-steps") << 1 << "400";
        QTest::newRow("full steps") << 0 << "200";
        QTest::newRow("revolutions") << 2 << "1";
        QTest::newRow("mm") << 3 << "5";
    }

    // The step count of the move settings: half steps (factor 2), 1.8 degrees a step, 5 mm a
    // revolution; micro-steps are the base unit.
    void stepCountUnits()
    {
        QFETCH(int, unit);
        QFETCH(QString, shown);

        UIWidgetFor<QLineEdit> stepSize;
        stepSize.setValue(1.8);
        UIWidgetFor<QLineEdit> pitch;
        pitch.setValue(5.0);
        UIWidgetFor<QComboBox> microStepping;
        for (int setting = 0; setting < 4; ++setting)
            microStepping.addItem(QString::number(setting), setting);
        UIEnumConverter factor(&microStepping);
        for (int setting = 0; setting < 4; ++setting)
            factor.addConversion(setting, std::pow(2.0, setting));
        microStepping.setValue(1);
        UIUserInputMultiply perRevolution(&stepSize, &pitch);

        UIWidgetFor<QComboBox> units;
        units.addItem("Full-steps", 0);
        units.addItem("Micro-steps", 1);
        units.addItem("Revolutions", 2);
        units.addItem("mm", 3);
        units.setValue(1);
        UIWidgetFor<QLineEdit> count;
        UIUnitHandler* handler = new UIUnitHandler(&units, &count);
        handler->setBaseUnit(1);
        handler->addConversion(0, new UIValueScaleProcessor(1.0, nullptr, &factor));
        handler->addConversion(2, new UIValueScaleProcessor(1.0 / 360.0, &stepSize, &factor));
        handler->addConversion(3, new UIValueScaleProcessor(1.0 / 360.0, &perRevolution, &factor));

        handler->setValue(400.0);
        units.setValue(unit);
        QCOMPARE(count.text(), shown);
        QCOMPARE(perRevolution.text(), QString("1.8 * 5"));
        QCOMPARE(perRevolution.getValue().toDouble(), 9.0);
    }

    void setBaseUnitReplaces()
    {
        VelocityRow row;
        row.handler->setBaseUnit(0);
        row.handler->setValue(12.5);
        QCOMPARE(row.value.text(), QString("12.5"));
    }

    // Enabling reaches both editors.
    void enabling()
    {
        VelocityRow row;
        row.handler->setEnabled(false);
        QVERIFY(!row.units.isEnabled());
        QVERIFY(!row.value.isEnabled());
        QVERIFY(!row.handler->isEnabled());
    }

    void scaleProcessor_data()
    {
        QTest::addColumn<QVariant>("multiplier");
        QTest::addColumn<QVariant>("divisor");
        QTest::addColumn<double>("forward");
        QTest::addColumn<double>("backward");
        // value 10, scale 2
        QTest::newRow("plain") << QVariant(3.0) << QVariant(4.0) << 15.0 << (4.0 * 10.0) / (2.0 * 3.0);
        QTest::newRow("unreadable divisor") << QVariant(3.0) << QVariant("x") << qInf() << 10.0 / (2.0 * 3.0);
        QTest::newRow("unreadable multiplier") << QVariant("x") << QVariant(4.0) << 0.0 << qInf();
    }

    void scaleProcessor()
    {
        QFETCH(QVariant, multiplier);
        QFETCH(QVariant, divisor);
        QFETCH(double, forward);
        QFETCH(double, backward);

        UIWidgetFor<QLineEdit> multiplierInput;
        multiplierInput.setValue(multiplier);
        UIWidgetFor<QLineEdit> divisorInput;
        divisorInput.setValue(divisor);
        const UIValueScaleProcessor processor(2.0, &multiplierInput, &divisorInput);
        QCOMPARE(processor.forward(10.0).toDouble(), forward);
        QCOMPARE(processor.backward(10.0).toDouble(), backward);

        const UIValueScaleProcessor alone(4.0, nullptr, nullptr);
        QCOMPARE(alone.forward(10.0).toDouble(), 40.0);
        QCOMPARE(alone.backward(10.0).toDouble(), 2.5);
    }
};

TALVEX_TEST(tst_UIUnitHandler)
#include "tst_UIUnitHandler.moc"
