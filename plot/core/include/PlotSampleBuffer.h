#pragma once

#include "PlotPoint.h"

#include <QVector>

#include <vector>

// The points of one sample-stream channel on their way to one client: raw values get the
// channel's offset, 16-bit counters are continued across their wrap-arounds and groups of
// over-sampled points are averaged. The storage is kept from call to call, so a steady stream
// allocates nothing once its batches have been seen (as long as clients copy the points that
// process() returns rather than keep its vector).
class PlotSampleBuffer
{
public:
    PlotSampleBuffer(int channel, bool unwrap);
    explicit PlotSampleBuffer(bool unwrap);

    // keys and values have the same length.
    void append(const QVector<double>& keys, const QVector<double>& values);
    // The points appended since the last call, offset, unwrapped and averaged; the points of
    // an incomplete averaging group wait for the next call. The result is the buffer's own
    // storage: valid until the next call.
    const QVector<PlotPoint>& process();
    // Forgets every point and the offset; the average count, unwrap and channel stay.
    void clear();
    void resetOffset();
    void setOffset(double offset);
    // Counts below 1 average nothing.
    void setAverageCount(int count);
    int channel() const { return m_channel; }

private:
    // The raw samples appended since the last processing.
    std::vector<double> m_rawKeys;
    std::vector<double> m_rawValues;
    QVector<PlotPoint> m_output;
    // The incomplete averaging group: its first key, the sum of its values and their count.
    double m_pendingKey = 0.0;
    double m_pendingSum = 0.0;
    qint32 m_pendingCount = 0;
    qint32 m_averageCount = 1;
    quint8 m_first = 1;
    double m_lastValue = 0.0;
    double m_lastKey = 0.0;
    double m_offset = 0.0;
    quint8 m_unwrap;
    qint32 m_channel;
};
