#pragma once

#include "USBResult.h"

#include <QEvent>

// The error that stopped a packet protocol's worker, posted to its error receiver.
class USBPacketErrorEvent : public QEvent
{
public:
    static const QEvent::Type s_type = QEvent::Type(1003);

    USBPacketErrorEvent(int code, const USBResult& result);

    int getCode() const { return m_code; }
    const USBResult& getResult() const { return m_result; }

private:
    int m_code;
    USBResult m_result;
};
