#include "PlotSampleBuffer.h"

#include <cmath>

namespace
{
// A jump larger than this between two samples of a 16-bit counter is a wrap-around.
const double s_wrapThreshold = 40000.0;
const double s_counterRange = 65536.0;

// The value of a 16-bit counter continued across its wrap-arounds: offset grows or shrinks by
// the counter's range when raw + offset jumps too far from the previous value.
inline double unwrapped(double raw, double& offset, double previous)
{
    const double value = raw + offset;
    const double jump = previous - value;
    // One test on the common path, where the counter moves little.
    if (Q_LIKELY(!(std::abs(jump) > s_wrapThreshold)))
        return value;
    offset += jump > 0.0 ? s_counterRange : -s_counterRange;
    return raw + offset;
}

// Calls point(i) for i from 0 to count - 1, two in each turn of the loop: the loop's own work
// is then shared by two points.
template <class Point>
inline void forEachPair(int count, Point point)
{
    int i = 0;
    for (; i + 1 < count; i += 2)
    {
        point(i);
        point(i + 1);
    }
    if (i < count)
        point(i);
}

// The sources of raw samples, so that one loop serves each without testing which it reads.
struct ArraySamples
{
    double key(int i) const { return m_pKeys[i]; }
    double value(int i) const { return m_pValues[i]; }
    const double* m_pKeys;
    const double* m_pValues;
};

// A packet's words, their sign and scale decided once for all of them; a scale of 1 is left out
// rather than multiplied by (the values are the same).
template <bool isSigned, bool isScaled>
struct WordSamples
{
    double key(int i) const { return m_view.m_pKeys[i]; }
    double value(int i) const
    {
        const quint16 raw = m_view.word(i);
        const double value = isSigned ? double(qint16(raw)) : double(raw);
        return isScaled ? value * m_view.m_scale : value;
    }
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

void PlotSampleBuffer::appendBorrowed(const double* keys, const double* values, int count)
{
    StreamChannelView samples;
    samples.m_count = count;
    samples.m_pKeys = keys;
    samples.m_pValues = values;
    appendBorrowed(samples);
}

void PlotSampleBuffer::copyBorrowed()
{
    const int count = m_borrowed.m_count;
    m_rawKeys.insert(m_rawKeys.end(), m_borrowed.m_pKeys, m_borrowed.m_pKeys + count);
    if (m_borrowed.m_pWords)
    {
        for (int g = 0; g < count; ++g)
            m_rawValues.push_back(m_borrowed.wordValue(g));
    }
    else
    {
        m_rawValues.insert(m_rawValues.end(), m_borrowed.m_pValues, m_borrowed.m_pValues + count);
    }
    m_borrowed.m_count = 0;
}

inline int PlotSampleBuffer::processAll(PlotPoint* output)
{
    // Counters start around zero and run both ways: the first point is measured against the
    // offset itself.
    double previous = m_first ? m_offset : m_lastValue;
    int written = 0;
    if (!m_rawKeys.empty())
    {
        written = processRange(ArraySamples{m_rawKeys.data(), m_rawValues.data()}, int(m_rawKeys.size()), output, previous);
        m_rawKeys.clear();
        m_rawValues.clear();
    }
    const int borrowedCount = m_borrowed.m_count;
    if (borrowedCount > 0)
    {
        PlotPoint* borrowedOutput = output + written;
        if (m_borrowed.m_pWords)
            written += processWords(borrowedOutput, previous);
        else
            written += processRange(ArraySamples{m_borrowed.m_pKeys, m_borrowed.m_pValues}, borrowedCount, borrowedOutput, previous);
        m_borrowed.m_count = 0;
    }
    if (written > 0)
    {
        m_lastValue = output[written - 1].getValue();
        m_first = 0;
    }
    return written;
}

int PlotSampleBuffer::processWords(PlotPoint* output, double& lastRaw)
{
    const int count = m_borrowed.m_count;
    const bool scaled = m_borrowed.m_scale != 1.0;
    if (m_borrowed.m_signed && scaled)
        return processRange(WordSamples<true, true>{m_borrowed}, count, output, lastRaw);
    if (m_borrowed.m_signed)
        return processRange(WordSamples<true, false>{m_borrowed}, count, output, lastRaw);
    if (scaled)
        return processRange(WordSamples<false, true>{m_borrowed}, count, output, lastRaw);
    return processRange(WordSamples<false, false>{m_borrowed}, count, output, lastRaw);
}

const QVector<PlotPoint>& PlotSampleBuffer::process()
{
    // A batch as long as the one before needs no resizing at all.
    m_output.resize(pointCount());
    processAll(m_output.data());
    return m_output;
}

void PlotSampleBuffer::processInto(QVector<PlotPoint>& points)
{
    // Grown once by exactly the points that come, which are then written over the cleared room.
    const int start = points.count();
    points.resize(start + pointCount());
    processAll(points.data() + start);
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
        forEachPair(count, [&](int i) { output[i] = PlotPoint(samples.key(i), samples.value(i) + offset, true); });
        written = count;
    }
    else if (m_averageCount == 1)
    {
        // Wrap-arounds are rare: a first pass takes the offset as it is and notes the lowest and
        // highest value, two values at a time. Values that all lie within the threshold of each
        // other, the previous one included, have not wrapped; otherwise the exact pass below
        // redoes them. A value that is not a number may or may not take part: no step to or from
        // it wraps either way.
        double lowest = previous;
        double highest = previous;
        // Written so that each is one instruction that keeps its own operand.
        const auto widen = [&lowest, &highest](double low, double high) {
            lowest = lowest < low ? lowest : low;
            highest = highest > high ? highest : high;
        };
        int i = 0;
        for (; i + 1 < count; i += 2)
        {
            const double first = samples.value(i) + offset;
            const double second = samples.value(i + 1) + offset;
            widen(first < second ? first : second, first > second ? first : second);
            output[i] = PlotPoint(samples.key(i), first, true);
            output[i + 1] = PlotPoint(samples.key(i + 1), second, true);
        }
        if (i < count)
        {
            const double last = samples.value(i) + offset;
            widen(last, last);
            output[i] = PlotPoint(samples.key(i), last, true);
        }
        if (!(highest - lowest <= s_wrapThreshold))
            forEachPair(count, [&](int i) {
                previous = unwrapped(samples.value(i), offset, previous);
                output[i] = PlotPoint(samples.key(i), previous, true);
            });
        else if (count > 0)
            previous = output[count - 1].getValue();
        written = count;
    }
    else
    {
        for (int i = 0; i < count; ++i)
        {
            const double raw = samples.value(i);
            if (m_unwrap)
                previous = unwrapped(raw, offset, previous);
            const double value = m_unwrap ? previous : raw + offset;
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
