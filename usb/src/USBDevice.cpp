#include "USBDevice.h"

USBDevice::USBDevice(quint32 usbId, const QString& serialNumber, const QString& description)
    : m_usbId(usbId)
    , m_serialNumber(serialNumber)
    , m_description(description)
{
}

USBDevice::~USBDevice() = default;

bool USBDevice::operator==(const USBDevice& other) const
{
    return m_usbId == other.m_usbId && m_serialNumber == other.m_serialNumber
        && m_description == other.m_description;
}

USBSerialNumber USBDevice::getSerialNumber() const
{
    return USBSerialNumber(m_serialNumber);
}

QPair<int, int> USBDevice::getDeviceType() const
{
    return getSerialNumber().getDeviceType();
}

bool USBDevice::isVendorDevice() const
{
    return m_serialNumber.startsWith(QLatin1String("VT"));
}
