#pragma once

#include <QString>

// What a socket reports of its channel.
struct USBSocketStatus
{
    enum State
    {
        Open = 0,       // open and the library answered
        NotOpen = 1,
        LibraryError = 2
    };

    int state = NotOpen;
    quint32 rxQueueCount = 0;
    quint32 txQueueCount = 0;
    QString message;
};
