#pragma once

#include "USBFtdiHandle.h"
#include "USBISocket.h"

#include <functional>

// What the two FTDI channel sockets share: the channel by device index, its shared handle, the
// mode the opening chose, the byte count, and the plain operations on them.
class USBFtdiSocketBase : public USBISocket
{
public:
    USBResult close() override;
    void resetAndClose() override;
    bool isFifo() const override;
    int getDeviceIndex() const override;
    bool isOpen() const override;
    USBSocketStatus getStatus() override;
    int purge() override;
    void writeByte(quint8 value) override;
    int writeBytes(QVector<quint8> bytes) override;

    quint64 getBytesRead() const { return m_bytesRead; }

protected:
    explicit USBFtdiSocketBase(int deviceIndex);

    // "Device already open", or opens the channel and runs setup on it: FIFO mode off and
    // the byte count 0 first; a failure closes the channel and is returned.
    USBResult openChannel(const std::function<void(USBFtdiHandle&)>& setup);
    void setTimeouts(quint32 milliseconds);

    int m_deviceIndex;
    USBFtdiHandle::Ptr m_pHandle;
    bool m_fifo = false;
    quint64 m_bytesRead = 0;
};
