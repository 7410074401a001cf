#include "USBRequestEvent.h"

USBRequestEvent::USBRequestEvent(const USBCommRequestPtr& request, const USBResult& result)
    : QEvent(s_type)
    , m_request(request)
    , m_result(result)
{
}
