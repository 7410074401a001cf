#pragma once

// pybind11 and Python's headers, also after Qt's: Python names a struct member "slots", which
// Qt defines as a keyword.
#pragma push_macro("slots")
#undef slots
#include <pybind11/embed.h>
#include <pybind11/stl.h>
#pragma pop_macro("slots")
