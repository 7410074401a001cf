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
    for (int i = 0; i < count; ++i)
        m_raw.append(PlotPoint(keys.at(i), values.at(i), true));
}

QVector<PlotPoint> PlotSampleBuffer::process()
{
    QVector<PlotPoint> output;
    if (m_raw.isEmpty())
        return output;

    // Counters start around zero and run both ways: the first point is measured against the
    // offset itself.
    double previous = m_first ? m_offset : m_lastValue;
    for (PlotPoint& point : m_raw)
    {
        if (m_unwrap)
        {
            const double jump = previous - (point.getValue() + m_offset);
            if (jump > s_wrapThreshold)
                m_offset += s_counterRange;
            else if (jump < -s_wrapThreshold)
                m_offset -= s_counterRange;
        }
        point.setValue(point.getValue() + m_offset);
        previous = point.getValue();
    }

    if (m_averageCount == 1)
    {
        output = m_raw;
    }
    else
    {
        output.reserve(m_raw.count() / m_averageCount + 1);
        for (const PlotPoint& point : qAsConst(m_raw))
        {
            m_pending.append(point);
            if (m_pending.count() < m_averageCount)
                continue;
            double sum = 0.0;
            for (const PlotPoint& grouped : qAsConst(m_pending))
                sum += grouped.getValue();
            output.append(PlotPoint(m_pending.first().getKey(), sum / m_averageCount, true));
            m_pending.clear();
        }
    }

    m_raw.clear();
    if (!output.isEmpty())
    {
        m_lastKey = output.last().getKey();
        m_lastValue = output.last().getValue();
        m_first = 0;
    }
    return output;
}

void PlotSampleBuffer::clear()
{
    m_raw.clear();
    m_pending.clear();
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
