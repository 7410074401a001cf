#include "TestRegistry.h"

#include "AppTestSupport.h"
#include "DriverTestSupport.h"
#include "TalvexMotionWidgetFactory.h"
#include "UIUnitHandler.h"
#include "UIUserInputRegister.h"
#include "UIWidgetFor.h"
#include "ValueConversions.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <cmath>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverMotorConfiguration Motor;
typedef TalvexDriverMotionConfiguration Motion;

// The three groups of one model over configurations of their own, on a page.
struct MotionGroups
{
    MotionGroups(const D& model, const USBVersion& firmware, bool commitButtons = true)
        : m_factory(model, firmware)
    {
        m_factory.setOption(TalvexMotionWidgetFactory::CommitButtons, commitButtons);
        m_factory.setMotorConfiguration(&m_motor);
        m_factory.setMotionConfiguration(&m_motion);
        m_motor.setValue(Motor::Pitch, 5.0);
        QVBoxLayout* layout = new QVBoxLayout(&m_page);
        m_pMotorGroup = m_factory.createMotorParametersGroup(&m_inputs);
        layout->addWidget(m_pMotorGroup);
        m_pMotionGroup = m_factory.createMotionSettingsGroup(&m_inputs);
        layout->addWidget(m_pMotionGroup);
        layout->addWidget(m_factory.createMoveSettingsGroup(&m_inputs));
    }

    template <class W>
    W* widget(const QString& key) const
    {
        return dynamic_cast<W*>(m_inputs.get(key)->object());
    }

    // The unit combo box that a unit handler switches.
    QComboBox* unitOf(const QString& handlerKey) const
    {
        return qobject_cast<QComboBox*>(dynamic_cast<UIUnitHandler*>(m_inputs.get(handlerKey))->parent());
    }

    Motor m_motor;
    Motion m_motion;
    UIUserInputRegister m_inputs;
    TalvexMotionWidgetFactory m_factory;
    QWidget m_page;
    QGroupBox* m_pMotorGroup;
    QGroupBox* m_pMotionGroup;
};

void typeInto(QLineEdit* edit, const QString& text)
{
    edit->clear();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}
}

