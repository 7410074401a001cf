#pragma once

#include <QByteArray>
#include <QVariant>
#include <QVector>

// The configurations encode their payloads as QByteArray, while the USB layer carries
// requests and replies as byte vectors.
QByteArray bytesToByteArray(const QVector<quint8>& bytes);
QVector<quint8> byteArrayToBytes(const QByteArray& bytes);

// A property value as an unsigned payload field: a number the field cannot hold is sent as the
// nearest one it can (a stored 70000 mA as 65535 mA, not as 4464 mA), text as it reads.
quint8 toByteField(const QVariant& value);
quint16 toWordField(const QVariant& value);
quint32 toLongField(const QVariant& value);
