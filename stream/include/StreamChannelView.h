#pragma once

#include <QtGlobal>

// One channel of a decoded stream packet as a sample buffer reads it: count samples at the keys
// in m_pKeys, their values either in m_pValues or, when m_pWords is set, straight in the
// packet's 16-bit little-endian words, so that the points are written only once, by the buffer.
// The g-th word is at m_pWords + g * m_stride; its value is the word, signed or not, times
// m_scale. Valid as long as the sample it came from holds that packet.
struct StreamChannelView
{
    quint16 word(int g) const
    {
        const quint8* word = m_pWords + g * m_stride;
        return quint16(word[0] | (word[1] << 8));
    }
    double wordValue(int g) const { return (m_signed ? double(qint16(word(g))) : double(word(g))) * m_scale; }

    int m_count = 0;
    const double* m_pKeys = nullptr;
    const double* m_pValues = nullptr;
    const quint8* m_pWords = nullptr;
    int m_stride = 0;
    bool m_signed = false;
    double m_scale = 1.0;
};
