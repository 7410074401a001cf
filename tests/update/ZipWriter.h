#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <zlib.h>

// Makes small ZIP archives in memory, for the cases Info-ZIP's zip does not make: the
// traditional encryption with its check byte taken from the CRC (no data descriptor), odd
// methods and versions, wrong CRCs and other damage. Every field can be overridden.
class ZipWriter
{
public:
    struct Entry
    {
        QString name;
        QByteArray data;
        bool deflate = false;
        QByteArray password; // encrypted when not empty
        quint16 method = 0xFFFF; // 0xFFFF: from deflate
        quint8 version = 20;
        quint16 dosTime = 0x6B5A; // 13:26:52
        quint16 dosDate = 0x5A8C; // 2025-04-12
        qint64 crc = -1; // -1: the data's own
        QByteArray localName; // empty: the name
        QByteArray extra; // the directory record's extra field
        QByteArray localExtra; // the local header's
        QByteArray comment;
    };

    void add(const Entry& entry) { m_entries.append(entry); }
    void setComment(const QByteArray& comment) { m_comment = comment; }

    QByteArray archive() const
    {
        QByteArray out;
        QByteArray directory;
        for (const Entry& e : m_entries)
        {
            const quint32 crc = e.crc >= 0 ? quint32(e.crc) : quint32(::crc32(0, reinterpret_cast<const Bytef*>(e.data.constData()), uInt(e.data.size())));
            QByteArray payload = e.deflate ? rawDeflate(e.data) : e.data;
            const quint16 flags = e.password.isEmpty() ? 0 : 1;
            if (!e.password.isEmpty())
                payload = encrypt(payload, e.password, crc);
            const quint16 method = e.method != 0xFFFF ? e.method : (e.deflate ? 8 : 0);
            const QByteArray name = e.name.toLatin1();
            const QByteArray localName = e.localName.isEmpty() ? name : e.localName;
            const quint32 offset = quint32(out.size());

            out += "PK\x03\x04";
            put16(out, e.version);
            put16(out, flags);
            put16(out, method);
            put16(out, e.dosTime);
            put16(out, e.dosDate);
            put32(out, crc);
            put32(out, quint32(payload.size()));
            put32(out, quint32(e.data.size()));
            put16(out, quint16(localName.size()));
            put16(out, quint16(e.localExtra.size()));
            out += localName;
            out += e.localExtra;
            out += payload;

            directory += "PK\x01\x02";
            put16(directory, 20);
            put16(directory, e.version);
            put16(directory, flags);
            put16(directory, method);
            put16(directory, e.dosTime);
            put16(directory, e.dosDate);
            put32(directory, crc);
            put32(directory, quint32(payload.size()));
            put32(directory, quint32(e.data.size()));
            put16(directory, quint16(name.size()));
            put16(directory, quint16(e.extra.size()));
            put16(directory, quint16(e.comment.size()));
            put16(directory, 0);
            put16(directory, 0);
            put32(directory, 0);
            put32(directory, offset);
            directory += name;
            directory += e.extra;
            directory += e.comment;
        }
        const quint32 directoryOffset = quint32(out.size());
        out += directory;
        out += "PK\x05\x06";
        put16(out, 0);
        put16(out, 0);
        put16(out, quint16(m_entries.size()));
        put16(out, quint16(m_entries.size()));
        put32(out, quint32(directory.size()));
        put32(out, directoryOffset);
        put16(out, quint16(m_comment.size()));
        out += m_comment;
        return out;
    }

    static QByteArray rawDeflate(const QByteArray& data)
    {
        z_stream s = {};
        deflateInit2(&s, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        QByteArray out(int(deflateBound(&s, uLong(data.size()))), '\0');
        s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
        s.avail_in = uInt(data.size());
        s.next_out = reinterpret_cast<Bytef*>(out.data());
        s.avail_out = uInt(out.size());
        deflate(&s, Z_FINISH);
        out.resize(int(s.total_out));
        deflateEnd(&s);
        return out;
    }

private:
    struct Keys
    {
        quint32 k[3] = {0x12345678, 0x23456789, 0x34567890};
        void update(quint8 c)
        {
            const z_crc_t* table = get_crc_table();
            k[0] = quint32(table[(k[0] ^ c) & 0xFF]) ^ (k[0] >> 8);
            k[1] = (k[1] + (k[0] & 0xFF)) * 134775813 + 1;
            k[2] = quint32(table[(k[2] ^ (k[1] >> 24)) & 0xFF]) ^ (k[2] >> 8);
        }
        quint8 stream() const
        {
            const quint32 t = quint16(k[2] | 2);
            return quint8((t * (t ^ 1)) >> 8);
        }
    };

    // The 12-byte header (its last byte the CRC's high byte) and the data, enciphered.
    static QByteArray encrypt(const QByteArray& data, const QByteArray& password, quint32 crc)
    {
        Keys keys;
        for (char c : password)
            keys.update(quint8(c));
        QByteArray plain(11, '\x5A');
        plain += char(crc >> 24);
        plain += data;
        QByteArray out;
        for (char c : plain)
        {
            out += char(quint8(c) ^ keys.stream());
            keys.update(quint8(c));
        }
        return out;
    }

    static void put16(QByteArray& out, quint16 v)
    {
        out += char(v & 0xFF);
        out += char(v >> 8);
    }
    static void put32(QByteArray& out, quint32 v)
    {
        put16(out, quint16(v & 0xFFFF));
        put16(out, quint16(v >> 16));
    }

    QList<Entry> m_entries;
    QByteArray m_comment;
};
