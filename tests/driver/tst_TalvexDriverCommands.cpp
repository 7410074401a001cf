#include "TestRegistry.h"

#include "ConnectedDriverBoard.h"
#include "DriverTestSupport.h"
#include "SettingsSandbox.h"
#include "TalvexDriverCommands.h"
#include "TalvexDriverMotorMoveConfiguration.h"

#include <QTest>
#include <functional>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverMotorMoveConfiguration Move;
typedef std::function<USBResult(TalvexDriverCommands&, TalvexDocument&)> Call;

// Every call by its name, with the document's records as the ones to upload.
const QHash<QString, Call>& calls()
{
    static const QHash<QString, Call> s_calls = {
        {"motorOn", [](TalvexDriverCommands& c, TalvexDocument&) { return c.motorOn(); }},
        {"motorOff", [](TalvexDriverCommands& c, TalvexDocument&) { return c.motorOff(); }},
        {"getMotorState", [](TalvexDriverCommands& c, TalvexDocument&) { return c.getMotorState(); }},
        {"move counted", [](TalvexDriverCommands& c, TalvexDocument&) { return c.move(Move(Move::Counted, Move::Backward, 100000)); }},
        {"move back and forth", [](TalvexDriverCommands& c, TalvexDocument&) { return c.move(Move(Move::BackAndForth, Move::Forward, 5)); }},
        {"stop", [](TalvexDriverCommands& c, TalvexDocument&) { return c.stop(); }},
        {"moveHome", [](TalvexDriverCommands& c, TalvexDocument&) { return c.moveHome(); }},
        {"zeroPosition", [](TalvexDriverCommands& c, TalvexDocument&) { return c.zeroPosition(); }},
        {"clearCounters", [](TalvexDriverCommands& c, TalvexDocument&) { return c.clearCounters(); }},
        {"reducedHoldCurrent on", [](TalvexDriverCommands& c, TalvexDocument&) { return c.setReducedHoldCurrent(true); }},
        {"reducedHoldCurrent off", [](TalvexDriverCommands& c, TalvexDocument&) { return c.setReducedHoldCurrent(false); }},
        {"lowInductance on", [](TalvexDriverCommands& c, TalvexDocument&) { return c.setLowInductance(true); }},
        {"lowInductance off", [](TalvexDriverCommands& c, TalvexDocument&) { return c.setLowInductance(false); }},
        {"setMotorConfiguration", [](TalvexDriverCommands& c, TalvexDocument& d) { return c.setMotorConfiguration(*d.motorConfiguration()); }},
        {"getMotorConfiguration", [](TalvexDriverCommands& c, TalvexDocument&) { return c.getMotorConfiguration(); }},
        {"setMotionConfiguration", [](TalvexDriverCommands& c, TalvexDocument& d) { return c.setMotionConfiguration(*d.motionConfiguration()); }},
        {"getMotionConfiguration", [](TalvexDriverCommands& c, TalvexDocument&) { return c.getMotionConfiguration(); }},
        {"setInputConfiguration", [](TalvexDriverCommands& c, TalvexDocument& d) { return c.setInputConfiguration(*d.inputConfiguration()); }},
        {"getInputConfiguration", [](TalvexDriverCommands& c, TalvexDocument&) { return c.getInputConfiguration(); }},
        {"setAdvancedMotorMoveConfiguration", [](TalvexDriverCommands& c, TalvexDocument& d) { return c.setAdvancedMotorMoveConfiguration(*d.advancedMotorMoveConfiguration()); }},
        {"getAdvancedMotorMoveConfiguration", [](TalvexDriverCommands& c, TalvexDocument&) { return c.getAdvancedMotorMoveConfiguration(); }},
        {"getPWMSettings", [](TalvexDriverCommands& c, TalvexDocument&) { return c.getPWMSettings(); }},
        {"setPWMSettings", [](TalvexDriverCommands& c, TalvexDocument& d) { return c.setPWMSettings(*d.pwmSettings()); }},
        {"relay on", [](TalvexDriverCommands& c, TalvexDocument&) { return c.setRelay(true); }},
        {"relay off", [](TalvexDriverCommands& c, TalvexDocument&) { return c.setRelay(false); }},
        {"startStream", [](TalvexDriverCommands& c, TalvexDocument&) { return c.startStream(); }},
        {"startSampling", [](TalvexDriverCommands& c, TalvexDocument& d) { return c.startSampling(*d.samplingConfiguration()); }},
        {"stopStreaming", [](TalvexDriverCommands& c, TalvexDocument&) { return c.stopStreaming(); }},
    };
    return s_calls;
}
}

