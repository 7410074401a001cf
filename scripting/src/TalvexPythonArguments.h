#pragma once

#include "TalvexPython.h"

#include <QtGlobal>

// Checks of the numbers that scripts pass: a value that is not finite or does not fit the
// field it goes to raises ValueError (std::invalid_argument) instead of wrapping around.
class TalvexPythonArguments
{
public:
    // A Python int as a number of the range [minimum, maximum].
    static qint64 toInteger(const pybind11::int_& value, qint64 minimum, qint64 maximum);
    static int toInt(const pybind11::int_& value);
    // value truncated toward zero, which must be finite and fit [minimum, maximum].
    static qint64 truncate(double value, qint64 minimum, qint64 maximum);
    static double finite(double value);
};
