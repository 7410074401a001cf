#include "DriverTestSupport.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverPWMSettings.h"
#include "TalvexIOWidgetFactory.h"
#include "TestRegistry.h"
#include "UIIUserInput.h"
#include "UIUserInputRegister.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <functional>
#include <memory>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverInputConfiguration Input;
typedef TalvexDriverPWMSettings PWM;
typedef std::function<QWidget*(TalvexIOWidgetFactory&, UIUserInputRegister*, Input*)> Builder;

// "text=key" for every row of the page's first group, top to bottom.
QStringList rowsOf(QWidget* page, const UIUserInputRegister& inputs, const QStringList& keys)
{
    QGridLayout* grid = qobject_cast<QGridLayout*>(page->findChild<QGroupBox*>()->layout());
    QStringList rows;
    for (int row = 0; row < grid->rowCount(); ++row)
    {
        QLayoutItem* label = grid->itemAtPosition(row, 0);
        QLayoutItem* editor = grid->itemAtPosition(row, 1);
        if (!label || !editor)
            continue;
        QString key;
        for (const QString& candidate : keys)
            if (inputs.contains(candidate) && inputs.get(candidate)->widget() == editor->widget())
                key = candidate;
        rows.append(qobject_cast<QLabel*>(label->widget())->text() + "=" + key);
    }
    return rows;
}

// Records the calls of a wired slot.
class Receiver : public QObject
{
    Q_OBJECT
public:
    int m_calls = 0;
public slots:
    void onChanged() { ++m_calls; }
};
}

Q_DECLARE_METATYPE(Builder)

class tst_TalvexIOWidgetFactory : public QObject
{
    Q_OBJECT

private slots:
    void inputPages_data()
    {
        QTest::addColumn<Builder>("build");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("value");
        typedef TalvexIOWidgetFactory F;
        QTest::newRow("ADC") << Builder(&F::createADCSettingsWidget) << "ADC settings"
                             << QStringList{"Gain=ADCGain", "Mode=ADCMode"} << "ADCGain" << int(Input::ADCGain) << 3;
        QTest::newRow("quadrature") << Builder(&F::createQuadratureSettingsWidget) << "Quadrature settings"
                                    << QStringList{"Pull configuration A=QuadAPullConfig",
                                           "Pull configuration B=QuadBPullConfig", "Counts per revolution=QuadratureCPR"}
                                    << "QuadratureCPR" << int(Input::QuadratureCPR) << 4096;
        QTest::newRow("event") << Builder(&F::createEventSettingsWidget) << "Event settings"
                               << QStringList{"Pull configuration=EventPullConfig", "Edge sense=EventEdge"} << "EventEdge"
                               << int(Input::EventEdge) << 1;
        QTest::newRow("start limit") << Builder(&F::createLimitStartSettingsWidget) << "Start limit settings"
                                     << QStringList{"Pull configuration=LimitStartPullConfig",
                                            "Edge sense=LimitStartEdge"}
                                     << "LimitStartPullConfig" << int(Input::LimitStartPullConfig) << 2;
        QTest::newRow("end limit") << Builder(&F::createLimitEndSettingsWidget) << "End limit settings"
                                   << QStringList{"Pull configuration=LimitEndPullConfig", "Edge sense=LimitEndEdge"}
                                   << "LimitEndEdge" << int(Input::LimitEndEdge) << 1;
        QTest::newRow("stop") << Builder(&F::createStopSettingsWidget) << "Stop settings"
                              << QStringList{"Pull configuration=StopPullConfig", "Edge sense=StopEdge"}
                              << "StopPullConfig" << int(Input::StopPullConfig) << 1;
        QTest::newRow("motor control") << Builder(&F::createMotorControlSettingsWidget) << "Motor control settings"
                                       << QStringList{"Slow motion time [s]=SlowMotionTime"} << "SlowMotionTime"
                                       << int(Input::SlowMotionTime) << 7;
    }
    void inputPages()
    {
        QFETCH(Builder, build);
        QFETCH(QString, title);
        QFETCH(QStringList, rows);
        QFETCH(QString, key);
        QFETCH(int, id);
        QFETCH(int, value);
        TalvexIOWidgetFactory factory(D::s_model1_1, USBVersion(2, 0));
        UIUserInputRegister inputs;
        Input input;
        std::unique_ptr<QWidget> page(build(factory, &inputs, &input));
        QCOMPARE(page->findChild<QGroupBox*>()->title(), title);
        const QStringList keys = {"ADCGain", "ADCMode", "QuadAPullConfig", "QuadBPullConfig", "QuadratureCPR",
            "EventPullConfig", "EventEdge", "LimitStartPullConfig", "LimitStartEdge", "LimitEndPullConfig",
            "LimitEndEdge", "StopPullConfig", "StopEdge", "SlowMotionTime"};
        QCOMPARE(rowsOf(page.get(), inputs, keys), rows);
        // One disabled commit button, by default.
        QCOMPARE(factory.commitButtons().count(), 1);
        QVERIFY(!factory.commitButtons().first()->isEnabled());

        // Bound both ways.
        input.setValue(id, value);
        QCOMPARE(inputs.get(key)->getValue().toInt(), value);
        if (auto box = qobject_cast<QComboBox*>(inputs.get(key)->widget()))
            box->setCurrentIndex(0);
        else
            qobject_cast<QSpinBox*>(inputs.get(key)->widget())->setValue(2);
        QCOMPARE(input.value(id).toInt(), inputs.get(key)->getValue().toInt());
    }

