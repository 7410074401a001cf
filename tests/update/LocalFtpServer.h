#pragma once

#include "Waiting.h"

#include <QProcess>
#include <QString>

#include <csignal>

// The ftp server of ftp_server.py on 127.0.0.1, started by the test and serving a folder to one
// user; anonymous logins are refused. port() is 0 when it did not start. Before it is stopped by
// its process id, it waits for its clients to be gone: Qt closes a finished ftp connection (and
// then deletes it) only while events run. A breakdown, e.g. {"--stall", name}, makes the server
// break off the transfer of that file half-way (ftp_server.py tells how).
class LocalFtpServer
{
public:
    LocalFtpServer(const QString& root, const QString& user, const QString& password, bool offersSize = true,
        const QStringList& breakdown = QStringList())
    {
        QStringList arguments{QStringLiteral(TALVEX_FTP_SERVER_SCRIPT), root, user, password};
        if (!offersSize)
            arguments << QStringLiteral("--no-size");
        arguments << breakdown;
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(TALVEX_PYTHON3), arguments);
        if (m_process.waitForStarted()
            && waitFor([this] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; }, 30000))
            m_port = m_process.readLine().trimmed().toInt();
    }

    ~LocalFtpServer()
    {
        waitFor([this] { return m_process.state() == QProcess::NotRunning || sessions() == 0; }, 20000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // 0 once the server has ended on its own: kill() would signal the test's process group.
        const qint64 pid = m_process.processId();
        if (pid <= 0)
            return;
        ::kill(pid_t(pid), SIGTERM);
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
