#pragma once

#include "PlotPoint.h"
#include "StreamChannelView.h"

#include <QVector>

#include <vector>

// The points of one sample-stream channel on their way to one client: raw values get the
// channel's offset, 16-bit counters are continued across their wrap-arounds and groups of
// over-sampled points are averaged. The storage is kept from call to call, so a steady stream
// allocates nothing once its batches have been seen.
//
// A caller that already holds the raw samples (the stream, its decoded packet) lends them
// instead of copying them: appendBorrowed(), then processing reads them straight from there;
// keepBorrowed() copies what was not processed before they change. A client that keeps the
// points has them written straight into its own vector (processInto); one that only looks at
// them reads them from the buffer (process).
class PlotSampleBuffer
{
public:
    PlotSampleBuffer(int channel, bool unwrap);
    explicit PlotSampleBuffer(bool unwrap);

    // keys and values have the same length.
    void append(const QVector<double>& keys, const QVector<double>& values);
    // Appends samples that stay where the view says, which must not change or go until
    // processing, clear() or keepBorrowed() has been called.
    void appendBorrowed(const StreamChannelView& samples)
    {
        keepBorrowed();
        // Field by field: a view that was just written field by field, read back in wider
        // blocks as a whole copy does, stalls the processor until those writes are done.
        m_borrowed.m_count = qMax(0, samples.m_count);
        m_borrowed.m_pKeys = samples.m_pKeys;
        m_borrowed.m_pValues = samples.m_pValues;
        m_borrowed.m_pWords = samples.m_pWords;
        m_borrowed.m_stride = samples.m_stride;
        m_borrowed.m_signed = samples.m_signed;
        m_borrowed.m_scale = samples.m_scale;
    }
    // The same for count samples in two arrays.
    void appendBorrowed(const double* keys, const double* values, int count);
    // Copies the borrowed samples that have not been processed yet into the buffer's own storage.
    void keepBorrowed()
    {
        if (m_borrowed.m_count > 0)
            copyBorrowed();
    }
    // The points appended since the last processing, offset, unwrapped and averaged; the points
    // of an incomplete averaging group wait for the next call. The result is the buffer's own
    // storage: valid until the next call.
    const QVector<PlotPoint>& process();
    // The same points appended to points.
    void processInto(QVector<PlotPoint>& points);
    // Forgets every point and the offset; the average count, unwrap and channel stay.
    void clear();
    void resetOffset();
    void setOffset(double offset);
    // Counts below 1 average nothing.
    void setAverageCount(int count);
    int channel() const { return m_channel; }

private:
    // Writes the points of every sample appended since the last processing at output, which
    // has room for pointCount() of them, and returns how many it wrote: that many.
    int processAll(PlotPoint* output);
    void copyBorrowed();
    // How many points the samples appended since the last processing complete.
    int pointCount() const
    {
        const int samples = int(m_rawKeys.size()) + m_borrowed.m_count;
        return m_averageCount == 1 ? samples : (m_pendingCount + samples) / m_averageCount;
    }
    // processRange over the borrowed words, with their sign and scale decided once.
    int processWords(PlotPoint* output, double& lastRaw);
    // Turns count raw samples into points at output and returns how many it wrote; lastRaw is
    // the counter value that the first sample is measured against, and becomes the last one.
    template <class Samples>
    int processRange(Samples samples, int count, PlotPoint* output, double& lastRaw);

    // The raw samples appended since the last processing: first the copied ones, then the
    // borrowed ones.
    std::vector<double> m_rawKeys;
    std::vector<double> m_rawValues;
    StreamChannelView m_borrowed;
    QVector<PlotPoint> m_output;
    // The incomplete averaging group: its first key, the sum of its values and their count.
    double m_pendingKey = 0.0;
    double m_pendingSum = 0.0;
    qint32 m_pendingCount = 0;
    qint32 m_averageCount = 1;
    quint8 m_first = 1;
    double m_lastValue = 0.0;
    double m_offset = 0.0;
    quint8 m_unwrap;
    qint32 m_channel;
};
