#include "TestRegistry.h"

#include "DriverBoardRig.h"
#include "TalvexDriverAdvancedMotorMoveConfiguration.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverMeasurement.h"
#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverMotorConfiguration.h"
#include "TalvexDriverMotorInfo.h"
#include "TalvexDriverMotorMoveConfiguration.h"
#include "TalvexDriverPWMSettings.h"
#include "TalvexDriverSamplingConfiguration.h"
#include "USBByteHelpers.h"

#include <QTest>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;
typedef TalvexDriverMotionConfiguration Motion;
typedef TalvexDriverMotorConfiguration Motor;
typedef TalvexDriverInputConfiguration Input;
typedef TalvexDriverSamplingConfiguration Sampling;
typedef TalvexDriverAdvancedMotorMoveConfiguration Advanced;
typedef TalvexDriverPWMSettings PWM;
typedef TalvexDriverMotorMoveConfiguration Move;
typedef TalvexDriverMotorInfo Info;

void addModels()
{
    QTest::addColumn<D>("model");
    QTest::addColumn<USBVersion>("firmware");
    QTest::newRow("(1,1)") << D::s_model1_1 << USBVersion(2, 0);
    QTest::newRow("(1,2) 2.0") << D::s_model1_2 << USBVersion(2, 0);
    QTest::newRow("(1,2) 2.1") << D::s_model1_2 << USBVersion(2, 1);
    QTest::newRow("(1,2) 3.0") << D::s_model1_2 << USBVersion(3, 0);
    QTest::newRow("(1,2) 4.0") << D::s_model1_2 << USBVersion(4, 0);
    QTest::newRow("(10,1)") << D::s_model10_1 << USBVersion(1, 1);
    QTest::newRow("(27,1)") << D::s_model27_1 << USBVersion(1, 0);
}

// The write commands with a valid payload for the model.
QByteArray validPayload(int action, const D& model, const USBVersion& firmware)
{
    switch (action)
    {
    case R::SetMotionConfiguration:
        return Motion().toByteArray(model);
    case R::SetMotorConfiguration:
        return Motor().toByteArray(model, firmware);
    case R::Move:
        return Move(Move::Counted, Move::Forward, 10).toByteArray(model);
    case R::SetInputConfiguration:
        return Input().toByteArray(model, firmware);
    case R::StartSampling:
        return Sampling().toByteArray();
    case R::SetPWM:
        return PWM().toByteArray(model, firmware);
    case R::SetAdvancedMotorMoveConfiguration:
        return Advanced().toByteArray();
    default:
        return QByteArray();
    }
}

Info motorState(DriverBoardRig& board)
{
    if (!board.run(R::GetMotorState).isOk())
        return Info();
    return Info(board.m_reply);
}

QByteArray moveOf(int mode, int direction, int count)
{
    return Move(mode, direction, count).toByteArray(D::s_model1_2);
}

// Limit switches wired to inputs 1 (start) and 2 (end).
QByteArray wiredLimits(const D& model, const USBVersion& firmware)
{
    Input input;
    input.setChannelAssignments({{1, Input::s_startLimitFunction}, {2, Input::s_endLimitFunction}});
    return input.toByteArray(model, firmware);
}

QByteArray homeSearch(int position, bool accurate, bool zeroAtHome)
{
    Advanced advanced;
    advanced.setValue(Advanced::HomePosition, position);
    advanced.setValue(Advanced::AccurateHomeSearch, accurate);
    advanced.setValue(Advanced::ZeroAtHome, zeroAtHome);
    advanced.setValue(Advanced::HomeFastVelocity, 400);
    advanced.setValue(Advanced::HomeSlowVelocity, 50);
    return advanced.toByteArray();
}

// A (1,2) board, motor on, 1/16 micro-stepping at 200 full steps per second: 3200 micro-steps
// (the board's own unit on this model) per second.
struct RunningBoard : DriverBoardRig
{
    RunningBoard() : DriverBoardRig(D::s_model1_2, USBVersion(3, 0))
    {
        Motion motion;
        motion.setValue(Motion::MicroStepping, 4);
        motion.setValue(Motion::Velocity, 200);
        motion.setValue(Motion::AccelerationMethod, 0);
        m_ready = run(R::SetMotionConfiguration, motion.toByteArray(m_model)).isOk() && run(R::MotorOn).isOk();
    }

    bool m_ready = false;
};
}

