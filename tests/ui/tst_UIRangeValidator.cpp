#include "TestRegistry.h"
#include "TestSettings.h"
#include "UIPropertyBinding.h"
#include "UIRangeValidator.h"
#include "UIWidgetFor.h"

#include <QLabel>
#include <QTest>
#include <boost/make_shared.hpp>

// The step-count range of the move settings: plain 1 to 1e9, in absolute mode (2) -1e9 to
// 1e9, in continuous mode (0) no range.
class tst_UIRangeValidator : public QObject
{
    Q_OBJECT

    struct StepCount
    {
        StepCount()
        {
            for (int mode = 0; mode < 4; ++mode)
                moveMode.addItem(QString::number(mode), mode);
            validator.setMinimum(1, "The minimum number of steps is 1.");
            validator.setMaximum(1000000000, "The maximum number of steps is 1e9.");
            validator.addConditionalMinimum(-1000000000, "The maximum absolute negative position is -1e9 steps.", &moveMode, 2);
            validator.addConditionalMaximum(1000000000, "The maximum absolute positive position is 1e9 steps.", &moveMode, 2);
            validator.addException(&moveMode, 0);
        }

        UIWidgetFor<QComboBox> moveMode;
        UIRangeValidator validator;
    };

private slots:
    void validate_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QVariant>("corrected");
        QTest::addColumn<QString>("message");

        QTest::newRow("relative 0") << 1 << QVariant(0) << false << QVariant(1.0) << "The minimum number of steps is 1.";
        QTest::newRow("relative at minimum") << 1 << QVariant(1) << true << QVariant() << "";
        QTest::newRow("relative at maximum") << 1 << QVariant(1e9) << true << QVariant() << "";
        QTest::newRow("relative above") << 1 << QVariant(2e9) << false << QVariant(1e9) << "The maximum number of steps is 1e9.";
        QTest::newRow("absolute -5") << 2 << QVariant(-5) << true << QVariant() << "";
        QTest::newRow("absolute below") << 2 << QVariant(-2e9) << false << QVariant(-1e9) << "The maximum absolute negative position is -1e9 steps.";
        QTest::newRow("continuous anything") << 0 << QVariant(-2e9) << true << QVariant() << "";
        QTest::newRow("not a number is 0") << 1 << QVariant("abc") << false << QVariant(1.0) << "The minimum number of steps is 1.";
        QTest::newRow("nan passes") << 1 << QVariant(qQNaN()) << true << QVariant() << "";
    }

    void validate()
    {
        QFETCH(int, mode);
        QFETCH(QVariant, value);
        QFETCH(bool, valid);
        QFETCH(QVariant, corrected);
        QFETCH(QString, message);

        StepCount stepCount;
        stepCount.moveMode.setValue(mode);
        const UIValidationResult result = stepCount.validator.validate(value);
        QCOMPARE(result.valid, valid);
        QCOMPARE(result.corrected, corrected);
        QCOMPARE(result.message, message);
    }

    void orderOfRules()
    {
        UIWidgetFor<QSpinBox> mode;
        mode.setValue(2);
        UIRangeValidator validator;
        validator.setMinimum(0, "min");
        validator.setMaximum(10, "max");
        validator.addConditionalMaximum(20, "first", &mode, 2);
        validator.addConditionalMaximum(30, "second", &mode, 2);
        validator.addConditionalMaximum(40, "other mode", &mode, 3);
        QCOMPARE(validator.validate(35).message, QString("second"));
        QCOMPARE(validator.validate(25).valid, true);

        // The minimum is tested first.
        validator.setMinimum(50, "min first");
        QCOMPARE(validator.validate(35).message, QString("min first"));

        // A message may name the refused value.
        validator.setMinimum(0, "%1 is below 0.");
        QCOMPARE(validator.validate(-2.5).message, QString("-2.5 is below 0."));
    }

    void unsetLimitsAcceptOnlyZero()
    {
        const UIRangeValidator validator;
        QVERIFY(validator.validate(0).valid);
        QVERIFY(!validator.validate(0.5).valid);
        QVERIFY(!validator.validate(-0.5).valid);
    }

    // Editing finished: a refused value is corrected in the editor, in the bound property and
    // explained by an error tip.
    void widgetCorrectsAndTells()
    {
        QWidget page;
        auto* count = new UIWidgetFor<QLineEdit>;
        count->setParent(&page);
        TestSettings settings;
        settings.setValue(1, 10.0);
        count->bindMethodCall(new UIPropertyBinding<TestSettingsTraits>(&settings, 1));
        auto validator = boost::make_shared<UIRangeValidator>();
        validator->setMinimum(1, "The minimum number of steps is 1.");
        validator->setMaximum(100, "The maximum number of steps is 100.");
        count->addValidator(validator);

        count->selectAll();
        QTest::keyClicks(count, "0");
        QTest::keyClick(count, Qt::Key_Return);
        QCOMPARE(count->text(), QString("1"));
        QCOMPARE(settings.value(1), QVariant(1.0));
        QList<QLabel*> tips = page.findChildren<QLabel*>();
        QCOMPARE(tips.size(), 1);
        QCOMPARE(tips.first()->toolTip(), QString("The minimum number of steps is 1."));

        // A valid value shows nothing more.
        count->selectAll();
        QTest::keyClicks(count, "50");
        QTest::keyClick(count, Qt::Key_Return);
        QCOMPARE(settings.value(1), QVariant(50.0));
        QCOMPARE(page.findChildren<QLabel*>().size(), 1);
    }

    // A change of another input ends "editing" of this one and tests its range again.
    void forwardedCheck()
    {
        QWidget page;
        auto* mode = new UIWidgetFor<QComboBox>;
        mode->addItem("Continuous", 0);
        mode->addItem("Relative", 1);
        mode->setParent(&page);
        auto* count = new UIWidgetFor<QLineEdit>;
        count->setParent(&page);
        count->setValue(-5.0);
        auto validator = boost::make_shared<UIRangeValidator>();
        validator->setMinimum(1, "The minimum number of steps is 1.");
        validator->setMaximum(100, "max");
        validator->addException(mode, 0);
        count->addValidator(validator);
        count->forwardSignalFrom(mode);

        mode->setCurrentIndex(1);
        QCOMPARE(count->getValue(), QVariant(1.0));
    }
};

TALVEX_TEST(tst_UIRangeValidator)
#include "tst_UIRangeValidator.moc"
