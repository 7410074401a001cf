#include "USBByteHelpers.h"

void appendUInt16(QVector<quint8>& bytes, quint16 value)
{
    bytes.append(quint8(value & 0xFF));
    bytes.append(quint8((value >> 8) & 0xFF));
}

void appendUInt32(QVector<quint8>& bytes, quint32 value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.append(quint8((value >> shift) & 0xFF));
}

quint16 readUInt16(const QVector<quint8>& bytes, int index)
{
    return quint16(bytes[index] | (quint16(bytes[index + 1]) << 8));
}

quint32 readUInt32(const QVector<quint8>& bytes, int index)
{
    return quint32(bytes[index]) | (quint32(bytes[index + 1]) << 8) | (quint32(bytes[index + 2]) << 16)
        | (quint32(bytes[index + 3]) << 24);
}

QByteArray bytesToByteArray(const QVector<quint8>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.constData()), bytes.size());
}

QVector<quint8> byteArrayToBytes(const QByteArray& bytes)
{
    return QVector<quint8>(reinterpret_cast<const quint8*>(bytes.constBegin()),
                           reinterpret_cast<const quint8*>(bytes.constEnd()));
}
