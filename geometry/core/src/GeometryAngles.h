#pragma once

#include <algorithm>
#include <cmath>

inline double geometryRadians(double degrees)
{
    return degrees / 180.0 * M_PI;
}

inline double geometryDegrees(double radians)
{
    return radians / M_PI * 180.0;
}

// True when a signed sweep in degrees is a full turn either way, short by at most the angle
// that covers `resolution` at `radius` (and never more than one degree, so that a small arc
// is not taken for a full one).
inline bool geometryIsFullTurn(double sweepDegrees, double resolution, double radius)
{
    const double tolerance = radius > 0 ? std::min(geometryDegrees(std::max(resolution, 0.0) / radius), 1.0) : 0.0;
    return std::fabs(std::fabs(sweepDegrees) - 360.0) <= tolerance;
}
