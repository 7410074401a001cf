#include "TalvexPythonScripting.h"

#include "TalvexPythonContext.h"
#include "TalvexPythonModule.h"
#include "TalvexRequestDispatcher.h"
#include "TalvexStreamInterpreter.h"

#include "TalvexPython.h"

namespace py = pybind11;

void initPythonScripting(TalvexDocument* document, const boost::shared_ptr<TalvexRequestDispatcher>& dispatcher,
    PlotUSBDataStream* stream, const boost::shared_ptr<TalvexStreamInterpreter>& interpreter, QWidget* parent)
{
    TalvexPythonContext::s_pDocument = document;
    TalvexPythonContext::s_pDispatcher = dispatcher;
    TalvexPythonContext::s_pStream = stream;
    TalvexPythonContext::s_pInterpreter = interpreter;
    TalvexPythonContext::s_pParent = parent;
    if (Py_IsInitialized())
        return;

    // Without Python's signal handlers: Ctrl+C stays the studio's.
    py::initialize_interpreter(false);
    TalvexPythonModule::install();
    TalvexPythonModule::importInto(py::module_::import("__main__").attr("__dict__"));
    // The scripts' threads take the GIL from here on; the GUI thread takes it back when it needs it.
    PyEval_SaveThread();
}
