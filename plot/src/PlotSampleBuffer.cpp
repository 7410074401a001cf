#include "PlotSampleBuffer.h"

namespace
{
// A jump larger than this between two samples of a 16-bit counter is a wrap-around.
const double s_wrapThreshold = 40000.0;
const double s_counterRange = 65536.0;
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

QVector<PlotPoint> PlotSampleBuffer::process()
{
    const int count = m_raw.count();
    if (count == 0)
        return QVector<PlotPoint>();

    // Every point completes at most one averaging group: count is room enough either way.
    m_output.resize(count);
    PlotPoint* output = m_output.data();
    int written = 0;
    // Counters start around zero and run both ways: the first point is measured against the
    // offset itself.
    double previous = m_first ? m_offset : m_lastValue;
    for (const PlotPoint& point : qAsConst(m_raw))
    {
        if (m_unwrap)
        {
            const double jump = previous - (point.getValue() + m_offset);
            if (jump > s_wrapThreshold)
                m_offset += s_counterRange;
            else if (jump < -s_wrapThreshold)
                m_offset -= s_counterRange;
        }
        const double value = point.getValue() + m_offset;
        previous = value;
        if (m_averageCount == 1)
        {
            output[written++] = PlotPoint(point.getKey(), value, true);
            continue;
        }
        if (m_pendingCount == 0)
            m_pendingKey = point.getKey();
        m_pendingSum += value;
        if (++m_pendingCount < m_averageCount)
            continue;
        output[written++] = PlotPoint(m_pendingKey, m_pendingSum / m_averageCount, true);
        m_pendingSum = 0.0;
        m_pendingCount = 0;
    }
    m_output.resize(written);
    m_raw.resize(0);

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
