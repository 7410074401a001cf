#pragma once

#include <QVector>

// The board's bootloader as the simulated handshake framing sees it: it tells for each command
// byte how the exchange goes on, and answers the command once its payload is in.
class SimIBoardBootloader
{
public:
    struct Command
    {
        bool answered = true;    // false: the board takes the command byte and sends nothing
        bool raw = false;        // no acknowledges and no reply: payloadLength bytes follow
        bool accepted = true;    // false: the acknowledge refuses it and the board forgets it
        quint8 acknowledge = 0;  // status byte sent for the command byte (not for raw commands)
        int payloadLength = 0;   // bytes the host sends after the command byte
    };

    struct Reply
    {
        quint8 acknowledge = 0;  // status byte for the payload (only sent when there was one)
        QVector<quint8> data;    // reply bytes that follow
    };

    virtual ~SimIBoardBootloader() = default;

    virtual Command beginCommand(quint8 command) = 0;
    virtual Reply finishCommand(quint8 command, const QVector<quint8>& payload) = 0;
};
