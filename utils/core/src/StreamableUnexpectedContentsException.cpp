#include "StreamableUnexpectedContentsException.h"

#include <QDataStream>

StreamableUnexpectedContentsException::StreamableUnexpectedContentsException(const QString& message)
    : m_message(message)
    , m_what(message.toUtf8())
{
}

void StreamableUnexpectedContentsException::checkStatus(const QDataStream& in)
{
    if (in.status() != QDataStream::Ok)
        throw StreamableUnexpectedContentsException("Unexpected end of data. The file is truncated or corrupted.");
}
