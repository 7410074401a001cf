#include "USBProtocolWorker.h"

USBProtocolWorker::USBProtocolWorker(std::function<void()> loop)
    : m_loop(std::move(loop))
{
}

void USBProtocolWorker::run()
{
    m_loop();
}
