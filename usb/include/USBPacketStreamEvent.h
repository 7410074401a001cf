#pragma once

#include "USBResult.h"

#include <QEvent>
#include <QVector>

// One packet of a stream, posted by the packet protocol to the stream's receiver.
class USBPacketStreamEvent : public QEvent
{
public:
    static const QEvent::Type s_type = QEvent::Type(1001);

    USBPacketStreamEvent(int streamId, const QVector<quint8>& data, const USBResult& result);

    int getStreamId() const { return m_streamId; }
    const QVector<quint8>& getData() const { return m_data; }
    const USBResult& getResult() const { return m_result; }

private:
    int m_streamId;
    QVector<quint8> m_data;
    USBResult m_result;
};
