#include "TalvexPythonRunner.h"

#include "TalvexPythonContext.h"
#include "TalvexPythonModule.h"
#include "TalvexPythonOutput.h"
#include "TalvexPythonQString.h"

#include "TalvexPython.h"

#include <QCoreApplication>
#include <QThread>

namespace py = pybind11;

namespace
{
const unsigned long s_stopPollMs = 20;

// The globals of every script that ran: a Graph that a script kept stays open after its end,
// as long as the user leaves its window open. Never destroyed, like the interpreter.
py::list& finishedRuns()
{
    static py::list* s_pRuns = new py::list;
    return *s_pRuns;
}

// On the console, with the GIL held. A script's SystemExit ends only the script.
void report(const py::error_already_set& error)
{
    if (error.matches(PyExc_SystemExit))
        return;
    try
    {
        // An error of the compilation itself has no traceback.
        const py::object trace = error.trace() ? error.trace() : py::none();
        py::module_::import("traceback").attr("print_exception")(error.type(), error.value(), trace);
    }
    catch (const std::exception& failed)
    {
        TalvexPythonOutput::instance()->write(QString::fromUtf8(failed.what()) + '\n', true);
    }
}
}

TalvexPythonRunner::TalvexPythonRunner(QObject* parent)
    : QObject(parent)
{
}

TalvexPythonRunner::~TalvexPythonRunner()
{
    if (!m_pWorker)
        return;
    waitForWorker();
    delete m_pWorker;
}

void TalvexPythonRunner::stop()
{
    if (!m_pWorker)
        return;
    waitForWorker();
    // The worker's end may already be queued; this call takes its place.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    onWorkerFinished();
}

void TalvexPythonRunner::waitForWorker()
{
    disconnect(m_pWorker, nullptr, this, nullptr);
    // Again and again: a script may catch the first "User aborted" and go on.
    do
        requestScriptAbort();
    while (!m_pWorker->wait(s_stopPollMs));
}

void TalvexPythonRunner::runScript(const QString& text, const QString& fileName)
{
    start([text, fileName] {
        py::dict globals;
        globals["__builtins__"] = py::module_::import("builtins");
        globals["__name__"] = "__main__";
        finishedRuns().append(globals);
        TalvexPythonModule::importInto(globals);
        const py::object builtins = py::module_::import("builtins");
        builtins.attr("exec")(builtins.attr("compile")(text, fileName, "exec"), globals);
        return false;
    });
}

void TalvexPythonRunner::runConsoleInput(const QString& source)
{
    start([source] {
        const py::object globals = py::module_::import("__main__").attr("__dict__");
        const py::object interpreter = py::module_::import("code").attr("InteractiveInterpreter")(globals);
        return interpreter.attr("runsource")(source, "<console>", "single").cast<bool>();
    });
}

void TalvexPythonRunner::requestScriptAbort()
{
    TalvexPythonContext::requestAbort();
}

void TalvexPythonRunner::onWorkerFinished()
{
    m_pWorker->wait();
    delete m_pWorker;
    m_pWorker = nullptr;
    m_running = false;
    emit finished(m_needsMoreInput);
}

void TalvexPythonRunner::start(const std::function<bool()>& job)
{
    Q_ASSERT_X(!m_running, "src\\TalvexPythonRunner", "!m_running");
    if (m_running)
        return;
    m_running = true;
    m_needsMoreInput = false;
    TalvexPythonContext::s_abortRequested = false;
    m_pWorker = QThread::create([this, job] {
        py::gil_scoped_acquire gil;
        TalvexPythonContext::setScriptThread(PyThread_get_thread_ident());
        try
        {
            m_needsMoreInput = job();
            TalvexPythonContext::setScriptThread(0);
        }
        catch (const py::error_already_set& error)
        {
            TalvexPythonContext::setScriptThread(0);
            report(error);
        }
        catch (const std::exception& error)
        {
            TalvexPythonContext::setScriptThread(0);
            TalvexPythonOutput::instance()->write(QString::fromUtf8(error.what()) + '\n', true);
        }
        TalvexPythonContext::s_abortRequested = false;
    });
    connect(m_pWorker, &QThread::finished, this, &TalvexPythonRunner::onWorkerFinished);
    m_pWorker->start();
}
