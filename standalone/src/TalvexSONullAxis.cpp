#include "TalvexSONullAxis.h"

#include "StreamableVersionException.h"

#include <QDataStream>

TalvexSOIAxis* TalvexSONullAxis::clone() const
{
    return new TalvexSONullAxis;
}

QString TalvexSONullAxis::typeName() const
{
    return QStringLiteral("TalvexSONullAxis");
}

void TalvexSONullAxis::accept(IVisitor& visitor)
{
    visitor.visit(*this);
}

double TalvexSONullAxis::linearStepSize() const
{
    return 0.0;
}

USBResult TalvexSONullAxis::connectDevice()
{
    return USBResult();
}

void TalvexSONullAxis::exitBootloader()
{
}

void TalvexSONullAxis::disconnectDevice()
{
}

USBResult TalvexSONullAxis::uploadConfiguration()
{
    return USBResult();
}

USBResult TalvexSONullAxis::turnOn()
{
    return USBResult();
}

USBResult TalvexSONullAxis::turnOff()
{
    return USBResult();
}

USBResult TalvexSONullAxis::moveHome()
{
    return USBResult();
}

USBResult TalvexSONullAxis::move(int steps)
{
    Q_UNUSED(steps);
    return USBResult();
}

USBResult TalvexSONullAxis::readState(int* motorState, int* limitState)
{
    *motorState = MotorOff;
    *limitState = NoLimit;
    return USBResult();
}

void TalvexSONullAxis::write(QDataStream& out) const
{
    out << qint32(1);
}

void TalvexSONullAxis::read(QDataStream& in)
{
    StreamableVersionException::readVersion(in, {1}, "src\\TalvexSONullAxis", 103);
}
