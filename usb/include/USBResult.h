#pragma once

#include <QString>

// The outcome of a USB operation; also what the USB layer throws on failure.
// Status 0 is success, 1 a failure that leaves the connection usable, 2 an error.
class USBResult
{
public:
    USBResult() = default;
    USBResult(const QString& message, int status) : m_status(status), m_message(message) {}

    bool isOk() const { return m_status == 0; }
    bool isWarning() const { return m_status == 1; }
    int getStatus() const { return m_status; }
    // A successful result always reads "Success", whatever was stored.
    QString getMessage() const { return m_status == 0 ? QStringLiteral("Success") : m_message; }

private:
    int m_status = 0;
    QString m_message;
};
