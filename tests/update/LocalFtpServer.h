#pragma once

#include "Waiting.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <csignal>

// The ftp server of ftp_server.py on 127.0.0.1, started by the test and serving a folder to one
// user; anonymous logins are refused. port() is 0 when it did not start. Before it is stopped by
// its process id, it waits for its clients to be gone: Qt closes a finished ftp connection (and
// then deletes it) only while events run. A server made with a breakdowns file breaks off a
// transfer half-way as setBreakdown() last said, e.g. {"stall", name} (ftp_server.py tells how);
// breakdowns() counts the transfers it broke off.
class LocalFtpServer
{
public:
    LocalFtpServer(const QString& root, const QString& user, const QString& password, bool offersSize = true,
        const QString& breakdownsFile = QString())
        : m_root(root)
        , m_breakdownsFile(breakdownsFile)
    {
        QStringList arguments{QStringLiteral(TALVEX_FTP_SERVER_SCRIPT), root, user, password};
        if (!offersSize)
            arguments << QStringLiteral("--no-size");
        if (!breakdownsFile.isEmpty())
            arguments << QStringLiteral("--breakdowns") << breakdownsFile;
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(TALVEX_PYTHON3), arguments);
        if (m_process.waitForStarted()
            && waitFor([this] { return m_process.canReadLine() || m_process.state() == QProcess::NotRunning; }, 30000))
            m_port = m_process.readLine().trimmed().toInt();
    }

    ~LocalFtpServer()
    {
        waitForClientsGone();
        // 0 once the server has ended on its own: kill() would signal the test's process group.
        const qint64 pid = m_process.processId();
        if (pid <= 0)
            return;
        ::kill(pid_t(pid), SIGTERM);
        m_process.waitForFinished();
    }

    // The server of the kind over one folder for every test of the process, started by the first
    // that asks, since its start is most of a short test's time; stopped with the application
    // object. A test fills the folder and empties it again once its clients are gone. The kind
    // that breaks down (which offers the size) breaks down as its last setBreakdown() said.
    static LocalFtpServer& shared(const QString& user, const QString& password, bool offersSize, bool breaksDown = false)
    {
        static QTemporaryDir* s_pRoot = nullptr;
        static LocalFtpServer* s_pServers[3] = {nullptr, nullptr, nullptr};
        if (!s_pRoot)
        {
            s_pRoot = new QTemporaryDir;
            QDir(s_pRoot->path()).mkpath(QStringLiteral("root"));
            qAddPostRoutine([] {
                for (LocalFtpServer* server : s_pServers)
                    delete server;
                delete s_pRoot;
            });
        }
        LocalFtpServer*& server = s_pServers[breaksDown ? 2 : offersSize ? 1 : 0];
        if (!server)
            server = new LocalFtpServer(s_pRoot->filePath("root"), user, password,
                offersSize || breaksDown, breaksDown ? s_pRoot->filePath("breakdowns") : QString());
        return *server;
    }

    // {"stall", name} or {"drop", name}; empty for none.
    bool setBreakdown(const QStringList& breakdown)
    {
        QFile file(m_breakdownsFile);
        return file.open(QIODevice::WriteOnly) && file.write(breakdown.join(' ').toUtf8()) >= 0;
    }

    int breakdowns()
    {
        readReports();
        return m_breakdowns;
    }

    // Qt closes a finished ftp connection, and deletes it, only while events run.
    void waitForClientsGone()
    {
        waitFor([this] { return m_process.state() == QProcess::NotRunning || sessions() == 0; }, 20000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    const QString& root() const { return m_root; }
    int port() const { return m_port; }
    QString address() const { return QStringLiteral("ftp://127.0.0.1:%1").arg(m_port); }

private:
    // The clients connected now, as far as the server has told.
    int sessions()
    {
        readReports();
        return m_sessions;
    }

    void readReports()
    {
        while (m_process.canReadLine())
        {
            const QByteArray report = m_process.readLine();
            if (report.startsWith('!'))
                ++m_breakdowns;
            else
                m_sessions += report.startsWith('+') ? 1 : -1;
        }
    }

    QString m_root;
    QString m_breakdownsFile;
    QProcess m_process;
    int m_port = 0;
    int m_sessions = 0;
    int m_breakdowns = 0;
};
