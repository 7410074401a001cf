#pragma once

#include "USBFtdiSocketBase.h"

#include <QFile>
#include <QVector>
#include <memory>

// Channel A of the FT2232H, which carries the board's bulk data. The board sends on this
// channel only on request: each zero byte written asks for one block of m_blockSize bytes,
// which the socket reads into its buffer and hands out from there.
class USBFtdiBufferedSocket : public USBFtdiSocketBase
{
public:
    USBFtdiBufferedSocket(int deviceIndex, int blockSize);

    USBSocketPtr clone() const override;
    USBResult open(int baudRate) override;
    // Not supported on this channel: use readInto.
    QVector<quint8> read(int count) override;
    void readInto(quint8* destination, int count) override;
    // Not supported on this channel.
    void readAvailable(QVector<quint8>& data, int maxSize) override;
    int getRxQueueCount() override;
    void applyTimeouts() override;
    void setExpectedReadCount(int count) override;

    int getBlockSize() const { return m_blockSize; }

    // Process-wide switch, off by default: every block read is appended to
    // "Socket-<device index>-<time>.log" in the working directory.
    static void setLogEnabled(bool on);

private:
    void requestBlock();
    void refill();
    void allocateBuffer();
    void log(const quint8* bytes, int count);

    int m_blockSize;
    int m_bufferRemainingRxCount = 0;
    int m_expectedReadCount = 0;
    QVector<quint8> m_buffer;   // empty until first use
    int m_bufferSize = 0;
    int m_readPosition = 0;
    std::unique_ptr<QFile> m_pLogFile;
};
