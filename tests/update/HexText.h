#pragma once

#include <QByteArray>
#include <QVector>

// Intel HEX text of an image from address 0: data records of up to 16 bytes, extended linear
// address records where the upper address changes, and the end record.
inline QByteArray hexText(const QVector<quint8>& image)
{
    const auto record = [](int type, int address, const QVector<quint8>& data) {
        QVector<quint8> bytes{quint8(data.count()), quint8(address >> 8), quint8(address), quint8(type)};
        bytes += data;
        int sum = 0;
        for (quint8 b : bytes)
            sum += b;
        bytes.append(quint8(-sum));
        QByteArray line = ":";
        for (quint8 b : bytes)
            line += QByteArray::number(b, 16).rightJustified(2, '0').toUpper();
        return line + "\n";
    };
    QByteArray text;
    int upper = 0;
    for (int address = 0; address < image.count(); address += 16)
    {
        if (address >> 16 != upper)
        {
            upper = address >> 16;
            text += record(4, 0, {quint8(upper >> 8), quint8(upper)});
        }
        text += record(0, address & 0xFFFF, image.mid(address, 16));
    }
    return text + record(1, 0, {});
}
