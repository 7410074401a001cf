#include "TestRegistry.h"

#include "AxisBoards.h"
#include "DriverTestSupport.h"
#include "StreamableVersionException.h"
#include "TalvexDriverCommRequest.h"
#include "USBPacketProtocol.h"

#include <QTest>

namespace
{
typedef TalvexSOIAxis A;
typedef TalvexDriverCommRequest R;

const QString s_board40 = QStringLiteral("VTAH010010040");
const QString s_board41 = QStringLiteral("VTAH010010041");

QString resultText(const USBResult& result)
{
    if (result.isOk())
        return QStringLiteral("ok");
    return QStringLiteral("%1: %2").arg(result.getStatus()).arg(result.getMessage());
}

// The opcodes a board was sent, as trace text.
QString opcodes(const RecordingFirmware& board)
{
    return hexText(board.opcodes());
}

QString codes(const TalvexDriverDescriptor& model, std::initializer_list<int> actions)
{
    QVector<quint8> bytes;
    for (int action : actions)
        bytes << R::commandCode(model, action);
    return hexText(bytes);
}

// The state reply of action 22 with a state code and limit flags; the rest is zero.
QVector<quint8> stateReply(int state, int limitFlags)
{
    QVector<quint8> reply(14, 0);
    reply[11] = quint8(state);
    reply[12] = quint8(limitFlags);
    return reply;
}
}