class TestSimDriverFirmware : public QObject
{
    Q_OBJECT

private slots:
    void serialNumberChoosesTheModel()
    {
        QCOMPARE(SimDriverFirmware::serialNumberOf(D::s_model1_2, 7), QString("VTAH001020007"));
        QCOMPARE(SimDriverFirmware::serialNumberOf(D::s_model27_1, 1234), QString("VTAH027011234"));
        const SimDriverFirmware board("vtbp010010001", USBVersion(1, 1));
        QVERIFY(board.getDescriptor() == D::s_model10_1);
        QCOMPARE(board.getFirmwareVersion().getMinor(), 1);
    }

    void everyActionOfTheMapIsAnswered_data() { addModels(); }

    // Each action of the model's map is known to its board and answers with the length the
    // studio expects; the opcodes of actions it lacks are refused as unknown.
    void everyActionOfTheMapIsAnswered()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        for (int action = 0; action < R::s_actionCount; ++action)
        {
            DriverBoardRig board(model, firmware);
            const QString where = QString::number(action);
            if (R::isSupported(model, action))
            {
                const USBResult result = board.run(action, validPayload(action, model, firmware));
                if (action == R::Move || action == R::MoveHome)
                    QCOMPARE(result.getMessage(), QString("Motor is turned off"));
                else
                    QVERIFY2(result.isOk(), qPrintable(where + ": " + result.getMessage()));
                QCOMPARE(board.m_reply.count(), result.isOk() ? R::expectedReplyLength(model, firmware, action) : 0);
            }
            else
            {
                const quint8 opcode = action <= 20 ? quint8(0x20 + action) : quint8(0x40 + action - 21);
                const SimIBoardFirmware::Reply reply = board.m_pFirmware->handleCommand(opcode, {});
                QVERIFY2(reply.answered && reply.status == 1 && reply.data.isEmpty(), qPrintable(where));
            }
        }
    }

    void otherOpcodesAreRefused()
    {
        SimDriverFirmware board(SimDriverFirmware::serialNumberOf(D::s_model27_1, 1), USBVersion(1, 0));
        for (int opcode : {0x00, 0x1F, 0x35, 0x3F, 0x48, 0x05, 0xFF})
            QCOMPARE(int(board.handleCommand(quint8(opcode), {}).status), 1);
    }

    void boardWithoutCommandSetRefusesEverything()
    {
        for (const QString& serial : {QString("VTAH023010001"), QString("not a serial")})
        {
            SimDriverFirmware board(serial, USBVersion(1, 0));
            for (int opcode = 0; opcode < 256; ++opcode)
                QCOMPARE(int(board.handleCommand(quint8(opcode), {}).status), 1);
        }
    }

    void defaultRecords_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("bytes");
        QTest::newRow("motion (1,2)") << D::s_model1_2 << USBVersion(3, 0) << int(R::GetMotionConfiguration)
                                      << "00 C8 00 C8 00 E8 03 00 00 01 00";
        QTest::newRow("motion (1,1)") << D::s_model1_1 << USBVersion(2, 0) << int(R::GetMotionConfiguration)
                                      << "00 C8 00 E8 03 00 00 01";
        QTest::newRow("motor (1,2) 2.0") << D::s_model1_2 << USBVersion(2, 0) << int(R::GetMotorConfiguration)
                                         << "08 07 C8 00 0A 00 01 00 88 13";
        QTest::newRow("motor (27,1)") << D::s_model27_1 << USBVersion(1, 0) << int(R::GetMotorConfiguration)
                                      << "08 07 C8 00 0A 00 01 00 88 13 00";
        QTest::newRow("sampling") << D::s_model10_1 << USBVersion(1, 0) << int(R::GetSamplingConfiguration)
                                  << "05 88 13 00 00 05";
        QTest::newRow("advanced move") << D::s_model1_1 << USBVersion(2, 0)
                                       << int(R::GetAdvancedMotorMoveConfiguration) << "00 00 64 00 01 00 00 C8 00 64 00";
        QTest::newRow("input (27,1)") << D::s_model27_1 << USBVersion(1, 0) << int(R::GetInputConfiguration)
                                      << "FF FF FF FF FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00 05 00 00";
        QTest::newRow("PWM (27,1)") << D::s_model27_1 << USBVersion(1, 0) << int(R::GetPWMSettings) << "00 00";
        QTest::newRow("motor state") << D::s_model1_2 << USBVersion(3, 0) << int(R::GetMotorState)
                                     << "00 00 00 00 00 00 00 00 00 00 00 04 00 00";
    }

    void defaultRecords()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(int, action);
        QFETCH(QString, bytes);
        DriverBoardRig board(model, firmware);
        QVERIFY(board.run(action).isOk());
        QCOMPARE(hexText(board.m_reply), bytes);
    }

    void readsGiveBackWhatWasWritten_data() { addModels(); }

    void readsGiveBackWhatWasWritten()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        DriverBoardRig board(model, firmware);

        Motion motion;
        motion.setValue(Motion::MicroStepping, 3);
        motion.setValue(Motion::Velocity, 1500);
        motion.setValue(Motion::Acceleration, 30000u);
        motion.setValue(Motion::SeparateBackwardVelocity, model != D::s_model1_1);
        motion.setValue(Motion::BackwardVelocity, model != D::s_model1_1 ? 900 : 1500);
        QVERIFY(board.run(R::SetMotionConfiguration, motion.toByteArray(model)).isOk());
        QVERIFY(board.run(R::GetMotionConfiguration).isOk());
        QCOMPARE(bytesToByteArray(board.m_reply), motion.toByteArray(model));
        const Motion motionRead(board.m_reply, model);
        for (int id : {0, 1, 2, 3, 5})
            QCOMPARE(motionRead.value(id).toInt(), motion.value(id).toInt());

        Motor motor;
        motor.setValue(Motor::StepDegrees, 0.9);
        motor.setValue(Motor::MotorCurrent, 450);
        motor.setValue(Motor::DriveType, 1);
        motor.setValue(Motor::Pitch, 2.5);
        motor.setValue(Motor::ReducedHoldCurrent, false);
        motor.setValue(Motor::LowInductance, true);
        QVERIFY(board.run(R::SetMotorConfiguration, motor.toByteArray(model, firmware)).isOk());
        QVERIFY(board.run(R::GetMotorConfiguration).isOk());
        const Motor motorRead(board.m_reply, model, firmware);
        QCOMPARE(motorRead.value(Motor::StepDegrees).toDouble(), 0.9);
        QCOMPARE(motorRead.value(Motor::MotorCurrent).toInt(), 450);
        QCOMPARE(motorRead.value(Motor::Pitch).toDouble(), 2.5);
        QCOMPARE(motorRead.value(Motor::ReducedHoldCurrent), QVariant(false));
        QCOMPARE(motorRead.value(Motor::LowInductance),
            QVariant(R::expectedReplyLength(model, firmware, R::GetMotorConfiguration) == 11));

        Input input;
        input.setChannelAssignments({{1, 32}, {3, 12}});
        input.setOutputMask(5);
        input.setValue(Input::ADCGain, 4);
        input.setValue(Input::QuadratureCPR, 2048);
        input.setValue(Input::SlowMotionTime, 8);
        QVERIFY(board.run(R::SetInputConfiguration, input.toByteArray(model, firmware)).isOk());
        QVERIFY(board.run(R::GetInputConfiguration).isOk());
        const Input inputRead(board.m_reply, model, firmware);
        QCOMPARE(inputRead.getChannelAssignments(), input.getChannelAssignments());
        QCOMPARE(inputRead.getOutputMask(), 5);
        QCOMPARE(inputRead.value(Input::ADCGain).toInt(), 4);
        QCOMPARE(inputRead.value(Input::QuadratureCPR).toInt(), 2048);

        Sampling sampling;
        sampling.setValue(Sampling::SamplePeriod, 9);
        sampling.setValue(Sampling::OverSample, 2);
        sampling.setValue(Sampling::Trigger, 1);
        sampling.setValue(Sampling::SampleCount, 321);
        QVERIFY(board.run(R::StartSampling, sampling.toByteArray()).isOk());
        QVERIFY(board.run(R::GetSamplingConfiguration).isOk());
        const Sampling samplingRead(board.m_reply);
        QCOMPARE(samplingRead.values(), sampling.values());

        Advanced advanced;
        advanced.setValue(Advanced::BacklashCompensation, true);
        advanced.setValue(Advanced::BacklashSteps, 25);
        advanced.setValue(Advanced::HomePosition, 2);
        QVERIFY(board.run(R::SetAdvancedMotorMoveConfiguration, advanced.toByteArray()).isOk());
        QVERIFY(board.run(R::GetAdvancedMotorMoveConfiguration).isOk());
        QCOMPARE(Advanced(board.m_reply).values(), advanced.values());

        PWM pwm;
        pwm.setValue(PWM::PWM1DutyCycle, 42);
        pwm.setValue(PWM::PWM2DutyCycle, 17);
        QVERIFY(board.run(R::SetPWM, pwm.toByteArray(model, firmware)).isOk());
        if (R::isSupported(model, R::GetPWMSettings))
        {
            QVERIFY(board.run(R::GetPWMSettings).isOk());
            const PWM pwmRead(board.m_reply, model, firmware);
            QCOMPARE(pwmRead.value(PWM::PWM1DutyCycle).toInt(), 42);
            QCOMPARE(pwmRead.value(PWM::PWM2DutyCycle).toInt(), model == D::s_model27_1 ? 17 : 0);
        }
    }

    void oneByteDutyCycleFromScripts()
    {
        DriverBoardRig board(D::s_model27_1, USBVersion(1, 0));
        QVERIFY(board.run(R::SetPWM, QByteArray::fromHex("1e32")).isOk());
        QVERIFY(board.run(R::SetPWM, QByteArray::fromHex("50")).isOk());
        QVERIFY(board.run(R::GetPWMSettings).isOk());
        QCOMPARE(hexText(board.m_reply), QString("50 32"));
    }

    void rangeChecks_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("payload");
        QTest::addColumn<QString>("message");
        const QString motion = "Some values for the motion configuration were out of range";
        const QString motor = "Some values for the motor supply configuration were out of range";
        const QString interface = "Some values for the interface configuration were out of range";
        const QString unknown = "Instruction was not recognised by target device";
        const int setMotion = R::SetMotionConfiguration;
        QTest::newRow("motion fits") << D::s_model1_2 << setMotion << "04 E2 04 E2 04 E8 03 00 00 00 00" << "Success";
        QTest::newRow("motion too fast") << D::s_model1_2 << setMotion << "04 E3 04 E2 04 E8 03 00 00 00 00" << motion;
        QTest::newRow("backward too fast") << D::s_model1_2 << setMotion << "04 E2 04 E3 04 E8 03 00 00 00 01"
                                           << motion;
        QTest::newRow("(27,1) runs it fast") << D::s_model27_1 << setMotion << "04 6A 18 00 00 E8 03 00 00 00 00"
                                             << "Success";
        QTest::newRow("(10,1) lacks 1/16") << D::s_model10_1 << setMotion << "04 01 00 01 00 E8 03 00 00 00 00"
                                           << motion;
        QTest::newRow("(1,1) lacks 1/32") << D::s_model1_1 << setMotion << "05 01 00 E8 03 00 00 00" << motion;
        QTest::newRow("velocity 0") << D::s_model1_1 << setMotion << "00 00 00 E8 03 00 00 00" << motion;
        QTest::newRow("ramp too long") << D::s_model1_1 << setMotion << "00 C8 00 64 00 00 00 01" << motion;
        QTest::newRow("method 2") << D::s_model1_1 << setMotion << "00 C8 00 E8 03 00 00 02" << motion;
        QTest::newRow("motion too short") << D::s_model1_2 << setMotion << "00 C8 00 E8 03 00 00 01" << unknown;
        const int setMotor = R::SetMotorConfiguration;
        QTest::newRow("current too high") << D::s_model10_1 << setMotor << "08 07 F5 01 0A 00 01 00 88 13 00" << motor;
        QTest::newRow("current at the top") << D::s_model10_1 << setMotor << "08 07 F4 01 0A 00 01 00 88 13 00"
                                            << "Success";
        QTest::newRow("current too low") << D::s_model1_1 << setMotor << "08 07 31 00 0A 00 01 00 88 13" << motor;
        QTest::newRow("drive type 2") << D::s_model1_1 << setMotor << "08 07 C8 00 0A 00 01 02 88 13" << motor;
        QTest::newRow("step size 0") << D::s_model1_1 << setMotor << "00 00 C8 00 0A 00 01 00 88 13" << motor;
        QTest::newRow("motor too long for (1,1)") << D::s_model1_1 << setMotor << "08 07 C8 00 0A 00 01 00 88 13 00"
                                                  << unknown;
        const int move = R::Move;
        QTest::newRow("(1,1) has no back and forth") << D::s_model1_1 << move << "03 00 0A 00 00 00" << motion;
        QTest::newRow("mode 2") << D::s_model1_2 << move << "02 00 0A 00 00 00" << motion;
        QTest::newRow("direction 2") << D::s_model1_2 << move << "01 02 0A 00 00 00" << motion;
        QTest::newRow("move too short") << D::s_model1_2 << move << "01 00 0A 00 00" << unknown;
        const int setInput = R::SetInputConfiguration;
        QTest::newRow("ADC gain 7") << D::s_model1_1 << setInput
                                    << "FF FF FF FF 00 00 00 00 00 00 00 00 07 00 04 00 00 00" << interface;
        QTest::newRow("ADC mode 2") << D::s_model1_1 << setInput
                                    << "FF FF FF FF 00 00 00 00 00 00 00 00 00 02 04 00 00 00" << interface;
        QTest::newRow("input of another firmware") << D::s_model1_1 << setInput
                                                   << "FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00 05"
                                                   << unknown;
        const int sampling = R::StartSampling;
        QTest::newRow("period 15") << D::s_model27_1 << sampling << "0F 88 13 00 00 0F" << interface;
        QTest::newRow("period 0") << D::s_model27_1 << sampling << "05 88 13 00 00 00" << interface;
        QTest::newRow("trigger 3") << D::s_model27_1 << sampling << "05 88 13 03 00 05" << interface;
        QTest::newRow("over-sampling 3") << D::s_model27_1 << sampling << "05 88 13 00 03 05" << interface;
        QTest::newRow("no samples") << D::s_model27_1 << sampling << "05 00 00 00 00 05" << interface;
        const int setPWM = R::SetPWM;
        QTest::newRow("duty 101") << D::s_model10_1 << setPWM << "65" << interface;
        QTest::newRow("duty 100") << D::s_model10_1 << setPWM << "64" << "Success";
        QTest::newRow("second duty 101") << D::s_model27_1 << setPWM << "00 65" << interface;
        const int setAdvanced = R::SetAdvancedMotorMoveConfiguration;
        QTest::newRow("home position 3") << D::s_model1_2 << setAdvanced << "00 00 64 00 03 00 00 C8 00 64 00" << motion;
        QTest::newRow("home velocity 0") << D::s_model1_2 << setAdvanced << "00 00 64 00 01 00 00 00 00 64 00"
                                         << motion;
        QTest::newRow("flag 2") << D::s_model1_2 << setAdvanced << "02 00 64 00 01 00 00 C8 00 64 00" << motion;
        QTest::newRow("payload on a plain command") << D::s_model1_2 << int(R::MotorOn) << "01" << unknown;
    }

    // A refused write keeps the record the board had.
    void rangeChecks()
    {
        QFETCH(D, model);
        QFETCH(int, action);
        QFETCH(QString, payload);
        QFETCH(QString, message);
        const USBVersion firmware(model == D::s_model1_1 ? 2 : 1, 0);
        DriverBoardRig board(model, firmware);
        const QMap<int, int> readActions{{R::SetMotionConfiguration, R::GetMotionConfiguration},
            {R::SetMotorConfiguration, R::GetMotorConfiguration}, {R::SetInputConfiguration, R::GetInputConfiguration},
            {R::StartSampling, R::GetSamplingConfiguration},
            {R::SetAdvancedMotorMoveConfiguration, R::GetAdvancedMotorMoveConfiguration}};
        const int readAction = readActions.value(action, -1);
        QString before;
        if (readAction >= 0 && board.run(readAction).isOk())
            before = hexText(board.m_reply);
        if (action == R::Move)
            QVERIFY(board.run(R::MotorOn).isOk());

        const USBResult result = board.run(action, bytesToByteArray(hexBytes(payload)));
        QCOMPARE(result.getMessage(), message);
        if (readAction >= 0)
        {
            QVERIFY(board.run(readAction).isOk());
            QCOMPARE(hexText(board.m_reply), result.isOk() ? payload : before);
        }
    }

    void moveOnAMotorThatIsOff()
    {
        DriverBoardRig board(D::s_model1_2, USBVersion(3, 0));
        QCOMPARE(board.run(R::Move, moveOf(Move::Counted, Move::Forward, 100)).getMessage(),
            QString("Motor is turned off"));
        QCOMPARE(board.run(R::MoveHome).getMessage(), QString("Motor is turned off"));
        QCOMPARE(motorState(board).stateName(), QString("Off"));
    }

    void countedMove()
    {
        RunningBoard board;
        QVERIFY(board.m_ready);
        QCOMPARE(motorState(board).stateName(), QString("Hold"));
        QVERIFY(board.run(R::Move, moveOf(Move::Counted, Move::Forward, 1600)).isOk());
        board.m_pFirmware->advance(250);
        Info info = motorState(board);
        QCOMPARE(info.getState(), 9);
        QCOMPARE(info.stateName(), QString("Moving"));
        QCOMPARE(info.getPosition(), 800);
        QCOMPARE(info.getRemainingSteps(), quint32(800));
        QCOMPARE(board.run(R::Move, moveOf(Move::Counted, Move::Forward, 10)).getMessage(), QString("Motor is busy"));
        QCOMPARE(board.run(R::SetMotionConfiguration, Motion().toByteArray(D::s_model1_2)).getMessage(),
            QString("Motor is busy"));
        QCOMPARE(board.run(R::ZeroPosition).getMessage(), QString("Motor is busy"));
        board.m_pFirmware->advance(300);
        info = motorState(board);
        QCOMPARE(info.stateName(), QString("Hold"));
        QCOMPARE(info.getPosition(), 1600);
        QCOMPARE(info.getRemainingSteps(), quint32(0));
        QCOMPARE(info.microStepPosition(D::s_model1_2), 1600.0);

        QVERIFY(board.run(R::Move, moveOf(Move::Counted, Move::Backward, 400)).isOk());
        board.m_pFirmware->advance(1000);
        QCOMPARE(motorState(board).getPosition(), 1200);
    }

    // The board counts in its finest micro-step whatever the mode: 1/128 on (27,1).
    void positionInTheFinestStep()
    {
        DriverBoardRig board(D::s_model27_1, USBVersion(1, 0));
        Motion motion;
        motion.setValue(Motion::MicroStepping, 2);
        motion.setValue(Motion::AccelerationMethod, 0);
        QVERIFY(board.run(R::SetMotionConfiguration, motion.toByteArray(board.m_model)).isOk());
        QVERIFY(board.run(R::MotorOn).isOk());
        QVERIFY(board.run(R::Move, Move(Move::Counted, Move::Backward, 40).toByteArray(board.m_model)).isOk());
        board.m_pFirmware->advance(1000);
        const Info info = motorState(board);
        QCOMPARE(info.getPosition(), -1280);
        QCOMPARE(info.getMicroStepMode(), 2);
        QCOMPARE(info.microStepPosition(board.m_model), -40.0);
    }

    void continuousMoveAndStop()
    {
        RunningBoard board;
        QVERIFY(board.run(R::Move, moveOf(Move::Continuous, Move::Backward, 0)).isOk());
        board.m_pFirmware->advance(100);
        QCOMPARE(motorState(board).getState(), 8);
        QVERIFY(board.run(R::Stop).isOk());
        board.m_pFirmware->advance(100);
        const Info info = motorState(board);
        QCOMPARE(info.stateName(), QString("Hold"));
        QCOMPARE(info.getPosition(), -320);
        QVERIFY(board.run(R::Stop).isOk());
    }

    void backAndForth()
    {
        RunningBoard board;
        QVERIFY(board.run(R::Move, moveOf(Move::BackAndForth, Move::Forward, 320)).isOk());
        // 3200 micro-steps per second: out in 100 ms, back in the next 100 ms, and out again.
        board.m_pFirmware->advance(150);
        QCOMPARE(motorState(board).getPosition(), 160);
        QCOMPARE(motorState(board).getState(), 10);
        board.m_pFirmware->advance(50);
        QCOMPARE(motorState(board).getPosition(), 0);
        board.m_pFirmware->advance(75);
        QCOMPARE(motorState(board).getPosition(), 240);
        QCOMPARE(motorState(board).stateName(), QString("Moving"));
        QVERIFY(board.run(R::MotorOff).isOk());
        QCOMPARE(motorState(board).stateName(), QString("Off"));
    }

    void limits()
    {
        RunningBoard board;
        board.m_pFirmware->setLimitPositions(-10, 20);
        QVERIFY(board.run(R::SetInputConfiguration, wiredLimits(board.m_model, board.m_firmwareVersion)).isOk());
        QVERIFY(board.run(R::Move, moveOf(Move::Continuous, Move::Backward, 0)).isOk());
        board.m_pFirmware->advance(1000);
        Info info = motorState(board);
        QCOMPARE(info.stateName(), QString("Hold (at start)"));
        QCOMPARE(info.getPosition(), -160);
        QCOMPARE(board.run(R::Move, moveOf(Move::Counted, Move::Backward, 1)).getMessage(), QString("Motor at start"));
        QVERIFY(board.run(R::Move, moveOf(Move::Counted, Move::Forward, 10000)).isOk());
        board.m_pFirmware->advance(5000);
        info = motorState(board);
        QCOMPARE(info.stateName(), QString("Hold (at end)"));
        QCOMPARE(info.getPosition(), 320);
        QCOMPARE(board.run(R::Move, moveOf(Move::Continuous, Move::Forward, 0)).getMessage(), QString("Motor at end"));
        QVERIFY(board.run(R::MotorOff).isOk());
        QCOMPARE(motorState(board).stateName(), QString("Off (at end)"));
    }

    void limitsCountOnlyWhenWired()
    {
        RunningBoard board;
        board.m_pFirmware->setLimitPositions(-10, 20);
        QVERIFY(board.run(R::Move, moveOf(Move::Counted, Move::Backward, 320)).isOk());
        board.m_pFirmware->advance(1000);
        QCOMPARE(motorState(board).getPosition(), -320);
        QCOMPARE(motorState(board).getLimitFlags(), 0);
    }

    void bothLimits()
    {
        RunningBoard board;
        board.m_pFirmware->setLimitPositions(5, -5);
        QVERIFY(board.run(R::SetInputConfiguration, wiredLimits(board.m_model, board.m_firmwareVersion)).isOk());
        QCOMPARE(motorState(board).stateName(), QString("Hold (at start and end)"));
        QCOMPARE(board.run(R::Move, moveOf(Move::Counted, Move::Forward, 10)).getMessage(),
            QString("Both end limits are activated"));
    }

    void homeSearch_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("accurate");
        QTest::addColumn<bool>("zeroAtHome");
        QTest::addColumn<int>("endPosition");
        QTest::addColumn<QString>("endState");
        QTest::newRow("start") << 1 << false << false << -160 << "Hold (at start)";
        QTest::newRow("start, zero there") << 1 << false << true << 0 << "Hold (at start)";
        QTest::newRow("end") << 2 << false << false << 320 << "Hold (at end)";
        QTest::newRow("start, accurate") << 1 << true << false << -159 << "Hold";
        QTest::newRow("end, accurate, zero there") << 2 << true << true << 0 << "Hold";
    }

    void homeSearch()
    {
        QFETCH(int, position);
        QFETCH(bool, accurate);
        QFETCH(bool, zeroAtHome);
        QFETCH(int, endPosition);
        QFETCH(QString, endState);
        RunningBoard board;
        board.m_pFirmware->setLimitPositions(-10, 20);
        QVERIFY(board.run(R::SetInputConfiguration, wiredLimits(board.m_model, board.m_firmwareVersion)).isOk());
        QVERIFY(board.run(R::SetAdvancedMotorMoveConfiguration, ::homeSearch(position, accurate, zeroAtHome)).isOk());
        QVERIFY(board.run(R::MoveHome).isOk());
        board.m_pFirmware->advance(10);
        QCOMPARE(motorState(board).getState(), 11);
        QCOMPARE(board.run(R::MoveHome).getMessage(), QString("Motor is busy"));
        board.m_pFirmware->advance(2000);
        const Info info = motorState(board);
        QCOMPARE(info.stateName(), endState);
        QCOMPARE(info.getPosition(), endPosition);
    }

    // Switches that overlap: the accurate search finds the start switch inside the pressed
    // end switch and cannot back off it; it holds there instead of running on.
    void homeApproachBlockedByTheOtherSwitch()
    {
        RunningBoard board;
        QVERIFY(board.run(R::Move, moveOf(Move::Counted, Move::Forward, 200)).isOk());
        board.m_pFirmware->advance(100);
        board.m_pFirmware->setLimitPositions(10, 5);
        QVERIFY(board.run(R::SetInputConfiguration, wiredLimits(board.m_model, board.m_firmwareVersion)).isOk());
        QVERIFY(board.run(R::SetAdvancedMotorMoveConfiguration, ::homeSearch(1, true, false)).isOk());
        QVERIFY(board.run(R::MoveHome).isOk());
        board.m_pFirmware->advance(100);
        const Info info = motorState(board);
        QCOMPARE(info.stateName(), QString("Hold (at start and end)"));
        QCOMPARE(info.getPosition(), 160);
    }

    void homeSearchNeedsItsLimit()
    {
        RunningBoard board;
        QCOMPARE(board.run(R::MoveHome).getMessage(),
            QString("Some values for the motion configuration were out of range"));
        Input input;
        input.setChannelAssignments({{4, Input::s_endLimitFunction}});
        QVERIFY(board.run(R::SetInputConfiguration, input.toByteArray(board.m_model, board.m_firmwareVersion)).isOk());
        QVERIFY(board.run(R::SetAdvancedMotorMoveConfiguration, ::homeSearch(2, false, false)).isOk());
        QVERIFY(board.run(R::MoveHome).isOk());
    }

    void zeroPosition()
    {
        RunningBoard board;
        QVERIFY(board.run(R::Move, moveOf(Move::Counted, Move::Forward, 100)).isOk());
        board.m_pFirmware->advance(100);
        QVERIFY(board.run(R::ZeroPosition).isOk());
        QCOMPARE(motorState(board).getPosition(), 0);
        QVERIFY(board.run(R::Move, moveOf(Move::Counted, Move::Backward, 50)).isOk());
        board.m_pFirmware->advance(100);
        QCOMPARE(motorState(board).getPosition(), -50);
    }

    void faultsUntilTurnedOff()
    {
        RunningBoard board;
        QVERIFY(board.run(R::Move, moveOf(Move::Continuous, Move::Forward, 0)).isOk());
        board.m_pFirmware->advance(10);
        board.m_pFirmware->injectFault(105);
        Info info = motorState(board);
        QCOMPARE(info.getState(), 6);
        QCOMPARE(info.stateName(), QString("Motor driver over-temperature"));
        const qint32 stoppedAt = info.getPosition();
        board.m_pFirmware->advance(100);
        QCOMPARE(motorState(board).getPosition(), stoppedAt);
        QCOMPARE(board.run(R::MotorOn).getMessage(), QString("Motor driver over-temperature"));
        QCOMPARE(board.run(R::Move, moveOf(Move::Counted, Move::Forward, 1)).getMessage(),
            QString("Motor driver over-temperature"));
        QVERIFY(board.run(R::MotorOff).isOk());
        info = motorState(board);
        QCOMPARE(info.stateName(), QString("Off"));
        QCOMPARE(info.getErrorCode(), 0);
        QVERIFY(board.run(R::MotorOn).isOk());
        QVERIFY(board.run(R::Move, moveOf(Move::Counted, Move::Forward, 1)).isOk());
    }

    void motorFlagsShowInTheMotorConfiguration()
    {
        DriverBoardRig board(D::s_model1_2, USBVersion(2, 1));
        QVERIFY(board.run(R::ReducedHoldCurrentOff).isOk());
        QVERIFY(board.run(R::LowInductanceOn).isOk());
        QVERIFY(board.run(R::GetMotorConfiguration).isOk());
        Motor motor(board.m_reply, board.m_model, board.m_firmwareVersion);
        QCOMPARE(motor.value(Motor::ReducedHoldCurrent), QVariant(false));
        QCOMPARE(motor.value(Motor::LowInductance), QVariant(true));
        QVERIFY(board.run(R::ReducedHoldCurrentOn).isOk());
        QVERIFY(board.run(R::LowInductanceOff).isOk());
        QVERIFY(board.run(R::GetMotorConfiguration).isOk());
        motor = Motor(board.m_reply, board.m_model, board.m_firmwareVersion);
        QCOMPARE(motor.value(Motor::ReducedHoldCurrent), QVariant(true));
        QCOMPARE(motor.value(Motor::LowInductance), QVariant(false));
    }

    void relay()
    {
        DriverBoardRig board(D::s_model1_1, USBVersion(2, 0));
        QVERIFY(board.run(R::RelayOn).isOk());
        QVERIFY(board.m_pFirmware->isRelayOn());
        QVERIFY(board.run(R::RelayOff).isOk());
        QVERIFY(!board.m_pFirmware->isRelayOn());
    }

    void supply_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<double>("supplyVoltage");
        QTest::addColumn<double>("voltage");
        QTest::addColumn<double>("offCurrent");
        QTest::addColumn<double>("holdCurrent");
        QTest::addColumn<QString>("kind");
        QTest::newRow("(1,1)") << D::s_model1_1 << -1.0 << 48.0 << 0.03 << 0.08 << "No power";
        QTest::newRow("(1,2) at 36 V") << D::s_model1_2 << 36.0 << 36.0 << 0.03 << 0.08 << "No power";
        QTest::newRow("(27,1)") << D::s_model27_1 << -1.0 << 24.0 << 0.03 << 0.08 << "No power";
        QTest::newRow("(10,1)") << D::s_model10_1 << -1.0 << 16.0 << 0.03 << 0.08 << "Normal USB";
        QTest::newRow("(10,1) unpowered") << D::s_model10_1 << 0.0 << 0.0 << 0.0 << 0.0 << "No power";
        QTest::newRow("(1,2) unpowered") << D::s_model1_2 << 0.0 << 0.0 << 0.0 << 0.0 << "No power";
    }

    // Voltage and current per model, decoded as the studio decodes them; the motor's current
    // shows while it is on.
    void supply()
    {
        QFETCH(D, model);
        QFETCH(double, supplyVoltage);
        QFETCH(double, voltage);
        QFETCH(double, offCurrent);
        QFETCH(double, holdCurrent);
        QFETCH(QString, kind);
        DriverBoardRig board(model, USBVersion(1, 0));
        if (supplyVoltage >= 0.0)
            board.m_pFirmware->setSupplyVoltage(supplyVoltage);
        QVERIFY(board.run(R::MeasureSupply).isOk());
        TalvexDriverMeasurement measurement(board.m_reply, model);
        QCOMPARE(measurement.supplyVoltage(), voltage);
        QCOMPARE(measurement.supplyCurrent(), offCurrent);
        QCOMPARE(measurement.supplyKindName(), kind);
        QVERIFY(board.run(R::MotorOn).isOk());
        QVERIFY(board.run(R::MeasureSupply).isOk());
        measurement = TalvexDriverMeasurement(board.m_reply, model);
        QCOMPARE(measurement.supplyCurrent(), holdCurrent);
    }
};

TALVEX_TEST(TestSimDriverFirmware)
#include "tst_SimDriverFirmware.moc"
