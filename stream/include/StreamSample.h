#pragma once

#include "StreamChannelView.h"

#include <QVector>

#include <array>
#include <vector>

// The decoded contents of one stream packet: per channel bit (1 voltage, 2 events,
// 4 quadrature, 8 motor steps) the sample times and raw values, a per-packet value of a
// channel that the stream takes as its starting offset in the first packet of an acquisition,
// the time at which the next packet begins and the flags that end an acquisition.
// A channel that the packet does not carry has no entry.
//
// A channel's samples are either arrays (setKeys, setValues) or the 16-bit words of the packet
// itself (setWords, setWordChannel), which the sample then holds: the sample buffers read those
// in place, so a packet's values are not copied before they become points. One sample is meant
// to be decoded into packet after packet; a steady stream of word channels allocates nothing.
class StreamSample
{
public:
    StreamSample() = default;

    // Removes every entry, the packet and both flags; the vectors keep their storage.
    void clear();

    // Holds packet, whose words setWordChannel's channels read: count groups of stride bytes,
    // the g-th sampled at firstKey + g * keyStep. The keys are worked out here, once for every
    // channel of the packet.
    void setWords(const QVector<quint8>& packet, int count, int stride, double firstKey, double keyStep);
    // Gives the channel an entry whose values are the words at firstByte of each group, signed or
    // not, times scale. Any other channel than 1, 2, 4 and 8 is ignored.
    void setWordChannel(int channel, int firstByte, bool isSigned, double scale);
    void setKeys(int channel, const QVector<double>& keys);
    void setValues(int channel, const QVector<double>& values);
    void setScalar(int channel, double value);
    void setEndTime(double time) { m_endTime = time; }
    void setLast(bool last) { m_last = last ? 1 : 0; }
    // After this last packet another acquisition follows at once.
    void setFollowOn(bool followOn) { m_followOn = followOn ? 1 : 0; }

    // The channel's samples where they are; no samples for a channel without an entry.
    StreamChannelView view(int channel) const;
    // Empty for a channel without an entry. A word channel's arrays are made when first asked.
    const QVector<double>& keys(int channel) const;
    const QVector<double>& values(int channel) const;
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
        double m_scalar = 0.0;
        // Read from the packet's words: at this byte of each group (-1: from the arrays).
        int m_firstByte = -1;
        bool m_signed = false;
        double m_scale = 1.0;
        // A word channel's arrays, made by keys() or values() when asked.
        mutable bool m_arraysMade = false;
        mutable QVector<double> m_keys;
        mutable QVector<double> m_values;
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
    // Gives the channel an entry of arrays, empty unless it has one already.
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
    // The entry of a channel that has one, else null.
    const Channel* presentAt(int channel) const
    {
        const Channel* entry = channelAt(channel);
        return entry && entry->m_present ? entry : nullptr;
    }
    // The entry of a channel that has one, its arrays made first if it is a word channel.
    const Channel* arraysOf(int channel) const;

    std::array<Channel, s_channelCount> m_channels;
    QVector<quint8> m_packet;
    int m_wordCount = 0;
    int m_stride = 0;
    // The keys of the packet's groups, shared by its word channels.
    std::vector<double> m_wordKeys;
    double m_endTime = 0.0;
    quint8 m_last = 0;
    quint8 m_followOn = 0;
};

// Inline: called for every channel of every packet.
inline StreamChannelView StreamSample::view(int channel) const
{
    StreamChannelView view;
    const Channel* entry = presentAt(channel);
    if (!entry)
        return view;
    if (entry->m_firstByte < 0)
    {
        view.m_count = qMin(entry->m_keys.count(), entry->m_values.count());
        view.m_pKeys = entry->m_keys.constData();
        view.m_pValues = entry->m_values.constData();
        return view;
    }
    view.m_count = m_wordCount;
    view.m_pKeys = m_wordKeys.data();
    view.m_pWords = m_packet.constData() + entry->m_firstByte;
    view.m_stride = m_stride;
    view.m_signed = entry->m_signed;
    view.m_scale = entry->m_scale;
    return view;
}

inline void StreamSample::setWordChannel(int channel, int firstByte, bool isSigned, double scale)
{
    if (Channel* entry = channelAt(channel))
    {
        entry->m_present = true;
        entry->m_firstByte = firstByte;
        entry->m_signed = isSigned;
        entry->m_scale = scale;
        entry->m_arraysMade = false;
    }
}

inline void StreamSample::setScalar(int channel, double value)
{
    if (Channel* entry = channelAt(channel))
    {
        entry->m_hasScalar = true;
        entry->m_scalar = value;
    }
}
