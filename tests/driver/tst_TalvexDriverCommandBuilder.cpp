#include "TestRegistry.h"

#include "DriverTestSupport.h"
#include "SimDriverFirmware.h"
#include "TalvexDriverAdvancedMotorMoveConfiguration.h"
#include "TalvexDriverCommandBuilder.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverMotorConfiguration.h"
#include "TalvexDriverMotorMoveConfiguration.h"
#include "TalvexDriverPWMSettings.h"
#include "TalvexDriverSamplingConfiguration.h"

#include <QTest>
#include <functional>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommandBuilder B;
typedef TalvexDriverMotorMoveConfiguration Move;
typedef SimBoardModel S;

// A simulated board of the model, straight on its firmware, without a bus.
struct Board
{
    Board(const D& model, const USBVersion& firmware)
        : m_model(model)
        , m_firmware(firmware)
        , m_board(SimDriverFirmware::serialNumberOf(model.getProductCode(), model.getRevision(), 1), firmware)
    {
    }

    // The board's own record, as it answers the read command.
    QVector<quint8> read(S::Command command) const
    {
        for (int opcode = 0; opcode < 256; ++opcode)
            if (m_board.getModel().commandOf(quint8(opcode)) == command)
                return m_board.handleCommand(quint8(opcode), {}).data;
        return {};
    }

    quint8 run(const B::Request& request)
    {
        const QVector<quint8> payload = request->getPayload();
        return m_board.handleCommand(request->getCommand(), payload).status;
    }

    D m_model;
    USBVersion m_firmware;
    mutable SimDriverFirmware m_board;
};

// The board's own record, or the studio's defaults where the board cannot be read.
template <class Record, class... Layout>
Record readOrDefault(const Board& board, S::Command command, const Layout&... layout)
{
    const QVector<quint8> data = board.read(command);
    return data.isEmpty() ? Record() : Record(data, layout...);
}

// The records a call sends: the board's own where it can be read, else the studio's defaults
// with a few settings.
struct Records
{
    explicit Records(const Board& board)
        : m_motor(readOrDefault<TalvexDriverMotorConfiguration>(board, S::GetMotor, board.m_model, board.m_firmware))
        , m_motion(readOrDefault<TalvexDriverMotionConfiguration>(board, S::GetMotion, board.m_model))
        , m_input(readOrDefault<TalvexDriverInputConfiguration>(board, S::GetInputs, board.m_model, board.m_firmware))
        , m_advanced(readOrDefault<TalvexDriverAdvancedMotorMoveConfiguration>(board, S::GetAdvancedMove))
        , m_sampling(readOrDefault<TalvexDriverSamplingConfiguration>(board, S::GetSampling))
    {
        m_pwm.setValue(TalvexDriverPWMSettings::PWM1DutyCycle, 42);
        m_pwm.setValue(TalvexDriverPWMSettings::PWM1Mode, 1);
        m_pwm.setValue(TalvexDriverPWMSettings::PWM2DutyCycle, 7);
    }

    TalvexDriverMotorConfiguration m_motor;
    TalvexDriverMotionConfiguration m_motion;
    TalvexDriverInputConfiguration m_input;
    TalvexDriverAdvancedMotorMoveConfiguration m_advanced;
    TalvexDriverSamplingConfiguration m_sampling;
    TalvexDriverPWMSettings m_pwm;
};

struct Call
{
    std::function<B::Request(const B&, const Records&)> build;
    // The command the simulated board takes the request's opcode for.
    S::Command command;
};

