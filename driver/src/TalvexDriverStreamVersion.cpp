#include "TalvexDriverStreamVersion.h"

#include "StreamableUnexpectedContentsException.h"
#include "StreamableVersionException.h"

#include <algorithm>

qint32 readStreamVersion(QDataStream& in, std::initializer_list<qint32> known, const char* sourceFile, int line)
{
    qint32 version = 0;
    in >> version;
    StreamableUnexpectedContentsException::checkStatus(in);
    if (std::find(known.begin(), known.end(), version) == known.end())
        throw StreamableVersionException(QString::fromLatin1(sourceFile), line, version);
    return version;
}
