#pragma once

#include <QVector>

// The board's main firmware as the simulated packet framing sees it: it answers one command
// at a time and produces the stream packets the board sends unasked. Time is simulated: the
// framing advances the firmware's clock, nothing sleeps.
class SimIBoardFirmware
{
public:
    struct Reply
    {
        bool answered = true;    // false: the board stays silent
        quint8 status = 0;       // first byte of every reply
        QVector<quint8> data;    // reply bytes after the status
    };

    virtual ~SimIBoardFirmware() = default;

    virtual Reply handleCommand(quint8 opcode, const QVector<quint8>& payload) = 0;
    // Moves the board's clock on by the given number of milliseconds.
    virtual void advance(qint64 milliseconds) = 0;
    // Stream packets (the data of short frames on stream id 0) produced since the last call.
    virtual QVector<QVector<quint8>> takeStreamPackets() = 0;
};