class tst_TalvexMotionWidgetFactory : public QObject
{
    Q_OBJECT

private slots:
    void perModel_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<QString>("finestMicroStep");
        QTest::addColumn<int>("microStepItems");
        QTest::addColumn<bool>("features");
        QTest::addColumn<int>("maximumCurrent");
        QTest::addColumn<bool>("lowInductance");
        QTest::newRow("(1,1)") << D::s_model1_1 << USBVersion(2, 0) << "Micro-step 1/16" << 5 << false << 8000 << false;
        QTest::newRow("(10,1)") << D::s_model10_1 << USBVersion(1, 1) << "Micro-step 1/8" << 4 << true << 500 << true;
        QTest::newRow("(27,1)") << D::s_model27_1 << USBVersion(1, 0) << "Micro-step 1/128" << 8 << true << 2000 << false;
        QTest::newRow("(1,2) 2.0") << D::s_model1_2 << USBVersion(2, 0) << "Micro-step 1/16" << 5 << true << 8000 << false;
        QTest::newRow("(1,2) 2.1") << D::s_model1_2 << USBVersion(2, 1) << "Micro-step 1/16" << 5 << true << 8000 << true;
    }

    // What the groups offer follows the model and its firmware.
    void perModel()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(QString, finestMicroStep);
        QFETCH(int, microStepItems);
        QFETCH(bool, features);
        QFETCH(int, maximumCurrent);
        QFETCH(bool, lowInductance);
        MotionGroups groups(model, firmware);

        QComboBox* microStepping = groups.widget<QComboBox>("MicroStepping");
        QCOMPARE(microStepping->count(), microStepItems);
        QCOMPARE(microStepping->itemText(0), QString("Full-step"));
        QCOMPARE(microStepping->itemText(microStepItems - 1), finestMicroStep);
        QCOMPARE(microStepping->itemData(microStepItems - 1).toInt(), microStepItems - 1);

        // The backward velocity rows sit between the velocity and the acceleration rows.
        QCOMPARE(groups.m_inputs.contains("BackwardVelocity"), features);
        QCOMPARE(groups.m_inputs.contains("BaseUnitBackwardVelocity"), features);
        QGridLayout* grid = qobject_cast<QGridLayout*>(groups.m_pMotionGroup->layout());
        int velocityRow, methodRow, span;
        grid->getItemPosition(grid->indexOf(groups.widget<QWidget>("Velocity")), &velocityRow, &span, &span, &span);
        grid->getItemPosition(grid->indexOf(groups.widget<QWidget>("AccelerationMethod")), &methodRow, &span, &span, &span);
        QCOMPARE(methodRow - velocityRow, features ? 3 : 1);

        const QStringList modes = itemTexts(groups.widget<QComboBox>("MoveMode"));
        QCOMPARE(modes.contains("Back and forth"), features);
        QCOMPARE(modes.first(), QString("Continuous"));

        QSpinBox* current = groups.widget<QSpinBox>("MotorCurrent");
        QCOMPARE(current->minimum(), 50);
        QCOMPARE(current->maximum(), maximumCurrent);
        QCOMPARE(current->toolTip(), QString("Maximum motor current.\nRange: 50 - %1 mA").arg(maximumCurrent));

        QCheckBox* inductance = groups.widget<QCheckBox>("LowInductance");
        QCOMPARE(inductance->isEnabled(), lowInductance);
        QCOMPARE(inductance->toolTip().contains("Unfortunately, this feature is not supported."), !lowInductance);

        for (const char* key : {"StepDegrees", "DriveType", "Pitch", "ReducedHoldCurrent", "MicroSteppingFactor",
                 "BaseUnitVelocity", "Acceleration", "AccelerationUnit", "BaseUnitAcceleration", "StepCount",
                 "BaseUnitStepCount"})
            QVERIFY2(groups.m_inputs.contains(key), key);
    }

    void unitConversions_data()
    {
        QTest::addColumn<QString>("handler");
        QTest::addColumn<double>("base");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("shown");
        // Step 1.8 degrees, half-stepping, pitch 5 mm.
        QTest::newRow("full steps/s") << "BaseUnitVelocity" << 200.0 << 0 << "200";
        QTest::newRow("radial velocity") << "BaseUnitVelocity" << 200.0 << 1 << "6.28319";
        QTest::newRow("degrees/s") << "BaseUnitVelocity" << 200.0 << 2 << "360";
        QTest::newRow("revolutions/s") << "BaseUnitVelocity" << 200.0 << 3 << "1";
        QTest::newRow("RPM") << "BaseUnitVelocity" << 200.0 << 4 << "60";
        QTest::newRow("RPM/s") << "BaseUnitAcceleration" << 200.0 << 4 << "60";
        QTest::newRow("full steps") << "BaseUnitStepCount" << 400.0 << 0 << "200";
        QTest::newRow("micro-steps") << "BaseUnitStepCount" << 400.0 << 1 << "400";
        QTest::newRow("revolutions") << "BaseUnitStepCount" << 400.0 << 2 << "1";
        QTest::newRow("mm") << "BaseUnitStepCount" << 400.0 << 3 << "5";
    }

    void unitConversions()
    {
        QFETCH(QString, handler);
        QFETCH(double, base);
        QFETCH(int, unit);
        QFETCH(QString, shown);
        MotionGroups groups(D::s_model1_2, USBVersion(2, 1));
        groups.m_motion.setValue(Motion::MicroStepping, 1);
        groups.m_inputs.get(handler)->setValue(base);
        groups.unitOf(handler)->setCurrentIndex(unit);
        QCOMPARE(groups.m_inputs.get(handler)->text(), shown);
        // Read back from the six digits shown.
        QVERIFY(qAbs(variantToDouble(groups.m_inputs.get(handler)->getValue()) - base) < base * 1e-5);
    }

    // A step size or pitch of 0 (from a file, say) makes the conversions 0, never a division by zero.
    void zeroFactorsNeverDivide()
    {
        MotionGroups groups(D::s_model1_2, USBVersion(2, 1));
        groups.m_motor.setValue(Motor::StepDegrees, 0.0);
        groups.m_motor.setValue(Motor::Pitch, 0.0);
        groups.unitOf("BaseUnitVelocity")->setCurrentIndex(2);
        typeInto(groups.widget<QLineEdit>("Velocity"), "90");
        const double velocity = variantToDouble(groups.m_motion.value(Motion::Velocity));
        QVERIFY(std::isfinite(velocity));
        QCOMPARE(velocity, 0.0);

        groups.unitOf("BaseUnitStepCount")->setCurrentIndex(3);
        typeInto(groups.widget<QLineEdit>("StepCount"), "5");
        QVERIFY(std::isfinite(variantToDouble(groups.m_inputs.get("BaseUnitStepCount")->getValue())));
    }

    void moveValidation_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("kept");
        QTest::newRow("relative zero") << 1 << "0" << "The minimum number of steps is 1." << "1";
        QTest::newRow("relative too far") << 1 << "2000000000" << "The maximum number of steps is 1e9." << "1e+09";
        QTest::newRow("relative") << 1 << "250" << "" << "250";
        QTest::newRow("absolute negative") << 2 << "-5" << "" << "-5";
        QTest::newRow("absolute too low") << 2 << "-2000000000"
                                          << "The maximum absolute negative position is -1e9 steps." << "-1e+09";
        QTest::newRow("absolute too high") << 2 << "2000000000"
                                           << "The maximum absolute positive position is 1e9 steps." << "1e+09";
        QTest::newRow("back and forth zero") << 3 << "0" << "The minimum number of steps is 1." << "1";
    }

    // The step count is checked in micro-steps, with the range of the move mode.
    void moveValidation()
    {
        QFETCH(int, mode);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        QFETCH(QString, kept);
        MotionGroups groups(D::s_model27_1, USBVersion(1, 0));
        groups.m_inputs.get("MoveMode")->setValue(mode);
        groups.unitOf("BaseUnitStepCount")->setCurrentIndex(1);
        QLineEdit* stepCount = groups.widget<QLineEdit>("StepCount");
        QCOMPARE(stepCount->isEnabled(), mode != 0);
        typeInto(stepCount, typed);
        QCOMPARE(tipOf(stepCount), message);
        QCOMPARE(stepCount->text(), kept);
    }

    // A change of mode tests the step count again.
    void modeChangeRevalidates()
    {
        MotionGroups groups(D::s_model1_2, USBVersion(2, 1));
        groups.m_inputs.get("MoveMode")->setValue(2);
        groups.unitOf("BaseUnitStepCount")->setCurrentIndex(1);
        QLineEdit* stepCount = groups.widget<QLineEdit>("StepCount");
        typeInto(stepCount, "-5");
        QVERIFY(tipOf(stepCount).isEmpty());
        // Continuous moves take no count: nothing to correct.
        groups.m_inputs.get("MoveMode")->setValue(0);
        QVERIFY(tipOf(stepCount).isEmpty());
        QCOMPARE(stepCount->text(), QString("-5"));
        groups.m_inputs.get("MoveMode")->setValue(1);
        QCOMPARE(tipOf(stepCount), QString("The minimum number of steps is 1."));
        QCOMPARE(stepCount->text(), QString("1"));
    }

    void enablingRules()
    {
        MotionGroups groups(D::s_model1_2, USBVersion(2, 1));
        QLineEdit* pitch = groups.widget<QLineEdit>("Pitch");
        QVERIFY(!pitch->isEnabled());
        groups.m_motor.setValue(Motor::DriveType, 1);
        QVERIFY(pitch->isEnabled());

        QLineEdit* backward = groups.widget<QLineEdit>("BackwardVelocity");
        QVERIFY(!backward->isEnabled());
        groups.m_motion.setValue(Motion::SeparateBackwardVelocity, true);
        QVERIFY(backward->isEnabled());
        QVERIFY(groups.unitOf("BaseUnitBackwardVelocity")->isEnabled());

        groups.m_motion.setValue(Motion::AccelerationMethod, 0);
        QVERIFY(!groups.widget<QLineEdit>("Acceleration")->isEnabled());
        QVERIFY(!groups.widget<QComboBox>("AccelerationUnit")->isEnabled());
    }

    // A user's change enables the group's commit button; one by the program does not, and the
    // reduced-hold check box never does (the tab sends it at once).
    void commitButtons()
    {
        MotionGroups groups(D::s_model1_2, USBVersion(2, 1));
        QPushButton* motorCommit = groups.m_factory.motorCommitButton();
        QPushButton* motionCommit = groups.m_factory.motionCommitButton();
        QVERIFY(!motorCommit->isEnabled());
        QVERIFY(!motionCommit->isEnabled());
        groups.m_motor.setValue(Motor::MotorCurrent, 900);
        groups.widget<QCheckBox>("ReducedHoldCurrent")->click();
        QVERIFY(!motorCommit->isEnabled());
        groups.widget<QSpinBox>("MotorCurrent")->setValue(1200);
        QVERIFY(motorCommit->isEnabled());
        QVERIFY(!motionCommit->isEnabled());
        typeInto(groups.widget<QLineEdit>("Velocity"), "300");
        QVERIFY(motionCommit->isEnabled());
    }

    void withoutCommitButtons()
    {
        MotionGroups groups(D::s_model1_1, USBVersion(2, 0), false);
        QVERIFY(!groups.m_factory.motorCommitButton());
        QVERIFY(!groups.m_factory.motionCommitButton());
        QVERIFY(groups.m_factory.advancedSettingsButton());
        QVERIFY(groups.m_factory.zeroPositionButton());
        QLayout* layout = groups.m_pMotorGroup->layout();
        QVERIFY(layout->itemAt(layout->count() - 1)->spacerItem());
        QCOMPARE(groups.m_pMotorGroup->findChildren<QPushButton*>().count(), 0);
    }

    // The stand-alone axis pages place the groups in a program without the studio's images.
    void buttonsShowTheirImages()
    {
        MotionGroups groups(D::s_model1_2, USBVersion(2, 1));
        for (QPushButton* button : {groups.m_factory.motorCommitButton(), groups.m_factory.motionCommitButton(),
                 groups.m_factory.advancedSettingsButton(), groups.m_factory.zeroPositionButton()})
            QVERIFY(!button->icon().pixmap(32, 32).isNull());
    }
};

TALVEX_TEST(tst_TalvexMotionWidgetFactory)
#include "tst_TalvexMotionWidgetFactory.moc"
