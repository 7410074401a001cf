#include "TestRegistry.h"

#include "AppTestSupport.h"
#include "TalvexAccellerationBinding.h"
#include "UIUnitHandler.h"
#include "UIUserInputRegister.h"
#include "UIWidgetFor.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QTest>
#include <memory>

namespace
{
typedef TalvexDriverMotionConfiguration Motion;

// The acceleration editor of the motion settings, in full steps per second squared.
struct AccelerationEditor
{
    explicit AccelerationEditor(Motion* configuration)
    {
        QHBoxLayout* layout = new QHBoxLayout(&m_page);
        layout->addWidget(m_pValue);
        layout->addWidget(m_pUnit);
        m_pUnit->addItem("Full-steps/s^2", 0);
        UIUnitHandler* handler = new UIUnitHandler(m_pUnit, m_pValue);
        handler->setBaseUnit(0);
        m_inputs.add("BaseUnitAcceleration", handler);
        handler->bindMethodCall(new TalvexAccellerationBinding(configuration, &m_inputs, TalvexDriverDescriptor::s_model1_2));
    }

    void type(const QString& text)
    {
        m_pValue->clear();
        QTest::keyClicks(m_pValue, text);
        QTest::keyClick(m_pValue, Qt::Key_Return);
    }

    void leave()
    {
        QFocusEvent focusOut(QEvent::FocusOut);
        QApplication::sendEvent(m_pValue, &focusOut);
    }

    QWidget m_page;
    UIWidgetFor<QLineEdit>* m_pValue = new UIWidgetFor<QLineEdit>;
    UIWidgetFor<QComboBox>* m_pUnit = new UIWidgetFor<QComboBox>;
    UIUserInputRegister m_inputs;
};
}

class tst_TalvexAccellerationBinding : public QObject
{
    Q_OBJECT

private slots:
    void showsTenthsAsFullSteps()
    {
        Motion motion;
        AccelerationEditor editor(&motion);
        QCOMPARE(editor.m_pValue->text(), QString("100"));
        motion.setValue(Motion::Acceleration, 2345u);
        QCOMPARE(editor.m_pValue->text(), QString("234.5"));
        // No acceleration known: the editor keeps what it shows.
        motion.setValue(Motion::Acceleration, 0u);
        QCOMPARE(editor.m_pValue->text(), QString("234.5"));
    }

    void storesTenths_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<uint>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("truncated") << "12.34" << 123u << "12.34";
        QTest::newRow("below a tenth") << "0.05" << 0u << "0.05";
        QTest::newRow("small negative") << "-0.05" << 0u << "-0.05";
        // The board's field is unsigned: a negative acceleration is held at 0, not wrapped.
        QTest::newRow("negative") << "-5" << 0u << "0";
        QTest::newRow("beyond the field") << "1e9" << 2147483647u << "2.14748e+08";
    }

    void storesTenths()
    {
        QFETCH(QString, typed);
        QFETCH(uint, stored);
        QFETCH(QString, shown);
        Motion motion;
        AccelerationEditor editor(&motion);
        editor.type(typed);
        QCOMPARE(motion.value(Motion::Acceleration).toUInt(), stored);
        QCOMPARE(editor.m_pValue->text(), shown);
    }

    // Leaving the editor validates the configuration: a ramp-up longer than 10 s is corrected
    // and the editor shows the corrected value with the reason.
    void trapezoidalRampCorrected()
    {
        Motion motion;
        motion.setValue(Motion::AccelerationMethod, 1);
        motion.setValue(Motion::Velocity, 200);
        AccelerationEditor editor(&motion);
        editor.type("10");
        QCOMPARE(motion.value(Motion::Acceleration).toUInt(), 100u);
        QVERIFY(tipOf(editor.m_pValue).isEmpty());
        editor.leave();
        QCOMPARE(motion.value(Motion::Acceleration).toUInt(), 200u);
        QCOMPARE(editor.m_pValue->text(), QString("20"));
        QCOMPARE(tipOf(editor.m_pValue), QString("The ramp-ump time of 20 s was more than 10 s. The acceleration was increased."));

        // Step acceleration has no ramp to correct.
        motion.setValue(Motion::AccelerationMethod, 0);
        editor.type("10");
        editor.leave();
        QCOMPARE(motion.value(Motion::Acceleration).toUInt(), 100u);
    }

    void configurationGoneFirst()
    {
        auto motion = std::make_unique<Motion>();
        AccelerationEditor editor(motion.get());
        motion.reset();
        editor.type("12");
        editor.leave();
        QCOMPARE(editor.m_pValue->text(), QString("12"));
    }
};

TALVEX_TEST(tst_TalvexAccellerationBinding)
#include "tst_TalvexAccellerationBinding.moc"
