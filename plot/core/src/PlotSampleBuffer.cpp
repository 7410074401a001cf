#include "PlotSampleBuffer.h"

#include <cmath>


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
    // One test on the common path, where the counter moves little.
    if (std::abs(jump) > s_wrapThreshold)
        offset += jump > 0.0 ? s_counterRange : -s_counterRange;
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
    m_rawKeys.insert(m_rawKeys.end(), keys.constData(), keys.constData() + count);
    m_rawValues.insert(m_rawValues.end(), values.constData(), values.constData() + count);
}

const QVector<PlotPoint>& PlotSampleBuffer::process()
{
    const int count = int(m_rawKeys.size());
    // Every raw point completes at most one averaging group: count points are room enough.
    // A batch as long as the one before needs no resizing at all.
    m_output.resize(count);
    PlotPoint* output = m_output.data();
    const double* keys = m_rawKeys.data();
    const double* values = m_rawValues.data();
    // Locals, so that the loops keep them in registers. Counters start around zero and run
    // both ways: the first point is measured against the offset itself.
    double offset = m_offset;
    double previous = m_first ? offset : m_lastValue;
    int written = 0;
    if (m_averageCount == 1 && !m_unwrap)
    {
        for (int i = 0; i < count; ++i)
            output[i] = PlotPoint(keys[i], values[i] + offset, true);
        written = count;
    }
    else if (m_averageCount == 1)
    {
        for (int i = 0; i < count; ++i)
            output[i] = PlotPoint(keys[i], unwrapped(values[i], offset, previous), true);
        written = count;
    }
    else
    {
        for (int i = 0; i < count; ++i)
        {
            const double value = m_unwrap ? unwrapped(values[i], offset, previous) : values[i] + offset;
            if (m_pendingCount == 0)
                m_pendingKey = keys[i];
            m_pendingSum += value;
            if (++m_pendingCount < m_averageCount)
                continue;
            output[written++] = PlotPoint(m_pendingKey, m_pendingSum / m_averageCount, true);
            m_pendingSum = 0.0;
            m_pendingCount = 0;
        }
    }
    m_offset = offset;
    m_rawKeys.clear();
    m_rawValues.clear();
    if (written < count)
        m_output.resize(written);

    if (written > 0)
    {
        m_lastKey = m_output.constLast().getKey();
        m_lastValue = m_output.constLast().getValue();
        m_first = 0;
    }
    return m_output;
}

void PlotSampleBuffer::clear()
{
    m_rawKeys.clear();
    m_rawValues.clear();
    m_pendingKey = 0.0;
    m_pendingSum = 0.0;
    m_pendingCount = 0;
    m_first = 1;
    m_offset = 0.0;
}

void PlotSampleBuffer::resetOffset()
{
    m_offset = 0.0;
    // The cleared counter starts afresh: measured against the old count it would look wrapped.
    m_first = 1;
}

void PlotSampleBuffer::setOffset(double offset)
{
    m_offset = offset;
}

void PlotSampleBuffer::setAverageCount(int count)
{
    m_averageCount = qMax(1, count);
}
