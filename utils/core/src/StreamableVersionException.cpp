#include "StreamableVersionException.h"

#include "StreamableUnexpectedContentsException.h"

#include <QDataStream>
#include <algorithm>

StreamableVersionException::StreamableVersionException(const QString& sourceFile, int line, int version)
    : m_sourceFile(sourceFile)
    , m_line(line)
    , m_version(version)
    , m_what(QString("Unsupported version (%1) found (%2:%3)").arg(version).arg(sourceFile).arg(line).toUtf8())
{
}

qint32 StreamableVersionException::readVersion(QDataStream& in, std::initializer_list<qint32> known,
                                               const QString& sourceFile, int line)
{
    qint32 version = 0;
    in >> version;
    // A missing version is a truncated file, not a version 0.
    StreamableUnexpectedContentsException::checkStatus(in);
    if (std::find(known.begin(), known.end(), version) == known.end())
        throw StreamableVersionException(sourceFile, line, version);
    return version;
}
