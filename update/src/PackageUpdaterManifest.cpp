#include "PackageUpdaterManifest.h"

#include "ManifestText.h"
#include "UpdaterManifest.h"

#include <QDomDocument>

namespace
{
const char* const s_firmwareAttributes[] = {"DeviceID", "DeviceVersion", "MajorVersion", "MinorVersion", "Checksum"};
}

PackageUpdaterResult PackageUpdaterManifest::read(const QByteArray& bytes, const QString& applicationName) const
{
    PackageUpdaterResult result;
    QDomDocument document;
    readUpdateManifest(bytes, applicationName, result, document);
    if (!result.isValid())
        return result;
    const QDomNodeList children = document.firstChild().childNodes();
    for (int i = 0; i < children.size(); ++i)
    {
        const QDomElement element = children.at(i).toElement();
        if (element.isNull())
        {
            result.setError(ManifestText::invalidInformation());
            return result;
        }
        if (element.tagName() != QLatin1String("firmware"))
            continue;
        int values[5];
        for (int a = 0; a < 5; ++a)
        {
            const QString name = QLatin1String(s_firmwareAttributes[a]);
            if (!element.hasAttribute(name))
            {
                result.setError(ManifestText::invalidInformation());
                return result;
            }
            // The checksum is an unsigned 32-bit number; the id keeps its bits.
            values[a] = a == 4 ? int(element.attribute(name).toUInt()) : element.attribute(name).toInt();
        }
        result.addFirmware(BootloaderFirmwareId(values[0], values[1], values[2], values[3], values[4]));
    }
    return result;
}

QByteArray PackageUpdaterManifest::write(const PackageUpdaterResult& result, const QString& applicationName)
{
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("update"));
    document.appendChild(root);
    auto add = [&](const QString& tag) {
        QDomElement element = document.createElement(tag);
        root.appendChild(element);
        return element;
    };
    add(QStringLiteral("version")).setAttribute(QStringLiteral("Value"), 2);
    for (const UpdaterFileEntry& file : result.getFiles())
    {
        const bool app = file.name == applicationName;
        QDomElement element = add(app ? QStringLiteral("app") : QStringLiteral("file"));
        if (app)
        {
            element.setAttribute(QStringLiteral("MajorVersion"), result.getMajorVersion());
            element.setAttribute(QStringLiteral("MinorVersion"), result.getMinorVersion());
        }
        else
            element.setAttribute(QStringLiteral("Name"), file.name);
        element.setAttribute(QStringLiteral("Checksum"), file.checksum);
    }
    add(QStringLiteral("releasenotes")).setAttribute(QStringLiteral("Value"), result.getReleaseNotes());
    for (const BootloaderFirmwareId& id : result.getFirmware())
    {
        QDomElement element = add(QStringLiteral("firmware"));
        element.setAttribute(QStringLiteral("DeviceID"), id.getDeviceType().first);
        element.setAttribute(QStringLiteral("DeviceVersion"), id.getDeviceType().second);
        element.setAttribute(QStringLiteral("MajorVersion"), id.getVersion().getMajor());
        element.setAttribute(QStringLiteral("MinorVersion"), id.getVersion().getMinor());
        element.setAttribute(QStringLiteral("Checksum"), quint32(id.getChecksum()));
    }
    return document.toByteArray();
}
