#pragma once

#include "PlotPoint.h"

#include <QVector>

#include <vector>

// The points of one sample-stream channel on their way to one client: raw values get the
// channel's offset, 16-bit counters are continued across their wrap-arounds and groups of
// over-sampled points are averaged. The storage is kept from call to call, so a steady stream
// allocates nothing once its batches have been seen (as long as clients copy the points that
// process() returns rather than keep its vector).
//
// A caller that already holds the raw samples in arrays of its own (the stream, its decoded
// packet) lends them instead of copying them: appendBorrowed(), then process() reads them
// straight from there; keepBorrowed() copies what was not processed before the arrays change.
class PlotSampleBuffer
{
public:
    PlotSampleBuffer(int channel, bool unwrap);
    explicit PlotSampleBuffer(bool unwrap);

    // keys and values have the same length.
    void append(const QVector<double>& keys, const QVector<double>& values);
    // Appends count samples that stay in the caller's arrays, which must not change or go until
    // process(), clear() or keepBorrowed() has been called.
    void appendBorrowed(const double* keys, const double* values, int count);
    // Copies the borrowed samples that process() has not taken yet into the buffer's own storage.
    void keepBorrowed();
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
    // Turns count raw samples into points at output and returns how many it wrote; lastRaw is
    // the counter value that the first sample is measured against, and becomes the last one.
    int processRange(const double* keys, const double* values, int count, PlotPoint* output, double& lastRaw);

    // The raw samples appended since the last processing: first the copied ones, then the
    // borrowed ones.
    std::vector<double> m_rawKeys;
    std::vector<double> m_rawValues;
    const double* m_pBorrowedKeys = nullptr;
    const double* m_pBorrowedValues = nullptr;
    qint32 m_borrowedCount = 0;
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
