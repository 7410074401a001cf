#include "TestRegistry.h"

#include "BootloaderCrypto.h"
#include "PackageWriter.h"

#include <QTest>

namespace
{
const quint64 s_key = Q_UINT64_C(0x0123456789ABCDEF);
}

class tst_BootloaderCrypto : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("flags");

        const QByteArray text = QByteArray("firmware image text, long enough to compress well. ").repeated(20);
        QTest::newRow("plain") << text << 0;
        QTest::newRow("checksum") << text << int(PackageWriter::Checksum);
        QTest::newRow("hash") << text << int(PackageWriter::Hash);
        QTest::newRow("compressed, checksum") << text << int(PackageWriter::Compressed | PackageWriter::Checksum);
        QTest::newRow("compressed, hash") << text << int(PackageWriter::Compressed | PackageWriter::Hash);
        QTest::newRow("checksum before hash") << text << int(PackageWriter::Checksum | PackageWriter::Hash);
        QTest::newRow("binary bytes") << QByteArray("\x00\xFF\x01\xFE", 4) << int(PackageWriter::Checksum);
    }

    void roundTrip()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, flags);

        BootloaderCrypto crypto(s_key);
        QCOMPARE(crypto.decryptToByteArray(PackageWriter::encipher(content, s_key, quint8(flags))), content);
        QCOMPARE(crypto.getLastError(), BootloaderCrypto::NoError);
        // The two halves make the same key.
        BootloaderCrypto halves(0x89ABCDEF, 0x01234567);
        QCOMPARE(halves.decryptToByteArray(PackageWriter::encipher(content, s_key, quint8(flags))), content);
    }

    // Version, flags and one body byte: the random byte alone, so the content is empty.
    void threeBytes()
    {
        BootloaderCrypto crypto(s_key);
        const QByteArray content = crypto.decryptToByteArray(QByteArray("\x03\x00\x77", 3));
        QVERIFY(content.isEmpty());
        QCOMPARE(crypto.getLastError(), BootloaderCrypto::NoError);
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("cyphertext");
        QTest::addColumn<int>("error");

        const QByteArray text = "checked content";
        QByteArray flipped = PackageWriter::encipher(text, s_key, PackageWriter::Checksum);
        flipped[10] = char(flipped.at(10) ^ 0x20);
        QByteArray flippedHash = PackageWriter::encipher(text, s_key, PackageWriter::Hash);
        flippedHash[flippedHash.size() - 1] = char(flippedHash.at(flippedHash.size() - 1) ^ 0x01);
        QByteArray version2 = PackageWriter::encipher(text, s_key, 0);
        version2[0] = 2;
        // The flags byte is not enciphered: mark plain bytes as compressed.
        QByteArray notInflatable = PackageWriter::encipher(QByteArray("\x00\x00\x10\x00garbage", 11), s_key, 0);
        notInflatable[1] = PackageWriter::Compressed;

        QTest::newRow("flipped content byte") << flipped << int(BootloaderCrypto::IntegrityFailed);
        QTest::newRow("flipped last byte, hash") << flippedHash << int(BootloaderCrypto::IntegrityFailed);
        QTest::newRow("other key") << PackageWriter::encipher(text, s_key ^ 1, PackageWriter::Checksum)
                                   << int(BootloaderCrypto::IntegrityFailed);
        QTest::newRow("too short for its checksum") << QByteArray("\x03\x02\x10\x20", 4)
                                                    << int(BootloaderCrypto::IntegrityFailed);
        QTest::newRow("too short for its hash") << QByteArray("\x03\x04\x10\x20", 4)
                                                << int(BootloaderCrypto::IntegrityFailed);
        QTest::newRow("version 2") << version2 << int(BootloaderCrypto::UnsupportedVersion);
        QTest::newRow("two bytes") << QByteArray("\x03\x00", 2) << int(BootloaderCrypto::UnsupportedVersion);
        QTest::newRow("not inflatable") << notInflatable << int(BootloaderCrypto::IntegrityFailed);
    }

    void failures()
    {
        QFETCH(QByteArray, cyphertext);
        QFETCH(int, error);

        BootloaderCrypto crypto(s_key);
        QVERIFY(crypto.decryptToByteArray(cyphertext).isEmpty());
        QCOMPARE(int(crypto.getLastError()), error);
    }

    // One flipped enciphered byte spoils its own byte and the next one only.
    void flipSpoilsTwoBytes()
    {
        const QByteArray text = "0123456789abcdef";
        QByteArray cyphertext = PackageWriter::encipher(text, s_key, 0);
        const int position = 2 + 1 + 5;   // header, random byte, content byte 5
        cyphertext[position] = char(cyphertext.at(position) ^ 0x10);
        BootloaderCrypto crypto(s_key);
        const QByteArray content = crypto.decryptToByteArray(cyphertext);
        QCOMPARE(content.size(), text.size());
        for (int i = 0; i < text.size(); ++i)
            QCOMPARE(content.at(i) != text.at(i), i == 5 || i == 6);
    }
};

TALVEX_TEST(tst_BootloaderCrypto)
#include "tst_BootloaderCrypto.moc"
