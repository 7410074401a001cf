#include "TalvexDriverBytes.h"

#include "ValueConversions.h"

#include <limits>

quint8 toByteField(const QVariant& value)
{
    return quint8(qBound(0, variantToInt(value), 0xFF));
}

quint16 toWordField(const QVariant& value)
{
    return quint16(qBound(0, variantToInt(value), 0xFFFF));
}

quint32 toLongField(const QVariant& value)
{
    return quint32(qBound(0, variantToInt(value), std::numeric_limits<int>::max()));
}
