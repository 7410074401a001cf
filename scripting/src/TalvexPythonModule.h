#pragma once

#include "TalvexPython.h"

// The package PythonQt that scripts import: PythonQt.Talvex with the scripting classes, and
// PythonQt.QtCore, PythonQt.QtGui and PythonQt.Qt with QColor and the Qt colour constants. Also
// points sys.stdout and sys.stderr at the consoles and gives scripts an empty sys.stdin.
class TalvexPythonModule
{
public:
    // Once, with the GIL held, right after the interpreter has started.
    static void install();
    // The star imports that every script and the console start with, into globals.
    static void importInto(const pybind11::dict& globals);
};
