#include "USBByteHelpers.h"

void appendUInt16(QVector<quint8>& bytes, quint16 value)
{
    bytes.resize(bytes.count() + 2);
    storeUInt16(bytes.end() - 2, value);
}

void appendUInt32(QVector<quint8>& bytes, quint32 value)
{
    bytes.resize(bytes.count() + 4);
    storeUInt32(bytes.end() - 4, value);
}

quint16 readUInt16(const QVector<quint8>& bytes, int index)
{
    return loadUInt16(bytes.constData() + index);
}

quint32 readUInt32(const QVector<quint8>& bytes, int index)
{
    return loadUInt32(bytes.constData() + index);
}

void storeUInt16(quint8* bytes, quint16 value)
{
    bytes[0] = quint8(value & 0xFF);
    bytes[1] = quint8((value >> 8) & 0xFF);
}

void storeUInt32(quint8* bytes, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = quint8((value >> (8 * i)) & 0xFF);
}

quint16 loadUInt16(const quint8* bytes)
{
    return quint16(bytes[0] | (quint16(bytes[1]) << 8));
}

quint32 loadUInt32(const quint8* bytes)
{
    return quint32(bytes[0]) | (quint32(bytes[1]) << 8) | (quint32(bytes[2]) << 16) | (quint32(bytes[3]) << 24);
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
