#include "ValueConversions.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace
{
QString withoutSpaces(QString text)
{
    return text.remove(QChar(' '));
}

bool isString(const QVariant& value)
{
    return value.userType() == QMetaType::QString;
}
}

double variantToDouble(const QVariant& value, bool* ok)
{
    if (!isString(value))
        return value.toDouble(ok);
    return QLocale().toDouble(withoutSpaces(value.toString()), ok);
}

int variantToInt(const QVariant& value, bool* ok)
{
    if (!isString(value))
    {
        // Clamped first: converting an out-of-range double (or NaN) to int is undefined.
        const double number = value.toDouble(ok);
        if (std::isnan(number))
        {
            if (ok)
                *ok = false;
            return 0;
        }
        if (number >= double(std::numeric_limits<int>::max()))
            return std::numeric_limits<int>::max();
        if (number <= double(std::numeric_limits<int>::min()))
            return std::numeric_limits<int>::min();
        return static_cast<int>(number);
    }
    return QLocale().toInt(withoutSpaces(value.toString()), ok);
}

QString variantToString(const QVariant& value)
{
    const int type = value.userType();
    if (type == QMetaType::Double || type == QMetaType::Float)
        return withoutSpaces(QLocale().toString(variantToDouble(value), 'g', 6));
    return value.toString();
}
