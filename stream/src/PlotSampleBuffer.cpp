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

// The sources of raw samples, so that one loop serves each without testing which it reads.
struct ArraySamples
{
    double key(int i) const { return m_pKeys[i]; }
    double value(int i) const { return m_pValues[i]; }
    const double* m_pKeys;
    const double* m_pValues;
};

template <bool isSigned>
struct WordSamples
{
    double key(int i) const { return m_view.wordKey(i); }
    double value(int i) const { return m_view.wordValue<isSigned>(i); }
    StreamChannelView m_view;
};
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

void PlotSampleBuffer::appendBorrowed(const StreamChannelView& samples)
{
    keepBorrowed();
    m_borrowed = samples;
    m_borrowed.m_count = qMax(0, samples.m_count);
}

void PlotSampleBuffer::appendBorrowed(const double* keys, const double* values, int count)
{
    StreamChannelView samples;
    samples.m_count = count;
    samples.m_pKeys = keys;
    samples.m_pValues = values;
    appendBorrowed(samples);
}

void PlotSampleBuffer::keepBorrowed()
{
    const int count = m_borrowed.m_count;
    if (count == 0)
        return;
    if (m_borrowed.m_pWords)
    {
        for (int g = 0; g < count; ++g)
        {
            m_rawKeys.push_back(m_borrowed.wordKey(g));
            m_rawValues.push_back(m_borrowed.wordValue(g));
        }
    }
    else
    {
        m_rawKeys.insert(m_rawKeys.end(), m_borrowed.m_pKeys, m_borrowed.m_pKeys + count);
        m_rawValues.insert(m_rawValues.end(), m_borrowed.m_pValues, m_borrowed.m_pValues + count);
    }
    m_borrowed.m_count = 0;
}

const QVector<PlotPoint>& PlotSampleBuffer::process()
{
    // Every raw point completes at most one averaging group: as many points as samples are room
    // enough. A batch as long as the one before needs no resizing at all.
    m_output.resize(int(m_rawKeys.size()) + m_borrowed.m_count);
    m_output.resize(processAll(m_output.data()));
    return m_output;
}

void PlotSampleBuffer::processInto(QVector<PlotPoint>& points)
{
    const int start = points.count();
    points.resize(start + int(m_rawKeys.size()) + m_borrowed.m_count);
    points.resize(start + processAll(points.data() + start));
}

int PlotSampleBuffer::processAll(PlotPoint* output)
{
    const int ownCount = int(m_rawKeys.size());
    // Counters start around zero and run both ways: the first point is measured against the
    // offset itself.
    double previous = m_first ? m_offset : m_lastValue;
    int written = 0;
    if (ownCount > 0)
        written = processRange(ArraySamples{m_rawKeys.data(), m_rawValues.data()}, ownCount, output, previous);
    const int borrowedCount = m_borrowed.m_count;
    PlotPoint* borrowedOutput = output + written;
    if (borrowedCount > 0 && !m_borrowed.m_pWords)
        written += processRange(ArraySamples{m_borrowed.m_pKeys, m_borrowed.m_pValues}, borrowedCount, borrowedOutput, previous);
    else if (borrowedCount > 0 && m_borrowed.m_signed)
        written += processRange(WordSamples<true>{m_borrowed}, borrowedCount, borrowedOutput, previous);
    else if (borrowedCount > 0)
        written += processRange(WordSamples<false>{m_borrowed}, borrowedCount, borrowedOutput, previous);
    m_rawKeys.clear();
    m_rawValues.clear();
    m_borrowed.m_count = 0;

    if (written > 0)
    {
        m_lastValue = output[written - 1].getValue();
        m_first = 0;
    }
    return written;
}

template <class Samples>
int PlotSampleBuffer::processRange(const Samples samples, int count, PlotPoint* output, double& lastRaw)
{
    // Locals, so that the loops keep them in registers: the byte that each point's flag is
    // written as may alias anything that is not a local, samples included.
    double offset = m_offset;
    double previous = lastRaw;
    int written = 0;
    if (m_averageCount == 1 && !m_unwrap)
    {
        for (int i = 0; i < count; ++i)
            output[i] = PlotPoint(samples.key(i), samples.value(i) + offset, true);
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
            const double value = samples.value(i) + offset;
            wraps |= std::abs(last - value) > s_wrapThreshold;
            output[i] = PlotPoint(samples.key(i), value, true);
            last = value;
        }
        if (wraps)
            for (int i = 0; i < count; ++i)
                output[i] = PlotPoint(samples.key(i), unwrapped(samples.value(i), offset, previous), true);
        else
            previous = last;
        written = count;
    }
    else
    {
        for (int i = 0; i < count; ++i)
        {
            const double raw = samples.value(i);
            const double value = m_unwrap ? unwrapped(raw, offset, previous) : raw + offset;
            if (m_pendingCount == 0)
                m_pendingKey = samples.key(i);
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
    m_borrowed.m_count = 0;
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
