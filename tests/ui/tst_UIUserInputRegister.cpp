#include "TestRegistry.h"
#include "UIUserInputRegister.h"
#include "UIWidgetFor.h"

#include <QTest>

class tst_UIUserInputRegister : public QObject
{
    Q_OBJECT

private slots:
    void lookups()
    {
        UIWidgetFor<QLineEdit> stepSize;
        UIWidgetFor<QLineEdit> rebuilt;
        UIWidgetFor<QComboBox> microStepping;
        UIUserInputRegister inputs;
        QVERIFY(!inputs.contains("StepDegrees"));

        inputs.add("StepDegrees", &stepSize);
        inputs.add("MicroStepping", &microStepping);
        QVERIFY(inputs.contains("StepDegrees"));
        QCOMPARE(inputs.get("StepDegrees"), static_cast<UIIUserInput*>(&stepSize));
        QCOMPARE(inputs.get("MicroStepping"), static_cast<UIIUserInput*>(&microStepping));
        QVERIFY(!inputs.contains("stepdegrees"));

        // A rebuilt page registers its new input under the same key.
        inputs.add("StepDegrees", &rebuilt);
        QCOMPARE(inputs.get("StepDegrees"), static_cast<UIIUserInput*>(&rebuilt));

        inputs.clear();
        QVERIFY(!inputs.contains("StepDegrees"));
        QVERIFY(!inputs.contains("MicroStepping"));
    }
};

TALVEX_TEST(tst_UIUserInputRegister)
#include "tst_UIUserInputRegister.moc"
