#include "TestRegistry.h"

#include "ScriptingOnBoard.h"

#include <QTest>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;
typedef TalvexDriverPWMSettings PWM;
}

// Output on each board model: the PWM payload of the model within the duty-cycle limit, the
// relay where the model has one, and the timed wait.
class tst_TalvexPythonOutputWrapper : public QObject
{
    Q_OBJECT

private slots:
    void setsPwmAndRelay_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<bool>("hasRelay");
        QTest::newRow("1,1") << D::s_model1_1 << USBVersion(2, 0) << true;
        QTest::newRow("1,2") << D::s_model1_2 << USBVersion(4, 0) << true;
        QTest::newRow("10,1") << D::s_model10_1 << USBVersion(1, 0) << false;
        QTest::newRow("27,1") << D::s_model27_1 << USBVersion(1, 0) << false;
    }

    void setsPwmAndRelay()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(bool, hasRelay);
        ScriptingOnBoard scripting(model, firmware);
        QVERIFY(scripting.m_board.m_connected.isOk());
        PWM* pwm = scripting.m_board.m_document.pwmSettings();
        pwm->setValue(PWM::PWM1DutyCycleLimit, 100);

        QVERIFY(scripting.run("o = Output()\no.setPWM(0)\no.setPWM(100)\no.setPWM(40)\n"));
        QVERIFY(waitFor([&] { return scripting.sent(R::SetPWM) == 3; }));
        QCOMPARE(pwm->value(PWM::PWM1DutyCycle).toInt(), 40);
        QCOMPARE(scripting.lastPayload(R::SetPWM), hexText(pwm->toByteArray(model, firmware)));

        // Above the limit the duty cycle is the limit.
        pwm->setValue(PWM::PWM1DutyCycleLimit, 30);
        QVERIFY(scripting.run("Output().setPWM(80)"));
        QVERIFY(waitFor([&] { return scripting.sent(R::SetPWM) == 4; }));
        QCOMPARE(pwm->value(PWM::PWM1DutyCycle).toInt(), 30);
        QCOMPARE(scripting.lastPayload(R::SetPWM), hexText(pwm->toByteArray(model, firmware)));

        QVERIFY(scripting.run("for percent in (101, -1, 2 ** 70):\n"
                              "    try:\n"
                              "        Output().setPWM(percent)\n"
                              "    except RuntimeError as error:\n"
                              "        print(error)\n"));
        QCOMPARE(scripting.m_output, QString("PWM value not within [0..100] percent range.\n").repeated(3));

        scripting.m_output.clear();
        QVERIFY(scripting.run("o = Output()\no.relayOn()\no.relayOff()\n"));
        if (hasRelay)
        {
            QVERIFY(waitFor([&] { return scripting.sent(R::RelayOff) == 1; }));
            QCOMPARE(scripting.sent(R::RelayOn), 1);
            QVERIFY(scripting.m_output.isEmpty());
        }
        else
        {
            QVERIFY2(scripting.m_output.endsWith("RuntimeError: The command is not supported by the device\n"),
                qPrintable(scripting.m_output));
        }
    }

    // wait(0) returns at once; a wait takes at least its time.
    void waitsForItsTime()
    {
        ScriptingOnBoard scripting;
        QVERIFY(scripting.run("import time\n"
                              "o = Output()\n"
                              "o.wait(0)\n"
                              "begin = time.monotonic()\n"
                              "o.wait(30)\n"
                              "print(time.monotonic() - begin >= 0.03)\n"));
        QCOMPARE(scripting.m_output, QString("True\n"));
    }
};

TALVEX_TEST(tst_TalvexPythonOutputWrapper)
#include "tst_TalvexPythonOutputWrapper.moc"
