#pragma once

#include "USBFtdiSocketBase.h"

// A channel used directly: the command channel of a board (channel B of the FT2232H, or the
// only channel of a single-channel chip).
class USBFtdiSocket : public USBFtdiSocketBase
{
public:
    enum Option
    {
        // The FT2232H channel runs as a UART (channel B); otherwise it runs as a FIFO.
        UartChannel = 1
    };

    explicit USBFtdiSocket(int deviceIndex);

    USBSocketPtr clone() const override;
    USBResult open(int baudRate) override;
    QVector<quint8> read(int count) override;
    void readInto(quint8* destination, int count) override;
    void readAvailable(QVector<quint8>& data, int maxSize) override;
    int getRxQueueCount() override;
    void applyTimeouts() override;
    void setExpectedReadCount(int count) override;

    void setOption(int flag, bool on);
    int getOptions() const { return m_options; }

private:
    void configure(USBFtdiHandle& handle, int chipType, int baudRate, const QString& serialNumber);

    int m_options = 0;
};
