#pragma once

#include <QVector>

#include <array>

// The decoded contents of one stream packet: per channel bit (1 voltage, 2 events,
// 4 quadrature, 8 motor steps) the sample times and raw values, a per-packet value of a
// channel that the stream takes as its starting offset in the first packet of an acquisition,
// the time at which the next packet begins and the flags that end an acquisition.
// A channel that the packet does not carry has no entry.
//
// One sample is meant to be decoded into packet after packet: clear() and resizeChannel()
// keep the storage of the vectors, so a steady stream allocates nothing.
class StreamSample
{
public:
    StreamSample() = default;

    // Removes every entry and both flags; the vectors keep their storage.
    void clear();

    // Gives the channel an entry of count keys and values, to be written through keyData and
    // valueData. Any other channel than 1, 2, 4 and 8 is ignored.
    void resizeChannel(int channel, int count);
    // Gives every channel bit of channels an entry of count values that all share one array of
    // keys, written through commonKeyData: the channels of one packet are sampled together.
    void resizeChannels(int channels, int count);
    double* commonKeyData() { return m_commonKeys.data(); }
    double* keyData(int channel);
    double* valueData(int channel);

    void setKeys(int channel, const QVector<double>& keys);
    void setValues(int channel, const QVector<double>& values);
    void setScalar(int channel, double value);
    void setEndTime(double time) { m_endTime = time; }
    void setLast(bool last) { m_last = last ? 1 : 0; }
    // After this last packet another acquisition follows at once.
    void setFollowOn(bool followOn) { m_followOn = followOn ? 1 : 0; }

    // Empty for a channel without an entry.
    const QVector<double>& keys(int channel) const
    {
        const Channel* entry = channelAt(channel);
        if (!entry || !entry->m_present)
            return s_none;
        return entry->m_commonKeys ? m_commonKeys : entry->m_keys;
    }
    const QVector<double>& values(int channel) const
    {
        const Channel* entry = channelAt(channel);
        return entry && entry->m_present ? entry->m_values : s_none;
    }
    // 0.0 for a channel without a scalar.
    double scalar(int channel) const;
    bool hasScalar(int channel) const;
    double getEndTime() const { return m_endTime; }
    bool isLast() const { return m_last != 0; }
    bool isFollowOn() const { return m_followOn != 0; }
    // No channel at all.
    bool isEmpty() const;

private:
    struct Channel
    {
        bool m_present = false;
        bool m_hasScalar = false;
        // The keys are the sample's common ones rather than m_keys.
        bool m_commonKeys = false;
        double m_scalar = 0.0;
        QVector<double> m_keys;
        QVector<double> m_values;
    };

    static constexpr int s_channelCount = 4;
    static const QVector<double> s_none;

    // The slot of a channel bit, or -1 for any other number.
    static int slotOf(int channel)
    {
        switch (channel)
        {
        case 1:
            return 0;
        case 2:
            return 1;
        case 4:
            return 2;
        case 8:
            return 3;
        default:
            return -1;
        }
    }
    // Gives the channel an entry, empty unless it has one already.
    static void enter(Channel& channel);
    Channel* channelAt(int channel)
    {
        const int slot = slotOf(channel);
        return slot < 0 ? nullptr : &m_channels[size_t(slot)];
    }
    const Channel* channelAt(int channel) const
    {
        const int slot = slotOf(channel);
        return slot < 0 ? nullptr : &m_channels[size_t(slot)];
    }

    std::array<Channel, s_channelCount> m_channels;
    QVector<double> m_commonKeys;
    double m_endTime = 0.0;
    quint8 m_last = 0;
    quint8 m_followOn = 0;
};
