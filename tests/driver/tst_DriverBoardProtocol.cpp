#include "TestRegistry.h"

#include "DriverTestSupport.h"
#include "SimDriverFirmware.h"
#include "SimulatedBus.h"
#include "SimulatedBusClock.h"
#include "TalvexDriverAdvancedMotorMoveConfiguration.h"
#include "TalvexDriverCommRequest.h"
#include "TalvexDriverInputConfiguration.h"
#include "TalvexDriverMeasurement.h"
#include "TalvexDriverMotionConfiguration.h"
#include "TalvexDriverMotorConfiguration.h"
#include "TalvexDriverMotorInfo.h"
#include "TalvexDriverMotorMoveConfiguration.h"
#include "TalvexDriverPWMSettings.h"
#include "TalvexDriverSamplingConfiguration.h"
#include "USBDriver.h"
#include "USBPacketProtocol.h"

#include <QMutexLocker>
#include <QTest>
#include <boost/make_shared.hpp>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;
typedef TalvexDriverMotionConfiguration Motion;
typedef TalvexDriverMotorMoveConfiguration Move;

SimUsbBus& bus()
{
    return SimUsbBus::instance();
}

// A driver board of one model on the simulated bus, opened through the USB driver with the
// packet protocol on its command channel.
struct PacketBoard
{
    PacketBoard(const D& model, const USBVersion& firmware)
        : m_model(model)
        , m_firmwareVersion(firmware)
    {
        bus().reset();
        const QString serial = SimDriverFirmware::serialNumberOf(model.getProductCode(), model.getRevision(), 42);
        m_pFirmware = boost::make_shared<SimDriverFirmware>(serial, firmware);
        plugBoard(serial.toLatin1(), 0x100, m_pFirmware);
        m_pProtocol->setIdleSleep(1000);
        m_driver.setProtocol(m_pProtocol, 0);
        const QList<USBDevicePtr> devices = m_driver.enumerateDevices(true);
        if (devices.count() == 1)
            m_opened = m_driver.openDevice(devices.first(), 500000);
    }

    USBResult run(int action, const QByteArray& payload = QByteArray())
    {
        auto request = boost::make_shared<TalvexDriverCommRequest>(m_model, m_firmwareVersion, action);
        request->setData(payload);
        const USBResult result = m_driver.sendRequest(request, 0);
        m_reply = request->getReplyData();
        return result;
    }

    D m_model;
    USBVersion m_firmwareVersion;
    boost::shared_ptr<SimDriverFirmware> m_pFirmware;
    boost::shared_ptr<USBPacketProtocol> m_pProtocol = boost::make_shared<USBPacketProtocol>(boost::make_shared<SimulatedBusClock>(SimulatedBusClock::TestThread));
    USBDriver m_driver;
    USBResult m_opened = USBResult(QStringLiteral("No board listed"), 2);
    QVector<quint8> m_reply;
};
}

