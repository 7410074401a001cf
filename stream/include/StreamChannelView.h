#pragma once

#include <QtGlobal>

// One channel of a decoded stream packet as a sample buffer reads it: count samples, either in
// arrays of keys and values or, when m_pWords is set, straight from the packet's 16-bit
// little-endian words, so that the points are written only once, by the buffer. The g-th word
// is at m_pWords + g * m_stride; its value is the word, signed or not, times m_scale, at the key
// m_firstKey + g * m_keyStep. Valid as long as the sample it came from holds that packet.
struct StreamChannelView
{
    template <bool isSigned>
    double wordValue(int g) const
    {
        const quint8* word = m_pWords + g * m_stride;
        const quint16 raw = quint16(word[0] | (word[1] << 8));
        return (isSigned ? double(qint16(raw)) : double(raw)) * m_scale;
    }
    double wordValue(int g) const { return m_signed ? wordValue<true>(g) : wordValue<false>(g); }
    double wordKey(int g) const { return m_firstKey + g * m_keyStep; }

    int m_count = 0;
    const double* m_pKeys = nullptr;
    const double* m_pValues = nullptr;
    const quint8* m_pWords = nullptr;
    int m_stride = 0;
    bool m_signed = false;
    double m_scale = 1.0;
    double m_firstKey = 0.0;
    double m_keyStep = 0.0;
};