class tst_TalvexSOTalvexPelmoraAxis : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(runsOnSimulatedBus()); }

    // Boards are "serial firmware" in plugging order; connected names the board index that
    // then takes the axis's commands (-1: none).
    void connectDevice_data()
    {
        QTest::addColumn<QStringList>("boards");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("connected");
        QTest::addColumn<QString>("model");

        const QStringList two{s_board40 + " 1.0", s_board41 + " 1.2"};
        QTest::newRow("exact serial") << QStringList{s_board40 + " 1.0"} << s_board40 << "ok" << 0 << "(10,1) 1.0";
        QTest::newRow("exact serial of the second board") << two << s_board41 << "ok" << 1 << "(10,1) 1.2";
        QTest::newRow("wildcard takes the first board") << two << "VTAH01001xxxx" << "ok" << 0 << "(10,1) 1.0";
        QTest::newRow("wildcard in lower case") << two << "vtah01001XXXX" << "ok" << 0 << "(10,1) 1.0";
        QTest::newRow("model (1,2) with firmware 4")
            << QStringList{"VTAH001020007 4.2"} << "VTAH001020007" << "ok" << 0 << "(1,2) 4.2";
        QTest::newRow("model (1,2) with firmware 3")
            << QStringList{"VTAH001020007 3.0"} << "VTAH001020007"
            << "2: Driver VTAH001020007: Unsupported firmware version \"3.0\"." << -1 << "(0,0) 0.0";
        QTest::newRow("model (10,1) with firmware 2")
            << QStringList{s_board40 + " 2.1"} << s_board40
            << "2: Driver VTAH010010040: Unsupported firmware version \"2.1\"." << -1 << "(0,0) 0.0";
        // Another board's firmware is no reason to miss this axis's board.
        QTest::newRow("an unsupported board of the model before it")
            << QStringList{"VTAH001020001 3.0", "VTAH001020002 4.0"} << "VTAH001020002" << "ok" << 1
            << "(1,2) 4.0";
        QTest::newRow("board of another unit only")
            << QStringList{s_board41 + " 1.0"} << s_board40
            << "2: Driver VTAH010010040: No board with this serial number is attached." << -1 << "(0,0) 0.0";
        QTest::newRow("board of another model only")
            << QStringList{"VTAH001020040 4.0"} << "VTAH01001xxxx"
            << "2: Driver VTAH01001XXXX: No board with this serial number is attached." << -1 << "(0,0) 0.0";
        QTest::newRow("no board at all") << QStringList() << s_board40
                                         << "2: Driver VTAH010010040: No board with this serial number is attached."
                                         << -1 << "(0,0) 0.0";
    }

    void connectDevice()
    {
        QFETCH(QStringList, boards);
        QFETCH(QString, serial);
        QFETCH(QString, result);
        QFETCH(int, connected);
        QFETCH(QString, model);

        AxisBoards bus;
        QList<boost::shared_ptr<RecordingFirmware>> firmware;
        for (const QString& board : boards)
        {
            const QStringList parts = board.split(' ');
            const QStringList version = parts.at(1).split('.');
            firmware << bus.plug(parts.at(0), USBVersion(version.at(0).toInt(), version.at(1).toInt()));
        }
        TalvexSOTalvexPelmoraAxis& axis = bus.axis(serial);

        QCOMPARE(resultText(axis.connectDevice()), result);
        QCOMPARE(axis.isConnected(), connected >= 0);
        QCOMPARE(QStringLiteral("%1 %2.%3")
                     .arg(modelName(axis.descriptor()))
                     .arg(axis.firmwareVersion().getMajor())
                     .arg(axis.firmwareVersion().getMinor()),
            model);
        // A failed connect leaves no board open.
        QCOMPARE(AxisBoards::bus().getOpenHandleCount(), connected >= 0 ? 2 : 0);

        for (const auto& board : firmware)
            board->clear();
        const QString turnOn = resultText(axis.turnOn());
        for (int i = 0; i < firmware.count(); ++i)
            QCOMPARE(opcodes(*firmware.at(i)), i == connected ? codes(axis.descriptor(), {R::MotorOn}) : QString());
        QCOMPARE(turnOn, connected >= 0 ? QString("ok") : "2: Driver " + serial.toUpper() + ": Is not connected.");

        // A second connect of a connected axis changes nothing.
        if (connected >= 0)
            QCOMPARE(resultText(axis.connectDevice()), QString("ok"));
    }

    void refusedWithoutListing_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("result");

        QTest::newRow("model (27,1)") << "VTAH027010040" << "2: The device \"VTAH027010040\" is not supported.";
        QTest::newRow("model (1,1)") << "VTAH001010040" << "2: The device \"VTAH001010040\" is not supported.";
        QTest::newRow("invalid") << "" << "2: Invalid serial number \"\".";
    }

    void refusedWithoutListing()
    {
        QFETCH(QString, serial);
        QFETCH(QString, result);

        AxisBoards bus;
        bus.plug("VTAH027010040", USBVersion(1, 0));
        bus.plug("VTAH001010040", USBVersion(2, 0));
        TalvexSOTalvexPelmoraAxis& axis = bus.axis(serial);
        AxisBoards::bus().clearCallLog();
        QCOMPARE(resultText(axis.connectDevice()), result);
        QCOMPARE(AxisBoards::bus().getCallLog(), QStringList());
    }

    // A board that another axis holds is not opened a second time; its holder keeps working.
    void boardOfAnotherAxis()
    {
        AxisBoards bus;
        const auto board = bus.plug(s_board40, USBVersion(1, 0));
        TalvexSOTalvexPelmoraAxis& first = bus.axis("VTAH01001xxxx");
        QCOMPARE(resultText(first.connectDevice()), QString("ok"));

        TalvexSOTalvexPelmoraAxis& second = bus.axis(s_board40);
        QCOMPARE(resultText(second.connectDevice()),
            QString("2: Driver VTAH010010040: The board is in use by another connection."));
        QVERIFY(!second.isConnected());

        board->clear();
        QCOMPARE(resultText(first.turnOff()), QString("ok"));
        QCOMPARE(opcodes(*board), codes(TalvexDriverDescriptor::s_model10_1, {R::MotorOff}));
    }

    // The studio's own connection keeps its board; the axis takes the next one of the model.
    void boardOfTheStudio()
    {
        AxisBoards bus;
        const auto studioBoard = bus.plug(s_board40, USBVersion(1, 0));
        const auto freeBoard = bus.plug(s_board41, USBVersion(1, 0));
        USBDriver studio;
        studio.setProtocol(boost::make_shared<USBPacketProtocol>(), 0);
        QVERIFY(studio.openDevice(studio.enumerateDevices(true).value(0), 500000).isOk());

        QCOMPARE(resultText(bus.axis(s_board40).connectDevice()),
            QString("2: Driver VTAH010010040: The board is in use by another connection."));
        TalvexSOTalvexPelmoraAxis& any = bus.axis("VTAH01001xxxx");
        QCOMPARE(resultText(any.connectDevice()), QString("ok"));
        QVERIFY(any.turnOn().isOk());
        QCOMPARE(opcodes(*freeBoard), codes(TalvexDriverDescriptor::s_model10_1, {R::MotorOn}));
        QCOMPARE(opcodes(*studioBoard), QString());

        const auto request = boost::make_shared<TalvexDriverCommRequest>(TalvexDriverDescriptor::s_model10_1,
            USBVersion(1, 0), R::MotorOn);
        QCOMPARE(resultText(studio.sendRequest(request, 0)), QString("ok"));
        QCOMPARE(opcodes(*studioBoard), codes(TalvexDriverDescriptor::s_model10_1, {R::MotorOn}));
        studio.closeDevice();
    }

    void closesItsBoard()
    {
        AxisBoards bus;
        bus.plug(s_board40, USBVersion(1, 0));
        {
            TalvexSOTalvexPelmoraAxis axis(USBSerialNumber(s_board40), TalvexDriverMotorConfiguration(),
                TalvexDriverMotionConfiguration(), bus.m_pClock);
            QVERIFY(axis.connectDevice().isOk());
            QCOMPARE(AxisBoards::bus().getOpenHandleCount(), 2);

            // A copy shares the binding, not the connection.
            const std::unique_ptr<TalvexSOIAxis> copy(axis.clone());
            const auto& bound = dynamic_cast<const TalvexSOTalvexPelmoraAxis&>(*copy);
            QVERIFY(!bound.isConnected());
            QCOMPARE(bound.serialNumber().toString(), s_board40);
            QCOMPARE(bound.descriptor(), TalvexDriverDescriptor());

            axis.disconnectDevice();
            QCOMPARE(AxisBoards::bus().getOpenHandleCount(), 0);
            QCOMPARE(resultText(axis.moveHome()), QString("2: Driver VTAH010010040: Is not connected."));
            // The board's model stays known after the disconnect.
            QCOMPARE(axis.descriptor(), TalvexDriverDescriptor::s_model10_1);
            QVERIFY(axis.connectDevice().isOk());
        }
        QCOMPARE(AxisBoards::bus().getOpenHandleCount(), 0);
        QVERIFY(bus.axis(s_board40).connectDevice().isOk());
    }

    // Every command of a disconnected axis reports it, sends nothing and leaves the outputs.
    void notConnected()
    {
        AxisBoards bus;
        const auto board = bus.plug(s_board40, USBVersion(1, 0));
        TalvexSOTalvexPelmoraAxis& axis = bus.axis(s_board40);
        const QString notConnected = QStringLiteral("2: Driver VTAH010010040: Is not connected.");

        QCOMPARE(resultText(axis.move(0)), QString("ok"));
        QCOMPARE(resultText(axis.move(-5)), notConnected);
        QCOMPARE(resultText(axis.turnOn()), notConnected);
        QCOMPARE(resultText(axis.turnOff()), notConnected);
        QCOMPARE(resultText(axis.moveHome()), notConnected);
        QCOMPARE(resultText(axis.uploadConfiguration()), notConnected);
        int motor = 77, limit = 88;
        QCOMPARE(resultText(axis.readState(&motor, &limit)), notConnected);
        QCOMPARE(motor, 77);
        QCOMPARE(limit, 88);
        axis.exitBootloader();
        axis.disconnectDevice();
        QCOMPARE(opcodes(*board), QString());
    }

    void commands_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("trace");
        QTest::addColumn<QString>("result");

        // Opcode, then payload. The board's answer is the command's result.
        for (const QString& serial : {s_board40, QString("VTAH001020007")})
        {
            const TalvexDriverDescriptor model = USBSerialNumber(serial).getDeviceId() == 10
                ? TalvexDriverDescriptor::s_model10_1
                : TalvexDriverDescriptor::s_model1_2;
            const QString name = modelName(model) + " ";
            const auto op = [&](int action) { return codes(model, {action}); };
            QTest::newRow(qPrintable(name + "move +200"))
                << serial << "move 200" << op(R::Move) + " 01 00 C8 00 00 00" << "ok";
            QTest::newRow(qPrintable(name + "move -200"))
                << serial << "move -200" << op(R::Move) + " 01 01 C8 00 00 00" << "ok";
            QTest::newRow(qPrintable(name + "move 0")) << serial << "move 0" << QString() << "ok";
            QTest::newRow(qPrintable(name + "move by the most negative count"))
                << serial << "move -2147483648" << op(R::Move) + " 01 01 00 00 00 80" << "ok";
            QTest::newRow(qPrintable(name + "on")) << serial << "on" << op(R::MotorOn) << "ok";
            QTest::newRow(qPrintable(name + "off")) << serial << "off" << op(R::MotorOff) << "ok";
            // The simulated board has no home search set up.
            QTest::newRow(qPrintable(name + "home")) << serial << "home" << op(R::MoveHome)
                                                     << "1: Some values for the motion configuration were out of range";
        }
    }

    void commands()
    {
        QFETCH(QString, serial);
        QFETCH(QString, command);
        QFETCH(QString, trace);
        QFETCH(QString, result);

        AxisBoards bus;
        const bool model12 = USBSerialNumber(serial).getDeviceId() == 1;
        const auto board = bus.plug(serial, model12 ? USBVersion(4, 0) : USBVersion(1, 0));
        TalvexSOTalvexPelmoraAxis& axis = bus.axis(serial);
        QVERIFY(axis.connectDevice().isOk());
        // A board refuses to move a motor that is off.
        QVERIFY(axis.turnOn().isOk());
        board->clear();

        USBResult answer;
        if (command.startsWith("move "))
            answer = axis.move(command.mid(5).toInt());
        else if (command == "on")
            answer = axis.turnOn();
        else if (command == "off")
            answer = axis.turnOff();
        else
            answer = axis.moveHome();
        QCOMPARE(resultText(answer), result);
        QVector<quint8> sent = board->opcodes();
        QVERIFY(sent.count() <= 1);
        if (!sent.isEmpty())
            sent += board->payload(0);
        QCOMPARE(hexText(sent), trace);
    }

    void readState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("limitFlags");
        QTest::addColumn<int>("motorState");
        QTest::addColumn<int>("limitState");

        QTest::newRow("hold") << 1 << 0 << int(A::MotorHolding) << int(A::NoLimit);
        QTest::newRow("off") << 4 << 0 << int(A::MotorOff) << int(A::NoLimit);
        QTest::newRow("first moving state") << 8 << 0 << int(A::MotorMoving) << int(A::NoLimit);
        QTest::newRow("last moving state") << 13 << 0 << int(A::MotorMoving) << int(A::NoLimit);
        for (int other : {0, 2, 3, 5, 6, 7, 14, 255})
            QTest::newRow(qPrintable(QString("state %1").arg(other))) << other << 0 << int(A::MotorOtherState)
                                                                      << int(A::NoLimit);
        QTest::newRow("at start") << 4 << 1 << int(A::MotorOff) << int(A::AtStartLimit);
        QTest::newRow("at end") << 1 << 2 << int(A::MotorHolding) << int(A::AtEndLimit);
        QTest::newRow("at both: the end wins") << 4 << 3 << int(A::MotorOff) << int(A::AtEndLimit);
        QTest::newRow("other flag bits") << 4 << 0xFC << int(A::MotorOff) << int(A::NoLimit);
    }

    void readState()
    {
        QFETCH(int, state);
        QFETCH(int, limitFlags);
        QFETCH(int, motorState);
        QFETCH(int, limitState);

        AxisBoards bus;
        const auto board = bus.plug(s_board40, USBVersion(1, 0));
        TalvexSOTalvexPelmoraAxis& axis = bus.axis(s_board40);
        QVERIFY(axis.connectDevice().isOk());
        const quint8 opcode = R::commandCode(TalvexDriverDescriptor::s_model10_1, R::GetMotorState);
        board->answer(opcode, stateReply(state, limitFlags));

        int motor = -1, limit = -1;
        QCOMPARE(resultText(axis.readState(&motor, &limit)), QString("ok"));
        QCOMPARE(motor, motorState);
        QCOMPARE(limit, limitState);
    }

    void readStateOfTheSimulatedMotor()
    {
        AxisBoards bus;
        bus.plug(s_board40, USBVersion(1, 0));
        TalvexSOTalvexPelmoraAxis& axis = bus.axis(s_board40);
        QVERIFY(axis.connectDevice().isOk());
        int motor = -1, limit = -1;
        QCOMPARE(resultText(axis.readState(&motor, &limit)), QString("ok"));
        QCOMPARE(motor, int(A::MotorOff));
        QVERIFY(axis.turnOn().isOk());
        QCOMPARE(resultText(axis.readState(&motor, &limit)), QString("ok"));
        QCOMPARE(motor, int(A::MotorHolding));
        QCOMPARE(limit, int(A::NoLimit));
    }

    void refusedStateLeavesTheOutputs()
    {
        AxisBoards bus;
        const auto board = bus.plug(s_board40, USBVersion(1, 0));
        TalvexSOTalvexPelmoraAxis& axis = bus.axis(s_board40);
        QVERIFY(axis.connectDevice().isOk());
        board->refuse(R::commandCode(TalvexDriverDescriptor::s_model10_1, R::GetMotorState), 1);
        int motor = 77, limit = 88;
        const USBResult result = axis.readState(&motor, &limit);
        QVERIFY(!result.isOk());
        QCOMPARE(result.getMessage(), R::statusResult(1).getMessage());
        QCOMPARE(motor, 77);
        QCOMPARE(limit, 88);
    }

    void uploadConfiguration_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<USBVersion>("firmware");
        QTest::newRow("(10,1)") << s_board40 << USBVersion(1, 0);
        QTest::newRow("(1,2) firmware 4.1") << "VTAH001020007" << USBVersion(4, 1);
    }

    // The motor configuration first, then the motion configuration with its stored flag set;
    // each in the connected board's layout.
    void uploadConfiguration()
    {
        QFETCH(QString, serial);
        QFETCH(USBVersion, firmware);

        AxisBoards bus;
        const auto board = bus.plug(serial, firmware);
        TalvexDriverMotorConfiguration motor;
        motor.setValue(TalvexDriverMotorConfiguration::MotorCurrent, 250);
        TalvexDriverMotionConfiguration motion;
        motion.setValue(TalvexDriverMotionConfiguration::MicroStepping, 3);
        motion.setValue(TalvexDriverMotionConfiguration::Velocity, 150);
        TalvexSOTalvexPelmoraAxis axis(USBSerialNumber(serial), motor, motion, bus.m_pClock);
        QVERIFY(axis.connectDevice().isOk());
        board->clear();

        QCOMPARE(resultText(axis.uploadConfiguration()), QString("ok"));
        const TalvexDriverDescriptor model = axis.descriptor();
        QCOMPARE(opcodes(*board), codes(model, {R::SetMotorConfiguration, R::SetMotionConfiguration}));
        QCOMPARE(hexText(board->payload(0)), hexText(motor.toByteArray(model, firmware)));
        QCOMPARE(hexText(board->payload(1)), hexText(motion.toByteArray(model)));
        QCOMPARE(axis.motionConfiguration().value(TalvexDriverMotionConfiguration::StoredFlag), QVariant(true));
    }

    // A refused motor configuration is the upload's result; the motion is then not sent.
    void refusedMotorConfiguration()
    {
        AxisBoards bus;
        const auto board = bus.plug(s_board40, USBVersion(1, 0));
        TalvexSOTalvexPelmoraAxis& axis = bus.axis(s_board40);
        QVERIFY(axis.connectDevice().isOk());
        const quint8 motorOpcode = R::commandCode(TalvexDriverDescriptor::s_model10_1, R::SetMotorConfiguration);
        board->refuse(motorOpcode, 201);
        board->clear();
        const USBResult result = axis.uploadConfiguration();
        QVERIFY(!result.isOk());
        QCOMPARE(result.getMessage(), R::statusResult(201).getMessage());
        QCOMPARE(opcodes(*board), hexText(QVector<quint8>{motorOpcode}));
    }

    void linearStepSize_data()
    {
        QTest::addColumn<double>("stepDegrees");
        QTest::addColumn<double>("pitch");
        QTest::addColumn<int>("microStepping");
        QTest::addColumn<double>("stepSize");

        QTest::newRow("defaults, full steps") << 1.8 << 5.0 << 0 << 0.025;
        QTest::newRow("defaults, 16 micro-steps") << 1.8 << 5.0 << 4 << 0.0015625;
        QTest::newRow("defaults, 32 micro-steps") << 1.8 << 5.0 << 5 << 0.00078125;
        QTest::newRow("0.9 degrees, 2 mm, half steps") << 0.9 << 2.0 << 1 << 0.0025;
    }

    void linearStepSize()
    {
        QFETCH(double, stepDegrees);
        QFETCH(double, pitch);
        QFETCH(int, microStepping);
        QFETCH(double, stepSize);

        TalvexDriverMotorConfiguration motor;
        motor.setValue(TalvexDriverMotorConfiguration::StepDegrees, stepDegrees);
        motor.setValue(TalvexDriverMotorConfiguration::Pitch, pitch);
        TalvexDriverMotionConfiguration motion;
        motion.setValue(TalvexDriverMotionConfiguration::MicroStepping, microStepping);
        const TalvexSOTalvexPelmoraAxis axis(USBSerialNumber(s_board40), motor, motion);
        QCOMPARE(axis.linearStepSize(), stepSize);
    }

    void streamForm()
    {
        TalvexDriverMotorConfiguration motor;
        motor.setValue(TalvexDriverMotorConfiguration::Pitch, 2.5);
        TalvexDriverMotionConfiguration motion;
        motion.setValue(TalvexDriverMotionConfiguration::MicroStepping, 2);
        const TalvexSOTalvexPelmoraAxis axis(USBSerialNumber("VTAH01001xxxx"), motor, motion);

        QByteArray expected;
        {
            QDataStream out(&expected, QIODevice::WriteOnly);
            out << qint32(1) << QString("VTAH01001XXXX");
            motor.write(out);
            motion.write(out);
        }
        QByteArray written;
        {
            QDataStream out(&written, QIODevice::WriteOnly);
            out << axis;
        }
        QCOMPARE(written.toHex(), expected.toHex());

        TalvexSOTalvexPelmoraAxis read;
        QDataStream in(written);
        in >> read;
        QCOMPARE(in.atEnd(), true);
        QVERIFY(!read.isConnected());
        QCOMPARE(read.serialNumber().toString(), QString("VTAH01001XXXX"));
        QCOMPARE(read.motorConfiguration().values(), motor.values());
        QCOMPARE(read.motionConfiguration().values(), motion.values());
    }

    void unknownVersion()
    {
        QByteArray bytes;
        QDataStream(&bytes, QIODevice::WriteOnly) << qint32(2);
        TalvexSOTalvexPelmoraAxis axis;
        QDataStream in(bytes);
        try
        {
            axis.read(in);
            QFAIL("read a version 2");
        }
        catch (const StreamableVersionException& e)
        {
            QCOMPARE(e.getSourceFile(), QString("src\\TalvexSOTalvexPelmoraAxis"));
            QCOMPARE(e.getLine(), 300);
            QCOMPARE(e.getVersion(), 2);
        }
    }
};

TALVEX_TEST(tst_TalvexSOTalvexPelmoraAxis)
#include "tst_TalvexSOTalvexPelmoraAxis.moc"
