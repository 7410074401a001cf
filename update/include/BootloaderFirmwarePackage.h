#pragma once

#include "BootloaderFirmwareId.h"
#include "BootloaderFirmwareInfo.h"
#include "BootloaderSecondaryImage.h"

#include <QByteArray>
#include <QDate>
#include <QList>

// One firmware release for one board model, read from a package file's contents: a Qt data
// stream of the checksum of the inner data and the enciphered inner data (BootloaderCrypto),
// whose legacy layout holds version, release date and the main image as Intel HEX text, and
// whose layout 1 (marked by -1) adds secondary images. Nothing throws: a refused file leaves
// the default package and an error text that callers take as failure.
class BootloaderFirmwarePackage
{
public:
    BootloaderFirmwarePackage() = default;
    // The file does not name its model: the caller gives the model it looked for.
    BootloaderFirmwarePackage(const QPair<int, int>& deviceType, const QByteArray& contents, QString& error);

    const BootloaderFirmwareId& getId() const { return m_id; }
    // The main image as Intel HEX text.
    const QByteArray& getData() const { return m_image; }
    const QList<BootloaderSecondaryImage>& getSecondaryImages() const { return m_secondaryImages; }
    const QDate& getReleaseDate() const { return m_releaseDate; }

    // qChecksum of the inner data written back (legacy layout without secondary images, else
    // layout 1): for a package read from a file, the checksum the file stores.
    quint16 computeChecksum() const;
    // The base record with this release's version, date, checksum and secondary geometry.
    BootloaderFirmwareInfo makeFirmwareInfo(const BootloaderFirmwareInfo& base) const;

private:
    BootloaderFirmwareId m_id;
    QList<BootloaderSecondaryImage> m_secondaryImages;
    QByteArray m_image;
    QDate m_releaseDate;
};
