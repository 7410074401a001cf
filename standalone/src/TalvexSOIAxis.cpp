#include "TalvexSOIAxis.h"

#include <QDataStream>

QDataStream& operator<<(QDataStream& out, const TalvexSOIAxis& axis)
{
    axis.write(out);
    return out;
}

QDataStream& operator>>(QDataStream& in, TalvexSOIAxis& axis)
{
    axis.read(in);
    return in;
}
