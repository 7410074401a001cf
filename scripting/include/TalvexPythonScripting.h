#pragma once

#include <boost/shared_ptr.hpp>

class PlotUSBDataStream;
class QWidget;
class TalvexDocument;
class TalvexRequestDispatcher;
class TalvexStreamInterpreter;

// Called by the main window's constructor, before any tab exists, in the GUI thread: starts
// the embedded Python interpreter with the package PythonQt (the scripting classes and the Qt
// colours), imports them into the console's main module and keeps the objects the scripting
// classes work on. parent is the parent of the scripts' Graph windows. The interpreter starts
// only once per process and stays up until the program ends; a later call (a second main
// window, a test) only replaces the objects. No script may run during the call.
void initPythonScripting(TalvexDocument* document, const boost::shared_ptr<TalvexRequestDispatcher>& dispatcher,
    PlotUSBDataStream* stream, const boost::shared_ptr<TalvexStreamInterpreter>& interpreter, QWidget* parent);
