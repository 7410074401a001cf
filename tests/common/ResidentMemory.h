#pragma once

#include <QByteArray>
#include <QFile>
#include <sys/wait.h>
#include <unistd.h>

// The resident memory of the calling process, as Linux reports it, for tests and benchmarks that
// bound what a piece of work takes.
namespace ResidentMemory
{
// A kilobyte field of /proc/self/status ("VmRSS:", "VmHWM:"), in MB; 0 where there is none.
inline double statusMegabytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    for (const QByteArray& line : status.readAll().split('\n'))
    {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0.0;
}

// Sets the peak of resident memory (VmHWM) back to the resident size.
inline void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

// How far, in MB, the peak of resident memory rises above the resident size while work runs.
template <class Work>
double peakGrowthMb(Work work)
{
    resetPeak();
    const double before = statusMegabytes("VmRSS:");
    work();
    return statusMegabytes("VmHWM:") - before;
}

// The same, with work run in a child process of its own, so that what the parent holds and what
// a faulty run would take stay apart; -1 when the child cannot run or does not report. Called
// from a test's thread; the child runs only work and ends without tidying up.
template <class Work>
double peakGrowthInChildMb(Work work)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1.0;
    const pid_t pid = fork();
    if (pid == 0)
    {
        close(fds[0]);
        const double growth = peakGrowthMb(work);
        _exit(write(fds[1], &growth, sizeof growth) == sizeof growth ? 0 : 1);
    }
    close(fds[1]);
    double growth = -1.0;
    const bool reported = pid > 0 && read(fds[0], &growth, sizeof growth) == sizeof growth;
    close(fds[0]);
    if (pid > 0)
        waitpid(pid, nullptr, 0);
    return reported ? growth : -1.0;
}
}
