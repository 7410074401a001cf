#include "BootloaderCrypto.h"

#include <QCryptographicHash>
#include <QtDebug>

namespace
{
const char s_version = 3;
const quint8 s_compressed = 0x01;
const quint8 s_checksum = 0x02;
const quint8 s_hash = 0x04;
const int s_hashSize = 20;
}

BootloaderCrypto::BootloaderCrypto(quint64 key)
    : m_key(key)
{
    splitKey();
}

BootloaderCrypto::BootloaderCrypto(quint32 lowHalf, quint32 highHalf)
    : BootloaderCrypto(quint64(highHalf) << 32 | lowHalf)
{
}

void BootloaderCrypto::splitKey()
{
    m_keyBytes.clear();
    for (int i = 0; i < 8; ++i)
        m_keyBytes.append(quint8(m_key >> (8 * i)));
}

QByteArray BootloaderCrypto::decryptToByteArray(const QByteArray& cyphertext)
{
    if (m_keyBytes.isEmpty())
    {
        qWarning() << Q_FUNC_INFO << __FILE__ << "No key set.";
        m_lastError = NoKey;
        return QByteArray();
    }
    if (cyphertext.size() < 3 || cyphertext.at(0) != s_version)
    {
        qWarning() << Q_FUNC_INFO << __FILE__ << "Invalid version or not a cyphertext.";
        m_lastError = UnsupportedVersion;
        return QByteArray();
    }

    const quint8 flags = quint8(cyphertext.at(1));
    QByteArray body = cyphertext.mid(2);
    quint8 previous = 0;
    for (int p = 0; p < body.size(); ++p)
    {
        const quint8 c = quint8(body.at(p));
        body[p] = char(c ^ previous ^ m_keyBytes.at(p % 8));
        previous = c;
    }
    body.remove(0, 1);

    bool passed = true;
    if (flags & s_checksum)
    {
        passed = body.size() >= 2;
        if (passed)
        {
            const quint16 stored = quint16(quint8(body.at(0)) << 8 | quint8(body.at(1)));
            body.remove(0, 2);
            passed = qChecksum(body.constData(), uint(body.size())) == stored;
        }
    }
    else if (flags & s_hash)
    {
        passed = body.size() >= s_hashSize;
        if (passed)
        {
            const QByteArray stored = body.left(s_hashSize);
            body.remove(0, s_hashSize);
            passed = QCryptographicHash::hash(body, QCryptographicHash::Sha1) == stored;
        }
    }
    if (!passed)
    {
        m_lastError = IntegrityFailed;
        return QByteArray();
    }

    if (flags & s_compressed)
    {
        const QByteArray content = qUncompress(body);
        // Compressed content that does not inflate is as broken as a failed check.
        if (content.isEmpty() && !body.isEmpty())
        {
            m_lastError = IntegrityFailed;
            return QByteArray();
        }
        body = content;
    }
    m_lastError = NoError;
    return body;
}
