#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QVector>

// Device package files as the maker's tool makes them, for trying the studio's firmware update
// on a simulated board: a Qt data stream holding one byte array, the package contents: the
// qChecksum of the inner data, then the inner data enciphered (version 3, a 16-bit checksum)
// with the key the maker builds packages with. The inner data is the legacy layout (version,
// release date, main image as Intel HEX text) or, with secondary images, layout 1.
class SimFirmwarePackage
{
public:
    struct Secondary
    {
        QString name;
        int tag = 0;
        int firstPage = 0;
        int pageSize = 0;
        int pagesPerSector = 0;
        QByteArray data;
    };

    // A release for a model: a main image of a few pages of the model's flash and, when the
    // model has a secondary chip, one secondary image for it. Its images are those of
    // mainImage and secondaryImage.
    static QByteArray releaseFor(int productCode, int revision, int major, int minor);
    static QVector<quint8> mainImage(int productCode, int revision);
    static QByteArray secondaryImage(int productCode, int revision);

    static QByteArray deviceFile(int major, int minor, const QDate& releaseDate, const QVector<quint8>& image,
        const QList<Secondary>& secondaries);
    // Intel HEX text of an image from address 0 (below 64 KiB): 16-byte data records, end record.
    static QByteArray hexText(const QVector<quint8>& image);
};
