#pragma once

#include "TalvexPlotWindow.h"

#include <QMainWindow>
#include <QPointer>

// The window of one script Graph, shared by the Graph and its Traces. GUI thread only: the
// guards become null when the user closes the window.
struct TalvexPythonGraphWindow
{
    QPointer<QMainWindow> m_pWindow;
    QPointer<TalvexPlotWindow> m_pPlot;
};
