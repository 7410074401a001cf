#include "USBHandshakeProtocol.h"

#include "USBHandshakeExchange.h"

USBHandshakeProtocol::USBHandshakeProtocol(const USBProtocolClockPtr& clock)
    : USBQueuedProtocol(USBProtocolClock::orRealTime(clock), std::unique_ptr<USBIProtocolExchange>(new USBHandshakeExchange()))
{
}

void USBHandshakeProtocol::setIdleSleep(unsigned long)
{
}

void USBHandshakeProtocol::registerStreamReceiver(int, QObject*)
{
    Q_ASSERT_X(false, "src\\USBHandshakeProtocol", "0");
}

void USBHandshakeProtocol::unregisterStreamReceiver(int)
{
    Q_ASSERT_X(false, "src\\USBHandshakeProtocol", "0");
}

void USBHandshakeProtocol::setErrorReceiver(QObject*)
{
    Q_ASSERT_X(false, "src\\USBHandshakeProtocol", "0");
}
