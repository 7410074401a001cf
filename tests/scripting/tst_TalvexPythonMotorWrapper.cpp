#include "TestRegistry.h"

#include "ScriptingOnBoard.h"

#include <QTest>

namespace
{
typedef TalvexDriverCommRequest R;
typedef TalvexDriverMotionConfiguration Motion;
typedef TalvexDriverMotorConfiguration MotorSettings;

// A motor state reply (action 22): position in the board's finest micro-steps (1/16 of a full
// step here), reported micro-step mode 4, the state code and the limit flags.
QVector<quint8> motorState(int state, qint32 position = 0, int limits = 0)
{
    QVector<quint8> data{0, 0, 0, 0};
    for (int shift = 0; shift < 32; shift += 8)
        data << quint8(quint32(position) >> shift);
    data << 4 << 0 << 0 << quint8(state) << quint8(limits) << 0;
    return data;
}

// A board of model (1,2) with 16 micro-steps per full step and 1.8 degrees per full step.
struct MotorScripting : ScriptingOnBoard
{
    MotorScripting()
    {
        m_board.m_document.motionConfiguration()->setValue(Motion::MicroStepping, 4);
        m_board.m_document.motorConfiguration()->setValue(MotorSettings::StepDegrees, 1.8);
    }

    quint8 opcode(int action) const { return R::commandCode(m_board.m_model, action); }

    // Runs "m = Motor()" and the lines; then until every request the script sent has reached
    // the board (a turn-on sent after them has).
    bool runMotor(const QString& lines)
    {
        const int turnOns = sent(R::MotorOn);
        return run("m = Motor()\n" + lines + "\nm.turnOn()\n") && waitFor([&] { return sent(R::MotorOn) == turnOns + 1; });
    }

    QVariant motion(int id) { return m_board.m_document.motionConfiguration()->value(id); }
};

// The call of the test's row raises the row's error, and of the script only its closing turn-on
// reaches the board. The motor stands at 10 full steps, so a move to 0 would show.
void checkRefused()
{
    QFETCH(QString, call);
    QFETCH(QString, error);
    MotorScripting scripting;
    *scripting.m_board.m_document.motorInfo() = TalvexDriverMotorInfo(motorState(1, 160));
    QVERIFY(scripting.runMotor("try:\n    " + call + "\nexcept Exception as error:\n    print(type(error).__name__ + ': ' + str(error))"));
    QVERIFY2(scripting.m_output.startsWith(error), qPrintable(scripting.m_output));
    QCOMPARE(scripting.m_board.m_pRecorder->opcodes(), QVector<quint8>{scripting.opcode(R::MotorOn)});
}
}

