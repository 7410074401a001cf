#include "TalvexSOStreamVersion.h"

#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"

#include <QDataStream>

namespace TalvexSOStreamVersion
{
void readVersion1(QDataStream& in, const QString& sourceFile, int line)
{
    qint32 version = 0;
    in >> version;
    // A missing version is a truncated file, not a version 0.
    StreamableUnexpectedContentsException::checkStatus(in);
    if (version != 1)
        throw StreamableVersionException(sourceFile, line, version);
}
}
