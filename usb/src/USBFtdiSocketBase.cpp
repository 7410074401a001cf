#include "USBFtdiSocketBase.h"

USBFtdiSocketBase::USBFtdiSocketBase(int deviceIndex)
    : m_deviceIndex(deviceIndex)
{
}

USBResult USBFtdiSocketBase::openChannel(const std::function<void(USBFtdiHandle&)>& setup)
{
    if (isOpen())
        return USBResult(QStringLiteral("Device already open"), 2);
    try
    {
        m_pHandle = USBFtdiHandle::open(m_deviceIndex, [&](USBFtdiHandle& handle) {
            m_fifo = false;
            m_bytesRead = 0;
            setup(handle);
        });
    }
    catch (const USBResult& result)
    {
        return result;
    }
    return USBResult();
}

USBResult USBFtdiSocketBase::close()
{
    if (m_pHandle)
        m_pHandle->close();
    m_pHandle.reset();
    return USBResult();
}

void USBFtdiSocketBase::resetAndClose()
{
    if (m_pHandle)
        m_pHandle->resetAndClose();
    m_pHandle.reset();
}

bool USBFtdiSocketBase::isFifo() const
{
    return m_fifo;
}

int USBFtdiSocketBase::getDeviceIndex() const
{
    return m_deviceIndex;
}

bool USBFtdiSocketBase::isOpen() const
{
    return m_pHandle && m_pHandle->isOpen();
}

USBSocketStatus USBFtdiSocketBase::getStatus()
{
    return m_pHandle ? m_pHandle->getStatus() : USBSocketStatus();
}

int USBFtdiSocketBase::purge()
{
    return m_pHandle ? m_pHandle->purge() : int(USBIFtdiApi::InvalidHandle);
}

void USBFtdiSocketBase::writeByte(quint8 value)
{
    USBFtdiHandle::require(m_pHandle).writeAll(&value, 1);
}

int USBFtdiSocketBase::writeBytes(QVector<quint8> bytes)
{
    USBFtdiHandle& handle = USBFtdiHandle::require(m_pHandle);
    if (bytes.isEmpty())
        return 0;
    handle.writeAll(bytes.constData(), bytes.count());
    return bytes.count();
}

void USBFtdiSocketBase::setTimeouts(quint32 milliseconds)
{
    USBFtdiHandle::require(m_pHandle).setTimeouts(milliseconds, milliseconds);
}