class tst_DriverBoardProtocol : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(runsOnSimulatedBus()); }

    void cleanupTestCase() { bus().reset(); }

    void records_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::newRow("(1,1)") << D::s_model1_1 << USBVersion(2, 0);
        QTest::newRow("(1,2) 2.0") << D::s_model1_2 << USBVersion(2, 0);
        QTest::newRow("(1,2) 3.0") << D::s_model1_2 << USBVersion(3, 0);
        QTest::newRow("(10,1)") << D::s_model10_1 << USBVersion(1, 1);
        QTest::newRow("(27,1)") << D::s_model27_1 << USBVersion(1, 0);
    }

    // Every read comes back with the length the model's request expects and decodes into the
    // record the studio keeps; a written record reads back the same.
    void records()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        PacketBoard board(model, firmware);
        QVERIFY2(board.m_opened.isOk(), qPrintable(board.m_opened.getMessage()));

        QVERIFY(board.run(R::GetMotionConfiguration).isOk());
        const Motion motion(board.m_reply, model);
        QCOMPARE(motion.value(Motion::Velocity).toInt(), 200);
        QCOMPARE(motion.value(Motion::Acceleration).toUInt(), 1000u);

        QVERIFY(board.run(R::GetMotorConfiguration).isOk());
        const TalvexDriverMotorConfiguration motor(board.m_reply, model, firmware);
        QCOMPARE(motor.value(TalvexDriverMotorConfiguration::StepDegrees).toDouble(), 1.8);

        QVERIFY(board.run(R::GetInputConfiguration).isOk());
        const TalvexDriverInputConfiguration input(board.m_reply, model, firmware);
        QCOMPARE(input.channelAssignment(1), 255);

        QVERIFY(board.run(R::GetSamplingConfiguration).isOk());
        QCOMPARE(TalvexDriverSamplingConfiguration(board.m_reply).values(), TalvexDriverSamplingConfiguration().values());

        QVERIFY(board.run(R::GetAdvancedMotorMoveConfiguration).isOk());
        QCOMPARE(TalvexDriverAdvancedMotorMoveConfiguration(board.m_reply).values(),
            TalvexDriverAdvancedMotorMoveConfiguration().values());

        if (R::isSupported(model, R::GetPWMSettings))
        {
            QVERIFY(board.run(R::GetPWMSettings).isOk());
            QCOMPARE(TalvexDriverPWMSettings(board.m_reply, model, firmware).values(), TalvexDriverPWMSettings().values());
        }

        QVERIFY(board.run(R::GetMotorState).isOk());
        QCOMPARE(TalvexDriverMotorInfo(board.m_reply).stateName(), QString("Off"));

        QVERIFY(board.run(R::MeasureSupply).isOk());
        const TalvexDriverMeasurement measurement(board.m_reply, model);
        QVERIFY(measurement.supplyVoltage() > 0.0);
        QCOMPARE(measurement.supplyCurrent(), 0.03);

        Motion changed;
        changed.setValue(Motion::MicroStepping, 2);
        changed.setValue(Motion::Velocity, 1000);
        changed.setValue(Motion::AccelerationMethod, 0);
        changed.setValue(Motion::SeparateBackwardVelocity, model != D::s_model1_1);
        changed.setValue(Motion::BackwardVelocity, 300);
        QVERIFY(board.run(R::SetMotionConfiguration, changed.toByteArray(model)).isOk());
        QVERIFY(board.run(R::GetMotionConfiguration).isOk());
        const Motion motionRead(board.m_reply, model);
        QCOMPARE(motionRead.value(Motion::Velocity).toInt(), 1000);
        // (1,1) has one velocity for both directions.
        QCOMPARE(motionRead.value(Motion::BackwardVelocity).toInt(), model == D::s_model1_1 ? 1000 : 300);

        if (R::isSupported(model, R::GetPWMSettings))
        {
            TalvexDriverPWMSettings pwm;
            pwm.setValue(TalvexDriverPWMSettings::PWM1DutyCycle, 42);
            pwm.setValue(TalvexDriverPWMSettings::PWM2DutyCycle, 17);
            QVERIFY(board.run(R::SetPWM, pwm.toByteArray(model, firmware)).isOk());
            QVERIFY(board.run(R::GetPWMSettings).isOk());
            const TalvexDriverPWMSettings pwmRead(board.m_reply, model, firmware);
            QCOMPARE(pwmRead.value(TalvexDriverPWMSettings::PWM1DutyCycle).toInt(), 42);
            // Only (27,1) has a second duty cycle.
            QCOMPARE(pwmRead.value(TalvexDriverPWMSettings::PWM2DutyCycle).toInt(),
                model == D::s_model27_1 ? 17 : 0);
        }
    }

    void everyActionOfTheMap_data()
    {
        records_data();
        QTest::newRow("(1,2) 2.1") << D::s_model1_2 << USBVersion(2, 1);
        QTest::newRow("(1,2) 4.0") << D::s_model1_2 << USBVersion(4, 0);
    }

    // Each action the studio has for the model reaches the board as a command the board knows,
    // with a payload it takes, and its reply has the length the studio expects.
    void everyActionOfTheMap()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        PacketBoard board(model, firmware);
        QVERIFY2(board.m_opened.isOk(), qPrintable(board.m_opened.getMessage()));
        const QMap<int, QByteArray> payloads{{R::SetMotionConfiguration, Motion().toByteArray(model)},
            {R::SetMotorConfiguration, TalvexDriverMotorConfiguration().toByteArray(model, firmware)},
            {R::Move, Move(Move::Counted, Move::Forward, 10).toByteArray(model)},
            {R::SetInputConfiguration, TalvexDriverInputConfiguration().toByteArray(model, firmware)},
            {R::StartSampling, TalvexDriverSamplingConfiguration().toByteArray()},
            {R::SetPWM, TalvexDriverPWMSettings().toByteArray(model, firmware)},
            {R::SetAdvancedMotorMoveConfiguration, TalvexDriverAdvancedMotorMoveConfiguration().toByteArray()}};
        // In this order the motor is off for the move and the home search.
        for (int action = 0; action < R::s_actionCount; ++action)
        {
            if (!R::isSupported(model, action))
                continue;
            const USBResult result = board.run(action, payloads.value(action));
            const QString where = QString("action %1: %2").arg(action).arg(result.getMessage());
            if (action == R::Move || action == R::MoveHome)
                QVERIFY2(result.getMessage() == "Motor is turned off", qPrintable(where));
            else
                QVERIFY2(result.isOk(), qPrintable(where));
        }
    }

    void commandsTakeEffect_data()
    {
        records_data();
        QTest::newRow("(1,2) 2.1") << D::s_model1_2 << USBVersion(2, 1);
    }

    // The commands without reply data each do on the board what the studio means by them.
    void commandsTakeEffect()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        typedef TalvexDriverMotorConfiguration Motor;
        PacketBoard board(model, firmware);
        QVERIFY2(board.m_opened.isOk(), qPrintable(board.m_opened.getMessage()));
        const auto state = [&board] {
            return board.run(R::GetMotorState).isOk() ? TalvexDriverMotorInfo(board.m_reply) : TalvexDriverMotorInfo();
        };
        const auto motorFlag = [&board](int id) {
            return board.run(R::GetMotorConfiguration).isOk()
                && Motor(board.m_reply, board.m_model, board.m_firmwareVersion).value(id).toBool();
        };

        QVERIFY(board.run(R::MotorOn).isOk());
        QCOMPARE(state().stateName(), QString("Hold"));
        QVERIFY(board.run(R::MotorOff).isOk());
        QCOMPARE(state().stateName(), QString("Off"));

        QVERIFY(board.run(R::ReducedHoldCurrentOff).isOk());
        QVERIFY(!motorFlag(Motor::ReducedHoldCurrent));
        QVERIFY(board.run(R::ReducedHoldCurrentOn).isOk());
        QVERIFY(motorFlag(Motor::ReducedHoldCurrent));
        const bool hasLowInductanceFlag = R::expectedReplyLength(model, firmware, R::GetMotorConfiguration) == 11;
        if (R::isSupported(model, R::LowInductanceOn) && hasLowInductanceFlag)
        {
            QVERIFY(board.run(R::LowInductanceOn).isOk());
            QVERIFY(motorFlag(Motor::LowInductance));
            QVERIFY(board.run(R::LowInductanceOff).isOk());
            QVERIFY(!motorFlag(Motor::LowInductance));
        }
        if (R::isSupported(model, R::RelayOn))
        {
            QVERIFY(board.run(R::RelayOn).isOk());
            QVERIFY(board.m_pFirmware->isRelayOn());
            QVERIFY(board.run(R::RelayOff).isOk());
            QVERIFY(!board.m_pFirmware->isRelayOn());
        }

        // Limit switches one full step either side, wired to inputs 1 (start) and 2 (end).
        {
            QMutexLocker lock(&bus().getMutex());
            board.m_pFirmware->setLimitPositions(-1, 1);
        }
        TalvexDriverInputConfiguration input;
        input.setChannelAssignments({{1, TalvexDriverInputConfiguration::s_startLimitFunction},
            {2, TalvexDriverInputConfiguration::s_endLimitFunction}});
        QVERIFY(board.run(R::SetInputConfiguration, input.toByteArray(model, firmware)).isOk());
        QVERIFY(board.run(R::MotorOn).isOk());
        QVERIFY(board.run(R::Move, Move(Move::Continuous, Move::Forward, 0).toByteArray(model)).isOk());
        bus().advance(100);
        QCOMPARE(state().stateName(), QString("Hold (at end)"));
        QCOMPARE(board.run(R::Move, Move(Move::Counted, Move::Forward, 1).toByteArray(model)).getMessage(),
            QString("Motor at end"));
        QVERIFY(board.run(R::MoveHome).isOk());
        bus().advance(100);
        QCOMPARE(state().stateName(), QString("Hold (at start)"));
        QCOMPARE(board.run(R::Move, Move(Move::Counted, Move::Backward, 1).toByteArray(model)).getMessage(),
            QString("Motor at start"));

        QVERIFY(board.run(R::ZeroPosition).isOk());
        QCOMPARE(state().getPosition(), 0);
        QVERIFY(board.run(R::Move, Move(Move::Continuous, Move::Forward, 0).toByteArray(model)).isOk());
        bus().advance(3);
        QVERIFY(board.run(R::Stop).isOk());
        const qint32 stoppedAt = state().getPosition();
        bus().advance(100);
        QCOMPARE(state().stateName(), QString("Hold"));
        QVERIFY(stoppedAt > 0);
        QCOMPARE(state().getPosition(), stoppedAt);
    }

    void moveOnAMotorThatIsOff()
    {
        PacketBoard board(D::s_model27_1, USBVersion(1, 0));
        QVERIFY(board.m_opened.isOk());
        const USBResult result = board.run(R::Move, Move(Move::Counted, Move::Forward, 100).toByteArray(board.m_model));
        QCOMPARE(result.getStatus(), 2);
        QCOMPARE(result.getMessage(), QString("Motor is turned off"));
    }

    // The motor runs on the bus's clock while the host polls its state.
    void moveOnTheBoardsClock()
    {
        PacketBoard board(D::s_model1_2, USBVersion(4, 0));
        QVERIFY(board.m_opened.isOk());
        QVERIFY(board.run(R::MotorOn).isOk());
        QVERIFY(board.run(R::Move, Move(Move::Counted, Move::Backward, 64).toByteArray(board.m_model)).isOk());
        // 200 full steps per second: 4 full steps in 20 ms.
        bus().advance(20);
        QVERIFY(board.run(R::GetMotorState).isOk());
        const TalvexDriverMotorInfo moving(board.m_reply);
        QCOMPARE(moving.stateName(), QString("Moving"));
        QCOMPARE(moving.microStepPosition(board.m_model), -4.0);
        bus().advance(1000);
        QVERIFY(board.run(R::GetMotorState).isOk());
        const TalvexDriverMotorInfo info(board.m_reply);
        QCOMPARE(info.stateName(), QString("Hold"));
        QCOMPARE(info.microStepPosition(board.m_model), -64.0);
    }

    void refusalsKeepTheConnection()
    {
        PacketBoard board(D::s_model10_1, USBVersion(1, 1));
        QVERIFY(board.m_opened.isOk());
        TalvexDriverMotorConfiguration motor;
        motor.setValue(TalvexDriverMotorConfiguration::MotorCurrent, 2000);
        const USBResult result = board.run(R::SetMotorConfiguration, motor.toByteArray(board.m_model, board.m_firmwareVersion));
        QVERIFY(result.isWarning());
        QCOMPARE(result.getMessage(), QString("Some values for the motor supply configuration were out of range"));
        QVERIFY(board.run(R::GetMotorState).isOk());
    }
};

TALVEX_TEST(tst_DriverBoardProtocol)
#include "tst_DriverBoardProtocol.moc"
