#include "BootloaderHexData.h"

#include "BootloaderConstants.h"

#include <QList>

namespace
{
const quint8 s_filler = 0xFF;

enum RecordType
{
    Data = 0,
    EndOfFile = 1,
    ExtendedSegmentAddress = 2,
    StartSegmentAddress = 3,
    ExtendedLinearAddress = 4,
    StartLinearAddress = 5
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Hexadecimal digits only: no sign, no prefix, no blanks.
bool readHex(const QByteArray& row, int position, int digits, int& value)
{
    if (position + digits > row.size())
        return false;
    value = 0;
    for (int i = 0; i < digits; ++i)
    {
        const int digit = hexDigit(row.at(position + i));
        if (digit < 0)
            return false;
        value = value * 16 + digit;
    }
    return true;
}
}

BootloaderHexData::BootloaderHexData(const QByteArray& text, int maxSize)
{
    QByteArray stripped = text;
    stripped.replace('\n', QByteArray()).replace('\r', QByteArray());
    const QList<QByteArray> rows = stripped.split(':');
    Cursor cursor;
    int rowNumber = 0;
    for (const QByteArray& row : rows)
    {
        if (row.isEmpty())
            continue;
        if (!parseRow(row, ++rowNumber, cursor, maxSize))
            return;
    }
    if (cursor.lastType != EndOfFile)
        fail("No end-of-file record: the file is truncated after row %1.", rowNumber);
}

int BootloaderHexData::defaultMaxSize()
{
    return BootloaderConstants::maxImageSize();
}

bool BootloaderHexData::parseRow(const QByteArray& row, int rowNumber, Cursor& cursor, int maxSize)
{
    if (row.size() < 10)
    {
        fail("Invalid row length for row %1.", rowNumber);
        return false;
    }
    int count = 0;
    int type = 0;
    int address = 0;
    if (!readHex(row, 0, 2, count) || !readHex(row, 6, 2, type) || !readHex(row, 2, 4, address))
    {
        fail("Parsing error on row %1.", rowNumber);
        return false;
    }
    if (row.size() != count * 2 + 10)
    {
        fail(type == Data ? "Invalid row length for data row %1." : "Invalid row length for row %1.", rowNumber);
        return false;
    }

    // Count, address, type, data and checksum add up to 0 modulo 256.
    QVector<quint8> bytes(count);
    int sum = count + (address >> 8) + (address & 0xFF) + type;
    for (int k = 0; k <= count; ++k)
    {
        int value = 0;
        if (!readHex(row, 8 + 2 * k, 2, value))
        {
            fail("Parsing error on row %1.", rowNumber);
            return false;
        }
        if (k < count)
            bytes[k] = quint8(value);
        sum += value;
    }
    if ((sum & 0xFF) != 0)
    {
        fail("Checksum error on row %1.", rowNumber);
        return false;
    }

    cursor.lastType = type;
    switch (type)
    {
    case Data:
        if (cursor.base + address + count > maxSize)
        {
            fail("Address beyond the device's flash on row %1.", rowNumber);
            return false;
        }
        return placeData(bytes, cursor.base + address, rowNumber, cursor);
    case ExtendedSegmentAddress:
    case ExtendedLinearAddress:
    {
        const bool linear = type == ExtendedLinearAddress;
        if (count != 2)
        {
            fail(linear ? "Invalid data length for ELAR row %1." : "Invalid data length for ESAR row %1.", rowNumber);
            return false;
        }
        if (address != 0)
        {
            fail(linear ? "Invalid address for ELAR row %1." : "Invalid address for ESAR row %1.", rowNumber);
            return false;
        }
        const qint64 upper = bytes.at(0) * 256 + bytes.at(1);
        cursor.base = linear ? upper * 65536 : upper * 16;
        return true;
    }
    default:
        return true;
    }
}

bool BootloaderHexData::placeData(const QVector<quint8>& bytes, qint64 start, int rowNumber, Cursor& cursor)
{
    // Of two records for one byte neither can be taken for the image; the same bytes twice are harmless.
    const qint64 known = qMin<qint64>(start + bytes.count(), qint64(cursor.placed.size()));
    for (qint64 at = start; at < known; ++at)
    {
        if (cursor.placed[size_t(at)] && m_data.at(int(at)) != bytes.at(int(at - start)))
        {
            fail("Overlapping data at 0x%2 on row %1.", rowNumber, at);
            return false;
        }
    }
    if (start + bytes.count() > qint64(cursor.placed.size()))
        cursor.placed.resize(size_t(start + bytes.count()), false);
    for (int k = 0; k < bytes.count(); ++k)
    {
        setByte(int(start + k), bytes.at(k));
        cursor.placed[size_t(start + k)] = true;
    }
    return true;
}

void BootloaderHexData::fail(const char* message, int rowNumber, qint64 address)
{
    m_valid = false;
    m_error = QString::fromLatin1(message).arg(rowNumber);
    if (address >= 0)
        m_error = m_error.arg(QString::number(address, 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

void BootloaderHexData::setByte(int address, quint8 value)
{
    if (address >= m_data.count())
    {
        m_data.insert(m_data.count(), address - m_data.count(), s_filler);
        m_data.append(value);
    }
    else
    {
        m_data[address] = value;
    }
}

int BootloaderHexData::getPageCount(int pageSize) const
{
    if (pageSize < 1)
        return 0;
    return int((qint64(m_data.count()) + pageSize - 1) / pageSize);
}

QVector<quint8> BootloaderHexData::getPage(int pageSize, int index) const
{
    QVector<quint8> page(qMax(0, pageSize), s_filler);
    const qint64 start = qint64(index) * pageSize;
    for (int j = 0; j < page.count() && start + j < m_data.count(); ++j)
    {
        if (start + j >= 0)
            page[j] = m_data.at(int(start + j));
    }
    return page;
}

bool BootloaderHexData::verify(const QVector<quint8>& readBack) const
{
    if (readBack.count() < m_data.count())
        return false;
    for (int i = 0; i < readBack.count(); ++i)
    {
        if (readBack.at(i) != (i < m_data.count() ? m_data.at(i) : s_filler))
            return false;
    }
    return true;
}
