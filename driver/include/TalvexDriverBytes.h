#pragma once

#include <QByteArray>
#include <QVector>

// The configurations encode their payloads as QByteArray, while the USB layer carries
// requests and replies as byte vectors.
QByteArray bytesToByteArray(const QVector<quint8>& bytes);
QVector<quint8> byteArrayToBytes(const QByteArray& bytes);
