#pragma once

#include "USBICommRequest.h"
#include "USBResult.h"

#include <QEvent>

// A finished queued request and its result, posted to the receiver given with the request.
class USBRequestEvent : public QEvent
{
public:
    static const QEvent::Type s_type = QEvent::Type(1002);

    USBRequestEvent(const USBCommRequestPtr& request, const USBResult& result);

    USBCommRequestPtr getRequest() const { return m_request; }
    const USBResult& getResult() const { return m_result; }

private:
    USBCommRequestPtr m_request;
    USBResult m_result;
};
