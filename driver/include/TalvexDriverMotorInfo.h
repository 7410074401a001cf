#pragma once

#include "TalvexDriverDescriptor.h"
#include "ObserverList.h"

#include <QString>
#include <QVector>

// The motor state read with action 22.
class TalvexDriverMotorInfo
{
public:
    enum State
    {
        Hold = 1,
        Off = 4,
        InvalidSupplyVoltage = 5,
        Error = 6,
        FirstMoving = 8,
        LastMoving = 13
    };

    enum LimitFlag
    {
        AtStart = 0x1,
        AtEnd = 0x2
    };

    class IChangeObserver
    {
    public:
        virtual ~IChangeObserver() = default;
        virtual void stateChanged(TalvexDriverMotorInfo* info) = 0;
        virtual void infoDestroyed(TalvexDriverMotorInfo* info) = 0;
    };

    TalvexDriverMotorInfo() = default;
    explicit TalvexDriverMotorInfo(const QVector<quint8>& data);
    TalvexDriverMotorInfo(const TalvexDriverMotorInfo& other) = default;
    ~TalvexDriverMotorInfo();

    // Copies every field and tells the observers.
    TalvexDriverMotorInfo& operator=(const TalvexDriverMotorInfo& other);

    quint32 getRemainingSteps() const { return m_remainingSteps; }
    int getMicroStepMode() const { return m_microStepMode; }
    int getStatusByte9() const { return m_statusByte9; }
    int getStatusByte10() const { return m_statusByte10; }
    int getState() const { return m_state; }
    int getLimitFlags() const { return m_limitFlags; }
    int getErrorCode() const { return m_errorCode; }
    // In the board's finest micro-steps.
    qint32 getPosition() const { return m_position; }

    // The position in micro-steps of the reported micro-step mode.
    double microStepPosition(const TalvexDriverDescriptor& descriptor) const;
    QString stateName() const;
    QString errorName() const;
    QString errorDescription() const;

    void addObserver(IChangeObserver* observer) { m_observers.add(observer); }
    void removeObserver(IChangeObserver* observer) { m_observers.remove(observer); }

private:
    quint32 m_remainingSteps = 0;
    int m_microStepMode = 0;
    int m_statusByte9 = 0;
    int m_statusByte10 = 0;
    int m_state = 0;
    int m_limitFlags = 0;
    int m_errorCode = 0;
    qint32 m_position = 0;
    ObserverList<IChangeObserver> m_observers;
};
