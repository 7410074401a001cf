#include "BootloaderFirmwareInfo.h"

namespace
{
const quint8 s_magic[3] = {0x35, 0x72, 0xD1};
const quint8 s_headerMarker = 0x01;
const int s_nameField = 40;
const int s_serialField = 16;
const int s_headerNameField = 16;

QString readText(const QVector<quint8>& page, int offset, int size)
{
    QByteArray text;
    for (int i = offset; i < offset + size && i < page.count() && page.at(i) != 0; ++i)
        text.append(char(page.at(i)));
    return QString::fromLatin1(text);
}

int readNumber(const QVector<quint8>& page, int offset)
{
    return page.at(offset) * 256 + page.at(offset + 1);
}

// The text's first field - 1 Latin-1 bytes, zero-filled to the field's size.
void appendText(QVector<quint8>& page, const QString& text, int field)
{
    const QByteArray bytes = text.toLatin1().left(field - 1);
    for (int i = 0; i < field; ++i)
        page.append(i < bytes.size() ? quint8(bytes.at(i)) : quint8(0));
}

void appendNumber(QVector<quint8>& page, int value)
{
    page.append(quint8(value >> 8));
    page.append(quint8(value));
}

bool passesSerialCheck(const QString& serialNumber, int layout)
{
    const QString lower = serialNumber.toLower();
    return lower.size() >= 5 && lower.startsWith(layout == 1 ? QLatin1String("vta") : QLatin1String("vt"))
        && (lower.at(3) == QLatin1Char('h') || lower.at(3) == QLatin1Char('p'));
}
}

BootloaderFirmwareInfo BootloaderFirmwareInfo::fromBytes(const QVector<quint8>& page)
{
    BootloaderFirmwareInfo info;
    if (page.count() < s_minimumPageSize || page.at(0) != s_magic[0] || page.at(1) != s_magic[1]
        || page.at(2) != s_magic[2] || (page.at(3) != 1 && page.at(3) != 2))
        return info;
    const int layout = page.at(3);

    info.present = true;
    info.deviceName = readText(page, 4, s_nameField);
    info.serialNumber = readText(page, 44, s_serialField);
    info.productCode = readNumber(page, 60);
    info.revision = readNumber(page, 62);
    info.major = readNumber(page, 64);
    info.minor = readNumber(page, 66);
    info.year = readNumber(page, 68);
    info.month = readNumber(page, 70);
    info.day = readNumber(page, 72);
    if (layout == 2)
    {
        info.packageChecksum = readNumber(page, 74);
        for (int at = s_fixedSize; at + s_headerSize <= page.count() && page.at(at) == s_headerMarker; at += s_headerSize)
        {
            BootloaderSecondaryImageHeader header;
            header.name = readText(page, at + 1, s_headerNameField);
            header.tag = readNumber(page, at + 17);
            header.pageSize = readNumber(page, at + 19);
            header.pagesPerSector = readNumber(page, at + 21);
            header.firstPage = readNumber(page, at + 23);
            info.secondaryHeaders.append(header);
        }
    }
    info.valid = passesSerialCheck(info.serialNumber, layout);
    return info;
}

QVector<quint8> BootloaderFirmwareInfo::toBytes(int pageSize) const
{
    QVector<quint8> page{s_magic[0], s_magic[1], s_magic[2], 2};
    page.reserve(qMax(pageSize, encodedSize()));
    appendText(page, deviceName, s_nameField);
    appendText(page, serialNumber, s_serialField);
    for (int value : {productCode, revision, major, minor, year, month, day, packageChecksum})
        appendNumber(page, value);
    for (const BootloaderSecondaryImageHeader& header : secondaryHeaders)
    {
        page.append(s_headerMarker);
        appendText(page, header.name, s_headerNameField);
        for (int value : {header.tag, header.pageSize, header.pagesPerSector, header.firstPage})
            appendNumber(page, value);
    }
    while (page.count() < pageSize)
        page.append(0xFF);
    return page;
}

int BootloaderFirmwareInfo::encodedSize() const
{
    return s_fixedSize + s_headerSize * secondaryHeaders.count();
}