// Every call by its name.
const QMap<QString, Call>& calls()
{
    static const QMap<QString, Call> s_calls = {
        {"motorOn", {[](const B& b, const Records&) { return b.motorOn(); }, S::MotorOn}},
        {"motorOff", {[](const B& b, const Records&) { return b.motorOff(); }, S::MotorOff}},
        {"getMotorState", {[](const B& b, const Records&) { return b.getMotorState(); }, S::GetMotorState}},
        {"move counted", {[](const B& b, const Records&) { return b.move(Move(Move::Counted, Move::Backward, 100000)); }, S::Move}},
        {"move continuous", {[](const B& b, const Records&) { return b.move(Move(Move::Continuous, Move::Forward, 0)); }, S::Move}},
        {"move back and forth", {[](const B& b, const Records&) { return b.move(Move(Move::BackAndForth, Move::Forward, 5)); }, S::Move}},
        {"stop", {[](const B& b, const Records&) { return b.stop(); }, S::Stop}},
        {"moveHome", {[](const B& b, const Records&) { return b.moveHome(); }, S::MoveHome}},
        {"zeroPosition", {[](const B& b, const Records&) { return b.zeroPosition(); }, S::ZeroPosition}},
        {"clearCounters", {[](const B& b, const Records&) { return b.clearCounters(); }, S::ClearCounters}},
        {"reducedHoldCurrent on", {[](const B& b, const Records&) { return b.setReducedHoldCurrent(true); }, S::ReducedHoldCurrentOn}},
        {"reducedHoldCurrent off", {[](const B& b, const Records&) { return b.setReducedHoldCurrent(false); }, S::ReducedHoldCurrentOff}},
        {"lowInductance on", {[](const B& b, const Records&) { return b.setLowInductance(true); }, S::LowInductanceOn}},
        {"lowInductance off", {[](const B& b, const Records&) { return b.setLowInductance(false); }, S::LowInductanceOff}},
        {"measureSupply", {[](const B& b, const Records&) { return b.measureSupply(); }, S::MeasureSupply}},
        {"setMotorConfiguration", {[](const B& b, const Records& r) { return b.setMotorConfiguration(r.m_motor); }, S::SetMotor}},
        {"getMotorConfiguration", {[](const B& b, const Records&) { return b.getMotorConfiguration(); }, S::GetMotor}},
        {"setMotionConfiguration", {[](const B& b, const Records& r) { return b.setMotionConfiguration(r.m_motion); }, S::SetMotion}},
        {"getMotionConfiguration", {[](const B& b, const Records&) { return b.getMotionConfiguration(); }, S::GetMotion}},
        {"setInputConfiguration", {[](const B& b, const Records& r) { return b.setInputConfiguration(r.m_input); }, S::SetInputs}},
        {"getInputConfiguration", {[](const B& b, const Records&) { return b.getInputConfiguration(); }, S::GetInputs}},
        {"setAdvancedMotorMoveConfiguration", {[](const B& b, const Records& r) { return b.setAdvancedMotorMoveConfiguration(r.m_advanced); }, S::SetAdvancedMove}},
        {"getAdvancedMotorMoveConfiguration", {[](const B& b, const Records&) { return b.getAdvancedMotorMoveConfiguration(); }, S::GetAdvancedMove}},
        {"getPWMSettings", {[](const B& b, const Records&) { return b.getPWMSettings(); }, S::GetPWM}},
        {"setPWMSettings", {[](const B& b, const Records& r) { return b.setPWMSettings(r.m_pwm); }, S::SetPWM}},
        {"relay on", {[](const B& b, const Records&) { return b.setRelay(true); }, S::RelayOn}},
        {"relay off", {[](const B& b, const Records&) { return b.setRelay(false); }, S::RelayOff}},
        {"startStream", {[](const B& b, const Records&) { return b.startStream(); }, S::StreamStart}},
        {"startSampling", {[](const B& b, const Records& r) { return b.startSampling(r.m_sampling); }, S::StartSampling}},
        {"stopStreaming", {[](const B& b, const Records&) { return b.stopStreaming(); }, S::StopStreaming}},
    };
    return s_calls;
}
}

