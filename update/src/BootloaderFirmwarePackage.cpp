#include "BootloaderFirmwarePackage.h"

#include "BootloaderConstants.h"
#include "BootloaderCrypto.h"

#include <QDataStream>

namespace
{
const QDataStream::Version s_streamVersion = QDataStream::Qt_5_15;
const qint32 s_layout1Marker = -1;

QString corrupt()
{
    return QStringLiteral("The firmware package file is corrupt.");
}
}

BootloaderFirmwarePackage::BootloaderFirmwarePackage(const QPair<int, int>& deviceType, const QByteArray& contents,
    QString& error)
{
    error.clear();
    QDataStream outer(contents);
    outer.setVersion(s_streamVersion);
    quint16 checksum = 0;
    QByteArray payload;
    outer >> checksum >> payload;
    const QByteArray inner = BootloaderCrypto(BootloaderConstants::packageKey()).decryptToByteArray(payload);
    // An empty decryption is a failure, even where its checksum would match a stored 0.
    if (inner.isEmpty() || qChecksum(inner.constData(), uint(inner.size())) != checksum)
    {
        error = corrupt();
        return;
    }

    QDataStream in(inner);
    in.setVersion(s_streamVersion);
    qint32 first = 0;
    in >> first;
    if (first < s_layout1Marker)
    {
        error = QStringLiteral("Unsupported firmware package version %1.").arg(-qint64(first));
        return;
    }
    qint32 major = first;
    qint32 minor = 0;
    if (first == s_layout1Marker)
        in >> major;
    in >> minor >> m_releaseDate >> m_image;
    if (first == s_layout1Marker)
    {
        qint32 count = 0;
        in >> count;
        // A short file reads as zeros: stop at its end rather than count to a huge number.
        for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i)
        {
            BootloaderSecondaryImageHeader header;
            QByteArray data;
            qint32 tag = 0;
            qint32 firstPage = 0;
            qint32 pageSize = 0;
            qint32 pagesPerSector = 0;
            in >> tag >> header.name >> firstPage >> pageSize >> pagesPerSector >> data;
            header.tag = tag;
            header.firstPage = firstPage;
            header.pageSize = pageSize;
            header.pagesPerSector = pagesPerSector;
            m_secondaryImages.append(BootloaderSecondaryImage(header, data));
        }
    }
    m_id = BootloaderFirmwareId(deviceType.first, deviceType.second, major, minor, 0);
}

quint16 BootloaderFirmwarePackage::computeChecksum() const
{
    QByteArray inner;
    QDataStream out(&inner, QIODevice::WriteOnly);
    out.setVersion(s_streamVersion);
    const USBVersion version = m_id.getVersion();
    if (m_secondaryImages.isEmpty())
    {
        out << qint32(version.getMajor()) << qint32(version.getMinor()) << m_releaseDate << m_image;
    }
    else
    {
        out << s_layout1Marker << qint32(version.getMajor()) << qint32(version.getMinor()) << m_releaseDate << m_image
            << qint32(m_secondaryImages.count());
        for (const BootloaderSecondaryImage& image : m_secondaryImages)
        {
            const BootloaderSecondaryImageHeader& header = image.getHeader();
            out << qint32(header.tag) << header.name << qint32(header.firstPage) << qint32(header.pageSize)
                << qint32(header.pagesPerSector) << image.getData();
        }
    }
    return qChecksum(inner.constData(), uint(inner.size()));
}

BootloaderFirmwareInfo BootloaderFirmwarePackage::makeFirmwareInfo(const BootloaderFirmwareInfo& base) const
{
    BootloaderFirmwareInfo info = base;
    const USBVersion version = m_id.getVersion();
    info.major = version.getMajor();
    info.minor = version.getMinor();
    info.year = m_releaseDate.year();
    info.month = m_releaseDate.month();
    info.day = m_releaseDate.day();
    info.packageChecksum = computeChecksum();
    info.secondaryHeaders.clear();
    for (const BootloaderSecondaryImage& image : m_secondaryImages)
        info.secondaryHeaders.append(image.getHeader());
    return info;
}
