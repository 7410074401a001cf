#include "PlotSampleBuffer.h"

#include <utility>

namespace
{
// A jump larger than this between two samples of a 16-bit counter is a wrap-around.
const double s_wrapThreshold = 40000.0;
const double s_counterRange = 65536.0;

// The raw value of a 16-bit counter continued across its wrap-arounds: offset grows or shrinks
// by the counter's range when the value jumps too far from the previous one.
inline double unwrapped(double raw, double& offset, double& previous)
{
    const double jump = previous - (raw + offset);
    if (jump > s_wrapThreshold)
        offset += s_counterRange;
    else if (jump < -s_wrapThreshold)
        offset -= s_counterRange;
    previous = raw + offset;
    return previous;
}
}

PlotSampleBuffer::PlotSampleBuffer(int channel, bool unwrap)
    : m_unwrap(unwrap ? 1 : 0)
    , m_channel(channel)
{
}

PlotSampleBuffer::PlotSampleBuffer(bool unwrap)
    : PlotSampleBuffer(0, unwrap)
{
}

void PlotSampleBuffer::append(const QVector<double>& keys, const QVector<double>& values)
{
    Q_ASSERT_X(keys.count() == values.count(), "src\\PlotSampleBuffer", "keys.count() == values.count()");
    const int count = qMin(keys.count(), values.count());
    const int first = m_raw.count();
    m_raw.resize(first + count);
    PlotPoint* raw = m_raw.data() + first;
    const double* key = keys.constData();
    const double* value = values.constData();
    for (int i = 0; i < count; ++i)
        raw[i] = PlotPoint(key[i], value[i], true);
}

const QVector<PlotPoint>& PlotSampleBuffer::process()
{
    const int count = m_raw.count();
    if (count == 0)
    {
        m_output.resize(0);
        return m_output;
    }

    // The points are worked on in place: an averaged point is written where the first raw
    // point of its group was read or before, so nothing is overwritten before it is read.
    PlotPoint* points = m_raw.data();
    // Locals, so that the loops keep them in registers. Counters start around zero and run
    // both ways: the first point is measured against the offset itself.
    double offset = m_offset;
    double previous = m_first ? offset : m_lastValue;
    int written = 0;
    if (m_averageCount == 1 && !m_unwrap)
    {
        for (int i = 0; i < count; ++i)
            points[i].setValue(points[i].getValue() + offset);
        written = count;
    }
    else if (m_averageCount == 1)
    {
        for (int i = 0; i < count; ++i)
            points[i].setValue(unwrapped(points[i].getValue(), offset, previous));
        written = count;
    }
    else
    {
        for (int i = 0; i < count; ++i)
        {
            const double value = m_unwrap ? unwrapped(points[i].getValue(), offset, previous)
                                          : points[i].getValue() + offset;
            if (m_pendingCount == 0)
                m_pendingKey = points[i].getKey();
            m_pendingSum += value;
            if (++m_pendingCount < m_averageCount)
                continue;
            points[written++] = PlotPoint(m_pendingKey, m_pendingSum / m_averageCount, true);
            m_pendingSum = 0.0;
            m_pendingCount = 0;
        }
    }
    m_offset = offset;
    if (written < count)
        m_raw.resize(written);

    if (written > 0)
    {
        m_lastKey = m_raw.constLast().getKey();
        m_lastValue = m_raw.constLast().getValue();
        m_first = 0;
    }
    // The points go out; the storage that the caller gave back with the previous ones takes
    // the next batch.
    std::swap(m_raw, m_output);
    m_raw.resize(0);
    return m_output;
}

void PlotSampleBuffer::clear()
{
    m_raw.resize(0);
    m_pendingKey = 0.0;
    m_pendingSum = 0.0;
    m_pendingCount = 0;
    m_first = 1;
    m_offset = 0.0;
}

void PlotSampleBuffer::resetOffset()
{
    m_offset = 0.0;
}

void PlotSampleBuffer::setOffset(double offset)
{
    m_offset = offset;
}

void PlotSampleBuffer::setAverageCount(int count)
{
    m_averageCount = qMax(1, count);
}
