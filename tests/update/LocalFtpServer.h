#pragma once

#include "Waiting.h"

#include <QProcess>
#include <QString>

#include <csignal>

// The ftp server of ftp_server.py on 127.0.0.1, started by the test and serving a folder to one
// user; anonymous logins are refused. port() is 0 when it did not start. Before it is stopped by
// its process id, it waits for its clients to be gone: Qt closes a finished ftp connection (and
// then deletes it) only while events run.
class LocalFtpServer
{
public:
    LocalFtpServer(const QString& root, const QString& user, const QString& password, bool offersSize = true)
    {
        QStringList arguments{QStringLiteral(TALVEX_FTP_SERVER_SCRIPT), root, user, password};
        if (!offersSize)
            arguments << QStringLiteral("--no-size");
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(TALVEX_PYTHON3), arguments);
        if (m_process.waitForStarted()
            && waitFor([this] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; }, 30000))
            m_port = m_process.readLine().trimmed().toInt();
    }

    ~LocalFtpServer()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        waitFor([this] { return sessions() == 0; }, 20000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ::kill(pid_t(m_process.processId()), SIGTERM);
        m_process.waitForFinished();
    }

    int port() const { return m_port; }
    QString address() const { return QStringLiteral("ftp://127.0.0.1:%1").arg(m_port); }

private:
    // The clients connected now, as far as the server has told.
    int sessions()
    {
        while (m_process.canReadLine())
            m_sessions += m_process.readLine().startsWith('+') ? 1 : -1;
        return m_sessions;
    }

    QProcess m_process;
    int m_port = 0;
    int m_sessions = 0;
};
