#pragma once

#include "TalvexDriverDescriptor.h"

#include <QByteArray>
#include <QDataStream>

// A move command: the payload of action 2.
class TalvexDriverMotorMoveConfiguration
{
public:
    enum Mode
    {
        Continuous = 0,
        Counted = 1,
        BackAndForth = 3
    };

    enum Direction
    {
        Forward = 0,
        Backward = 1
    };

    TalvexDriverMotorMoveConfiguration() = default;
    TalvexDriverMotorMoveConfiguration(int mode, int direction, int stepCount);

    int getMode() const { return m_mode; }
    int getDirection() const { return m_direction; }
    // Micro-steps.
    int getStepCount() const { return m_stepCount; }

    // A board without the back-and-forth mode moves continuously instead: the record itself
    // is changed to say so.
    QByteArray toByteArray(const TalvexDriverDescriptor& descriptor);

    friend QDataStream& operator<<(QDataStream& out, const TalvexDriverMotorMoveConfiguration& move);
    friend QDataStream& operator>>(QDataStream& in, TalvexDriverMotorMoveConfiguration& move);

private:
    int m_mode = Continuous;
    int m_direction = Forward;
    int m_stepCount = 100;
};
