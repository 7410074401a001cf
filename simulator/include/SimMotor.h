#pragma once

#include <QVector>

// The simulated motor of a board: off, hold, moving, error, limits, home search and zero
// position, driven by the board's simulated clock. Commands answer the board's status byte.
//
// Behaviour of this board where the real one is not documented:
// - The board counts the position in its finest micro-step (1/128 full step on (27,1), 1/16
//   on the other models) from a physical position that starts at 0; "zero position" moves the
//   origin, not the motor.
// - Moves run at the configured velocity from the first millisecond on: no ramps, no
//   backlash compensation. A stop holds at once.
// - The limit switches sit at fixed physical positions (default -1000 and +1000 full steps)
//   and count only while the input configuration wires the limit function (32 start, 33 end)
//   to some channel. A move that reaches a switch stops there and holds.
// - Moving states: 8 continuous, 9 counted, 10 back and forth, 11 home search, 12 the slow
//   approach of an accurate home search (it backs off the switch until the switch releases;
//   where the switch on the other side is pressed too, it holds on the home switch).
// - The remaining steps are micro-steps of the current mode left in a counted move or in the
//   current leg of a back-and-forth move, 0 otherwise. Byte 9 of the state reply flags them:
//   1 while such a move runs, so the count is one to show, 0 otherwise; byte 10 is always 0.
// - Refusals, in this order: an error state answers its own error code (faults use the codes
//   that have a status of that number: 102 to 105 and 108), then "turned off" (101), "busy"
//   (100), both limits active (109), and a move toward an active limit (106 start, 107 end).
//   A home search without its limit wired is refused as out of range (200).
// - Turning off always works; it stops a move and clears an error.
class SimMotor
{
public:
    // What the board's stored configurations say about the motor.
    struct Settings
    {
        // Mode n: 2^n micro-steps per full step.
        int microStepping = 0;
        // Full steps per second.
        qint64 forwardVelocity = 200;
        qint64 backwardVelocity = 200;
        bool startLimitWired = false;
        bool endLimitWired = false;
        // 1 at the start limit, 2 at the end limit.
        int homePosition = 1;
        bool accurateHomeSearch = false;
        bool zeroAtHome = false;
        qint64 homeFastVelocity = 200;
        qint64 homeSlowVelocity = 100;
    };

    // The board counts positions in 2^finestMode steps per full step.
    explicit SimMotor(int finestMode);

    void configure(const Settings& settings);
    void setLimitPositions(double startFullSteps, double endFullSteps);

    quint8 turnOn();
    quint8 turnOff();
    quint8 stop();
    // Mode 0 continuous, 1 counted, 3 back and forth; direction 0 forward, 1 backward; the
    // step count in micro-steps of the current mode. Range checks are the caller's.
    quint8 move(int mode, int direction, quint32 stepCount);
    quint8 moveHome();
    quint8 zeroPosition();
    // Puts the motor into the error state with this code and ends any move.
    void injectFault(int errorCode);

    bool isOn() const { return m_state != s_off && m_state != s_error; }
    bool isMoving() const { return m_activity != Idle; }
    // In the finest micro-steps of the board (2^getFinestMode() per full step): the position the
    // board reports, and the physical one that zeroing the position does not move.
    qint64 getPosition() const { return m_physical - m_origin; }
    qint64 getPhysicalPosition() const { return m_physical; }
    int getFinestMode() const { return m_finestMode; }
    // The configured mode n: 2^n micro-steps per full step.
    int getMicroStepping() const { return m_settings.microStepping; }
    // Runs the motor for the given simulated time.
    void advance(qint64 milliseconds);
    // The 14-byte reply of the motor state command.
    QVector<quint8> stateReply() const;

private:
    enum Activity
    {
        Idle,
        Continuous,
        Counted,
        BackAndForth,
        HomeSearch,
        HomeApproach
    };

    static constexpr int s_hold = 1;
    static constexpr int s_off = 4;
    static constexpr int s_error = 6;

    quint8 checkCanMove() const;
    void start(Activity activity, int direction, qint64 fullStepsPerSecond);
    void afterStep();
    void finishHome();
    void hold();
    // Full steps per second of a move in that direction.
    qint64 velocityOf(int direction) const;
    bool isLimitActive(int direction) const;
    // Units left before the active-limit position in that direction; -1 without a wired limit.
    qint64 unitsToLimit(int direction) const;
    qint64 unitsPerMicroStep() const;
    int limitFlags() const;

    int m_finestMode;
    int m_state = s_off;
    int m_errorCode = 0;
    Activity m_activity = Idle;
    int m_direction = 1;
    qint64 m_unitsPerSecond = 0;
    qint64 m_remainder = 0;
    qint64 m_legUnits = 0;
    qint64 m_remainingUnits = 0;

    qint64 m_physical = 0;
    qint64 m_origin = 0;
    qint64 m_startLimit;
    qint64 m_endLimit;

    Settings m_settings;
};
