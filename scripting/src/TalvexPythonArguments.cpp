#include "TalvexPythonArguments.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

qint64 TalvexPythonArguments::toInteger(const pybind11::int_& value, qint64 minimum, qint64 maximum)
{
    int overflow = 0;
    const long long number = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (number == -1 && PyErr_Occurred())
        throw pybind11::error_already_set();
    if (overflow != 0 || number < minimum || number > maximum)
        throw std::invalid_argument("Value out of range: " + pybind11::repr(value).cast<std::string>());
    return number;
}

int TalvexPythonArguments::toInt(const pybind11::int_& value)
{
    return int(toInteger(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

qint64 TalvexPythonArguments::truncate(double value, qint64 minimum, qint64 maximum)
{
    const double truncated = std::trunc(finite(value));
    if (truncated < double(minimum) || truncated > double(maximum))
        throw std::invalid_argument("Value out of range: " + std::to_string(value));
    return qint64(truncated);
}

double TalvexPythonArguments::finite(double value)
{
    if (!std::isfinite(value))
        throw std::invalid_argument("Value is not a finite number");
    return value;
}
