#pragma once

#include <QPoint>
#include <QVector2D>
#include <cmath>
#include <limits>

// A model point divided by the scale per axis, truncated toward zero. Values beyond the range
// of int are held at its ends instead of overflowing.
inline QPoint geometryScaledPoint(double x, double y, const QVector2D& scale)
{
    const auto truncated = [](double value) {
        constexpr double lowest = std::numeric_limits<int>::min();
        constexpr double highest = std::numeric_limits<int>::max();
        if (std::isnan(value))
            return 0;
        return static_cast<int>(std::trunc(std::min(std::max(value, lowest), highest)));
    };
    return QPoint(truncated(x / scale.x()), truncated(y / scale.y()));
}
