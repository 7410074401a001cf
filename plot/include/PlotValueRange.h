#pragma once

// A value range for an axis: lower and upper bound, and whether it holds a range at all.
class PlotValueRange
{
public:
    PlotValueRange() = default;
    PlotValueRange(double lower, double upper, bool valid = true)
        : m_lower(lower)
        , m_upper(upper)
        , m_valid(valid)
    {
    }

    double lower() const { return m_lower; }
    double upper() const { return m_upper; }
    bool isValid() const { return m_valid; }

    // Collects the ranges of several graphs on one axis: the first valid range is taken,
    // later valid ones widen it, invalid ones change nothing.
    void merge(const PlotValueRange& other)
    {
        if (!other.m_valid)
            return;
        if (!m_valid)
        {
            *this = other;
            return;
        }
        if (other.m_lower < m_lower)
            m_lower = other.m_lower;
        if (other.m_upper > m_upper)
            m_upper = other.m_upper;
    }

private:
    double m_lower = 0.0;
    double m_upper = 0.0;
    bool m_valid = false;
};
