#include "TestRegistry.h"

#include "ConnectedDriverBoard.h"
#include "DriverTestSupport.h"
#include "SettingsSandbox.h"
#include "TalvexMotionController.h"
#include "USBByteHelpers.h"

#include <QSignalSpy>
#include <QTest>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;
typedef TalvexDriverMotorMoveConfiguration Move;
typedef TalvexMotionController C;

// The motor state reply: position in sixteenths of a full step, as (1,2) counts.
TalvexDriverMotorInfo motorInfo(int state, qint32 fullSteps = 0)
{
    QVector<quint8> data;
    appendUInt32(data, 0);
    appendUInt32(data, quint32(fullSteps * 16));
    data << 0 << 0 << 0 << quint8(state) << 0 << 0;
    return TalvexDriverMotorInfo(data);
}

// The controller of a (1,2) board's Motion tab, without the tab.
struct ControllerOnBoard
{
    ControllerOnBoard()
        : m_board(D::s_model1_2, USBVersion(2, 1))
        , m_controller(&m_board.m_document, m_board.m_pDispatcher, &m_requester, nullptr)
    {
        QObject::connect(&m_controller, &C::statusMessage,
            [this](const USBResult& result) { m_messages << result.getMessage(); });
    }

    bool answered(std::initializer_list<int> actions)
    {
        return waitFor([&] { return m_board.answered(&m_requester, actions); });
    }

    QStringList wire() const { return m_board.m_pRecorder->wire(); }

    ConnectedDriverBoard m_board;
    QObject m_requester;
    C m_controller;
    QStringList m_messages;
};

C::MoveSettings settings(int mode, double steps, double microStepFactor = 1.0)
{
    C::MoveSettings moveSettings;
    moveSettings.mode = mode;
    moveSettings.steps = steps;
    moveSettings.microStepFactor = microStepFactor;
    return moveSettings;
}
}

