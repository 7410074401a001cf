#pragma once

#include <QString>
#include <exception>

// Thrown by a stream reader that meets a stored version it does not know.
class StreamableVersionException : public std::exception
{
public:
    StreamableVersionException(const QString& sourceFile, int line, int version);

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
