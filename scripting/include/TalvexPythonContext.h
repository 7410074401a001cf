#pragma once

#include <QByteArray>
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <boost/shared_ptr.hpp>
#include <functional>
#include <stdexcept>

typedef struct _object PyObject;

class USBResult;

class PlotUSBDataStream;
class TalvexDocument;
class TalvexDriverCommands;
class TalvexRequestDispatcher;
class TalvexStreamInterpreter;

// "User aborted": what every wait and every call into the GUI thread of a stopped script throws.
class TalvexScriptAborted : public std::runtime_error
{
public:
    TalvexScriptAborted() : std::runtime_error("User aborted") {}
};

// The process-wide context through which the scripting classes reach the studio, written by
// initPythonScripting. Scripts run on the runner's worker thread while the objects here belong
// to the GUI thread: the scripting methods touch them only inside callInGuiThread. The abort
// flag is set by the GUI thread (Stop) and read by the script's waits.
class TalvexPythonContext
{
public:
    static TalvexDocument* s_pDocument;
    static boost::shared_ptr<TalvexRequestDispatcher> s_pDispatcher;
    static PlotUSBDataStream* s_pStream;
    static boost::shared_ptr<TalvexStreamInterpreter> s_pInterpreter;
    // The parent of the Graph windows; they go with it.
    static QPointer<QWidget> s_pParent;
    static std::atomic<bool> s_abortRequested;

    // Called from Python with the GIL held: runs fn in the GUI thread and returns once it has
    // run, with the GIL released meanwhile so the GUI thread never waits for the script. What
    // fn throws is rethrown here. A stop before fn has started throws TalvexScriptAborted and fn
    // never runs. In the GUI thread itself fn just runs.
    static void callInGuiThread(const std::function<void()>& fn);
    template <class T>
    static T valueInGuiThread(const std::function<T()>& fn)
    {
        T value{};
        callInGuiThread([&value, &fn] { value = fn(); });
        return value;
    }

    // The wait of the scripting methods, from the script's thread with the GIL held: until
    // condition (evaluated in the GUI thread) holds, sleeps 2 ms between tests with the GIL
    // released. Throws TalvexScriptAborted once a stop is requested.
    static void waitUntil(const std::function<bool()>& condition);

    // GUI thread: makes the next wait of the running script throw and, so that a script that
    // never waits stops too, raises "User aborted" in the script's thread at its next statement.
    static void requestAbort();
    // The script's thread, with the GIL held, at the start and the end of a run: the thread
    // that requestAbort interrupts (0: none). The end also drops an interruption not yet raised.
    static void setScriptThread(unsigned long threadId);
    // With the GIL held: throws TalvexScriptAborted when a stop was requested, and then drops
    // the interruption of the thread, which would only raise the same error a second time.
    static void throwIfAborted();

    // GUI thread: sends one command of the connected board through the dispatcher with no
    // requester, or with requester. Throws std::runtime_error with the dispatcher's text when the
    // request is refused at once (no board open, an action the model lacks).
    static void sendCommand(const std::function<USBResult(TalvexDriverCommands&)>& command,
        QObject* requester = nullptr);
    // GUI thread: whether a board is open now.
    static bool isBoardOpen();

    // With the GIL held, once before any script runs: the Python class of "User aborted", a
    // RuntimeError, which TalvexScriptAborted becomes in Python.
    static void createAbortedType();
    static PyObject* abortedType();
};
