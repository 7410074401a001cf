#include "TalvexPythonModule.h"

#include "TalvexPythonContext.h"
#include "TalvexPythonGraphWrapper.h"
#include "TalvexPythonMeasureWrapper.h"
#include "TalvexPythonMotorWrapper.h"
#include "TalvexPythonOutput.h"
#include "TalvexPythonOutputWrapper.h"
#include "TalvexPythonQString.h"
#include "TalvexPythonTraceWrapper.h"

#include "TalvexPython.h"

#include <QColor>
#include <string>

namespace py = pybind11;

namespace
{
const char* const s_imports[] = {"from PythonQt.Talvex import *", "from PythonQt.Qt import *",
    "from PythonQt.QtCore import *", "from PythonQt.QtGui import *"};

// sys.stdout or sys.stderr of the scripts.
struct ConsoleStream
{
    bool m_error;

    int write(const QString& text)
    {
        TalvexPythonOutput::instance()->write(text, m_error);
        return text.size();
    }
};

// The Qt namespace of the colour constants.
struct QtNamespace
{
};

py::module_ submodule(const py::module_& package, const char* name)
{
    const std::string fullName = std::string("PythonQt.") + name;
    auto module = py::reinterpret_borrow<py::module_>(py::module_::import("types").attr("ModuleType")(fullName));
    package.attr(name) = module;
    py::module_::import("sys").attr("modules")[fullName.c_str()] = module;
    return module;
}

void bindQtCore(py::module_& module)
{
    py::class_<QtNamespace> qt(module, "Qt");
    py::enum_<Qt::GlobalColor>(qt, "GlobalColor")
        .value("color0", Qt::color0)
        .value("color1", Qt::color1)
        .value("black", Qt::black)
        .value("white", Qt::white)
        .value("darkGray", Qt::darkGray)
        .value("gray", Qt::gray)
        .value("lightGray", Qt::lightGray)
        .value("red", Qt::red)
        .value("green", Qt::green)
        .value("blue", Qt::blue)
        .value("cyan", Qt::cyan)
        .value("magenta", Qt::magenta)
        .value("yellow", Qt::yellow)
        .value("darkRed", Qt::darkRed)
        .value("darkGreen", Qt::darkGreen)
        .value("darkBlue", Qt::darkBlue)
        .value("darkCyan", Qt::darkCyan)
        .value("darkMagenta", Qt::darkMagenta)
        .value("darkYellow", Qt::darkYellow)
        .value("transparent", Qt::transparent)
        .export_values();
}

void bindQtGui(py::module_& module)
{
    py::class_<QColor>(module, "QColor")
        .def(py::init<>())
        .def(py::init<int, int, int, int>(), py::arg("r"), py::arg("g"), py::arg("b"), py::arg("a") = 255)
        .def(py::init<Qt::GlobalColor>(), py::arg("color"))
        .def(py::init([](const QString& name) { return QColor(name); }), py::arg("name"))
        .def("red", &QColor::red)
        .def("green", &QColor::green)
        .def("blue", &QColor::blue)
        .def("alpha", &QColor::alpha)
        .def("isValid", &QColor::isValid)
        .def("name", [](const QColor& color) { return color.name(); })
        .def("__eq__", [](const QColor& color, const QColor& other) { return color == other; })
        .def("__repr__", [](const QColor& color) {
            return QStringLiteral("QColor(%1, %2, %3, %4)")
                .arg(color.red())
                .arg(color.green())
                .arg(color.blue())
                .arg(color.alpha());
        });
    py::implicitly_convertible<Qt::GlobalColor, QColor>();
}
}

void TalvexPythonModule::install()
{
    py::module_ sys = py::module_::import("sys");
    auto package = py::reinterpret_borrow<py::module_>(py::module_::import("types").attr("ModuleType")("PythonQt"));
    package.attr("__path__") = py::list();
    sys.attr("modules")["PythonQt"] = package;

    py::module_ talvex = submodule(package, "Talvex");
    TalvexPythonOutputWrapper::bind(talvex);
    TalvexPythonMotorWrapper::bind(talvex);
    TalvexPythonMeasureWrapper::bind(talvex);
    TalvexPythonGraphWrapper::bind(talvex);
    TalvexPythonTraceWrapper::bind(talvex);
    py::module_ core = submodule(package, "QtCore");
    bindQtCore(core);
    py::module_ gui = submodule(package, "QtGui");
    bindQtGui(gui);
    py::module_ qt = submodule(package, "Qt");
    qt.attr("Qt") = core.attr("Qt");
    qt.attr("QColor") = gui.attr("QColor");

    TalvexPythonContext::createAbortedType();
    py::register_exception_translator([](std::exception_ptr error) {
        try
        {
            std::rethrow_exception(error);
        }
        catch (const TalvexScriptAborted& aborted)
        {
            PyErr_SetString(TalvexPythonContext::abortedType(), aborted.what());
        }
    });

    py::class_<ConsoleStream>(package, "_ConsoleStream")
        .def("write", &ConsoleStream::write)
        .def("flush", [](const ConsoleStream&) {});
    sys.attr("stdout") = py::cast(ConsoleStream{false});
    sys.attr("stderr") = py::cast(ConsoleStream{true});
    // input() finds no line and raises EOFError instead of blocking the script.
    sys.attr("stdin") = py::module_::import("io").attr("StringIO")();
}

void TalvexPythonModule::importInto(const py::dict& globals)
{
    for (const char* statement : s_imports)
        py::exec(statement, globals);
}
