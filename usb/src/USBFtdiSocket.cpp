#include "USBFtdiSocket.h"

#include <algorithm>
#include <boost/make_shared.hpp>

namespace
{
// Flow control follows the serial number's first letter: "a" none, "b" RTS/CTS.
void setFlowControlBySerial(USBFtdiHandle& handle, const QString& serialNumber)
{
    const QChar letter = serialNumber.at(2).toLower();
    if (letter == QLatin1Char('a'))
        USBFtdiHandle::check(handle.api().setFlowControl(handle.get(), USBIFtdiApi::FlowNone, 0, 0));
    else if (letter == QLatin1Char('b'))
        USBFtdiHandle::check(handle.api().setFlowControl(handle.get(), USBIFtdiApi::FlowRtsCts, 0, 0));
}

// Baud rate, flow control, 8 data bits, 1 stop bit, even parity, latency 2 ms, small transfers.
void configureUart(USBFtdiHandle& handle, int baudRate, const QString& serialNumber, bool resetBitMode)
{
    USBIFtdiApi& api = handle.api();
    const USBIFtdiApi::Handle h = handle.get();
    if (resetBitMode)
    {
        USBFtdiHandle::check(api.setBitMode(h, 0xFF, USBIFtdiApi::BitModeReset));
        api.pause(10);
    }
    USBFtdiHandle::check(api.setBaudRate(h, quint32(baudRate)));
    setFlowControlBySerial(handle, serialNumber);
    USBFtdiHandle::check(api.setDataCharacteristics(h, 8, 0, 2));
    USBFtdiHandle::check(api.setLatencyTimer(h, 2));
    USBFtdiHandle::check(api.setUSBParameters(h, 8192, 256));
}
}

USBFtdiSocket::USBFtdiSocket(int deviceIndex)
    : USBFtdiSocketBase(deviceIndex)
{
}

USBSocketPtr USBFtdiSocket::clone() const
{
    return boost::make_shared<USBFtdiSocket>(*this);
}

USBResult USBFtdiSocket::open(int baudRate)
{
    return openChannel([&](USBFtdiHandle& handle) {
        const int chipType = handle.getChipType();
        if (chipType == USBIFtdiApi::ChipFT232H || (chipType == USBIFtdiApi::ChipFT2232H && !(m_options & UartChannel)))
            m_fifo = true;
        const QString serialNumber = handle.readBoardSerialNumber(chipType);
        configure(handle, chipType, baudRate, serialNumber);
        USBFtdiHandle::check(handle.purge());
    });
}

void USBFtdiSocket::configure(USBFtdiHandle& handle, int chipType, int baudRate, const QString& serialNumber)
{
    USBIFtdiApi& api = handle.api();
    const USBIFtdiApi::Handle h = handle.get();
    switch (chipType)
    {
    case USBIFtdiApi::ChipFT232H:
        // Synchronous FIFO.
        USBFtdiHandle::check(api.setBitMode(h, 0xFF, USBIFtdiApi::BitModeReset));
        api.pause(10);
        USBFtdiHandle::check(api.setBitMode(h, 0xFF, USBIFtdiApi::BitModeSyncFifo));
        api.pause(10);
        USBFtdiHandle::check(api.setLatencyTimer(h, 2));
        USBFtdiHandle::check(api.setUSBParameters(h, 65536, 65536));
        USBFtdiHandle::check(api.setFlowControl(h, USBIFtdiApi::FlowRtsCts, 0, 0));
        break;
    case USBIFtdiApi::ChipFT2232H:
        if (m_options & UartChannel)
            configureUart(handle, baudRate, serialNumber, true);
        else
            handle.configureFifo();
        break;
    default:
        // FT232R and FT-X: the only other chips whose serial number is read.
        configureUart(handle, baudRate, serialNumber, false);
        break;
    }
}

QVector<quint8> USBFtdiSocket::read(int count)
{
    QVector<quint8> bytes(count);
    readInto(bytes.data(), count);
    return bytes;
}

void USBFtdiSocket::readInto(quint8* destination, int count)
{
    USBFtdiHandle& handle = USBFtdiHandle::require(m_pHandle);
    const int bytesRead = handle.readSome(destination, count);
    m_bytesRead += quint64(bytesRead);
    if (bytesRead != count)
        throw USBResult(QStringLiteral("Communication timed out"), 2);
}

void USBFtdiSocket::readAvailable(QVector<quint8>& data, int maxSize)
{
    USBFtdiHandle& handle = USBFtdiHandle::require(m_pHandle);
    quint32 queued = 0;
    handle.api().getQueueStatus(handle.get(), queued);
    const int n = std::min({int(queued), maxSize - data.count(), 10000});
    if (n <= 0)
        return;
    const int start = data.count();
    data.resize(start + n);
    try
    {
        readInto(data.data() + start, n);
    }
    catch (const USBResult&)
    {
        data.resize(start);
        throw;
    }
}

int USBFtdiSocket::getRxQueueCount()
{
    return USBFtdiHandle::require(m_pHandle).getRxQueueCount();
}

void USBFtdiSocket::applyTimeouts()
{
    setTimeouts(1000);
}

void USBFtdiSocket::setExpectedReadCount(int)
{
}

void USBFtdiSocket::setOption(int flag, bool on)
{
    if (on)
        m_options |= flag;
    else
        m_options &= ~int(quint16(flag));
}
