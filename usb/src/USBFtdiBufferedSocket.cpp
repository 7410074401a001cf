#include "USBFtdiBufferedSocket.h"

#include <QDataStream>
#include <QDateTime>
#include <atomic>
#include <boost/make_shared.hpp>

namespace
{
std::atomic<bool> s_logEnabled{false};
}

USBFtdiBufferedSocket::USBFtdiBufferedSocket(int deviceIndex, int blockSize)
    : USBFtdiSocketBase(deviceIndex)
    , m_blockSize(blockSize)
{
}

USBSocketPtr USBFtdiBufferedSocket::clone() const
{
    // Same channel, counts and hint; a buffer and a log file of its own.
    auto copy = boost::make_shared<USBFtdiBufferedSocket>(m_deviceIndex, m_blockSize);
    copy->m_pHandle = m_pHandle;
    copy->m_fifo = m_fifo;
    copy->m_bufferRemainingRxCount = m_bufferRemainingRxCount;
    copy->m_expectedReadCount = m_expectedReadCount;
    copy->m_bytesRead = m_bytesRead;
    return copy;
}

USBResult USBFtdiBufferedSocket::open(int)
{
    return openChannel([&](USBFtdiHandle& handle) {
        const int chipType = handle.getChipType();
        Q_ASSERT_X(chipType == USBIFtdiApi::ChipFT2232H, "src\\USBFtdiBufferedSocket", "device == FT_DEVICE_2232H");
        m_fifo = true;
        handle.readBoardSerialNumber(chipType);
        handle.configureFifo();
        USBFtdiHandle::check(handle.purge());
    });
}

QVector<quint8> USBFtdiBufferedSocket::read(int)
{
    Q_ASSERT_X(false, "src\\USBFtdiBufferedSocket", "read is not supported");
    return QVector<quint8>();
}

void USBFtdiBufferedSocket::readAvailable(QVector<quint8>&, int)
{
    Q_ASSERT_X(false, "src\\USBFtdiBufferedSocket", "readAvailable is not supported");
}

void USBFtdiBufferedSocket::requestBlock()
{
    writeByte(0);
    m_bufferRemainingRxCount = m_blockSize;
}

void USBFtdiBufferedSocket::allocateBuffer()
{
    m_buffer.resize(m_blockSize);
    m_bufferSize = 0;
    m_readPosition = 0;
}

void USBFtdiBufferedSocket::refill()
{
    if (m_bufferRemainingRxCount == 0)
        requestBlock();
    Q_ASSERT_X(m_bufferSize == 0, "src\\USBFtdiBufferedSocket", "m_bufferSize == 0");
    int n = qMin(m_bufferRemainingRxCount, m_blockSize);
    if (m_expectedReadCount != 0)
        n = qMin(n, m_expectedReadCount);

    USBFtdiHandle& handle = USBFtdiHandle::require(m_pHandle);
    quint32 bytesRead = 0;
    const int status = handle.api().read(handle.get(), m_buffer.data(), quint32(n), bytesRead);
    Q_ASSERT_X(int(bytesRead) <= m_bufferRemainingRxCount, "src\\USBFtdiBufferedSocket", "bytesRead <= m_bufferRemainingRxCount");
    m_bufferRemainingRxCount -= int(bytesRead);
    m_expectedReadCount = qMax(0, m_expectedReadCount - int(bytesRead));
    if (s_logEnabled)
        log(m_buffer.constData(), int(bytesRead));
    USBFtdiHandle::check(status);
    if (bytesRead == 0)
        throw USBResult(QStringLiteral("Reading data from device timed out"), 2);
    m_bytesRead += bytesRead;
    m_bufferSize = int(bytesRead);
    m_readPosition = 0;
}

void USBFtdiBufferedSocket::readInto(quint8* destination, int count)
{
    USBFtdiHandle::require(m_pHandle);
    if (m_buffer.isEmpty())
    {
        allocateBuffer();
        m_bufferRemainingRxCount = 0;
        refill();
    }
    for (int i = 0; i < count; ++i)
    {
        if (m_bufferSize == 0)
            refill();
        destination[i] = m_buffer.at(m_readPosition++);
        --m_bufferSize;
    }
}

int USBFtdiBufferedSocket::getRxQueueCount()
{
    USBFtdiHandle& handle = USBFtdiHandle::require(m_pHandle);
    if (m_buffer.isEmpty())
    {
        allocateBuffer();
        requestBlock();
    }
    else if (m_bufferRemainingRxCount == 0 && m_bufferSize == 0)
    {
        requestBlock();
    }
    return m_bufferSize + handle.getRxQueueCount();
}

void USBFtdiBufferedSocket::applyTimeouts()
{
    setTimeouts(200);
}

void USBFtdiBufferedSocket::setExpectedReadCount(int count)
{
    m_expectedReadCount = count;
}

void USBFtdiBufferedSocket::setLogEnabled(bool on)
{
    s_logEnabled = on;
}

void USBFtdiBufferedSocket::log(const quint8* bytes, int count)
{
    if (!m_pLogFile)
    {
        const QString name = QStringLiteral("Socket-%1-%2.log")
                                 .arg(m_deviceIndex)
                                 .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy.MM.dd-hh.mm.ss")));
        m_pLogFile = std::make_unique<QFile>(name);
        m_pLogFile->open(QIODevice::WriteOnly);
    }
    if (!m_pLogFile->isOpen())
        return;
    QDataStream stream(m_pLogFile.get());
    stream.setByteOrder(QDataStream::LittleEndian);
    stream << quint32(count);
    stream.writeRawData(reinterpret_cast<const char*>(bytes), count);
}
