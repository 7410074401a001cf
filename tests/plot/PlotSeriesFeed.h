#pragma once

#include "PlotSeries.h"

// Hands a batch to a series as the sample stream does, through a sample buffer; the keys run
// from firstKey in steps of 0.1 s.
inline void feedSeries(PlotSeries& series, const QVector<double>& values, double firstKey)
{
    PlotSampleBuffer buffer(false);
    QVector<double> keys;
    for (int i = 0; i < values.size(); ++i)
        keys.append(firstKey + i * 0.1);
    buffer.append(keys, values);
    series.appendSamples(buffer);
}
