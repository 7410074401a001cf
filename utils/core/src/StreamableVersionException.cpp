#include "StreamableVersionException.h"

StreamableVersionException::StreamableVersionException(const QString& sourceFile, int line, int version)
    : m_sourceFile(sourceFile)
    , m_line(line)
    , m_version(version)
    , m_what(QString("Unsupported version (%1) found (%2:%3)").arg(version).arg(sourceFile).arg(line).toUtf8())
{
}
