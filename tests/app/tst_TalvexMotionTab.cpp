#include "TestRegistry.h"

#include "AppTestSupport.h"
#include "ConnectedDriverBoard.h"
#include "SettingsSandbox.h"
#include "DriverTestSupport.h"
#include "ModalAnswers.h"
#include "TalvexMotionTab.h"
#include "UIUnitHandler.h"
#include "UIUserInputRegister.h"
#include "UIWidgetFor.h"
#include "USBByteHelpers.h"

#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <memory>

namespace
{
typedef TalvexDriverDescriptor D;
typedef TalvexDriverCommRequest R;
typedef TalvexDriverMotorMoveConfiguration Move;

// The Motion tab of a board of one model on the simulated bus; the test runs its poll.
struct MotionTabOnBoard
{
    MotionTabOnBoard(const D& model, const USBVersion& firmware)
        : m_board(model, firmware)
    {
        m_pTab = new TalvexMotionTab(nullptr, &m_board.m_document, m_board.m_pDispatcher, &m_inputs);
        QObject::connect(m_pTab, &TalvexMotionTab::statusMessage,
            [this](const USBResult& result) { m_messages << result.getMessage(); });
    }

    ~MotionTabOnBoard() { delete m_pTab; }

    UIUserInputRegister& inputs() { return m_inputs; }

    template <class W>
    W* widget(const QString& key) { return dynamic_cast<W*>(inputs().get(key)->object()); }

    QComboBox* unitOf(const QString& handlerKey)
    {
        return qobject_cast<QComboBox*>(dynamic_cast<UIUnitHandler*>(inputs().get(handlerKey))->parent());
    }

    // The tab's buttons by icon.
    QPushButton* button(const QString& icon)
    {
        const QList<QPushButton*> found = buttons(icon);
        return found.isEmpty() ? nullptr : found.first();
    }

    QList<QPushButton*> buttons(const QString& icon)
    {
        QList<QPushButton*> found;
        for (QPushButton* button : m_pTab->findChildren<QPushButton*>())
            if (!button->icon().isNull() && button->icon().pixmap(32).toImage() == QIcon(icon).pixmap(32).toImage())
                found << button;
        return found;
    }

    QPushButton* clearErrorButton()
    {
        for (QPushButton* button : m_pTab->findChildren<QPushButton*>())
            if (button->text() == "Clear error")
                return button;
        return nullptr;
    }

    QString enabledButtons()
    {
        QStringList names;
        for (const char* name : {"power", "house", "backward", "stop", "forward"})
            if (button(QString(":/rc/%1.png").arg(name))->isEnabled())
                names << name;
        return names.join(' ');
    }

    QLabel* label(const QString& text)
    {
        for (QLabel* label : m_pTab->findChildren<QLabel*>())
            if (label->text() == text)
                return label;
        return nullptr;
    }

    // The widget in the grid cell next to another, columns apart.
    QWidget* besides(QWidget* widget, int columns)
    {
        for (QGridLayout* grid : m_pTab->findChildren<QGridLayout*>())
        {
            const int index = grid->indexOf(widget);
            if (index < 0)
                continue;
            int row, column, span;
            grid->getItemPosition(index, &row, &column, &span, &span);
            return grid->itemAtPosition(row, column + columns)->widget();
        }
        return nullptr;
    }

    // The label right of a caption in the motor control.
    QString valueOf(const QString& caption)
    {
        return qobject_cast<QLabel*>(besides(label(caption), 1))->text();
    }

    bool answered(std::initializer_list<int> actions)
    {
        return waitFor([&] { return m_board.answered(m_pTab, actions); });
    }

    void poll()
    {
        QMetaObject::invokeMethod(m_pTab, "getMotorState");
        QVERIFY(answered({R::GetMotorState}));
    }

    // Presses and lets the board answer the action.
    void press(const QString& icon, int action)
    {
        QPushButton* pressed = button(icon);
        QVERIFY2(pressed->isEnabled(), qPrintable(icon));
        QTest::mouseClick(pressed, Qt::LeftButton);
        QVERIFY(answered({action}));
    }

    int sent(int action) const
    {
        const quint8 opcode = R::commandCode(m_board.m_model, action);
        return int(std::count(m_board.m_pRecorder->opcodes().cbegin(), m_board.m_pRecorder->opcodes().cend(), opcode));
    }

    QString lastPayload(int action) const
    {
        const quint8 opcode = R::commandCode(m_board.m_model, action);
        const QVector<quint8> opcodes = m_board.m_pRecorder->opcodes();
        return hexText(m_board.m_pRecorder->payload(opcodes.lastIndexOf(opcode)));
    }

