#include "StreamSample.h"

const QVector<double> StreamSample::s_none;

void StreamSample::clear()
{
    for (Channel& channel : m_channels)
    {
        channel.m_present = false;
        channel.m_hasScalar = false;
        channel.m_scalar = 0.0;
        channel.m_firstByte = -1;
        channel.m_arraysMade = false;
    }
    m_packet = QVector<quint8>();
    m_wordCount = 0;
    m_endTime = 0.0;
    m_last = 0;
    m_followOn = 0;
}

void StreamSample::setWords(const QVector<quint8>& packet, int count, int stride, double firstKey, double keyStep)
{
    m_packet = packet;
    m_wordCount = count;
    m_stride = stride;
    m_wordKeys.resize(size_t(qMax(0, count)));
    for (int g = 0; g < count; ++g)
        m_wordKeys[size_t(g)] = firstKey + g * keyStep;
}

void StreamSample::setKeys(int channel, const QVector<double>& keys)
{
    if (Channel* entry = channelAt(channel))
    {
        enter(*entry);
        entry->m_keys = keys;
    }
}

void StreamSample::setValues(int channel, const QVector<double>& values)
{
    if (Channel* entry = channelAt(channel))
    {
        enter(*entry);
        entry->m_values = values;
    }
}

const QVector<double>& StreamSample::keys(int channel) const
{
    const Channel* entry = arraysOf(channel);
    return entry ? entry->m_keys : s_none;
}

const QVector<double>& StreamSample::values(int channel) const
{
    const Channel* entry = arraysOf(channel);
    return entry ? entry->m_values : s_none;
}

double StreamSample::scalar(int channel) const
{
    const Channel* entry = channelAt(channel);
    return entry && entry->m_hasScalar ? entry->m_scalar : 0.0;
}

bool StreamSample::hasScalar(int channel) const
{
    const Channel* entry = channelAt(channel);
    return entry && entry->m_hasScalar;
}

bool StreamSample::isEmpty() const
{
    for (const Channel& channel : m_channels)
        if (channel.m_present)
            return false;
    return true;
}

void StreamSample::enter(Channel& channel)
{
    // What an earlier packet left in the channel is not part of this one.
    if (channel.m_present && channel.m_firstByte < 0)
        return;
    channel.m_present = true;
    channel.m_firstByte = -1;
    channel.m_keys.resize(0);
    channel.m_values.resize(0);
}

const StreamSample::Channel* StreamSample::arraysOf(int channel) const
{
    const Channel* entry = presentAt(channel);
    if (!entry || entry->m_firstByte < 0 || entry->m_arraysMade)
        return entry;
    const StreamChannelView words = view(channel);
    entry->m_keys.resize(words.m_count);
    entry->m_values.resize(words.m_count);
    for (int g = 0; g < words.m_count; ++g)
    {
        entry->m_keys[g] = words.m_pKeys[g];
        entry->m_values[g] = words.wordValue(g);
    }
    entry->m_arraysMade = true;
    return entry;
}
