#include "TestRegistry.h"

#include "SimBoardRig.h"

#include <QSet>
#include <QTest>

namespace
{
// Motion record of (1,2): 1/16 micro-stepping, 200 full steps per second both ways, step ramp.
const QString s_sixteenthSteps = "04 C8 00 C8 00 E8 03 00 00 00 00";
// Input record of (1,2) from firmware 3.0: the start limit on input 1, the end limit on input 2.
const QString s_wiredLimits = "20 21 FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00 05";

// Advanced move record with a home search at that limit (1 start, 2 end), fast 400, slow 50.
QString homeSearchPayload(int position, bool accurate, bool zeroAtHome)
{
    return QString("00 00 64 00 0%1 0%2 0%3 90 01 32 00").arg(position).arg(int(accurate)).arg(int(zeroAtHome));
}

// A (1,2) board, motor on, 1/16 micro-stepping at 200 full steps per second: 3200 micro-steps
// (the board's own unit on this model) per second.
struct RunningBoard : SimBoardRig
{
    RunningBoard() : SimBoardRig(1, 2, USBVersion(3, 0))
    {
        m_ready = run(Op::SetMotion, s_sixteenthSteps) == Status::Ok && run(Op::MotorOn) == Status::Ok;
    }

    bool m_ready = false;
};
}

class tst_SimDriverFirmware : public QObject
{
    Q_OBJECT

private slots:
    void serialNumberChoosesTheModel()
    {
        QCOMPARE(SimDriverFirmware::serialNumberOf(1, 2, 7), QString("VTAH001020007"));
        QCOMPARE(SimDriverFirmware::serialNumberOf(27, 1, 1234), QString("VTAH027011234"));
        const SimDriverFirmware board("vtbp010010001", USBVersion(1, 1));
        QVERIFY(board.getModel().is(10, 1));
        QCOMPARE(board.getModel().getFirmwareVersion().getMinor(), 1);
    }

