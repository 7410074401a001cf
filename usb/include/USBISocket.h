#pragma once

#include "USBResult.h"
#include "USBSocketStatus.h"

#include <QVector>
#include <boost/shared_ptr.hpp>

// One channel of a board's USB chip. Read and write operations throw a USBResult (status 2)
// on failure; open and close return theirs.
class USBISocket
{
public:
    virtual ~USBISocket();
    // A copy that shares the open channel.
    virtual boost::shared_ptr<USBISocket> clone() const = 0;
    virtual USBResult open(int baudRate) = 0;
    virtual USBResult close() = 0;
    virtual void resetAndClose() = 0;
    // True when the channel runs as a FIFO: the board streams to it at a high rate and its
    // data must be fetched promptly.
    virtual bool isFifo() const = 0;
    virtual int getDeviceIndex() const = 0;
    virtual bool isOpen() const = 0;
    virtual USBSocketStatus getStatus() = 0;
    virtual int purge() = 0;
    virtual void writeByte(quint8 value) = 0;
    virtual int writeBytes(QVector<quint8> bytes) = 0;
    // Exactly count bytes, or a thrown "Communication timed out".
    virtual QVector<quint8> read(int count) = 0;
    virtual void readInto(quint8* destination, int count) = 0;
    virtual void readAvailable(QVector<quint8>& data, int maxSize) = 0;
    virtual int getRxQueueCount() = 0;
    // The channel's read and write time-outs: 1000 ms on a direct channel, 200 ms on a
    // buffered one.
    virtual void applyTimeouts() = 0;
    virtual void setExpectedReadCount(int count) = 0;
};

typedef boost::shared_ptr<USBISocket> USBSocketPtr;
