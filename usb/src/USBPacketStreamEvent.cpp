#include "USBPacketStreamEvent.h"

USBPacketStreamEvent::USBPacketStreamEvent(int streamId, const QVector<quint8>& data, const USBResult& result)
    : QEvent(s_type)
    , m_streamId(streamId)
    , m_data(data)
    , m_result(result)
{
}
