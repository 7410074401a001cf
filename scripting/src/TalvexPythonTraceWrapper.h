#pragma once

#include "TalvexPythonGraphWindow.h"

#include "TalvexPython.h"

#include <QColor>
#include <QString>
#include <memory>
#include <vector>

class TalvexPythonGraphWrapper;

// The Python class Trace: one curve in a Graph's window, with the data, colour and name the
// script gives it. Made and called from the script's thread with the GIL; the curve lives in
// the GUI thread. A Trace of no Graph, or of one whose window is closed, does nothing.
class TalvexPythonTraceWrapper
{
public:
    static void bind(pybind11::module_& module);

    TalvexPythonTraceWrapper(const TalvexPythonGraphWrapper* pGraph, const QString& label);
    ~TalvexPythonTraceWrapper();

    TalvexPythonTraceWrapper(const TalvexPythonTraceWrapper&) = delete;
    TalvexPythonTraceWrapper& operator=(const TalvexPythonTraceWrapper&) = delete;

    // Points (x, y) as far as both lists reach.
    void setData(const std::vector<double>& xData, const std::vector<double>& yData);
    void setColor(const QColor& color);
    void setLabel(const QString& label);

private:
    // Runs fn(plot window, trace id) in the GUI thread while the trace's window exists.
    void withPlot(const std::function<void(TalvexPlotWindow*, int)>& fn);

    std::shared_ptr<TalvexPythonGraphWindow> m_pWindow;
    int m_id = -1;
};
