#pragma once

#include <QVector>

class SimFtdiChannel;

// The board side of one simulated chip channel: the board's firmware (or a test double) plugs
// one in with SimFtdiChannel::setEndpoint and answers the host through channel.sendToHost().
//
// Every call comes with the bus lock held, from whichever thread drives the bus at that moment
// (a host call on a protocol worker, or a test stepping the clock). An endpoint must answer
// at once: never block, never wait for another thread, never call SimUsbBus::advance.
class SimIChannelEndpoint
{
public:
    virtual ~SimIChannelEndpoint();

    // The host wrote these bytes. Replies pushed with channel.sendToHost() here are in the host's
    // receive queue before its write returns, so a write-then-read exchange needs no waiting.
    virtual void hostWrote(SimFtdiChannel& channel, const QVector<quint8>& bytes) = 0;

    // Simulated time moved on by the given milliseconds (always 1: the bus steps its clock
    // millisecond by millisecond). Boards send unasked data (stream packets) from here.
    virtual void advance(SimFtdiChannel& channel, qint64 milliseconds) = 0;
};
