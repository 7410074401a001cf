#pragma once

#include <QVector>

// Little-endian fields of every multi-byte value exchanged with the board. No bounds checks:
// the caller guarantees the index.
void appendUInt16(QVector<quint8>& bytes, quint16 value);
void appendUInt32(QVector<quint8>& bytes, quint32 value);
quint16 readUInt16(const QVector<quint8>& bytes, int index);
quint32 readUInt32(const QVector<quint8>& bytes, int index);
