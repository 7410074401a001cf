#include "USBSerialNumber.h"

namespace
{
// Only plain digits: the framework's conversion would also take a sign or blanks, which no
// real serial number holds.
bool parseDigits(const QString& digits, int& value)
{
    for (const QChar c : digits)
    {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    value = digits.toInt(&ok, 10);
    return ok;
}
}

USBSerialNumber::USBSerialNumber(const QString& text)
{
    if (text.length() != 9 && text.length() != 13)
        return;
    const QString lower = text.toLower();
    if (!lower.startsWith(QLatin1String("vt")))
        return;

    int firstLetter = 0;
    if (lower.at(2) == QChar('a'))
        firstLetter = 0;
    else if (lower.at(2) == QChar('b'))
        firstLetter = 1;
    else
        return;

    int secondLetter = 0;
    if (lower.at(3) == QChar('h'))
        secondLetter = 0;
    else if (lower.at(3) == QChar('p'))
        secondLetter = 1;
    else
        return;

    int deviceId = 0;
    if (!parseDigits(text.mid(4, 3), deviceId))
        return;
    int deviceVersion = 0;
    if (!parseDigits(text.mid(7, 2), deviceVersion))
        return;

    bool anyUnit = false;
    int unitNumber = 0;
    if (text.length() == 13)
    {
        if (lower.mid(9, 4) == QLatin1String("xxxx"))
            anyUnit = true;
        else if (!parseDigits(text.mid(9, 4), unitNumber))
        {
            return;
        }
    }

    m_firstLetter = firstLetter;
    m_secondLetter = secondLetter;
    m_deviceId = deviceId;
    m_deviceVersion = deviceVersion;
    m_anyUnit = anyUnit;
    m_unitNumber = unitNumber;
    m_valid = true;
}

QString USBSerialNumber::toString() const
{
    if (!m_valid)
        return QString();
    Q_ASSERT_X(m_firstLetter == 0 || m_firstLetter == 1, "src\\USBSerialNumber", "first letter");
    Q_ASSERT_X(m_secondLetter == 0 || m_secondLetter == 1, "src\\USBSerialNumber", "second letter");
    QString text = QStringLiteral("VT");
    text += m_firstLetter == 0 ? QChar('A') : QChar('B');
    text += m_secondLetter == 0 ? QChar('H') : QChar('P');
    text += QString::number(m_deviceId).rightJustified(3, QChar('0'));
    text += QString::number(m_deviceVersion).rightJustified(2, QChar('0'));
    text += m_anyUnit ? QStringLiteral("XXXX") : QString::number(m_unitNumber).rightJustified(4, QChar('0'));
    return text;
}

bool USBSerialNumber::operator==(const USBSerialNumber& other) const
{
    const bool sameType = m_valid == other.m_valid && m_firstLetter == other.m_firstLetter
        && m_secondLetter == other.m_secondLetter && m_deviceId == other.m_deviceId
        && m_deviceVersion == other.m_deviceVersion;
    if (m_anyUnit || other.m_anyUnit)
        return sameType;
    return sameType && m_unitNumber == other.m_unitNumber;
}
