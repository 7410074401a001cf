#include "PlotSeries.h"

#include "PlotIPostProcessor.h"

#include <cmath>
#include <limits>
#include <qcustomplot.h>

namespace
{
// The narrowest range an axis gets, so that a flat series still has a scale.
const double s_minimumSpan = 0.0002;
}

PlotSeries::PlotSeries(PlotUSBDataStream* stream, int channel, bool unwrap)
    : PlotSeries()
{
    Q_ASSERT_X(stream, "src\\PlotSeries", "stream");
    m_pStream = stream;
    if (m_pStream)
        m_pStream->registerClient(this, channel, unwrap);
}

PlotSeries::PlotSeries()
    : m_maximumSpan(std::numeric_limits<double>::max())
{
}

PlotSeries::~PlotSeries()
{
    if (m_pStream)
        m_pStream->removeClient(this);
}

void PlotSeries::setDuration(double seconds)
{
    m_keyUpper = seconds;
    m_keyUpperFixed = true;
}

void PlotSeries::setRange(double lower, double upper)
{
    m_emptyRange = PlotValueRange(lower, upper, true);
}

void PlotSeries::addPostProcessor(PlotIPostProcessor* processor)
{
    m_postProcessors.push_back(boost::shared_ptr<PlotIPostProcessor>(processor));
}

void PlotSeries::setPoints(const QVector<PlotPoint>& points)
{
    m_points = points;
}

void PlotSeries::clear()
{
    m_pendingPoints.clear();
    m_points.clear();
    m_drawn = Bounds();
    if (m_pStream)
        m_pStream->resetClient(this);
    m_finished = false;
}

void PlotSeries::appendSamples(PlotSampleBuffer& buffer)
{
    buffer.processInto(m_pendingPoints);
}

QVector<PlotPoint> PlotSeries::processedPoints()
{
    QVector<PlotPoint> points = m_points;
    for (const boost::shared_ptr<PlotIPostProcessor>& processor : m_postProcessors)
        processor->process(points);
    return points;
}

bool PlotSeries::moveNewPointsTo(QCPGraph* graph)
{
    if (m_pendingPoints.isEmpty())
        return false;
    m_points += m_pendingPoints;
    for (const boost::shared_ptr<PlotIPostProcessor>& processor : m_postProcessors)
        if (processor->appliesToNewPoints())
            processor->process(m_pendingPoints);

    QVector<double> keys;
    QVector<double> values;
    keys.reserve(m_pendingPoints.size());
    values.reserve(m_pendingPoints.size());
    for (const PlotPoint& point : qAsConst(m_pendingPoints))
    {
        keys.append(point.getKey());
        values.append(point.getValue());
    }
    graph->addData(keys, values);
    m_drawn.add(m_pendingPoints);
    m_pendingPoints.clear();
    return true;
}

QSharedPointer<QCPGraphDataContainer> PlotSeries::graphData()
{
    const QVector<PlotPoint> points = processedPoints();
    QSharedPointer<QCPGraphDataContainer> data(new QCPGraphDataContainer);
    double smallest = 0.0;
    double largest = 0.0;
    for (int i = 0; i < points.size(); ++i)
    {
        const PlotPoint& point = points.at(i);
        data->add(QCPGraphData(point.getKey(), point.getValue()));
        if (i == 0 || point.getKey() < smallest)
            smallest = point.getKey();
        if (i == 0 || point.getKey() > largest)
            largest = point.getKey();
    }
    if (!m_keyUpperFixed)
        m_keyUpper = largest;
    if (!m_keyLowerFixed)
        m_keyLower = smallest;
    m_drawn = Bounds();
    m_drawn.add(points);
    return data;
}

PlotValueRange PlotSeries::valueRange()
{
    Bounds bounds;
    bounds.add(processedPoints());
    return rangeOf(bounds);
}

PlotValueRange PlotSeries::drawnValueRange() const
{
    return rangeOf(m_drawn);
}

void PlotSeries::Bounds::add(const QVector<PlotPoint>& points)
{
    for (const PlotPoint& point : points)
    {
        const double value = point.getValue();
        if (std::isnan(value))
            continue;
        if (!any)
        {
            lower = upper = value;
            any = true;
            continue;
        }
        lower = std::min(lower, value);
        upper = std::max(upper, value);
    }
}

PlotValueRange PlotSeries::rangeOf(const Bounds& bounds) const
{
    if (!bounds.any)
        return m_emptyRange;
    double low = bounds.lower;
    double high = bounds.upper;
    if (m_includeZero)
    {
        low = std::min(low, 0.0);
        high = std::max(high, 0.0);
    }
    const double span = std::min((high - low) * m_marginFactor, m_maximumSpan);
    const double centre = (low + high) / 2.0;
    double lower = centre - span / 2.0;
    double upper = centre + span / 2.0;
    if (upper - lower < s_minimumSpan)
    {
        const double middle = (lower + upper) / 2.0;
        lower = middle - s_minimumSpan / 2.0;
        upper = middle + s_minimumSpan / 2.0;
    }
    return PlotValueRange(lower, upper, true);
}
