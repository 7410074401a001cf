#pragma once

#include "PlotPoint.h"
#include "PlotUSBDataStream.h"
#include "PlotValueRange.h"

#include <QSharedPointer>
#include <QString>
#include <QVector>
#include <boost/shared_ptr.hpp>
#include <vector>

class PlotIPostProcessor;
class QCPGraph;
class QCPGraphData;
template <class DataType>
class QCPDataContainer;
typedef QCPDataContainer<QCPGraphData> QCPGraphDataContainer;

// One plotted quantity: the points of one sample-stream channel (as the stream's client) or
// points given directly (a script's trace). It keeps every point of the acquisition as
// received, runs them through its post-processors on their way to the graph, and works out
// the key and value ranges to which the plot fits its axes. GUI thread only.
class PlotSeries : public PlotUSBDataStream::IStreamClient
{
public:
    // Registers the series as a client of the stream, which must not be null.
    PlotSeries(PlotUSBDataStream* stream, int channel, bool unwrap);
    // A series without stream.
    PlotSeries();
    ~PlotSeries() override;

    PlotSeries(const PlotSeries&) = delete;
    PlotSeries& operator=(const PlotSeries&) = delete;

    void setName(const QString& name) { m_name = name; }
    QString name() const { return m_name; }
    void setUnit(const QString& unit) { m_unit = unit; }
    QString unit() const { return m_unit; }
    // The key range then ends at this duration instead of the largest key.
    void setDuration(double seconds);
    // The value range reported while the series holds no point.
    void setRange(double lower, double upper);
    // Processors run in the order added; the series owns them.
    void addPostProcessor(PlotIPostProcessor* processor);
    // Replaces every point; the graph shows them after its next rebuild (graphData).
    void setPoints(const QVector<PlotPoint>& points);
    // Forgets every point, also those waiting in the stream's buffer.
    void clear();

    void appendSamples(PlotSampleBuffer& buffer) override;
    void markFinished() override { m_finished = true; }
    void detachFromStream() override { m_pStream = nullptr; }
    // Every point with all post-processors applied.
    QVector<PlotPoint> processedPoints() override;
    // Every point as received.
    virtual QVector<PlotPoint> rawPoints() const { return m_points; }

    bool isFinished() const { return m_finished; }

    // Processes the points that arrived since the last call and adds them to the graph;
    // false when none arrived.
    bool moveNewPointsTo(QCPGraph* graph);
    // Every point processed anew, for a complete rebuild of the graph; a key bound that no
    // duration fixes follows the points.
    QSharedPointer<QCPGraphDataContainer> graphData();

    // The range that fits every processed point, with a margin and zero included.
    PlotValueRange valueRange();
    // The same range for the values that the graph holds, kept up to date as batches move to
    // the graph: a periodic refresh fits its axis without reprocessing the whole series.
    PlotValueRange drawnValueRange() const;

    double keyUpper() const { return m_keyUpper; }
    double keyLower() const { return m_keyLower; }

private:
    // The values seen so far: their bounds, NaN skipped.
    struct Bounds
    {
        void add(const QVector<PlotPoint>& points);
        double lower = 0.0;
        double upper = 0.0;
        bool any = false;
    };

    PlotValueRange rangeOf(const Bounds& bounds) const;

    std::vector<boost::shared_ptr<PlotIPostProcessor>> m_postProcessors;
    QString m_name;
    QString m_unit;
    bool m_finished = false;
    bool m_keyUpperFixed = false;
    bool m_keyLowerFixed = true;
    bool m_includeZero = true;
    double m_keyUpper = 1.0;
    double m_keyLower = 0.0;
    PlotValueRange m_emptyRange = PlotValueRange(-1.0, 1.0, true);
    double m_maximumSpan;
    double m_marginFactor = 1.1;
    QVector<PlotPoint> m_pendingPoints;
    QVector<PlotPoint> m_points;
    PlotUSBDataStream* m_pStream = nullptr;
    Bounds m_drawn;
};