// The requests of the board's commands, checked against the simulated board's command map and
// records.
class tst_TalvexDriverCommandBuilder : public QObject
{
    Q_OBJECT

private slots:
    void opcodes_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<QStringList>("lacking");
        QTest::newRow("(1,1)") << D::s_model1_1 << QStringList{"lowInductance on", "lowInductance off", "getPWMSettings"};
        QTest::newRow("(1,2)") << D::s_model1_2 << QStringList{"getPWMSettings"};
        QTest::newRow("(10,1)") << D::s_model10_1 << QStringList{"relay on", "relay off"};
        QTest::newRow("(27,1)") << D::s_model27_1 << QStringList{"relay on", "relay off"};
        QTest::newRow("(23,1) has no command set") << D(23, 1) << QStringList(calls().keys());
    }

    // Each call is the command the board knows by its opcode; a command the model lacks is
    // refused before it is sent. Only the write commands carry a payload.
    void opcodes()
    {
        QFETCH(D, model);
        QFETCH(QStringList, lacking);
        const Board board(model, USBVersion(1, 0));
        const Records records(board);
        const B builder(model, USBVersion(1, 0));
        for (auto call = calls().cbegin(); call != calls().cend(); ++call)
        {
            const B::Request request = call.value().build(builder, records);
            const QByteArray name = call.key().toLatin1();
            const bool lacks = lacking.contains(call.key());
            QVERIFY2(request->checkSupported().isOk() == !lacks, name);
            QVERIFY2(board.m_board.getModel().commandOf(request->getCommand()) == (lacks ? S::NoCommand : call.value().command), name);
            QVERIFY2(request->getPayload().isEmpty() != S::takesPayload(call.value().command), name);
        }
    }

    void payloads_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<QString>("call");
        // The opcode, then the payload.
        QTest::addColumn<QString>("bytes");
        const auto row = [](const D& model, const USBVersion& firmware, const char* call, const char* bytes) {
            QTest::newRow(qPrintable(QStringLiteral("(%1,%2) %3.%4 %5")
                                         .arg(model.getProductCode())
                                         .arg(model.getRevision())
                                         .arg(firmware.getMajor())
                                         .arg(firmware.getMinor())
                                         .arg(call)))
                << model << firmware << QString(call) << QString(bytes);
        };
        // Without a separate backward velocity, a low-inductance flag, a motor-control input and
        // the back-and-forth mode: one duty cycle and a continuous move instead.
        const D m11 = D::s_model1_1;
        const USBVersion v20(2, 0);
        row(m11, v20, "setMotionConfiguration", "20 00 C8 00 E8 03 00 00 01");
        row(m11, v20, "setMotorConfiguration", "21 08 07 C8 00 0A 00 01 00 88 13");
        row(m11, v20, "setInputConfiguration", "23 FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00");
        row(m11, v20, "setAdvancedMotorMoveConfiguration", "26 00 00 64 00 01 00 00 C8 00 64 00");
        row(m11, v20, "startSampling", "24 05 88 13 00 00 05");
        row(m11, v20, "setPWMSettings", "25 2A");
        row(m11, v20, "move counted", "22 01 01 A0 86 01 00");
        row(m11, v20, "move continuous", "22 00 00 00 00 00 00");
        row(m11, v20, "move back and forth", "22 00 00 05 00 00 00");
        // The low-inductance flag from 2.1, the motor-control input from 3.0, the mode of the
        // first output in the second PWM byte from 4.0.
        const D m12 = D::s_model1_2;
        row(m12, v20, "setMotionConfiguration", "20 00 C8 00 C8 00 E8 03 00 00 01 00");
        row(m12, v20, "setMotorConfiguration", "21 08 07 C8 00 0A 00 01 00 88 13");
        row(m12, USBVersion(2, 1), "setMotorConfiguration", "21 08 07 C8 00 0A 00 01 00 88 13 00");
        row(m12, v20, "setInputConfiguration", "23 FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00");
        row(m12, USBVersion(3, 0), "setInputConfiguration", "23 FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00 05");
        row(m12, USBVersion(3, 0), "setPWMSettings", "25 2A");
        row(m12, USBVersion(4, 0), "setPWMSettings", "25 2A 01");
        row(m12, v20, "move back and forth", "22 03 00 05 00 00 00");
        const D m101 = D::s_model10_1;
        const USBVersion v10(1, 0);
        row(m101, v10, "setMotionConfiguration", "20 00 C8 00 C8 00 E8 03 00 00 01 00");
        row(m101, v10, "setMotorConfiguration", "21 08 07 C8 00 0A 00 01 00 88 13 00");
        row(m101, v10, "setInputConfiguration", "23 FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00 05");
        row(m101, v10, "setAdvancedMotorMoveConfiguration", "26 00 00 64 00 01 00 00 C8 00 64 00");
        row(m101, v10, "startSampling", "24 05 88 13 00 00 05");
        row(m101, v10, "setPWMSettings", "25 2A");
        row(m101, v10, "move counted", "22 01 01 A0 86 01 00");
        row(m101, v10, "move back and forth", "22 03 00 05 00 00 00");
        // Eight inputs and a stop input; two duty cycles.
        const D m271 = D::s_model27_1;
        row(m271, v10, "setMotionConfiguration", "20 00 C8 00 C8 00 E8 03 00 00 01 00");
        row(m271, v10, "setMotorConfiguration", "21 08 07 C8 00 0A 00 01 00 88 13 00");
        row(m271, v10, "setInputConfiguration",
            "23 FF FF FF FF FF FF FF FF 00 00 00 00 00 00 00 00 00 00 04 00 00 00 05 00 00");
        row(m271, v10, "setAdvancedMotorMoveConfiguration", "26 00 00 64 00 01 00 00 C8 00 64 00");
        row(m271, v10, "startSampling", "24 05 88 13 00 00 05");
        row(m271, v10, "setPWMSettings", "25 2A 07");
        row(m271, v10, "move counted", "22 01 01 A0 86 01 00");
        row(m271, v10, "move back and forth", "22 03 00 05 00 00 00");
    }

    // A write of the board's own record gives it back byte for byte, and the board takes every
    // request (a move once its motor is on).
    void payloads()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(QString, call);
        QFETCH(QString, bytes);
        Board board(model, firmware);
        const Records records(board);
        const B builder(model, firmware);

        const B::Request request = calls().value(call).build(builder, records);
        QCOMPARE(hexText(QVector<quint8>{request->getCommand()} + request->getPayload()), bytes);
        if (call.startsWith("move"))
            QCOMPARE(int(board.run(builder.motorOn())), 0);
        QCOMPARE(int(board.run(request)), 0);
    }
};

TALVEX_TEST(tst_TalvexDriverCommandBuilder)
#include "tst_TalvexDriverCommandBuilder.moc"
