#pragma once

#include <QString>

// The one error text the manifest readers share for malformed contents.
namespace ManifestText
{
inline QString invalidInformation()
{
    return QStringLiteral("Update package contains invalid information.");
}
}
