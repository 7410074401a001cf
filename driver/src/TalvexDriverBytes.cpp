#include "TalvexDriverBytes.h"

#include "ValueConversions.h"

#include <limits>

QByteArray bytesToByteArray(const QVector<quint8>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.constData()), bytes.size());
}

QVector<quint8> byteArrayToBytes(const QByteArray& bytes)
{
    QVector<quint8> result(bytes.size());
    for (int i = 0; i < bytes.size(); ++i)
        result[i] = quint8(bytes.at(i));
    return result;
}

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
