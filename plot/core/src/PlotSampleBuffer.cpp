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
    // Borrowed samples came first: they go ahead of these in the buffer's own storage.
    keepBorrowed();
    const int count = qMin(keys.count(), values.count());
    m_rawKeys.insert(m_rawKeys.end(), keys.constData(), keys.constData() + count);
    m_rawValues.insert(m_rawValues.end(), values.constData(), values.constData() + count);
}

void PlotSampleBuffer::appendBorrowed(const double* keys, const double* values, int count)
{
    keepBorrowed();
    m_pBorrowedKeys = keys;
    m_pBorrowedValues = values;
    m_borrowedCount = qMax(0, count);
}

void PlotSampleBuffer::keepBorrowed()
{
    if (m_borrowedCount == 0)
        return;
    m_rawKeys.insert(m_rawKeys.end(), m_pBorrowedKeys, m_pBorrowedKeys + m_borrowedCount);
    m_rawValues.insert(m_rawValues.end(), m_pBorrowedValues, m_pBorrowedValues + m_borrowedCount);
    m_borrowedCount = 0;
}

const QVector<PlotPoint>& PlotSampleBuffer::process()
{
    const int ownCount = int(m_rawKeys.size());
    const int count = ownCount + m_borrowedCount;
    // Every raw point completes at most one averaging group: count points are room enough.
    // A batch as long as the one before needs no resizing at all.
    m_output.resize(count);
    PlotPoint* output = m_output.data();
    // Counters start around zero and run both ways: the first point is measured against the
    // offset itself.
    double previous = m_first ? m_offset : m_lastValue;
    int written = 0;
    if (ownCount > 0)
        written = processRange(m_rawKeys.data(), m_rawValues.data(), ownCount, output, previous);
    if (m_borrowedCount > 0)
        written += processRange(m_pBorrowedKeys, m_pBorrowedValues, m_borrowedCount, output + written, previous);
    m_rawKeys.clear();
    m_rawValues.clear();
    m_borrowedCount = 0;
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

int PlotSampleBuffer::processRange(
    const double* keys, const double* values, int count, PlotPoint* output, double& lastRaw)
{
    // Locals, so that the loops keep them in registers.
    double offset = m_offset;
    double previous = lastRaw;
    int written = 0;
    if (m_averageCount == 1 && !m_unwrap)
    {
        for (int i = 0; i < count; ++i)
            output[i] = PlotPoint(keys[i], values[i] + offset, true);
        written = count;
    }
    else if (m_averageCount == 1)
    {
        // Wrap-arounds are rare: a first pass without a branch takes the offset as it is and
        // notes whether any step was too far; only then does the exact pass below redo it.
        bool wraps = false;
        double last = previous;
        for (int i = 0; i < count; ++i)
        {
            const double value = values[i] + offset;
            wraps |= std::abs(last - value) > s_wrapThreshold;
            output[i] = PlotPoint(keys[i], value, true);
            last = value;
        }
        if (wraps)
            for (int i = 0; i < count; ++i)
                output[i] = PlotPoint(keys[i], unwrapped(values[i], offset, previous), true);
        else
            previous = last;
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
    lastRaw = previous;
    return written;
}

void PlotSampleBuffer::clear()
{
    m_rawKeys.clear();
    m_rawValues.clear();
    m_borrowedCount = 0;
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
