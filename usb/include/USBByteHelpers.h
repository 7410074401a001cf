#pragma once

#include <QByteArray>
#include <QVector>

// The bytes exchanged with the board: the USB layer carries them as QVector<quint8>, the
// configuration codecs build their payloads as QByteArray; the two meet only here.
//
// Little-endian fields of every multi-byte value exchanged with the board. No bounds checks:
// the caller guarantees the index.
void appendUInt16(QVector<quint8>& bytes, quint16 value);
void appendUInt32(QVector<quint8>& bytes, quint32 value);
quint16 readUInt16(const QVector<quint8>& bytes, int index);
quint32 readUInt32(const QVector<quint8>& bytes, int index);
// The same at a place in memory that the caller owns, for frames built and read in place.
void storeUInt16(quint8* bytes, quint16 value);
void storeUInt32(quint8* bytes, quint32 value);
quint16 loadUInt16(const quint8* bytes);
quint32 loadUInt32(const quint8* bytes);

QByteArray bytesToByteArray(const QVector<quint8>& bytes);
QVector<quint8> byteArrayToBytes(const QByteArray& bytes);
