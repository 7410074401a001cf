#pragma once

#include <QVector>
#include <QtGlobal>

#include <cstring>

// One point of a series, a sample buffer or a post-processor: a key (seconds on a time axis),
// a value and whether the point holds a real value.
class PlotPoint
{
public:
    PlotPoint() = default;
    PlotPoint(double key, double value, bool valid = true)
        : m_key(key)
        , m_value(value)
        , m_valid(valid ? 1 : 0)
    {
    }

    double getKey() const { return m_key; }
    double getValue() const { return m_value; }
    bool isValid() const { return m_valid != 0; }

    void setKey(double key) { m_key = key; }
    void setValue(double value) { m_value = value; }
    void setValid(bool valid) { m_valid = valid ? 1 : 0; }

    bool operator==(const PlotPoint& other) const
    {
        return m_key == other.m_key && m_value == other.m_value && m_valid == other.m_valid;
    }
    bool operator!=(const PlotPoint& other) const { return !(*this == other); }

private:
    double m_key = 0.0;
    double m_value = 0.0;
    quint8 m_valid = 0;
};

// Zero bytes are a default point: vectors of points may be filled and moved as plain memory.
Q_DECLARE_TYPEINFO(PlotPoint, Q_PRIMITIVE_TYPE);

// Zero bytes are a default point: a vector of points that grows is cleared as one block of memory
// rather than point by point. Qt 5's QVector constructs grown elements one at a time whatever
// their type info says; this specialises that step (QVector::defaultConstruct of Qt 5.15).
template <>
inline void QVector<PlotPoint>::defaultConstruct(PlotPoint* from, PlotPoint* to)
{
    ::memset(static_cast<void*>(from), 0, size_t(to - from) * sizeof(PlotPoint));
}
