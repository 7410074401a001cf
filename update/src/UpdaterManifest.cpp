#include "UpdaterManifest.h"

#include "ManifestText.h"

namespace
{
// Sets the error and answers false when a required attribute is missing.
bool requireAttributes(const QDomElement& element, std::initializer_list<const char*> names, UpdaterResult& result)
{
    for (const char* name : names)
    {
        if (!element.hasAttribute(QLatin1String(name)))
        {
            result.setError(ManifestText::invalidInformation());
            return false;
        }
    }
    return true;
}

bool readElement(const QDomElement& element, int formatVersion, const QString& applicationName,
    UpdaterResult& result)
{
    const QString tag = element.tagName();
    if (tag == QLatin1String("app"))
    {
        if (!requireAttributes(element, {"MajorVersion", "MinorVersion", "Checksum"}, result))
            return false;
        result.setVersion(element.attribute(QStringLiteral("MajorVersion")).toInt(),
            element.attribute(QStringLiteral("MinorVersion")).toInt());
        result.addFile({applicationName, true, element.attribute(QStringLiteral("Checksum")).toUInt()});
    }
    else if (formatVersion == 2 && tag == QLatin1String("file"))
    {
        if (!requireAttributes(element, {"Name", "Checksum"}, result))
            return false;
        const UpdaterFileEntry entry{element.attribute(QStringLiteral("Name")), false,
            element.attribute(QStringLiteral("Checksum")).toUInt()};
        // The name becomes a file name in the update data folder and beside the program.
        if (!entry.hasPlainName())
        {
            result.setError(ManifestText::invalidInformation());
            return false;
        }
        result.addFile(entry);
    }
    else if (formatVersion == 2 && tag == QLatin1String("releasenotes"))
    {
        if (!requireAttributes(element, {"Value"}, result))
            return false;
        result.setReleaseNotes(element.attribute(QStringLiteral("Value")));
    }
    return true;
}
}

void readUpdateManifest(const QByteArray& bytes, const QString& applicationName, UpdaterResult& result,
    QDomDocument& document)
{
    result = UpdaterResult();
    QString parseError;
    if (!document.setContent(bytes, &parseError))
    {
        result.setError(parseError);
        return;
    }
    const QDomNodeList top = document.childNodes();
    if (top.size() != 1)
    {
        result.setError(ManifestText::invalidInformation());
        return;
    }
    const QDomNodeList children = top.at(0).childNodes();

    int formatVersion = 1;
    for (int i = 0; i < children.size(); ++i)
    {
        const QDomNode child = children.at(i);
        if (!child.isElement())
        {
            result.setError(ManifestText::invalidInformation());
            return;
        }
        const QDomElement element = child.toElement();
        if (element.tagName() != QLatin1String("version"))
            continue;
        if (!requireAttributes(element, {"Value"}, result))
            return;
        formatVersion = element.attribute(QStringLiteral("Value")).toInt();
    }
    if (formatVersion != 1 && formatVersion != 2)
    {
        result.setError(QStringLiteral("Unsupported manifest version %1.").arg(formatVersion));
        return;
    }
    result.setManifestVersion(formatVersion);
    for (int i = 0; i < children.size(); ++i)
    {
        if (!readElement(children.at(i).toElement(), formatVersion, applicationName, result))
            return;
    }
}

UpdaterResult UpdaterManifest::read(const QByteArray& bytes, const QString& applicationName)
{
    UpdaterResult result;
    QDomDocument document;
    readUpdateManifest(bytes, applicationName, result, document);
    return result;
}
