#pragma once

// A firmware version, compared major first.
class USBVersion
{
public:
    USBVersion() = default;
    USBVersion(int major, int minor) : m_major(major), m_minor(minor) {}

    int getMajor() const { return m_major; }
    int getMinor() const { return m_minor; }

    friend bool operator<=(const USBVersion& a, const USBVersion& b)
    {
        if (a.m_major != b.m_major)
            return a.m_major < b.m_major;
        return a.m_minor <= b.m_minor;
    }
    friend bool operator>=(const USBVersion& a, const USBVersion& b) { return b <= a; }

private:
    int m_major = 0;
    int m_minor = 0;
};
