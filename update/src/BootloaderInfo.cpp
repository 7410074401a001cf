#include "BootloaderInfo.h"

namespace
{
const quint8 s_longReplyMarker = 0xFF;
}

BootloaderInfo::BootloaderInfo(const QVector<quint8>& reply)
{
    if (reply.count() == 2)
    {
        m_pageSize = reply.at(0) * 256 + reply.at(1);
    }
    else if (reply.count() == 4 && reply.at(0) == s_longReplyMarker)
    {
        m_pageSize = reply.at(1) * 256 + reply.at(2);
        m_flag = (reply.at(3) & 0x01) != 0;
    }
}