class tst_TalvexDriverCommands : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase()
    {
        QVERIFY(m_settings.isolated());
        QVERIFY(runsOnSimulatedBus());
    }

    void wire_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<QString>("call");
        // The opcode, then the payload, as the board received them.
        QTest::addColumn<QString>("bytes");
        const auto row = [](const D& model, const USBVersion& firmware, const char* call, const char* bytes) {
            QTest::newRow(call) << model << firmware << QString(call) << QString(bytes);
        };
        const D m = D::s_model10_1;
        const USBVersion v(1, 1);
        row(m, v, "motorOn", "27");
        row(m, v, "motorOff", "28");
        row(m, v, "getMotorState", "41");
        row(m, v, "move counted", "22 01 01 A0 86 01 00");
        row(m, v, "move back and forth", "22 03 00 05 00 00 00");
        row(m, v, "stop", "29");
        row(m, v, "moveHome", "32");
        row(m, v, "zeroPosition", "30");
        row(m, v, "clearCounters", "31");
        row(m, v, "reducedHoldCurrent on", "2A");
        row(m, v, "reducedHoldCurrent off", "2B");
        row(m, v, "lowInductance on", "33");
        row(m, v, "lowInductance off", "34");
        row(m, v, "setMotorConfiguration", "21 08 07 B0 04 0A 00 01 00 88 13 00");
        row(m, v, "getMotorConfiguration", "43");
        row(m, v, "setMotionConfiguration", "20 00 59 01 C8 00 E8 03 00 00 01 00");
        row(m, v, "getMotionConfiguration", "42");
        row(m, v, "setInputConfiguration", "23 20 FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00 05");
        row(m, v, "getInputConfiguration", "44");
        row(m, v, "setAdvancedMotorMoveConfiguration", "26 00 00 0C 00 01 00 00 C8 00 64 00");
        row(m, v, "getAdvancedMotorMoveConfiguration", "46");
        row(m, v, "getPWMSettings", "47");
        row(m, v, "setPWMSettings", "25 2A");
        row(m, v, "startStream", "2E");
        row(m, v, "startSampling", "24 05 D2 04 00 00 05");
        row(m, v, "stopStreaming", "2F");
        // The oldest model has no back-and-forth mode and goes continuously instead.
        QTest::newRow("(1,1) move back and forth") << D::s_model1_1 << USBVersion(2, 0)
                                                   << QString("move back and forth") << QString("22 00 00 05 00 00 00");
        // Only the oldest models have the relay.
        QTest::newRow("(1,1) relay on") << D::s_model1_1 << USBVersion(2, 0) << QString("relay on") << QString("2C");
        QTest::newRow("(1,1) relay off") << D::s_model1_1 << USBVersion(2, 0) << QString("relay off") << QString("2D");
        // The PWM mode follows the duty cycle from the firmware that has it; a model with two
        // outputs sends the second duty cycle too.
        QTest::newRow("(1,2) 4.0 setPWMSettings") << D::s_model1_2 << USBVersion(4, 0) << QString("setPWMSettings")
                                                  << QString("25 2A 01");
        QTest::newRow("(1,2) 3.0 setPWMSettings") << D::s_model1_2 << USBVersion(3, 0) << QString("setPWMSettings")
                                                  << QString("25 2A");
        QTest::newRow("(27,1) setPWMSettings") << D::s_model27_1 << USBVersion(1, 0) << QString("setPWMSettings")
                                               << QString("25 2A 07");
    }

    // Each call puts its opcode and payload on the wire and marks its requester.
    void wire()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(QString, call);
        QFETCH(QString, bytes);
        ConnectedDriverBoard board(model, firmware);
        QVERIFY2(board.m_connected.isOk(), qPrintable(board.m_connected.getMessage()));
        TalvexDocument& document = board.m_document;
        document.motorConfiguration()->setValue(TalvexDriverMotorConfiguration::MotorCurrent, 1200);
        document.motionConfiguration()->setValue(TalvexDriverMotionConfiguration::Velocity, 345);
        document.inputConfiguration()->setChannelAssignments({{1, 32}});
        document.advancedMotorMoveConfiguration()->setValue(TalvexDriverAdvancedMotorMoveConfiguration::BacklashSteps, 12);
        document.samplingConfiguration()->setValue(TalvexDriverSamplingConfiguration::SampleCount, 1234);
        document.pwmSettings()->setValue(TalvexDriverPWMSettings::PWM1DutyCycle, 42);
        document.pwmSettings()->setValue(TalvexDriverPWMSettings::PWM1Mode, 1);
        document.pwmSettings()->setValue(TalvexDriverPWMSettings::PWM2DutyCycle, 7);
        QObject requester;
        TalvexDriverCommands commands(board.m_pDispatcher.get(), &requester);

        const USBResult queued = calls().value(call)(commands, document);
        QVERIFY2(queued.isOk(), qPrintable(queued.getMessage()));
        QVERIFY(commands.lastRequest());
        const int action = commands.lastRequest()->getAction();
        QVERIFY(!commands.canSend(action));
        QVERIFY(waitFor([&] { return commands.canSend(action); }));
        QCOMPARE(board.m_pRecorder->opcodes().count(), 1);
        QCOMPARE(hexText(board.m_pRecorder->opcodes() + board.m_pRecorder->payload(0)), bytes);
    }

    void refused_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("the model lacks the command") << true << 1 << "The command is not supported by the device";
        QTest::newRow("no board open") << false << 2 << "No device is open";
    }

    // A refused call sends nothing, marks nothing and has no request.
    void refused()
    {
        QFETCH(bool, connected);
        QFETCH(int, status);
        QFETCH(QString, message);
        ConnectedDriverBoard board(D::s_model1_1, USBVersion(2, 0));
        QVERIFY(board.m_connected.isOk());
        QObject requester;
        TalvexDriverCommands commands(board.m_pDispatcher.get(), &requester);
        QVERIFY(commands.stop().isOk());
        QVERIFY(waitFor([&] { return board.m_pRecorder->opcodes().count() == 1; }));
        if (!connected)
            board.m_state.disconnectDevice();

        const USBResult result = commands.setLowInductance(true);
        QCOMPARE(result.getStatus(), status);
        QCOMPARE(result.getMessage(), message);
        QVERIFY(commands.canSend(TalvexDriverCommRequest::LowInductanceOn));
        QVERIFY(!commands.lastRequest());
        QCOMPARE(board.m_pRecorder->opcodes().count(), 1);
    }
};

TALVEX_TEST(tst_TalvexDriverCommands)
#include "tst_TalvexDriverCommands.moc"