// Motor on the simulated board: the moves, settings and readings in every unit, the refusals
// as Python errors, and the wait for a move's end.
class tst_TalvexPythonMotorWrapper : public QObject
{
    Q_OBJECT

private slots:
    void movesByDistanceAndToPosition_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("payload");
        QTest::newRow("back 2.5 full steps") << "m.moveRelative(-2.5, Motor.FullSteps)" << "01 01 28 00 00 00";
        QTest::newRow("1 revolution") << "m.moveRelative(1, Motor.Revolutions)" << "01 00 80 0C 00 00";
        QTest::newRow("90 degrees") << "m.moveRelative(90, Motor.Degrees)" << "01 00 20 03 00 00";
        QTest::newRow("1 radian, truncated") << "m.moveRelative(1.0, Motor.Radians)" << "01 00 FD 01 00 00";
        QTest::newRow("7 micro-steps") << "m.moveRelative(7, Motor.MicroSteps)" << "01 00 07 00 00 00";
        QTest::newRow("to 20 full steps from 10") << "m.moveAbsolute(20, Motor.FullSteps)" << "01 00 A0 00 00 00";
        QTest::newRow("to -10 full steps from 10") << "m.moveAbsolute(-10, Motor.FullSteps)" << "01 01 40 01 00 00";
        QTest::newRow("0.4 micro-steps: nothing") << "m.moveRelative(0.4, Motor.MicroSteps)" << "";
        QTest::newRow("to where it is: nothing") << "m.moveAbsolute(10, Motor.FullSteps)" << "";
    }

    void movesByDistanceAndToPosition()
    {
        QFETCH(QString, call);
        QFETCH(QString, payload);
        MotorScripting scripting;
        // The motor stands at 10 full steps.
        scripting.m_board.m_pRecorder->answer(scripting.opcode(R::GetMotorState), motorState(1, 160));
        QVERIFY(scripting.runMotor("m.waitToFinish()\n" + call));
        QVERIFY2(!scripting.m_output.contains("Error"), qPrintable(scripting.m_output));
        QCOMPARE(scripting.sent(R::Move), payload.isEmpty() ? 0 : 1);
        if (!payload.isEmpty())
            QCOMPARE(scripting.lastPayload(R::Move), payload);
    }

    void readsPositionAndState()
    {
        MotorScripting scripting;
        scripting.m_board.m_pRecorder->answer(scripting.opcode(R::GetMotorState), motorState(1, 3200, 1));
        QVERIFY(scripting.run("m = Motor()\n"
                              "m.waitToFinish()\n"
                              "print(m.getPosition(Motor.FullSteps), m.getPosition(Motor.MicroSteps), "
                              "round(m.getPosition(Motor.Degrees), 9), round(m.getPosition(Motor.Revolutions), 9))\n"
                              "print(m.getState())\n"
                              "m.getPosition(Motor.RPM)\n"));
        QVERIFY2(scripting.m_output.startsWith("200.0 3200.0 360.0 1.0\nHold (at start)\n"), qPrintable(scripting.m_output));
        QVERIFY(scripting.m_output.contains("ValueError: Motor.RPM is a unit of speed, not of a position or distance"));
    }

    // The state a script reads follows the commands it sent before, though nothing else reads
    // the board's state meanwhile.
    void stateFollowsTheCommandsSent()
    {
        MotorScripting scripting;
        QVERIFY(scripting.run("m = Motor()\n"
                              "m.turnOn()\n"
                              "print(m.getState())\n"
                              "m.moveRelative(1000, Motor.FullSteps)\n"
                              "print(m.getState())\n"
                              "m.turnOff()\n"
                              "print(m.getState())\n"));
        QCOMPARE(scripting.m_output, QString("Hold\nMoving\nOff\n"));
    }

    void setsVelocityAccelerationAndCurrent()
    {
        MotorScripting scripting;
        const bool ran = scripting.runMotor("m.setVelocity(100, Motor.Degrees)\n"
                                   "m.setAccel(50, Motor.FullSteps)\n"
                                   "print(m.getAccel(Motor.FullSteps), m.getVelocity(Motor.RPM))\n"
                                   "m.setCurrent(800)\n"
                                   "print(m.getCurrent(), m.getStepSize())\n");
        QVERIFY2(ran, qPrintable(scripting.m_output));
        QCOMPARE(scripting.motion(Motion::Velocity).toInt(), 55);
        QCOMPARE(scripting.motion(Motion::Acceleration).toInt(), 500);
        QCOMPARE(scripting.m_output, QString("50.0 16.5\n800 1.8\n"));
        QCOMPARE(scripting.sent(R::SetMotionConfiguration), 2);
        QCOMPARE(scripting.lastPayload(R::SetMotionConfiguration),
            hexText(scripting.m_board.m_document.motionConfiguration()->toByteArray(scripting.m_board.m_model)));
        QCOMPARE(scripting.lastPayload(R::SetMotorConfiguration),
            hexText(scripting.m_board.m_document.motorConfiguration()->toByteArray(
                scripting.m_board.m_model, scripting.m_board.m_firmwareVersion)));
        QVERIFY(scripting.m_failures.m_results.isEmpty());

        // The step size changes the conversions and sends nothing.
        QVERIFY(scripting.run("m = Motor()\nm.setStepSize(0.9)\nprint(m.getVelocity(Motor.Degrees))\n"));
        QVERIFY(scripting.m_output.endsWith("\n49.5\n"));
        QCOMPARE(scripting.sent(R::SetMotorConfiguration), 1);
    }

    // Each refusal is a Python error the script may catch; nothing goes to the board.
    void refusesBadValues_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("error");
        QTest::newRow("velocity without a step size") << "m.setStepSize(0); m.setVelocity(1, Motor.Degrees)"
                                                      << "RuntimeError: Invalid unit conversion factor encountered.";
        QTest::newRow("position without a step size") << "m.setStepSize(0.0005); m.moveAbsolute(5, Motor.FullSteps)"
                                                      << "RuntimeError: Invalid unit conversion factor encountered.";
        QTest::newRow("distance without a step size") << "m.setStepSize(0.0005); m.moveRelative(5, Motor.Degrees)"
                                                      << "RuntimeError: Invalid unit conversion factor encountered.";
        QTest::newRow("velocity too high") << "m.setVelocity(1e7, Motor.FullSteps)" << "ValueError: ";
        QTest::newRow("velocity beyond int") << "m.setVelocity(1e12, Motor.FullSteps)" << "ValueError: Value out of range";
        QTest::newRow("current too high") << "m.setCurrent(100000)" << "ValueError: ";
        QTest::newRow("current beyond int") << "m.setCurrent(2 ** 40)" << "ValueError: Value out of range";
        QTest::newRow("infinite distance") << "m.moveRelative(float('inf'), Motor.FullSteps)" << "ValueError: Value is not a finite number";
        QTest::newRow("steps beyond the field") << "m.moveRelative(1e9, Motor.FullSteps)" << "ValueError: Value out of range";
        QTest::newRow("nan position") << "m.moveAbsolute(float('nan'), Motor.Degrees)" << "ValueError: Value is not a finite number";
        QTest::newRow("nan step size") << "m.setStepSize(float('nan'))" << "ValueError: Value is not a finite number";
        QTest::newRow("unit as float") << "m.getVelocity(1.0)" << "TypeError: getVelocity()";
        QTest::newRow("home without limits") << "m.moveHome()"
                                             << "RuntimeError: The relevant limits are not configured. Configure the limits on the IO tab.";
    }

    void refusesBadValues()
    {
        checkRefused();
    }

    // Every method that takes a unit refuses a number that is no unit, and a position or
    // distance refuses RPM, before it reads or sends anything.
    void refusesUnitsItCannotTake_data()
    {
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("error");
        const QStringList speeds{"m.getVelocity(%1)", "m.setVelocity(1, %1)", "m.getAccel(%1)", "m.setAccel(1, %1)"};
        const QStringList positions{"m.getPosition(%1)", "m.moveRelative(5, %1)", "m.moveAbsolute(5, %1)"};
        // The unit as the script writes it, and as the error names it.
        const QVector<QPair<QString, QString>> unknownUnits{{"6", "6"}, {"-1", "-1"}, {"2 ** 70", "1180591620717411303424"}};
        for (const QString& method : speeds + positions)
            for (const auto& unit : unknownUnits)
                QTest::newRow(qPrintable(method.arg(unit.first))) << method.arg(unit.first) << "ValueError: Unknown unit " + unit.second;
        for (const QString& method : positions)
            QTest::newRow(qPrintable(method.arg("Motor.RPM")))
                << method.arg("Motor.RPM") << "ValueError: Motor.RPM is a unit of speed, not of a position or distance";
    }

    void refusesUnitsItCannotTake()
    {
        checkRefused();
    }

    void movesHomeWithItsLimit()
    {
        MotorScripting scripting;
        scripting.m_board.m_document.advancedMotorMoveConfiguration()->setValue(
            TalvexDriverAdvancedMotorMoveConfiguration::HomePosition, 2);
        scripting.m_board.m_document.inputConfiguration()->setChannelAssignments({{2, 33}});
        QVERIFY(scripting.runMotor("m.moveHome()"));
        QCOMPARE(scripting.sent(R::MoveHome), 1);
        QVERIFY(scripting.m_output.isEmpty());
    }

    // Without a board every command raises, the wait too; a failure the board reports later
    // reaches the dispatcher's observers.
    void boardFailuresAreNotLost()
    {
        MotorScripting scripting;
        scripting.m_board.m_pRecorder->refuse(scripting.opcode(R::Move), 3);
        QVERIFY(scripting.runMotor("m.moveRelative(1, Motor.FullSteps)"));
        QVERIFY(waitFor([&] { return scripting.m_failures.m_results.size() == 1; }));

        scripting.m_board.m_state.disconnectDevice();
        for (const char* call : {"m.turnOn()", "m.waitToFinish()", "m.setCurrent(500)"})
        {
            scripting.m_output.clear();
            QVERIFY(scripting.run(QString("m = Motor()\n") + call));
            QVERIFY2(scripting.m_output.endsWith("RuntimeError: No device is open\n"), qPrintable(scripting.m_output));
        }
    }

    // The wait ends once the state read after its own request, or a later read by another
    // reader (the Motion tab's poll), shows no move; state 13 counts as ended.
    void waitToFinishEndsWithTheMove()
    {
        MotorScripting scripting;
        scripting.m_board.m_pRecorder->answer(scripting.opcode(R::GetMotorState), motorState(10));
        scripting.m_runner.runScript("m = Motor()\nprint('started')\nm.waitToFinish()\nprint('ended', m.getState())\n");
        QVERIFY(scripting.printed("started"));
        QVERIFY(waitFor([&] { return scripting.sent(R::GetMotorState) == 1; }));
        QTest::qWait(50);
        QVERIFY(scripting.m_runner.isRunning());
        scripting.m_board.m_pRecorder->answer(scripting.opcode(R::GetMotorState), motorState(13));
        scripting.m_board.m_pDispatcher->sendRequest(scripting.m_board.request(R::GetMotorState), nullptr, QString());
        QVERIFY(scripting.finish());
        QCOMPARE(scripting.m_output, QString("started\nended Moving\n"));
    }

    // The board goes while the script waits: the script ends with the error instead of hanging.
    void disconnectEndsTheWait()
    {
        MotorScripting scripting;
        scripting.m_board.m_pRecorder->answer(scripting.opcode(R::GetMotorState), motorState(9));
        scripting.m_runner.runScript("print('started')\nMotor().waitToFinish()\n");
        QVERIFY(scripting.printed("started"));
        QVERIFY(waitFor([&] { return scripting.sent(R::GetMotorState) == 1; }));
        scripting.m_board.m_state.disconnectDevice();
        QVERIFY(scripting.finish());
        QVERIFY2(scripting.m_output.endsWith("RuntimeError: No device is open\n"), qPrintable(scripting.m_output));
    }
};

TALVEX_TEST(tst_TalvexPythonMotorWrapper)
#include "tst_TalvexPythonMotorWrapper.moc"
