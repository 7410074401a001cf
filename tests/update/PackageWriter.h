#pragma once

#include "BootloaderSecondaryImageHeader.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDate>
#include <QList>
#include <QPair>

// Writes firmware package files the way the maker's tool does, so that the reader can be
// checked against files of known contents.
namespace PackageWriter
{
enum Flags : quint8
{
    Compressed = 0x01,
    Checksum = 0x02,
    Hash = 0x04
};

// Version 3, the flags, then the body enciphered with the key: each byte XOR the previous
// enciphered byte XOR key byte (position mod 8), least significant key byte first.
inline QByteArray encipher(const QByteArray& content, quint64 key, quint8 flags, char randomByte = 0x5A)
{
    const QByteArray stored = (flags & Compressed) ? qCompress(content) : content;
    QByteArray plain(1, randomByte);
    if (flags & Checksum)
    {
        const quint16 checksum = qChecksum(stored.constData(), uint(stored.size()));
        plain.append(char(checksum >> 8)).append(char(checksum));
    }
    else if (flags & Hash)
    {
        plain.append(QCryptographicHash::hash(stored, QCryptographicHash::Sha1));
    }
    plain.append(stored);

    QByteArray cyphertext;
    cyphertext.append(char(3)).append(char(flags));
    quint8 previous = 0;
    for (int p = 0; p < plain.size(); ++p)
    {
        const quint8 c = quint8(plain.at(p)) ^ previous ^ quint8(key >> (8 * (p % 8)));
        cyphertext.append(char(c));
        previous = c;
    }
    return cyphertext;
}

struct Secondary
{
    BootloaderSecondaryImageHeader header;
    QByteArray data;
};

// The inner data: the legacy layout without secondary images, else layout 1.
inline QByteArray innerData(int major, int minor, const QDate& date, const QByteArray& hexText,
    const QList<Secondary>& secondaries, bool layout1)
{
    QByteArray inner;
    QDataStream out(&inner, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    if (layout1)
        out << qint32(-1);
    out << qint32(major) << qint32(minor) << date << hexText;
    if (layout1)
    {
        out << qint32(secondaries.count());
        for (const Secondary& s : secondaries)
            out << qint32(s.header.tag) << s.header.name << qint32(s.header.firstPage) << qint32(s.header.pageSize)
                << qint32(s.header.pagesPerSector) << s.data;
    }
    return inner;
}

// The package contents: the checksum of the inner data and the enciphered inner data.
inline QByteArray contents(const QByteArray& inner, quint64 key, quint8 flags = Checksum | Compressed)
{
    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    out << qChecksum(inner.constData(), uint(inner.size())) << encipher(inner, key, flags);
    return file;
}
}
