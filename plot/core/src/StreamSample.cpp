#include "StreamSample.h"

const QVector<double> StreamSample::s_none;

void StreamSample::clear()
{
    for (Channel& channel : m_channels)
    {
        channel.m_present = false;
        channel.m_hasScalar = false;
        channel.m_commonKeys = false;
        channel.m_scalar = 0.0;
    }
    m_endTime = 0.0;
    m_last = 0;
    m_followOn = 0;
}

void StreamSample::resizeChannel(int channel, int count)
{
    Channel* entry = channelAt(channel);
    if (!entry)
        return;
    entry->m_present = true;
    entry->m_commonKeys = false;
    entry->m_keys.resize(count);
    entry->m_values.resize(count);
}

void StreamSample::resizeChannels(int channels, int count)
{
    m_commonKeys.resize(count);
    for (int channel = 1; channel <= 8; channel <<= 1)
    {
        if (!(channels & channel))
            continue;
        Channel& entry = *channelAt(channel);
        entry.m_present = true;
        entry.m_commonKeys = true;
        entry.m_values.resize(count);
    }
}

double* StreamSample::keyData(int channel)
{
    Channel* entry = channelAt(channel);
    if (!entry)
        return nullptr;
    return entry->m_commonKeys ? m_commonKeys.data() : entry->m_keys.data();
}

double* StreamSample::valueData(int channel)
{
    Channel* entry = channelAt(channel);
    return entry ? entry->m_values.data() : nullptr;
}

void StreamSample::setKeys(int channel, const QVector<double>& keys)
{
    if (Channel* entry = channelAt(channel))
    {
        enter(*entry);
        entry->m_commonKeys = false;
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

void StreamSample::setScalar(int channel, double value)
{
    if (Channel* entry = channelAt(channel))
    {
        entry->m_hasScalar = true;
        entry->m_scalar = value;
    }
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
    if (channel.m_present)
        return;
    channel.m_present = true;
    channel.m_keys.resize(0);
    channel.m_values.resize(0);
}
