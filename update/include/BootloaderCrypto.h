#pragma once

#include <QByteArray>
#include <QVector>

// Deciphers the payload of a firmware package: a version byte (3), a flags byte (0x01
// compressed, 0x02 16-bit checksum, 0x04 SHA-1 hash) and a body enciphered as a keyed XOR
// stream chained on the previous enciphered byte. The deciphered body is one random byte, the
// checksum (big-endian) or the hash when flagged, then the content (qCompress form when
// flagged). This program only decrypts.
class BootloaderCrypto
{
public:
    enum Error
    {
        NoError = 0,
        NoKey = 1,
        UnsupportedVersion = 2,
        IntegrityFailed = 3
    };

    explicit BootloaderCrypto(quint64 key);
    BootloaderCrypto(quint32 lowHalf, quint32 highHalf);

    // The content, or an empty array with the last error set.
    QByteArray decryptToByteArray(const QByteArray& cyphertext);
    Error getLastError() const { return m_lastError; }

private:
    void splitKey();

    quint64 m_key;
    QVector<quint8> m_keyBytes;
    Error m_lastError = NoError;
};
