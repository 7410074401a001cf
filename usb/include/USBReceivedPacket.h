#pragma once

#include <QVector>

// A reply frame that arrived for a request still waiting for it.
struct USBReceivedPacket
{
    quint8 m_type = 0;
    quint32 m_id = 0;
    quint8 m_status = 0;
    int m_length = 0;
    QVector<quint8> m_data;
};
