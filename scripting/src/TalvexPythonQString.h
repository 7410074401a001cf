#pragma once

#include "TalvexPython.h"

#include <QString>

// QString arguments and results of the scripting classes are Python str.
namespace pybind11
{
namespace detail
{
template <>
struct type_caster<QString>
{
    PYBIND11_TYPE_CASTER(QString, const_name("str"));

    bool load(handle source, bool)
    {
        if (!source || !PyUnicode_Check(source.ptr()))
            return false;
        Py_ssize_t size = 0;
        const char* utf8 = PyUnicode_AsUTF8AndSize(source.ptr(), &size);
        if (!utf8)
        {
            // Lone surrogates have no UTF-8 form.
            PyErr_Clear();
            return false;
        }
        value = QString::fromUtf8(utf8, int(size));
        return true;
    }

    static handle cast(const QString& text, return_value_policy, handle)
    {
        const QByteArray utf8 = text.toUtf8();
        return PyUnicode_DecodeUTF8(utf8.constData(), utf8.size(), "replace");
    }
};
}
}
