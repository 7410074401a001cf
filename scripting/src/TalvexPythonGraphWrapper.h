#pragma once

#include "TalvexPythonGraphWindow.h"

#include "TalvexPython.h"

#include <QString>
#include <memory>

// The Python class Graph: a plot window of its own, titled with the graph's name, a child
// window of the main window. Made and called from the script's thread with the GIL; the window
// lives in the GUI thread. When Python destroys the Graph its window closes; once the user has
// closed the window, the Graph's calls do nothing.
class TalvexPythonGraphWrapper
{
public:
    static void bind(pybind11::module_& module);

    explicit TalvexPythonGraphWrapper(const QString& name);
    ~TalvexPythonGraphWrapper();

    TalvexPythonGraphWrapper(const TalvexPythonGraphWrapper&) = delete;
    TalvexPythonGraphWrapper& operator=(const TalvexPythonGraphWrapper&) = delete;

    void setXLabel(const QString& label);
    void setYLabel(const QString& label);

    const std::shared_ptr<TalvexPythonGraphWindow>& window() const { return m_pWindow; }

private:
    std::shared_ptr<TalvexPythonGraphWindow> m_pWindow;
};