    void commitButtonsOnlyWhereAsked()
    {
        TalvexIOWidgetFactory factory(D::s_model1_1, USBVersion(2, 0));
        factory.setOption(TalvexIOWidgetFactory::CommitButtons, false);
        UIUserInputRegister inputs;
        Input input;
        std::unique_ptr<QWidget> adc(factory.createADCSettingsWidget(&inputs, &input));
        QVERIFY(factory.commitButtons().isEmpty());
        QGridLayout* grid = nullptr;
        std::unique_ptr<QWidget> steps(factory.createSettingsPage("Step count settings", grid, true));
        QCOMPARE(factory.commitButtons().count(), 1);
        QCOMPARE(factory.commitButtons().first()->iconSize(), QSize(32, 32));

        Receiver receiver;
        factory.connectCommitButtons(&receiver, SLOT(onChanged()));
        factory.commitButtons().first()->setEnabled(true);
        QTest::mouseClick(factory.commitButtons().first(), Qt::LeftButton);
        QCOMPARE(receiver.m_calls, 1);
    }

    void pwmModeRowFromFirmware4OfModel12_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<QStringList>("rows");
        const QStringList dutyOnly = {"Duty cycle [%]=PWMDutyCycle"};
        QTest::newRow("(1,2) 3.0") << D::s_model1_2 << USBVersion(3, 0) << dutyOnly;
        QTest::newRow("(1,2) 4.0") << D::s_model1_2 << USBVersion(4, 0)
                                   << QStringList{"Mode=PWMMode", "Duty cycle [%]=PWMDutyCycle"};
        QTest::newRow("(1,1)") << D::s_model1_1 << USBVersion(4, 0) << dutyOnly;
        QTest::newRow("(10,1)") << D::s_model10_1 << USBVersion(4, 0) << dutyOnly;
    }
    void pwmModeRowFromFirmware4OfModel12()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(QStringList, rows);
        TalvexIOWidgetFactory factory(model, firmware);
        UIUserInputRegister inputs;
        PWM pwm;
        std::unique_ptr<QWidget> page(factory.createPWMSettingsWidget(&inputs, &pwm));
        QCOMPARE(rowsOf(page.get(), inputs, {"PWMMode", "PWMDutyCycle"}), rows);
        QVERIFY(factory.commitButtons().isEmpty());
        QVERIFY(inputs.contains("PWMDutyCycleLimit"));
        if (!inputs.contains("PWMMode"))
            return;
        // "Step out" takes the duty cycle away, "PWM out" gives it back.
        QComboBox* mode = qobject_cast<QComboBox*>(inputs.get("PWMMode")->widget());
        mode->setCurrentIndex(1);
        QVERIFY(!inputs.get("PWMDutyCycle")->isEnabled());
        QCOMPARE(pwm.value(PWM::PWM1Mode).toInt(), 1);
        mode->setCurrentIndex(0);
        QVERIFY(inputs.get("PWMDutyCycle")->isEnabled());
    }

    void aLowerLimitMovesTheDutyCycle()
    {
        TalvexIOWidgetFactory factory(D::s_model27_1, USBVersion(1, 0));
        UIUserInputRegister inputs;
        PWM pwm;
        std::unique_ptr<QWidget> page(factory.createDualPWMSettingsWidget(&inputs, &pwm));
        const QList<QGroupBox*> groups = page->findChildren<QGroupBox*>();
        QCOMPARE(groups.count(), 2);
        QCOMPARE(groups.at(0)->title(), QString("PWM 1 settings"));
        QCOMPARE(groups.at(1)->title(), QString("PWM 2 settings"));
        QSpinBox* second = qobject_cast<QSpinBox*>(inputs.get("PWM2DutyCycle")->widget());
        second->setValue(80);
        QCOMPARE(pwm.value(PWM::PWM2DutyCycle).toInt(), 80);
        qobject_cast<QSpinBox*>(inputs.get("PWM2DutyCycleLimit")->widget())->setValue(40);
        QCOMPARE(pwm.value(PWM::PWM2DutyCycleLimit).toInt(), 40);
        QCOMPARE(second->value(), 40);
        QCOMPARE(pwm.value(PWM::PWM2DutyCycle).toInt(), 40);
        // The limit's button carries its tip.
        QPushButton* lock = groups.at(1)->findChild<QPushButton*>();
        QCOMPARE(lock->toolTip(), QString("Set a limit on the PWM duty cycle."));
    }

    void theRelaySwitchStartsOffAndBindsNothing()
    {
        TalvexIOWidgetFactory factory(D::s_model1_1, USBVersion(2, 0));
        UIUserInputRegister inputs;
        std::unique_ptr<QWidget> page(factory.createRelaySettingsWidget(&inputs));
        QCheckBox* relay = qobject_cast<QCheckBox*>(inputs.get("RelayOnOff")->widget());
        QVERIFY(!relay->isChecked());
        QCOMPARE(page->findChild<QGroupBox*>()->title(), QString("Relay settings"));
        QVERIFY(factory.commitButtons().isEmpty());

        Receiver receiver;
        factory.connectRelayChange(&inputs, &receiver, SLOT(onChanged()));
        relay->setChecked(true);
        QCOMPARE(receiver.m_calls, 1);
    }

    void wiringSkipsKeysTheRegisterLacks()
    {
        TalvexIOWidgetFactory factory(D::s_model1_1, USBVersion(2, 0));
        UIUserInputRegister inputs;
        Input input;
        std::unique_ptr<QWidget> first(factory.createLimitStartSettingsWidget(&inputs, &input));
        UIIUserInput* replaced = inputs.get("LimitStartEdge");
        // A second page of the kind takes the keys over.
        std::unique_ptr<QWidget> second(factory.createLimitStartSettingsWidget(&inputs, &input));
        QVERIFY(inputs.get("LimitStartEdge") != replaced);

        Receiver receiver;
        factory.connectInputChanges(&inputs, &receiver, SLOT(onChanged()));
        QComboBox* edge = qobject_cast<QComboBox*>(inputs.get("LimitStartEdge")->widget());
        edge->setCurrentIndex(1);
        // The bound record holds the new value by the time the slot runs.
        QCOMPARE(input.value(Input::LimitStartEdge).toInt(), 1);
        QCOMPARE(receiver.m_calls, 1);
    }
};

TALVEX_TEST(tst_TalvexIOWidgetFactory)
#include "tst_TalvexIOWidgetFactory.moc"