class tst_TalvexMotionController : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase()
    {
        QVERIFY(m_settings.isolated());
        QVERIFY(runsOnSimulatedBus());
    }

    void move_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("steps");
        QTest::addColumn<double>("microStepFactor");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("refusal");
        const QString zero = "Resulting step count is zero!";
        const QString tooFar = "The maximum number of steps is 1e9.";
        // The board holds at 1000 full steps.
        QTest::newRow("continuous") << 0 << 5.0 << 1.0 << 1 << "22 00 01 00 00 00 00" << "";
        QTest::newRow("relative drops the fraction") << 1 << 1000.7 << 1.0 << 1 << "22 01 01 E8 03 00 00" << "";
        QTest::newRow("relative nothing") << 1 << 0.9 << 1.0 << 0 << "" << zero;
        QTest::newRow("relative negative") << 1 << -5.0 << 1.0 << 0 << "" << "The minimum number of steps is 1.";
        QTest::newRow("relative beyond") << 1 << 1e9 + 1 << 1.0 << 0 << "" << tooFar;
        QTest::newRow("back and forth at the limit") << 3 << 1e9 << 1.0 << 0 << "22 03 00 00 CA 9A 3B" << "";
        QTest::newRow("back and forth nothing") << 3 << 0.0 << 1.0 << 0 << "22 03 00 00 00 00 00" << "";
        // Absolute: from where the board is, whichever button.
        QTest::newRow("absolute back") << 2 << 400.0 << 1.0 << 0 << "22 01 01 58 02 00 00" << "";
        QTest::newRow("absolute ahead") << 2 << 1500.0 << 1.0 << 1 << "22 01 00 F4 01 00 00" << "";
        // Half-steps in the settings, full steps on the board: 2400 half-steps are 1200 of its steps.
        QTest::newRow("absolute, settings in half-steps") << 2 << 2400.0 << 2.0 << 0 << "22 01 00 C8 00 00 00" << "";
        QTest::newRow("absolute where it is") << 2 << 1000.0 << 1.0 << 0 << "" << zero;
        QTest::newRow("absolute beyond") << 2 << -1e9 << 1.0 << 0 << "" << tooFar;
    }

    // The move the settings give goes on the wire; settings that give none are refused with
    // the reason and send nothing.
    void move()
    {
        QFETCH(int, mode);
        QFETCH(double, steps);
        QFETCH(double, microStepFactor);
        QFETCH(int, direction);
        QFETCH(QString, sent);
        QFETCH(QString, refusal);
        ControllerOnBoard motion;
        QVERIFY(motion.m_board.m_connected.isOk());
        QCOMPARE(int(motion.m_board.configureBoard(R::MotorOn, QByteArray())), 0);
        motion.m_controller.motorStateChanged(motorInfo(TalvexDriverMotorInfo::Hold, 1000), mode);
        QSignalSpy refused(&motion.m_controller, &C::moveRefused);

        motion.m_controller.move(direction, settings(mode, steps, microStepFactor));
        QVERIFY(motion.answered({R::Move}));
        QCOMPARE(motion.wire(), sent.isEmpty() ? QStringList() : QStringList{sent});
        QCOMPARE(refused.count(), refusal.isEmpty() ? 0 : 1);
        if (!refusal.isEmpty())
            QCOMPARE(refused.first().first().toString(), refusal);
        QCOMPARE(motion.m_messages, QStringList());
    }

    // One request of a kind in flight: a second press sends nothing and says nothing, and the
    // power button sends the one of on and off that the last state asks for.
    void oneOfAKindInFlight()
    {
        ControllerOnBoard motion;
        QSignalSpy refused(&motion.m_controller, &C::moveRefused);
        motion.m_controller.motorStateChanged(motorInfo(TalvexDriverMotorInfo::Off), C::Relative);
        motion.m_controller.togglePower();
        motion.m_controller.togglePower();
        motion.m_controller.move(0, settings(C::Relative, 10));
        motion.m_controller.move(0, settings(C::Relative, 0));
        motion.m_controller.pollMotorState();
        motion.m_controller.pollMotorState();
        QVERIFY(motion.answered({R::MotorOn, R::Move, R::GetMotorState}));
        QCOMPARE(motion.wire(), (QStringList{"27", "22 01 00 0A 00 00 00", "41"}));
        QCOMPARE(refused.count(), 0);

        motion.m_controller.motorStateChanged(*motion.m_board.m_document.motorInfo(), C::Relative);
        motion.m_controller.togglePower();
        QVERIFY(motion.answered({R::MotorOff}));
        QCOMPARE(motion.wire().last(), QString("28"));
    }

    void controls_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("allowed");
        QTest::newRow("hold, relative") << 1 << 1 << "power home backward forward known";
        QTest::newRow("hold, back and forth") << 1 << 3 << "power home forward known";
        QTest::newRow("off") << 4 << 0 << "power known";
        QTest::newRow("invalid supply") << 5 << 0 << "known";
        QTest::newRow("error") << 6 << 0 << "clearError known";
        QTest::newRow("moving") << 9 << 0 << "power stop known moving";
        QTest::newRow("unknown") << 2 << 0 << "power stop";
    }

    // What the user may do in each motor state; a state of unknown meaning starts no move.
    void controls()
    {
        QFETCH(int, state);
        QFETCH(int, mode);
        QFETCH(QString, allowed);
        ControllerOnBoard motion;
        const C::Controls controls = motion.m_controller.motorStateChanged(motorInfo(state), mode);
        QStringList names;
        const QList<QPair<bool, QString>> flags = {{controls.power, "power"}, {controls.home, "home"},
            {controls.backward, "backward"}, {controls.forward, "forward"}, {controls.stop, "stop"},
            {controls.clearError, "clearError"}, {controls.known, "known"},
            {controls.moving, "moving"}};
        for (const auto& flag : flags)
            if (flag.first)
                names << flag.second;
        QCOMPARE(names.join(' '), allowed);
    }

    // Home needs an input wired to the home limit; without one nothing is sent.
    void moveHome()
    {
        ControllerOnBoard motion;
        QSignalSpy refused(&motion.m_controller, &C::moveHomeRefused);
        motion.m_controller.moveHome();
        QCOMPARE(refused.count(), 1);
        QCOMPARE(refused.first().first().toString(),
            QString("The relevant limits are not configured. Configure the limits on the IO tab."));

        TalvexDocument& document = motion.m_board.m_document;
        document.advancedMotorMoveConfiguration()->setValue(TalvexDriverAdvancedMotorMoveConfiguration::HomePosition, 2);
        document.inputConfiguration()->setChannelAssignments({{1, TalvexDriverInputConfiguration::s_endLimitFunction}});
        motion.m_controller.moveHome();
        QVERIFY(motion.answered({R::MoveHome}));
        QCOMPARE(motion.wire(), QStringList{"32"});
        QCOMPARE(refused.count(), 1);

        // Once the document has gone, home is neither checked nor sent.
        motion.m_controller.forgetDocument();
        motion.m_controller.moveHome();
        QCOMPARE(refused.count(), 1);
        QCOMPARE(motion.wire().count(), 1);
    }

    // Its own failed requests become status messages, refused or answered; the failures of
    // another requester's requests do not.
    void failuresOfItsOwn()
    {
        ControllerOnBoard motion;
        motion.m_board.m_pRecorder->refuse(R::commandCode(D::s_model1_2, R::Stop), 101);
        motion.m_board.m_pRecorder->refuse(R::commandCode(D::s_model1_2, R::GetMotorState), 1);
        QObject other;
        TalvexDriverCommands(motion.m_board.m_pDispatcher.get(), &other).getMotorState();
        motion.m_controller.stop();
        QVERIFY(motion.answered({R::Stop}));
        QVERIFY(waitFor([&] { return motion.m_board.answered(&other, {R::GetMotorState}); }));
        QCOMPARE(motion.m_messages, QStringList{"Motor is turned off"});

        motion.m_board.m_state.disconnectDevice();
        motion.m_controller.zeroPosition();
        QCOMPARE(motion.m_messages, (QStringList{"Motor is turned off", "No device is open"}));
    }
};

TALVEX_TEST(tst_TalvexMotionController)
#include "tst_TalvexMotionController.moc"
