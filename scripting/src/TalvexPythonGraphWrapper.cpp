#include "TalvexPythonGraphWrapper.h"

#include "TalvexPythonContext.h"
#include "TalvexPythonQString.h"

#include <QCoreApplication>

namespace py = pybind11;

namespace
{
typedef TalvexPythonGraphWrapper W;

const int s_windowSize = 400;
}

void TalvexPythonGraphWrapper::bind(py::module_& module)
{
    py::class_<W>(module, "Graph")
        .def(py::init<const QString&>(), py::arg("name"))
        .def("setXLabel", &W::setXLabel, py::arg("label"))
        .def("setYLabel", &W::setYLabel, py::arg("label"));
}

TalvexPythonGraphWrapper::TalvexPythonGraphWrapper(const QString& name)
    : m_pWindow(std::make_shared<TalvexPythonGraphWindow>())
{
    TalvexPythonGraphWindow* window = m_pWindow.get();
    TalvexPythonContext::callInGuiThread([window, &name] {
        auto* mainWindow = new QMainWindow(TalvexPythonContext::s_pParent);
        mainWindow->setWindowTitle(name);
        mainWindow->setAttribute(Qt::WA_DeleteOnClose);
        window->m_pPlot = new TalvexPlotWindow(mainWindow);
        mainWindow->setCentralWidget(window->m_pPlot);
        mainWindow->resize(s_windowSize, s_windowSize);
        mainWindow->show();
        window->m_pPlot->showPlot();
        window->m_pWindow = mainWindow;
    });
}

TalvexPythonGraphWrapper::~TalvexPythonGraphWrapper()
{
    // Posted, not waited for: Python may destroy the object anywhere, also while stopping.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [window = m_pWindow] { delete window->m_pWindow.data(); },
        Qt::QueuedConnection);
}

void TalvexPythonGraphWrapper::setXLabel(const QString& label)
{
    TalvexPythonGraphWindow* window = m_pWindow.get();
    TalvexPythonContext::callInGuiThread([window, &label] {
        if (window->m_pPlot)
            window->m_pPlot->setXLabel(label);
    });
}

void TalvexPythonGraphWrapper::setYLabel(const QString& label)
{
    TalvexPythonGraphWindow* window = m_pWindow.get();
    TalvexPythonContext::callInGuiThread([window, &label] {
        if (window->m_pPlot)
            window->m_pPlot->setYLabel(label);
    });
}