    void runBoard(qint64 milliseconds)
    {
        ConnectedDriverBoard::bus().advance(milliseconds);
    }

    ConnectedDriverBoard m_board;
    UIUserInputRegister m_inputs;
    TalvexMotionTab* m_pTab;
    QStringList m_messages;
};

QVector<quint8> motorState(int state, int microStepMode, qint32 position, quint32 remaining, int remainingFlag)
{
    QVector<quint8> data;
    appendUInt32(data, remaining);
    appendUInt32(data, quint32(position));
    data << quint8(microStepMode) << quint8(remainingFlag) << 0 << quint8(state) << 0 << 0;
    return data;
}
}

class tst_TalvexMotionTab : public QObject
{
    Q_OBJECT

    SettingsSandbox m_settings;

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(rc);
        QVERIFY(m_settings.isolated());
        QVERIFY(runsOnSimulatedBus());
    }

    void everyModel_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::newRow("(1,1)") << D::s_model1_1 << USBVersion(2, 0);
        QTest::newRow("(1,2)") << D::s_model1_2 << USBVersion(2, 1);
        QTest::newRow("(10,1)") << D::s_model10_1 << USBVersion(1, 1);
        QTest::newRow("(27,1)") << D::s_model27_1 << USBVersion(1, 0);
    }

    // The motor driven from the tab through its states, with the moves it sends.
    void everyModel()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        MotionTabOnBoard motion(model, firmware);
        QVERIFY2(motion.m_board.m_connected.isOk(), qPrintable(motion.m_board.m_connected.getMessage()));

        QVERIFY(motion.label("Uninitialised"));
        const QPixmap bulb = qobject_cast<QLabel*>(motion.besides(motion.label("Motor state: "), 1))->pixmap(Qt::ReturnByValue);
        QCOMPARE(bulb.toImage(), QPixmap(":/rc/lightbulb_off.png").toImage());
        QCOMPARE(motion.enabledButtons(), QString());
        QVERIFY(motion.clearErrorButton()->isHidden());

        motion.poll();
        QVERIFY(motion.label("Off"));
        QCOMPARE(motion.enabledButtons(), QString("power"));
        motion.press(":/rc/power.png", R::MotorOn);
        QCOMPARE(motion.sent(R::MotorOn), 1);
        motion.poll();
        QVERIFY(motion.label("Hold"));
        QCOMPARE(motion.enabledButtons(), QString("power house backward forward"));

        // A relative move of 1000 full steps (the board's micro-stepping is full-step).
        motion.inputs().get("MoveMode")->setValue(1);
        motion.inputs().get("BaseUnitStepCount")->setValue(1000);
        motion.press(":/rc/forward.png", R::Move);
        QCOMPARE(motion.lastPayload(R::Move), hexText(Move(Move::Counted, Move::Forward, 1000).toByteArray(model)));
        motion.poll();
        QVERIFY(motion.label("Moving"));
        QCOMPARE(motion.enabledButtons(), QString("power stop"));
        QVERIFY(!motion.widget<QComboBox>("MicroStepping")->isEnabled());
        motion.runBoard(6000);
        motion.poll();
        QVERIFY(motion.label("Hold"));
        QVERIFY(motion.widget<QComboBox>("MicroStepping")->isEnabled());
        QCOMPARE(motion.valueOf("Absolute position: "), QString("1000"));

        // Absolute: the move from 1000 to 400 goes 600 steps backward, whichever button.
        motion.inputs().get("MoveMode")->setValue(2);
        motion.poll();
        QCOMPARE(motion.enabledButtons(), QString("power house forward"));
        motion.inputs().get("BaseUnitStepCount")->setValue(400);
        motion.press(":/rc/forward.png", R::Move);
        QCOMPARE(motion.lastPayload(R::Move), hexText(Move(Move::Counted, Move::Backward, 600).toByteArray(model)));
        motion.runBoard(4000);
        motion.poll();
        QCOMPARE(motion.valueOf("Absolute position: "), QString("400"));

        // A target where the motor is moves nothing.
        const int moves = motion.sent(R::Move);
        QTest::mouseClick(motion.button(":/rc/forward.png"), Qt::LeftButton);
        QCOMPARE(tipOf(motion.widget<QLineEdit>("StepCount")), QString("Resulting step count is zero!"));
        QVERIFY(motion.answered({R::Move}));
        QCOMPARE(motion.sent(R::Move), moves);

        // Half-stepping chosen but not committed: the board still counts full steps, so the
        // target 1000 half-steps is 500 of its steps, 100 forward.
        motion.widget<QComboBox>("MicroStepping")->setCurrentIndex(1);
        motion.inputs().get("BaseUnitStepCount")->setValue(1000);
        motion.press(":/rc/forward.png", R::Move);
        QCOMPARE(motion.lastPayload(R::Move), hexText(Move(Move::Counted, Move::Forward, 100).toByteArray(model)));
        QVERIFY(motion.m_messages.isEmpty());

        // Switched off behind the tab's back: the refused move reaches the status bar.
        motion.runBoard(2000);
        QCOMPARE(int(motion.m_board.configureBoard(R::MotorOff, QByteArray())), 0);
        motion.inputs().get("MoveMode")->setValue(0);
        motion.press(":/rc/forward.png", R::Move);
        QCOMPARE(motion.lastPayload(R::Move), hexText(Move(Move::Continuous, Move::Forward, 0).toByteArray(model)));
        QCOMPARE(motion.m_messages, QStringList{"Motor is turned off"});

        motion.poll();
        QVERIFY(motion.label("Off"));
        QCOMPARE(motion.enabledButtons(), QString("power"));
    }

    // A target further than one move can go is refused, not wrapped.
    void absoluteMoveBeyondOneMove()
    {
        MotionTabOnBoard motion(D::s_model1_2, USBVersion(2, 1));
        motion.inputs().get("MoveMode")->setValue(2);
        motion.unitOf("BaseUnitStepCount")->setCurrentIndex(1);
        // 125 million full steps below zero, in sixteenths.
        *motion.m_board.m_document.motorInfo() = TalvexDriverMotorInfo(motorState(1, 0, -2000000000, 0, 0));
        motion.inputs().get("BaseUnitStepCount")->setValue(950000000);
        QTest::mouseClick(motion.button(":/rc/forward.png"), Qt::LeftButton);
        QCOMPARE(tipOf(motion.widget<QLineEdit>("StepCount")), QString("The maximum number of steps is 1e9."));
        QCOMPARE(motion.sent(R::Move), 0);
        motion.inputs().get("BaseUnitStepCount")->setValue(-100000000);
        QTest::mouseClick(motion.button(":/rc/forward.png"), Qt::LeftButton);
        QVERIFY(motion.answered({R::Move}));
        QCOMPARE(motion.lastPayload(R::Move), hexText(Move(Move::Counted, Move::Forward, 25000000).toByteArray(D::s_model1_2)));
    }

    // The document goes before its tabs when the main window closes.
    void documentGoesFirst()
    {
        auto document = std::make_unique<TalvexDocument>();
        UIUserInputRegister inputs;
        auto tab = std::make_unique<TalvexMotionTab>(nullptr, document.get(), boost::make_shared<TalvexRequestDispatcher>(), &inputs);
        document.reset();
        tab.reset();
    }

    void powerSendsByState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("action");
        QTest::newRow("off") << int(TalvexDriverMotorInfo::Off) << int(R::MotorOn);
        QTest::newRow("hold") << int(TalvexDriverMotorInfo::Hold) << int(R::MotorOff);
        QTest::newRow("moving") << 9 << int(R::MotorOff);
    }

    // While its request is out, pressing again sends nothing.
    void powerSendsByState()
    {
        QFETCH(int, state);
        QFETCH(int, action);
        MotionTabOnBoard motion(D::s_model1_2, USBVersion(2, 1));
        *motion.m_board.m_document.motorInfo() = TalvexDriverMotorInfo(motorState(state, 0, 0, 0, 0));
        QPushButton* power = motion.button(":/rc/power.png");
        QTest::mouseClick(power, Qt::LeftButton);
        QTest::mouseClick(power, Qt::LeftButton);
        QVERIFY(motion.answered({R::MotorOn, R::MotorOff}));
        QCOMPARE(motion.sent(R::MotorOn) + motion.sent(R::MotorOff), 1);
        QCOMPARE(motion.sent(action), 1);
    }

    void buttonsByState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("moveMode");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("enabled");
        QTest::addColumn<bool>("clearError");
        QTest::newRow("hold, relative") << 1 << 1 << "Hold" << "power house backward forward" << false;
        QTest::newRow("hold, back and forth") << 1 << 3 << "Hold" << "power house forward" << false;
        QTest::newRow("off") << 4 << 0 << "Off" << "power" << false;
        QTest::newRow("invalid supply") << 5 << 0 << "Invalid supply voltage" << "" << false;
        QTest::newRow("error") << 6 << 0 << "No error" << "" << true;
        QTest::newRow("home search") << 11 << 0 << "Moving" << "power stop" << false;
        // A state of unknown meaning starts no move.
        QTest::newRow("unknown") << 2 << 0 << "Unknown state" << "power stop" << false;
    }

    void buttonsByState()
    {
        QFETCH(int, state);
        QFETCH(int, moveMode);
        QFETCH(QString, name);
        QFETCH(QString, enabled);
        QFETCH(bool, clearError);
        MotionTabOnBoard motion(D::s_model27_1, USBVersion(1, 0));
        motion.inputs().get("MoveMode")->setValue(moveMode);
        *motion.m_board.m_document.motorInfo() = TalvexDriverMotorInfo(motorState(state, 0, 0, 0, 0));
        QVERIFY(motion.label(name));
        QCOMPARE(motion.enabledButtons(), enabled);
        QCOMPARE(!motion.clearErrorButton()->isHidden(), clearError);
    }

    void errorCleared()
    {
        MotionTabOnBoard motion(D::s_model1_1, USBVersion(2, 0));
        motion.poll();
        motion.press(":/rc/power.png", R::MotorOn);
        {
            QMutexLocker lock(&ConnectedDriverBoard::bus().getMutex());
            motion.m_board.m_pFirmware->injectFault(105);
        }
        motion.poll();
        QVERIFY(motion.label("Motor driver over-temperature"));
        QCOMPARE(motion.enabledButtons(), QString());
        QPushButton* clear = motion.clearErrorButton();
        QVERIFY(!clear->isHidden());
        QTest::mouseClick(clear, Qt::LeftButton);
        QVERIFY(motion.answered({R::MotorOff}));
        QCOMPARE(motion.sent(R::MotorOff), 1);
        motion.poll();
        QVERIFY(motion.label("Off"));
        QVERIFY(clear->isHidden());
    }

    void remainingSteps()
    {
        MotionTabOnBoard motion(D::s_model1_2, USBVersion(2, 1));
        *motion.m_board.m_document.motorInfo() = TalvexDriverMotorInfo(motorState(9, 0, 0, 37, 1));
        QCOMPARE(motion.valueOf("Remaining steps: "), QString("37"));
        *motion.m_board.m_document.motorInfo() = TalvexDriverMotorInfo(motorState(9, 0, 0, 37, 0));
        QCOMPARE(motion.valueOf("Remaining steps: "), QString("-"));
    }

    void stepCountLabel()
    {
        MotionTabOnBoard motion(D::s_model1_2, USBVersion(2, 1));
        QLabel* label = qobject_cast<QLabel*>(motion.besides(motion.inputs().get("StepCount")->widget(), -1));
        QVERIFY(label);
        QCOMPARE(label->text(), QString());
        for (const auto& mode : {qMakePair(1, QString("Step count")), qMakePair(2, QString("Position")),
                 qMakePair(3, QString("Position")), qMakePair(0, QString())})
        {
            motion.inputs().get("MoveMode")->setValue(mode.first);
            QCOMPARE(label->text(), mode.second);
        }
    }

    void moveHome()
    {
        MotionTabOnBoard motion(D::s_model1_2, USBVersion(2, 1));
        *motion.m_board.m_document.motorInfo() = TalvexDriverMotorInfo(motorState(1, 0, 0, 0, 0));
        ModalAnswers answers;
        answers.press(QMessageBox::Ok);
        QTest::mouseClick(motion.button(":/rc/house.png"), Qt::LeftButton);
        QCOMPARE(answers.m_boxes,
            QStringList{"Move home: The relevant limits are not configured. Configure the limits on the IO tab."});
        QCOMPARE(motion.sent(R::MoveHome), 0);

        // The end limit is home now, and an input is wired to it.
        TalvexDocument& document = motion.m_board.m_document;
        document.advancedMotorMoveConfiguration()->setValue(TalvexDriverAdvancedMotorMoveConfiguration::HomePosition, 2);
        document.inputConfiguration()->setChannelAssignments({{1, TalvexDriverInputConfiguration::s_endLimitFunction}});
        QTest::mouseClick(motion.button(":/rc/house.png"), Qt::LeftButton);
        QVERIFY(motion.answered({R::MoveHome}));
        QCOMPARE(motion.sent(R::MoveHome), 1);
    }

    void zeroPosition()
    {
        MotionTabOnBoard motion(D::s_model10_1, USBVersion(1, 1));
        QPushButton* zero = motion.button(":/rc/zero.png");
        ModalAnswers answers;
        answers.press(QMessageBox::No);
        QTest::mouseClick(zero, Qt::LeftButton);
        QCOMPARE(answers.m_boxes,
            QStringList{"Zero absolute position: The absolute position will be set to zero. Continue?"});
        QCOMPARE(motion.sent(R::ZeroPosition), 0);
        answers.press(QMessageBox::Yes);
        QTest::mouseClick(zero, Qt::LeftButton);
        QVERIFY(motion.answered({R::ZeroPosition}));
        QCOMPARE(motion.sent(R::ZeroPosition), 1);
    }

    // Edits enable the commit buttons; the upload's read-back disables them again.
    void commits()
    {
        MotionTabOnBoard motion(D::s_model27_1, USBVersion(1, 0));
        TalvexDocument& document = motion.m_board.m_document;
        const QList<QPushButton*> commits = motion.buttons(":/rc/commit.png");
        QCOMPARE(commits.count(), 2);
        QVERIFY(!commits.at(0)->isEnabled() && !commits.at(1)->isEnabled());

        motion.widget<QSpinBox>("MotorCurrent")->setValue(1200);
        QLineEdit* velocity = motion.widget<QLineEdit>("Velocity");
        velocity->clear();
        QTest::keyClicks(velocity, "300");
        QTest::keyClick(velocity, Qt::Key_Return);
        QVERIFY(commits.at(0)->isEnabled() && commits.at(1)->isEnabled());

        for (QPushButton* commit : commits)
            QTest::mouseClick(commit, Qt::LeftButton);
        QVERIFY(motion.answered({R::GetMotorConfiguration, R::GetMotionConfiguration}));
        QCOMPARE(motion.sent(R::SetMotorConfiguration), 1);
        QCOMPARE(motion.sent(R::SetMotionConfiguration), 1);
        QVERIFY(!commits.at(0)->isEnabled() && !commits.at(1)->isEnabled());
        QCOMPARE(document.motorConfiguration()->value(TalvexDriverMotorConfiguration::MotorCurrent).toInt(), 1200);
        QCOMPARE(document.motionConfiguration()->value(TalvexDriverMotionConfiguration::Velocity).toInt(), 300);
        QVERIFY(motion.m_messages.isEmpty());
    }

    // The check boxes send their actions when the user changes them, never when a read-back
    // or a loaded file sets them.
    void holdAndInductanceSwitches_data()
    {
        QTest::addColumn<D>("model");
        QTest::addColumn<USBVersion>("firmware");
        QTest::addColumn<bool>("lowInductance");
        QTest::newRow("(10,1)") << D::s_model10_1 << USBVersion(1, 1) << true;
        QTest::newRow("(1,2) 2.0") << D::s_model1_2 << USBVersion(2, 0) << false;
    }

    void holdAndInductanceSwitches()
    {
        QFETCH(D, model);
        QFETCH(USBVersion, firmware);
        QFETCH(bool, lowInductance);
        MotionTabOnBoard motion(model, firmware);
        QCheckBox* hold = motion.widget<QCheckBox>("ReducedHoldCurrent");
        for (int click = 0; click < 2; ++click)
        {
            hold->click();
            const int action = hold->isChecked() ? R::ReducedHoldCurrentOn : R::ReducedHoldCurrentOff;
            QVERIFY(motion.answered({action}));
            QCOMPARE(motion.sent(action), 1);
        }

        motion.widget<QCheckBox>("LowInductance")->setChecked(true);
        QVERIFY(motion.answered({R::LowInductanceOn}));
        QCOMPARE(motion.sent(R::LowInductanceOn), lowInductance ? 1 : 0);

        TalvexDriverMotorConfiguration readBack;
        readBack.setValue(TalvexDriverMotorConfiguration::ReducedHoldCurrent, !hold->isChecked());
        *motion.m_board.m_document.motorConfiguration() = readBack;
        QCOMPARE(hold->isChecked(), readBack.value(TalvexDriverMotorConfiguration::ReducedHoldCurrent).toBool());
        QVERIFY(motion.m_board.answered(motion.m_pTab, {R::ReducedHoldCurrentOn, R::ReducedHoldCurrentOff}));
        QCOMPARE(motion.sent(R::ReducedHoldCurrentOn) + motion.sent(R::ReducedHoldCurrentOff), 2);
    }
};

TALVEX_TEST(tst_TalvexMotionTab)
#include "tst_TalvexMotionTab.moc"
