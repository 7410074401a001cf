#pragma once

#include "SimBoardModel.h"
#include "SimIBoardFirmware.h"
#include "SimMotor.h"
#include "SimStreamSampler.h"
#include "USBVersion.h"

#include <QHash>
#include <QString>

// The main firmware of a simulated driver board. Its serial number names the model: the
// device id and version in it are the product code and revision. A serial number of a model
// without a command set makes a board that refuses every command.
//
// A fresh board holds the studio's default configurations.
//
// Behaviour of this board where the real one is not documented:
// - An opcode outside the model's command map, and a command whose payload has the wrong
//   length, is refused with status 1. A write of PWM settings may be shorter than the model's
//   record (the scripts send one duty-cycle byte); it sets the leading bytes.
// - Write commands are checked before anything is stored; a refused write keeps the old record.
//   Out of range (200): motion values the model cannot run (micro-stepping, velocity,
//   acceleration), move modes and directions it does not have, and advanced move settings
//   (flags above 1, a home position other than 1 or 2, a home velocity of 0). (201): a motor
//   current outside the model's range, a drive type above 1, a step size of 0, flags above 1.
//   (202): interface settings: an ADC gain above 6 or ADC mode above 1, a sampling setting
//   outside its table or a sample count of 0, a duty cycle above 100 % or a PWM mode above 1.
// - While the motor moves, new motion, motor and advanced move configurations are refused as
//   busy (100).
// - The reduced-hold-current and low-inductance commands set the matching flags of the stored
//   motor configuration, so its read-back shows them.
// - Sampling (SimStreamSampler): the sampling command stores its record and starts a run with
//   the stored input configuration's output mask and ADC gain; while a run is going or waiting
//   for its trigger it is refused with "Measuring already in progress" (110) and the record
//   stays. The stream start command only readies the stream and always succeeds; the stop
//   command ends a run. Clearing the counters clears the event and quadrature counts.
// - The supply: 48 V on (1,1) and (1,2), 24 V on (27,1), USB power on (10,1). The current is a
//   rough model: 30 mA for the board, plus half the motor current while the motor is on
//   (a quarter in hold with reduced hold current). The three leading words of the supply reply
//   are 0.
class SimDriverFirmware : public SimIBoardFirmware
{
public:
    SimDriverFirmware(const QString& serialNumber, const USBVersion& firmwareVersion);

    // "VTAH", the product code (3 digits), the revision (2 digits), the unit number (4 digits).
    static QString serialNumberOf(quint32 productCode, quint32 revision, int unitNumber);

    const QString& getSerialNumber() const { return m_serialNumber; }
    const SimBoardModel& getModel() const { return m_model; }

    // Volts; 0 means no power (on a USB-powered board: not plugged to a powered port).
    void setSupplyVoltage(double volts);
    void setLimitPositions(double startFullSteps, double endFullSteps);
    // A motor fault such as over-temperature (105); turning the motor off clears it.
    void injectFault(int errorCode);
    bool isRelayOn() const { return m_relayOn; }
    // A pulse on the event input: counted, and it triggers a run waiting for an event. On a bus,
    // call it with the bus lock held, as the board's other calls are.
    void pulseEventInput();

    Reply handleCommand(quint8 opcode, const QVector<quint8>& payload) override;
    void advance(qint64 milliseconds) override;
    QVector<QVector<quint8>> takeStreamPackets() override;

private:
    typedef SimBoardModel::Command Command;

    Reply handleAction(Command command, const QVector<quint8>& payload);
    // Stores a write command's record under its read command, if the payload passes.
    Reply store(Command readCommand, const QVector<quint8>& payload, bool inRange, quint8 rangeStatus);
    Reply setMotorFlag(int offset, bool on);
    Reply startSampling(const QVector<quint8>& payload);
    // Starts a run waiting for the motor when the command made the motor move.
    Reply afterMotorCommand(quint8 status);
    void configureMotor();

    // Whether the velocity with this micro-stepping and, with the trapezoidal ramp, the
    // acceleration are values the driver can run.
    bool isVelocityInRange(int microStepping, qint64 velocity, int method, qint64 acceleration) const;
    bool isMotionInRange(const QVector<quint8>& payload) const;
    bool isMotorInRange(const QVector<quint8>& payload) const;
    bool isMoveInRange(const QVector<quint8>& payload) const;
    bool isInputInRange(const QVector<quint8>& payload) const;
    bool isSamplingInRange(const QVector<quint8>& payload) const;
    bool isPWMInRange(const QVector<quint8>& payload) const;
    bool isAdvancedMoveInRange(const QVector<quint8>& payload) const;

    QVector<quint8> supplyReply() const;

    QString m_serialNumber;
    SimBoardModel m_model;
    // Read command -> the record it answers with.
    QHash<int, QVector<quint8>> m_records;
    SimMotor m_motor;
    SimStreamSampler m_sampler;
    double m_supplyVoltage;
    bool m_relayOn = false;
};
