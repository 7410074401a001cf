#pragma once

#include <QMap>
#include <QVector>

// The decoded contents of one stream packet: per channel bit (1 voltage, 2 events,
// 4 quadrature, 8 motor steps) the sample times and raw values, a per-packet value of a
// channel that the stream takes as its starting offset in the first packet of an acquisition,
// the time at which the next packet begins and the flags that end an acquisition.
// A channel that the packet does not carry has no entry.
class StreamSample
{
public:
    StreamSample() = default;

    void setKeys(int channel, const QVector<double>& keys) { m_keys.insert(channel, keys); }
    void setValues(int channel, const QVector<double>& values) { m_values.insert(channel, values); }
    void setScalar(int channel, double value) { m_scalars.insert(channel, value); }
    void setEndTime(double time) { m_endTime = time; }
    void setLast(bool last) { m_last = last ? 1 : 0; }
    // After this last packet another acquisition follows at once.
    void setFollowOn(bool followOn) { m_followOn = followOn ? 1 : 0; }

    // Copies; empty for a channel without an entry.
    QVector<double> keys(int channel) const { return m_keys.value(channel); }
    QVector<double> values(int channel) const { return m_values.value(channel); }
    // 0.0 for a channel without a scalar.
    double scalar(int channel) const { return m_scalars.value(channel, 0.0); }
    bool hasScalar(int channel) const { return m_scalars.contains(channel); }
    double getEndTime() const { return m_endTime; }
    bool isLast() const { return m_last != 0; }
    bool isFollowOn() const { return m_followOn != 0; }
    // No channel at all.
    bool isEmpty() const { return m_keys.isEmpty(); }

private:
    QMap<int, QVector<double>> m_keys;
    QMap<int, QVector<double>> m_values;
    QMap<int, double> m_scalars;
    double m_endTime = 0.0;
    quint8 m_last = 0;
    quint8 m_followOn = 0;
};
