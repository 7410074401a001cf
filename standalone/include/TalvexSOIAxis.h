#pragma once

#include "USBResult.h"

#include <QString>

class QDataStream;
class TalvexSONullAxis;
class TalvexSOTalvexPelmoraAxis;

// One axis of a stand-alone configuration. Axes are held by boost::shared_ptr and deleted
// through this interface.
class TalvexSOIAxis
{
public:
    // Tells the axis kinds apart, e.g. to choose the page that edits an axis.
    class IVisitor
    {
    public:
        virtual ~IVisitor() = default;
        virtual void visit(TalvexSONullAxis& axis) = 0;
        virtual void visit(TalvexSOTalvexPelmoraAxis& axis) = 0;
    };

    // Bits of readState's outputs.
    enum MotorState
    {
        MotorOff = 1,
        MotorHolding = 2,
        MotorMoving = 4,
        MotorOtherState = 8
    };
    enum LimitState
    {
        NoLimit = 1,
        AtStartLimit = 2,
        AtEndLimit = 4
    };

    virtual ~TalvexSOIAxis() = default;

    // A new, independent copy owned by the caller.
    virtual TalvexSOIAxis* clone() const = 0;
    // The class name: the factory key and the name stored in the file.
    virtual QString typeName() const = 0;
    virtual void accept(IVisitor& visitor) = 0;
    // Travel per motor step in mm.
    virtual double linearStepSize() const = 0;
    virtual USBResult connectDevice() = 0;
    virtual void exitBootloader() = 0;
    virtual void disconnectDevice() = 0;
    virtual USBResult uploadConfiguration() = 0;
    virtual USBResult turnOn() = 0;
    virtual USBResult turnOff() = 0;
    virtual USBResult moveHome() = 0;
    virtual USBResult move(int steps) = 0;
    // Sets MotorState and LimitState bits; leaves both untouched on failure.
    virtual USBResult readState(int* motorState, int* limitState) = 0;
    virtual void write(QDataStream& out) const = 0;
    virtual void read(QDataStream& in) = 0;
};

QDataStream& operator<<(QDataStream& out, const TalvexSOIAxis& axis);
QDataStream& operator>>(QDataStream& in, TalvexSOIAxis& axis);
