#include "TalvexPythonTraceWrapper.h"

#include "TalvexPythonContext.h"
#include "TalvexPythonGraphWrapper.h"
#include "TalvexPythonQString.h"


#include <QCoreApplication>
#include <QVector>
#include <algorithm>

namespace py = pybind11;

namespace
{
typedef TalvexPythonTraceWrapper W;
}

void TalvexPythonTraceWrapper::bind(py::module_& module)
{
    py::class_<W>(module, "Trace")
        .def(py::init<const TalvexPythonGraphWrapper*, const QString&>(), py::arg("pGraph"), py::arg("label"))
        .def("setData", &W::setData, py::arg("xData"), py::arg("yData"))
        .def("setColor", &W::setColor, py::arg("color"))
        .def("setLabel", &W::setLabel, py::arg("label"));
}

TalvexPythonTraceWrapper::TalvexPythonTraceWrapper(const TalvexPythonGraphWrapper* pGraph, const QString& label)
{
    if (!pGraph)
        return;
    m_pWindow = pGraph->window();
    TalvexPythonGraphWindow* window = m_pWindow.get();
    int id = -1;
    TalvexPythonContext::callInGuiThread([window, &label, &id] {
        if (window->m_pPlot)
            id = window->m_pPlot->addTrace(label);
    });
    m_id = id;
}

TalvexPythonTraceWrapper::~TalvexPythonTraceWrapper()
{
    if (m_id < 0)
        return;
    // Posted, not waited for: Python may destroy the object anywhere, also while stopping.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [window = m_pWindow, id = m_id] {
            if (window->m_pPlot)
                window->m_pPlot->removeTrace(id);
        },
        Qt::QueuedConnection);
}

void TalvexPythonTraceWrapper::setData(const std::vector<double>& xData, const std::vector<double>& yData)
{
    const size_t count = std::min(xData.size(), yData.size());
    QVector<PlotPoint> points;
    points.reserve(int(count));
    for (size_t i = 0; i < count; ++i)
        points.append(PlotPoint(xData[i], yData[i], true));
    withPlot([&points](TalvexPlotWindow* plot, int id) { plot->setTraceData(id, points); });
}

void TalvexPythonTraceWrapper::setColor(const QColor& color)
{
    withPlot([&color](TalvexPlotWindow* plot, int id) { plot->setTraceColor(id, color); });
}

void TalvexPythonTraceWrapper::setLabel(const QString& label)
{
    withPlot([&label](TalvexPlotWindow* plot, int id) { plot->setTraceName(id, label); });
}

void TalvexPythonTraceWrapper::withPlot(const std::function<void(TalvexPlotWindow*, int)>& fn)
{
    if (m_id < 0)
        return;
    TalvexPythonGraphWindow* window = m_pWindow.get();
    const int id = m_id;
    TalvexPythonContext::callInGuiThread([window, id, &fn] {
        if (window->m_pPlot)
            fn(window->m_pPlot, id);
    });
}
