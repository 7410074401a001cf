#pragma once

#include <QString>
#include <exception>

// Thrown by a stream reader that finds data that is not what it expects (wrong header, truncated data).
class StreamableUnexpectedContentsException : public std::exception
{
public:
    explicit StreamableUnexpectedContentsException(const QString& message);

    const QString& getMessage() const { return m_message; }
    const char* what() const noexcept override { return m_what.constData(); }

    // Throws when the stream ran out of data or is otherwise unreadable, so a truncated
    // file never yields silently defaulted values.
    static void checkStatus(const class QDataStream& in);

private:
    QString m_message;
    QByteArray m_what;
};
