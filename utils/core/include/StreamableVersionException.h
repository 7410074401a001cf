#pragma once

#include <QString>
#include <exception>
#include <initializer_list>

class QDataStream;

// Thrown by a stream reader that meets a stored version it does not know.
class StreamableVersionException : public std::exception
{
public:
    StreamableVersionException(const QString& sourceFile, int line, int version);

    // Reads the qint32 version a stored object begins with; throws this exception (naming the
    // reader's source and line) for a version not among the known ones, and
    // StreamableUnexpectedContentsException when the stream has run out.
    static qint32 readVersion(QDataStream& in, std::initializer_list<qint32> known, const QString& sourceFile, int line);

    const QString& getSourceFile() const { return m_sourceFile; }
    int getLine() const { return m_line; }
    int getVersion() const { return m_version; }

    const char* what() const noexcept override { return m_what.constData(); }

private:
    QString m_sourceFile;
    int m_line;
    int m_version;
    QByteArray m_what;
};