    void commandSetOfEachModel_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("revision");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<QString>("reads");
        QTest::addColumn<QString>("plain");
        QTest::addColumn<int>("pwmSize");
        const QString relay = "27 28 29 2A 2B 2C 2D 2E 2F 30 31 32";
        const QString both = "27 28 29 2A 2B 2C 2D 2E 2F 30 31 32 33 34";
        const QString lowInductance = "27 28 29 2A 2B 2E 2F 30 31 32 33 34";
        QTest::newRow("(1,1)") << 1 << 1 << USBVersion(2, 0) << "40:10 41:14 42:8 43:10 44:18 45:6 46:11" << relay << 1;
        QTest::newRow("(1,2) 2.0") << 1 << 2 << USBVersion(2, 0) << "40:10 41:14 42:11 43:10 44:18 45:6 46:11" << both
                                   << 1;
        QTest::newRow("(1,2) 2.1") << 1 << 2 << USBVersion(2, 1) << "40:10 41:14 42:11 43:11 44:18 45:6 46:11" << both
                                   << 1;
        QTest::newRow("(1,2) 3.0") << 1 << 2 << USBVersion(3, 0) << "40:10 41:14 42:11 43:11 44:19 45:6 46:11" << both
                                   << 1;
        QTest::newRow("(1,2) 4.0") << 1 << 2 << USBVersion(4, 0) << "40:10 41:14 42:11 43:11 44:19 45:6 46:11" << both
                                   << 2;
        QTest::newRow("(10,1)") << 10 << 1 << USBVersion(1, 1) << "40:9 41:14 42:11 43:11 44:19 45:6 46:11 47:1"
                                << lowInductance << 1;
        QTest::newRow("(27,1)") << 27 << 1 << USBVersion(1, 0) << "40:10 41:14 42:11 43:11 44:25 45:6 46:11 47:2"
                                << lowInductance << 2;
    }

    // Each opcode of the model's map answers with its documented reply length; every write
    // takes the record its read gives; every other opcode is refused as unknown.
    void commandSetOfEachModel()
    {
        QFETCH(int, productCode);
        QFETCH(int, revision);
        QFETCH(USBVersion, firmware);
        QFETCH(QString, reads);
        QFETCH(QString, plain);
        QFETCH(int, pwmSize);
        SimBoardRig board(productCode, revision, firmware);
        QSet<int> known;
        for (const QString& entry : reads.split(' '))
        {
            const quint8 opcode = quint8(entry.section(':', 0, 0).toInt(nullptr, 16));
            QCOMPARE(board.run(opcode), Status::Ok);
            QCOMPARE(board.m_reply.count(), entry.section(':', 1).toInt());
            known.insert(opcode);
        }

        const QVector<QPair<quint8, quint8>> writes{{Op::SetMotion, Op::GetMotion}, {Op::SetMotor, Op::GetMotor},
            {Op::SetInputs, Op::GetInputs}, {Op::StartSampling, Op::GetSampling},
            {Op::SetAdvancedMove, Op::GetAdvancedMove}};
        for (const auto& write : writes)
        {
            QCOMPARE(board.run(write.first, board.read(write.second)), Status::Ok);
            QVERIFY(board.m_reply.isEmpty());
            known.insert(write.first);
        }
        const QString pwm = hexText(QVector<quint8>(pwmSize, 0));
        QCOMPARE(board.run(Op::SetPWM, pwm), Status::Ok);
        QCOMPARE(board.run(Op::SetPWM, pwm + " 00"), Status::NotRecognised);
        QCOMPARE(board.run(Op::Move, movePayload(1, 0, 10)), Status::TurnedOff);
        known << Op::SetPWM << Op::Move;

        // In this order the motor is off again when the home search comes.
        for (const QString& text : plain.split(' '))
        {
            const quint8 opcode = quint8(text.toInt(nullptr, 16));
            QCOMPARE(board.run(opcode), opcode == Op::MoveHome ? Status::TurnedOff : Status::Ok);
            QVERIFY(board.m_reply.isEmpty());
            known.insert(opcode);
        }

        for (int opcode = 0; opcode < 256; ++opcode)
        {
            if (known.contains(opcode))
                continue;
            QVERIFY2(board.run(quint8(opcode)) == Status::NotRecognised && board.m_reply.isEmpty(),
                qPrintable(QString::number(opcode, 16)));
        }
    }

    void boardWithoutCommandSetRefusesEverything()
    {
        for (const QString& serial : {QString("VTAH023010001"), QString("not a serial")})
        {
            SimDriverFirmware board(serial, USBVersion(1, 0));
            for (int opcode = 0; opcode < 256; ++opcode)
                QCOMPARE(int(board.handleCommand(quint8(opcode), {}).status), Status::NotRecognised);
        }
    }

    void defaultRecords_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("revision");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<int>("opcode");
        QTest::addColumn<QString>("bytes");
        QTest::newRow("motion (1,2)") << 1 << 2 << USBVersion(3, 0) << int(Op::GetMotion)
                                      << "00 C8 00 C8 00 E8 03 00 00 01 00";
        QTest::newRow("motion (1,1)") << 1 << 1 << USBVersion(2, 0) << int(Op::GetMotion) << "00 C8 00 E8 03 00 00 01";
        QTest::newRow("motor (1,2) 2.0") << 1 << 2 << USBVersion(2, 0) << int(Op::GetMotor)
                                         << "08 07 C8 00 0A 00 01 00 88 13";
        QTest::newRow("motor (27,1)") << 27 << 1 << USBVersion(1, 0) << int(Op::GetMotor)
                                      << "08 07 C8 00 0A 00 01 00 88 13 00";
        QTest::newRow("sampling") << 10 << 1 << USBVersion(1, 0) << int(Op::GetSampling) << "05 88 13 00 00 05";
        QTest::newRow("advanced move") << 1 << 1 << USBVersion(2, 0) << int(Op::GetAdvancedMove)
                                       << "00 00 64 00 01 00 00 C8 00 64 00";
        QTest::newRow("input (1,1)") << 1 << 1 << USBVersion(2, 0) << int(Op::GetInputs)
                                     << "FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00";
        QTest::newRow("input (1,2) 3.0") << 1 << 2 << USBVersion(3, 0) << int(Op::GetInputs)
                                         << "FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00 05";
        QTest::newRow("input (27,1)") << 27 << 1 << USBVersion(1, 0) << int(Op::GetInputs)
                                      << "FF FF FF FF FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00 05 00 00";
        QTest::newRow("PWM (27,1)") << 27 << 1 << USBVersion(1, 0) << int(Op::GetPWM) << "00 00";
        QTest::newRow("PWM (10,1)") << 10 << 1 << USBVersion(1, 1) << int(Op::GetPWM) << "00";
        QTest::newRow("motor state") << 1 << 2 << USBVersion(3, 0) << int(Op::GetMotorState)
                                     << "00 00 00 00 00 00 00 00 00 00 00 04 00 00";
    }

    void defaultRecords()
    {
        QFETCH(int, productCode);
        QFETCH(int, revision);
        QFETCH(USBVersion, firmware);
        QFETCH(int, opcode);
        QFETCH(QString, bytes);
        SimBoardRig board(productCode, revision, firmware);
        QCOMPARE(board.read(quint8(opcode)), bytes);
    }

    void readsGiveBackWhatWasWritten_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("revision");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<int>("write");
        QTest::addColumn<int>("read");
        QTest::addColumn<QString>("payload");
        const int setMotion = Op::SetMotion;
        const int getMotion = Op::GetMotion;
        QTest::newRow("motion (1,1)") << 1 << 1 << USBVersion(2, 0) << setMotion << getMotion
                                      << "03 DC 05 30 75 00 00 01";
        QTest::newRow("motion (1,2), separate backward velocity")
            << 1 << 2 << USBVersion(3, 0) << setMotion << getMotion << "03 DC 05 84 03 30 75 00 00 01 01";
        QTest::newRow("motion (27,1) 1/128") << 27 << 1 << USBVersion(1, 0) << setMotion << getMotion
                                             << "07 0D 03 0D 03 E8 03 00 00 00 00";
        const int setMotor = Op::SetMotor;
        const int getMotor = Op::GetMotor;
        QTest::newRow("motor (1,2) 2.0") << 1 << 2 << USBVersion(2, 0) << setMotor << getMotor
                                         << "84 03 C2 01 0A 00 00 01 C4 09";
        QTest::newRow("motor (1,2) 2.1, low inductance") << 1 << 2 << USBVersion(2, 1) << setMotor << getMotor
                                                         << "84 03 C2 01 0A 00 00 01 C4 09 01";
        QTest::newRow("motor (27,1)") << 27 << 1 << USBVersion(1, 0) << setMotor << getMotor
                                      << "08 07 D0 07 0A 00 01 00 88 13 01";
        const int setInputs = Op::SetInputs;
        const int getInputs = Op::GetInputs;
        QTest::newRow("inputs (1,1)") << 1 << 1 << USBVersion(2, 0) << setInputs << getInputs
                                      << "20 FF 0C FF 01 01 01 00 01 00 01 00 04 00 04 05 00 08";
        QTest::newRow("inputs (1,2) 3.0") << 1 << 2 << USBVersion(3, 0) << setInputs << getInputs
                                          << "20 21 FF FF 00 00 00 00 00 00 00 00 06 01 04 0F 00 04 08";
        QTest::newRow("inputs (27,1)") << 27 << 1 << USBVersion(1, 0) << setInputs << getInputs
                                       << "FF 20 FF FF FF FF 21 FF 00 00 00 00 00 00 00 00 02 00 04 09 10 27 0A 01 01";
        QTest::newRow("sampling") << 10 << 1 << USBVersion(1, 1) << int(Op::StartSampling) << int(Op::GetSampling)
                                  << "06 8A 0C 01 02 09";
        QTest::newRow("advanced move") << 1 << 2 << USBVersion(3, 0) << int(Op::SetAdvancedMove)
                                       << int(Op::GetAdvancedMove) << "01 01 19 00 02 01 01 90 01 32 00";
        QTest::newRow("PWM (27,1)") << 27 << 1 << USBVersion(1, 0) << int(Op::SetPWM) << int(Op::GetPWM) << "2A 11";
        QTest::newRow("PWM (10,1)") << 10 << 1 << USBVersion(1, 1) << int(Op::SetPWM) << int(Op::GetPWM) << "2A";
    }

    void readsGiveBackWhatWasWritten()
    {
        QFETCH(int, productCode);
        QFETCH(int, revision);
        QFETCH(USBVersion, firmware);
        QFETCH(int, write);
        QFETCH(int, read);
        QFETCH(QString, payload);
        SimBoardRig board(productCode, revision, firmware);
        QCOMPARE(board.run(quint8(write), payload), Status::Ok);
        QCOMPARE(board.read(quint8(read)), payload);
    }

    void oneByteDutyCycleFromScripts()
    {
        SimBoardRig board(27, 1, USBVersion(1, 0));
        QCOMPARE(board.run(Op::SetPWM, "1E 32"), Status::Ok);
        QCOMPARE(board.run(Op::SetPWM, "50"), Status::Ok);
        QCOMPARE(board.read(Op::GetPWM), QString("50 32"));
    }

    void rangeChecks_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("revision");
        QTest::addColumn<int>("write");
        QTest::addColumn<QString>("payload");
        QTest::addColumn<int>("status");
        const int motion = Status::MotionOutOfRange;
        const int motor = Status::MotorOutOfRange;
        const int interface = Status::InterfaceOutOfRange;
        const int unknown = Status::NotRecognised;
        const int ok = Status::Ok;
        const int setMotion = Op::SetMotion;
        QTest::newRow("motion fits") << 1 << 2 << setMotion << "04 E2 04 E2 04 E8 03 00 00 00 00" << ok;
        QTest::newRow("motion too fast") << 1 << 2 << setMotion << "04 E3 04 E2 04 E8 03 00 00 00 00" << motion;
        QTest::newRow("backward too fast") << 1 << 2 << setMotion << "04 E2 04 E3 04 E8 03 00 00 00 01" << motion;
        QTest::newRow("backward not separate") << 1 << 2 << setMotion << "04 E2 04 E3 04 E8 03 00 00 00 00" << ok;
        QTest::newRow("(27,1) runs it fast") << 27 << 1 << setMotion << "04 6A 18 00 00 E8 03 00 00 00 00" << ok;
        QTest::newRow("(10,1) lacks 1/16") << 10 << 1 << setMotion << "04 01 00 01 00 E8 03 00 00 00 00" << motion;
        QTest::newRow("(1,1) lacks 1/32") << 1 << 1 << setMotion << "05 01 00 E8 03 00 00 00" << motion;
        QTest::newRow("velocity 0") << 1 << 1 << setMotion << "00 00 00 E8 03 00 00 00" << motion;
        QTest::newRow("ramp too long") << 1 << 1 << setMotion << "00 C8 00 64 00 00 00 01" << motion;
        QTest::newRow("ramp too short") << 1 << 1 << setMotion << "00 C8 00 81 84 1E 00 01" << motion;
        QTest::newRow("no acceleration") << 1 << 1 << setMotion << "00 C8 00 00 00 00 00 01" << motion;
        QTest::newRow("step ramp, acceleration unchecked") << 1 << 1 << setMotion << "00 C8 00 00 00 00 00 00" << ok;
        QTest::newRow("method 2") << 1 << 1 << setMotion << "00 C8 00 E8 03 00 00 02" << motion;
        QTest::newRow("motion too short") << 1 << 2 << setMotion << "00 C8 00 E8 03 00 00 01" << unknown;
        const int setMotor = Op::SetMotor;
        QTest::newRow("current too high") << 10 << 1 << setMotor << "08 07 F5 01 0A 00 01 00 88 13 00" << motor;
        QTest::newRow("current at the top") << 10 << 1 << setMotor << "08 07 F4 01 0A 00 01 00 88 13 00" << ok;
        QTest::newRow("current too low") << 1 << 1 << setMotor << "08 07 31 00 0A 00 01 00 88 13" << motor;
        QTest::newRow("drive type 2") << 1 << 1 << setMotor << "08 07 C8 00 0A 00 01 02 88 13" << motor;
        QTest::newRow("step size 0") << 1 << 1 << setMotor << "00 00 C8 00 0A 00 01 00 88 13" << motor;
        QTest::newRow("motor too long for (1,1)") << 1 << 1 << setMotor << "08 07 C8 00 0A 00 01 00 88 13 00"
                                                  << unknown;
        const int move = Op::Move;
        QTest::newRow("(1,1) has no back and forth") << 1 << 1 << move << "03 00 0A 00 00 00" << motion;
        QTest::newRow("mode 2") << 1 << 2 << move << "02 00 0A 00 00 00" << motion;
        QTest::newRow("direction 2") << 1 << 2 << move << "01 02 0A 00 00 00" << motion;
        QTest::newRow("move too short") << 1 << 2 << move << "01 00 0A 00 00" << unknown;
        const int setInputs = Op::SetInputs;
        QTest::newRow("ADC gain 7") << 1 << 1 << setInputs << "FF FF FF FF 00 00 00 00 00 00 00 00 07 00 04 00 00 00"
                                    << interface;
        QTest::newRow("ADC mode 2") << 1 << 1 << setInputs << "FF FF FF FF 00 00 00 00 00 00 00 00 00 02 04 00 00 00"
                                    << interface;
        QTest::newRow("input of another firmware")
            << 1 << 1 << setInputs << "FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00 05" << unknown;
        const int sampling = Op::StartSampling;
        QTest::newRow("period 15") << 27 << 1 << sampling << "0F 88 13 00 00 0F" << interface;
        QTest::newRow("period 0") << 27 << 1 << sampling << "05 88 13 00 00 00" << interface;
        QTest::newRow("trigger 3") << 27 << 1 << sampling << "05 88 13 03 00 05" << interface;
        QTest::newRow("over-sampling 3") << 27 << 1 << sampling << "05 88 13 00 03 05" << interface;
        QTest::newRow("no samples") << 27 << 1 << sampling << "05 00 00 00 00 05" << interface;
        const int setPWM = Op::SetPWM;
        QTest::newRow("duty 101") << 10 << 1 << setPWM << "65" << interface;
        QTest::newRow("duty 100") << 10 << 1 << setPWM << "64" << ok;
        QTest::newRow("second duty 101") << 27 << 1 << setPWM << "00 65" << interface;
        const int setAdvanced = Op::SetAdvancedMove;
        QTest::newRow("home position 3") << 1 << 2 << setAdvanced << "00 00 64 00 03 00 00 C8 00 64 00" << motion;
        QTest::newRow("home velocity 0") << 1 << 2 << setAdvanced << "00 00 64 00 01 00 00 00 00 64 00" << motion;
        QTest::newRow("flag 2") << 1 << 2 << setAdvanced << "02 00 64 00 01 00 00 C8 00 64 00" << motion;
        QTest::newRow("payload on a plain command") << 1 << 2 << int(Op::MotorOn) << "01" << unknown;
    }

    // A refused write keeps the record the board had.
    void rangeChecks()
    {
        QFETCH(int, productCode);
        QFETCH(int, revision);
        QFETCH(int, write);
        QFETCH(QString, payload);
        QFETCH(int, status);
        SimBoardRig board(productCode, revision, USBVersion(productCode == 1 && revision == 1 ? 2 : 1, 0));
        const QMap<int, quint8> reads{{Op::SetMotion, Op::GetMotion}, {Op::SetMotor, Op::GetMotor},
            {Op::SetInputs, Op::GetInputs}, {Op::StartSampling, Op::GetSampling},
            {Op::SetAdvancedMove, Op::GetAdvancedMove}};
        const QString before = reads.contains(write) ? board.read(reads.value(write)) : QString();
        if (write == Op::Move)
            QCOMPARE(board.run(Op::MotorOn), Status::Ok);

        QCOMPARE(board.run(quint8(write), payload), status);
        if (reads.contains(write))
            QCOMPARE(board.read(reads.value(write)), status == Status::Ok ? payload : before);
    }

    void moveOnAMotorThatIsOff()
    {
        SimBoardRig board(1, 2, USBVersion(3, 0));
        QCOMPARE(board.run(Op::Move, movePayload(1, 0, 100)), Status::TurnedOff);
        QCOMPARE(board.run(Op::MoveHome), Status::TurnedOff);
        QCOMPARE(board.motorState().state, 4);
    }

    void countedMove()
    {
        RunningBoard board;
        QVERIFY(board.m_ready);
        QCOMPARE(board.motorState().state, 1);
        QCOMPARE(board.run(Op::Move, movePayload(1, 0, 1600)), Status::Ok);
        board.m_firmware.advance(250);
        MotorState state = board.motorState();
        QCOMPARE(state.state, 9);
        QCOMPARE(state.position, 800);
        QCOMPARE(state.remainingSteps, quint32(800));
        QCOMPARE(state.remainingStepsShown, 1);
        QCOMPARE(state.microStepMode, 4);
        QCOMPARE(board.run(Op::Move, movePayload(1, 0, 10)), Status::Busy);
        QCOMPARE(board.run(Op::SetMotion, s_sixteenthSteps), Status::Busy);
        QCOMPARE(board.run(Op::ZeroPosition), Status::Busy);
        board.m_firmware.advance(300);
        state = board.motorState();
        QCOMPARE(state.state, 1);
        QCOMPARE(state.position, 1600);
        QCOMPARE(state.remainingSteps, quint32(0));
        QCOMPARE(state.remainingStepsShown, 0);

        QCOMPARE(board.run(Op::Move, movePayload(1, 1, 400)), Status::Ok);
        board.m_firmware.advance(1000);
        QCOMPARE(board.motorState().position, 1200);
    }

    // The board counts in its finest micro-step whatever the mode: 1/128 on (27,1).
    void positionInTheFinestStep()
    {
        SimBoardRig board(27, 1, USBVersion(1, 0));
        QCOMPARE(board.run(Op::SetMotion, "02 C8 00 C8 00 E8 03 00 00 00 00"), Status::Ok);
        QCOMPARE(board.run(Op::MotorOn), Status::Ok);
        QCOMPARE(board.run(Op::Move, movePayload(1, 1, 40)), Status::Ok);
        board.m_firmware.advance(1000);
        const MotorState state = board.motorState();
        QCOMPARE(state.position, -1280);
        QCOMPARE(state.microStepMode, 2);
    }

    void continuousMoveAndStop()
    {
        RunningBoard board;
        QCOMPARE(board.run(Op::Move, movePayload(0, 1, 0)), Status::Ok);
        board.m_firmware.advance(100);
        QCOMPARE(board.motorState().state, 8);
        QCOMPARE(board.motorState().remainingStepsShown, 0);
        QCOMPARE(board.run(Op::Stop), Status::Ok);
        board.m_firmware.advance(100);
        const MotorState state = board.motorState();
        QCOMPARE(state.state, 1);
        QCOMPARE(state.position, -320);
        QCOMPARE(board.run(Op::Stop), Status::Ok);
    }

    void backAndForth()
    {
        RunningBoard board;
        QCOMPARE(board.run(Op::Move, movePayload(3, 0, 320)), Status::Ok);
        // 3200 micro-steps per second: out in 100 ms, back in the next 100 ms, and out again.
        board.m_firmware.advance(150);
        QCOMPARE(board.motorState().position, 160);
        QCOMPARE(board.motorState().state, 10);
        QCOMPARE(board.motorState().remainingSteps, quint32(160));
        QCOMPARE(board.motorState().remainingStepsShown, 1);
        board.m_firmware.advance(50);
        QCOMPARE(board.motorState().position, 0);
        board.m_firmware.advance(75);
        QCOMPARE(board.motorState().position, 240);
        QCOMPARE(board.motorState().state, 10);
        QCOMPARE(board.run(Op::MotorOff), Status::Ok);
        QCOMPARE(board.motorState().state, 4);
    }

    void limits()
    {
        RunningBoard board;
        board.m_firmware.setLimitPositions(-10, 20);
        QCOMPARE(board.run(Op::SetInputs, s_wiredLimits), Status::Ok);
        QCOMPARE(board.run(Op::Move, movePayload(0, 1, 0)), Status::Ok);
        board.m_firmware.advance(1000);
        MotorState state = board.motorState();
        QCOMPARE(state.state, 1);
        QCOMPARE(state.limitFlags, 1);
        QCOMPARE(state.position, -160);
        QCOMPARE(board.run(Op::Move, movePayload(1, 1, 1)), Status::AtStart);
        QCOMPARE(board.run(Op::Move, movePayload(1, 0, 10000)), Status::Ok);
        board.m_firmware.advance(5000);
        state = board.motorState();
        QCOMPARE(state.state, 1);
        QCOMPARE(state.limitFlags, 2);
        QCOMPARE(state.position, 320);
        QCOMPARE(board.run(Op::Move, movePayload(0, 0, 0)), Status::AtEnd);
        QCOMPARE(board.run(Op::MotorOff), Status::Ok);
        state = board.motorState();
        QCOMPARE(state.state, 4);
        QCOMPARE(state.limitFlags, 2);
    }

    void limitsCountOnlyWhenWired()
    {
        RunningBoard board;
        board.m_firmware.setLimitPositions(-10, 20);
        QCOMPARE(board.run(Op::Move, movePayload(1, 1, 320)), Status::Ok);
        board.m_firmware.advance(1000);
        QCOMPARE(board.motorState().position, -320);
        QCOMPARE(board.motorState().limitFlags, 0);
    }

    void bothLimits()
    {
        RunningBoard board;
        board.m_firmware.setLimitPositions(5, -5);
        QCOMPARE(board.run(Op::SetInputs, s_wiredLimits), Status::Ok);
        QCOMPARE(board.motorState().limitFlags, 3);
        QCOMPARE(board.run(Op::Move, movePayload(1, 0, 10)), Status::BothLimits);
    }

    void homeSearch_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<bool>("accurate");
        QTest::addColumn<bool>("zeroAtHome");
        QTest::addColumn<int>("endPosition");
        QTest::addColumn<int>("endLimits");
        QTest::newRow("start") << 1 << false << false << -160 << 1;
        QTest::newRow("start, zero there") << 1 << false << true << 0 << 1;
        QTest::newRow("end") << 2 << false << false << 320 << 2;
        QTest::newRow("start, accurate") << 1 << true << false << -159 << 0;
        QTest::newRow("end, accurate, zero there") << 2 << true << true << 0 << 0;
    }

    void homeSearch()
    {
        QFETCH(int, position);
        QFETCH(bool, accurate);
        QFETCH(bool, zeroAtHome);
        QFETCH(int, endPosition);
        QFETCH(int, endLimits);
        RunningBoard board;
        board.m_firmware.setLimitPositions(-10, 20);
        QCOMPARE(board.run(Op::SetInputs, s_wiredLimits), Status::Ok);
        QCOMPARE(board.run(Op::SetAdvancedMove, homeSearchPayload(position, accurate, zeroAtHome)), Status::Ok);
        QCOMPARE(board.run(Op::MoveHome), Status::Ok);
        board.m_firmware.advance(10);
        QCOMPARE(board.motorState().state, 11);
        QCOMPARE(board.run(Op::MoveHome), Status::Busy);
        board.m_firmware.advance(2000);
        const MotorState state = board.motorState();
        QCOMPARE(state.state, 1);
        QCOMPARE(state.limitFlags, endLimits);
        QCOMPARE(state.position, endPosition);
    }

    // Switches that overlap: the accurate search finds the start switch inside the pressed
    // end switch and cannot back off it; it holds there instead of running on.
    void homeApproachBlockedByTheOtherSwitch()
    {
        RunningBoard board;
        QCOMPARE(board.run(Op::Move, movePayload(1, 0, 200)), Status::Ok);
        board.m_firmware.advance(100);
        board.m_firmware.setLimitPositions(10, 5);
        QCOMPARE(board.run(Op::SetInputs, s_wiredLimits), Status::Ok);
        QCOMPARE(board.run(Op::SetAdvancedMove, homeSearchPayload(1, true, false)), Status::Ok);
        QCOMPARE(board.run(Op::MoveHome), Status::Ok);
        board.m_firmware.advance(100);
        const MotorState state = board.motorState();
        QCOMPARE(state.state, 1);
        QCOMPARE(state.limitFlags, 3);
        QCOMPARE(state.position, 160);
    }

    void homeSearchNeedsItsLimit()
    {
        RunningBoard board;
        QCOMPARE(board.run(Op::MoveHome), Status::MotionOutOfRange);
        // The end limit on input 4.
        QCOMPARE(board.run(Op::SetInputs, "FF FF FF 21 00 00 00 00 00 00 00 00 00 00 04 00 00 00 05"), Status::Ok);
        QCOMPARE(board.run(Op::SetAdvancedMove, homeSearchPayload(2, false, false)), Status::Ok);
        QCOMPARE(board.run(Op::MoveHome), Status::Ok);
    }

    void zeroPosition()
    {
        RunningBoard board;
        QCOMPARE(board.run(Op::Move, movePayload(1, 0, 100)), Status::Ok);
        board.m_firmware.advance(100);
        QCOMPARE(board.run(Op::ZeroPosition), Status::Ok);
        QCOMPARE(board.motorState().position, 0);
        QCOMPARE(board.run(Op::Move, movePayload(1, 1, 50)), Status::Ok);
        board.m_firmware.advance(100);
        QCOMPARE(board.motorState().position, -50);
    }

    void faultsUntilTurnedOff()
    {
        RunningBoard board;
        QCOMPARE(board.run(Op::Move, movePayload(0, 0, 0)), Status::Ok);
        board.m_firmware.advance(10);
        board.m_firmware.injectFault(Status::OverTemperature);
        MotorState state = board.motorState();
        QCOMPARE(state.state, 6);
        QCOMPARE(state.errorCode, Status::OverTemperature);
        const qint32 stoppedAt = state.position;
        board.m_firmware.advance(100);
        QCOMPARE(board.motorState().position, stoppedAt);
        QCOMPARE(board.run(Op::MotorOn), Status::OverTemperature);
        QCOMPARE(board.run(Op::Move, movePayload(1, 0, 1)), Status::OverTemperature);
        QCOMPARE(board.run(Op::MotorOff), Status::Ok);
        state = board.motorState();
        QCOMPARE(state.state, 4);
        QCOMPARE(state.errorCode, 0);
        QCOMPARE(board.run(Op::MotorOn), Status::Ok);
        QCOMPARE(board.run(Op::Move, movePayload(1, 0, 1)), Status::Ok);
    }

    void motorFlagsShowInTheMotorConfiguration()
    {
        SimBoardRig board(1, 2, USBVersion(2, 1));
        QCOMPARE(board.run(Op::ReducedHoldCurrentOff), Status::Ok);
        QCOMPARE(board.run(Op::LowInductanceOn), Status::Ok);
        QCOMPARE(board.read(Op::GetMotor), QString("08 07 C8 00 0A 00 00 00 88 13 01"));
        QCOMPARE(board.run(Op::ReducedHoldCurrentOn), Status::Ok);
        QCOMPARE(board.run(Op::LowInductanceOff), Status::Ok);
        QCOMPARE(board.read(Op::GetMotor), QString("08 07 C8 00 0A 00 01 00 88 13 00"));
    }

    void relay()
    {
        SimBoardRig board(1, 1, USBVersion(2, 0));
        QCOMPARE(board.run(Op::RelayOn), Status::Ok);
        QVERIFY(board.m_firmware.isRelayOn());
        QCOMPARE(board.run(Op::RelayOff), Status::Ok);
        QVERIFY(!board.m_firmware.isRelayOn());
    }

    void supply_data()
    {
        QTest::addColumn<int>("productCode");
        QTest::addColumn<int>("revision");
        QTest::addColumn<double>("supplyVoltage");
        QTest::addColumn<QString>("motorOff");
        QTest::addColumn<QString>("motorOn");
        // Tenths of volts and the current at 200 counts per ampere (400 on (27,1)), signed.
        QTest::newRow("(1,1) at 48 V") << 1 << 1 << -1.0 << "00 00 00 00 00 00 E0 01 06 00"
                                       << "00 00 00 00 00 00 E0 01 10 00";
        QTest::newRow("(1,2) at 36 V") << 1 << 2 << 36.0 << "00 00 00 00 00 00 68 01 06 00"
                                       << "00 00 00 00 00 00 68 01 10 00";
        QTest::newRow("(27,1) at 24 V") << 27 << 1 << -1.0 << "00 00 00 00 00 00 F0 00 0C 00"
                                        << "00 00 00 00 00 00 F0 00 20 00";
        QTest::newRow("(1,2) unpowered") << 1 << 2 << 0.0 << "00 00 00 00 00 00 00 00 00 00"
                                         << "00 00 00 00 00 00 00 00 00 00";
        // The power source (1 a normal USB port) and the current in mA.
        QTest::newRow("(10,1)") << 10 << 1 << -1.0 << "00 00 00 00 00 00 01 1E 00" << "00 00 00 00 00 00 01 50 00";
        QTest::newRow("(10,1) unpowered") << 10 << 1 << 0.0 << "00 00 00 00 00 00 00 00 00"
                                          << "00 00 00 00 00 00 00 00 00";
    }

    // 30 mA for the board; with the motor on in hold, a quarter of its 200 mA more.
    void supply()
    {
        QFETCH(int, productCode);
        QFETCH(int, revision);
        QFETCH(double, supplyVoltage);
        QFETCH(QString, motorOff);
        QFETCH(QString, motorOn);
        SimBoardRig board(productCode, revision, USBVersion(1, 0));
        if (supplyVoltage >= 0.0)
            board.m_firmware.setSupplyVoltage(supplyVoltage);
        QCOMPARE(board.read(Op::MeasureSupply), motorOff);
        QCOMPARE(board.run(Op::MotorOn), Status::Ok);
        QCOMPARE(board.read(Op::MeasureSupply), motorOn);
    }
};

TALVEX_TEST(tst_SimDriverFirmware)
#include "tst_SimDriverFirmware.moc"
