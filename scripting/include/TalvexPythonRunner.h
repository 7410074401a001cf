#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QThread;

// Runs the Scripting tab's scripts and console entries, one at a time, on a worker thread of
// its own, so the window stays live while a script runs; the scripting classes do their work in
// the GUI thread. GUI thread only; initPythonScripting must have run.
//
// Idle -> running (runScript, runConsoleInput) -> idle when the script has ended (finished).
// requestScriptAbort makes the script's waits throw "User aborted" and interrupts a script that
// does not wait at its next statement.
class TalvexPythonRunner : public QObject
{
    Q_OBJECT

public:
    explicit TalvexPythonRunner(QObject* parent = nullptr);
    // Stops a running script and returns only once it has ended.
    ~TalvexPythonRunner() override;

    // Starts the script in a fresh module and returns at once; not while running. Output and
    // tracebacks go to the consoles; SystemExit just ends the script. fileName names the script
    // in tracebacks.
    void runScript(const QString& text, const QString& fileName = QStringLiteral("<script>"));
    // Starts one console entry (one or more lines) in the console's main module, as the
    // interactive interpreter does; not while running.
    void runConsoleInput(const QString& source);
    bool isRunning() const { return m_running; }
    // Stops a running script and returns once it has ended, with finished emitted.
    void stop();

    static void requestScriptAbort();

signals:
    // The run has ended. needsMoreInput: the console entry is an unfinished statement and
    // nothing ran.
    void finished(bool needsMoreInput);

private slots:
    void onWorkerFinished();

private:
    // job runs on the worker with the GIL held; what it returns is needsMoreInput.
    void start(const std::function<bool()>& job);
    // Requests the abort until the worker has ended, and stops listening to it.
    void waitForWorker();

    bool m_running = false;
    QThread* m_pWorker = nullptr;
    // Written by the worker, read after it has finished.
    bool m_needsMoreInput = false;
};
