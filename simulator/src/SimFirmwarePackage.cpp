#include "SimFirmwarePackage.h"

#include "SimBootloaderMemory.h"

#include <QDataStream>

namespace
{
// The key the maker's tool enciphers packages with.
const quint64 s_packageKey = Q_UINT64_C(0x5A3C96E1F00D2B47);
const quint8 s_cipherVersion = 3;
const quint8 s_checksumFlag = 0x02;
const int s_recordBytes = 16;
const int s_mainPages = 6;
const int s_secondaryPages = 5;
const QDate s_releaseDate(2026, 11, 2);

QByteArray encipher(const QByteArray& content)
{
    const quint16 checksum = qChecksum(content.constData(), uint(content.size()));
    QByteArray plain(1, char(0x3C));
    plain.append(char(checksum >> 8)).append(char(checksum)).append(content);
    QByteArray cyphertext;
    cyphertext.append(char(s_cipherVersion)).append(char(s_checksumFlag));
    quint8 previous = 0;
    for (int p = 0; p < plain.size(); ++p)
    {
        const quint8 c = quint8(plain.at(p)) ^ previous ^ quint8(s_packageKey >> (8 * (p % 8)));
        cyphertext.append(char(c));
        previous = c;
    }
    return cyphertext;
}

QDataStream& streamOn(QDataStream& stream)
{
    stream.setVersion(QDataStream::Qt_5_15);
    return stream;
}
}

QByteArray SimFirmwarePackage::releaseFor(int productCode, int revision, int major, int minor)
{
    const SimBootloaderMemory::Geometry geometry = SimBootloaderMemory::geometryOf(productCode, revision);
    QList<Secondary> secondaries;
    if (geometry.secondaryPageSize > 0)
    {
        Secondary secondary;
        secondary.name = QStringLiteral("encoder");
        secondary.tag = 1;
        secondary.firstPage = geometry.secondaryPagesPerSector;
        secondary.pageSize = geometry.secondaryPageSize;
        secondary.pagesPerSector = geometry.secondaryPagesPerSector;
        secondary.data = secondaryImage(productCode, revision);
        secondaries.append(secondary);
    }
    return deviceFile(major, minor, s_releaseDate, mainImage(productCode, revision), secondaries);
}

QVector<quint8> SimFirmwarePackage::mainImage(int productCode, int revision)
{
    const int pageSize = SimBootloaderMemory::geometryOf(productCode, revision).pageSize;
    QVector<quint8> image(s_mainPages * pageSize - pageSize / 2);
    for (int i = 0; i < image.count(); ++i)
        image[i] = quint8(i * 13 + productCode);
    return image;
}

QByteArray SimFirmwarePackage::secondaryImage(int productCode, int revision)
{
    const int pageSize = SimBootloaderMemory::geometryOf(productCode, revision).secondaryPageSize;
    QByteArray data(s_secondaryPages * pageSize, 0);
    for (int i = 0; i < data.size(); ++i)
        data[i] = char(i * 5 + revision);
    return data;
}

QByteArray SimFirmwarePackage::deviceFile(int major, int minor, const QDate& releaseDate,
    const QVector<quint8>& image, const QList<Secondary>& secondaries)
{
    QByteArray inner;
    QDataStream innerStream(&inner, QIODevice::WriteOnly);
    streamOn(innerStream);
    if (!secondaries.isEmpty())
        innerStream << qint32(-1);
    innerStream << qint32(major) << qint32(minor) << releaseDate << hexText(image);
    if (!secondaries.isEmpty())
    {
        innerStream << qint32(secondaries.count());
        for (const Secondary& s : secondaries)
            innerStream << qint32(s.tag) << s.name << qint32(s.firstPage) << qint32(s.pageSize)
                        << qint32(s.pagesPerSector) << s.data;
    }

    QByteArray contents;
    QDataStream contentsStream(&contents, QIODevice::WriteOnly);
    streamOn(contentsStream) << qChecksum(inner.constData(), uint(inner.size())) << encipher(inner);
    QByteArray file;
    QDataStream fileStream(&file, QIODevice::WriteOnly);
    streamOn(fileStream) << contents;
    return file;
}

QByteArray SimFirmwarePackage::hexText(const QVector<quint8>& image)
{
    QByteArray text;
    const auto record = [&text](int type, int address, const QVector<quint8>& data) {
        QVector<quint8> bytes{quint8(data.count()), quint8(address >> 8), quint8(address), quint8(type)};
        bytes += data;
        quint8 sum = 0;
        text += ':';
        for (quint8 byte : bytes)
        {
            sum = quint8(sum + byte);
            text += QByteArray::number(byte, 16).rightJustified(2, '0').toUpper();
        }
        text += QByteArray::number(quint8(-sum), 16).rightJustified(2, '0').toUpper() + "\r\n";
    };
    for (int address = 0; address < image.count(); address += s_recordBytes)
        record(0, address, image.mid(address, s_recordBytes));
    record(1, 0, QVector<quint8>());
    return text;
}
