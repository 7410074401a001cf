#pragma once

#include "Waiting.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

// The updater program copied into a program folder of its own, with a per-user data folder of
// its own, run as a process whose window the test drives through the robot plugin: send()
// writes one command and gives the robot's answer (the visible labels, "|", the visible buttons).
class UpdaterRun
{
public:
    UpdaterRun()
        : m_programFolder(m_root.filePath("program"))
        , m_dataFolder(m_root.filePath("data/Veltramonde/TalvexStudio"))
    {
        QDir().mkpath(m_programFolder);
        QDir().mkpath(m_dataFolder);
        m_copied = QFile::copy(QStringLiteral(TALVEX_UPDATER_PROGRAM), m_programFolder + "/TalvexStudioUpdater");
    }

    ~UpdaterRun()
    {
        if (m_process.state() != QProcess::NotRunning)
        {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    bool ready() const { return m_root.isValid() && m_copied; }
    QString program(const QString& name) const { return m_programFolder + "/" + name; }
    QString data(const QString& name) const { return m_dataFolder + "/" + name; }

    // fileSizeLimit > 0: the program cannot write files larger than that, as on a full disk.
    bool start(const QStringList& arguments, rlim_t fileSizeLimit = 0)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("XDG_DATA_HOME", m_root.filePath("data"));
        environment.insert("QT_PLUGIN_PATH", TALVEX_ROBOT_PLUGIN_PATH);
        environment.insert("QT_QPA_GENERIC_PLUGINS", "talvexrobot");
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.m_fileSizeLimit = fileSizeLimit;
        m_process.start(program("TalvexStudioUpdater"), arguments);
        return m_process.waitForStarted();
    }

    QString send(const QString& command)
    {
        m_process.write((command + "\n").toUtf8());
        if (!waitFor([this] { return m_process.canReadLine(); }, 20000))
            return QStringLiteral("no answer");
        return QString::fromUtf8(m_process.readLine()).chopped(1);
    }

    // After "Done" or "Cancel": the program ended by itself, successfully.
    bool endedNormally()
    {
        return waitFor([this] { return m_process.state() == QProcess::NotRunning; }, 20000)
            && m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }

private:
    class LimitedProcess : public QProcess
    {
    public:
        rlim_t m_fileSizeLimit = 0;

    protected:
        // In the child, before the program runs.
        void setupChildProcess() override
        {
            if (m_fileSizeLimit == 0)
                return;
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{m_fileSizeLimit, m_fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
    };

    QTemporaryDir m_root;
    QString m_programFolder;
    QString m_dataFolder;
    bool m_copied = false;
    LimitedProcess m_process;
};
