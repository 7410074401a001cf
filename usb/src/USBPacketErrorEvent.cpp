#include "USBPacketErrorEvent.h"

USBPacketErrorEvent::USBPacketErrorEvent(int code, const USBResult& result)
    : QEvent(s_type)
    , m_code(code)
    , m_result(result)
{
}
