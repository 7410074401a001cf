#include "TalvexPythonContext.h"

#include "TalvexDriverCommands.h"
#include "TalvexRequestDispatcher.h"

#include "TalvexPython.h"

#include <QCoreApplication>
#include <QThread>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace py = pybind11;

TalvexDocument* TalvexPythonContext::s_pDocument = nullptr;
boost::shared_ptr<TalvexRequestDispatcher> TalvexPythonContext::s_pDispatcher;
PlotUSBDataStream* TalvexPythonContext::s_pStream = nullptr;
boost::shared_ptr<TalvexStreamInterpreter> TalvexPythonContext::s_pInterpreter;
QPointer<QWidget> TalvexPythonContext::s_pParent;
std::atomic<bool> TalvexPythonContext::s_abortRequested{false};

namespace
{
const unsigned long s_pollMs = 2;

// One call of the script's thread into the GUI thread. A stop cancels it while it waits to be
// run, so the GUI thread can wait for the script's end without waiting for itself.
struct GuiCall
{
    enum State
    {
        Pending,
        Running,
        Done,
        Cancelled
    };
    std::mutex m_mutex;
    std::condition_variable m_changed;
    State m_state = Pending;
    std::exception_ptr m_error;
};

std::mutex s_callMutex;
std::shared_ptr<GuiCall> s_pCall;
// Read and written with the GIL held only.
unsigned long s_scriptThread = 0;
// Made once at the start, before any script thread; never released.
PyObject* s_pAbortedType = nullptr;

void dropInterruption()
{
    PyThreadState_SetAsyncExc(PyThread_get_thread_ident(), nullptr);
}
}

void TalvexPythonContext::callInGuiThread(const std::function<void()>& fn)
{
    if (QThread::currentThread() == QCoreApplication::instance()->thread())
    {
        fn();
        return;
    }
    const auto call = std::make_shared<GuiCall>();
    {
        std::lock_guard<std::mutex> lock(s_callMutex);
        s_pCall = call;
    }
    // fn is touched only while the script's thread waits for it below.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [call, &fn] {
            {
                std::lock_guard<std::mutex> lock(call->m_mutex);
                if (call->m_state != GuiCall::Pending)
                    return;
                call->m_state = GuiCall::Running;
            }
            try
            {
                fn();
            }
            catch (...)
            {
                call->m_error = std::current_exception();
            }
            std::lock_guard<std::mutex> lock(call->m_mutex);
            call->m_state = GuiCall::Done;
            call->m_changed.notify_all();
        },
        Qt::QueuedConnection);

    GuiCall::State state;
    {
        py::gil_scoped_release release;
        std::unique_lock<std::mutex> lock(call->m_mutex);
        call->m_changed.wait(
            lock, [&call] { return call->m_state == GuiCall::Done || call->m_state == GuiCall::Cancelled; });
        state = call->m_state;
    }
    {
        std::lock_guard<std::mutex> lock(s_callMutex);
        if (s_pCall == call)
            s_pCall.reset();
    }
    if (state == GuiCall::Cancelled)
    {
        dropInterruption();
        throw TalvexScriptAborted();
    }
    if (call->m_error)
        std::rethrow_exception(call->m_error);
}

void TalvexPythonContext::waitUntil(const std::function<bool()>& condition)
{
    for (;;)
    {
        bool holds = false;
        callInGuiThread([&holds, &condition] { holds = condition(); });
        if (holds)
            return;
        {
            py::gil_scoped_release release;
            QThread::msleep(s_pollMs);
        }
        throwIfAborted();
    }
}

void TalvexPythonContext::requestAbort()
{
    std::unique_ptr<py::gil_scoped_acquire> gil;
    if (Py_IsInitialized())
        gil.reset(new py::gil_scoped_acquire);
    // Under the GIL, so the script's thread sees the flag and the interruption together.
    s_abortRequested = true;
    if (gil && s_scriptThread != 0)
        PyThreadState_SetAsyncExc(s_scriptThread, s_pAbortedType);
    std::lock_guard<std::mutex> lock(s_callMutex);
    if (!s_pCall)
        return;
    std::lock_guard<std::mutex> callLock(s_pCall->m_mutex);
    if (s_pCall->m_state == GuiCall::Pending)
    {
        s_pCall->m_state = GuiCall::Cancelled;
        s_pCall->m_changed.notify_all();
    }
}

void TalvexPythonContext::setScriptThread(unsigned long threadId)
{
    if (threadId == 0)
        dropInterruption();
    s_scriptThread = threadId;
}

void TalvexPythonContext::throwIfAborted()
{
    if (!s_abortRequested)
        return;
    dropInterruption();
    throw TalvexScriptAborted();
}

void TalvexPythonContext::sendCommand(const std::function<USBResult(TalvexDriverCommands&)>& command,
    QObject* requester)
{
    if (!s_pDispatcher)
        throw std::runtime_error("No device is open");
    TalvexDriverCommands commands(s_pDispatcher.get(), requester);
    const USBResult sent = command(commands);
    if (!sent.isOk())
        throw std::runtime_error(sent.getMessage().toStdString());
}

bool TalvexPythonContext::isBoardOpen()
{
    // The dispatcher gives the firmware version (0, 0) while no board is open.
    if (!s_pDispatcher)
        return false;
    const USBVersion version = s_pDispatcher->firmwareVersion();
    return version.getMajor() != 0 || version.getMinor() != 0;
}

void TalvexPythonContext::createAbortedType()
{
    // Raised without arguments when a stop interrupts a statement, so its text is its default.
    py::dict scope;
    scope["__name__"] = "PythonQt";
    py::exec(R"(
class UserAborted(RuntimeError):
    def __init__(self, *args):
        super().__init__(*(args or ("User aborted",)))
)",
        scope);
    s_pAbortedType = py::object(scope["UserAborted"]).release().ptr();
}

PyObject* TalvexPythonContext::abortedType()
{
    return s_pAbortedType;
}
