#include "USBPacketProtocol.h"

USBPacketProtocol::USBPacketProtocol(const USBProtocolClockPtr& clock)
    : USBQueuedProtocol(USBProtocolClock::orRealTime(clock),
                        std::unique_ptr<USBIProtocolExchange>(new USBPacketExchange(USBProtocolClock::orRealTime(clock))))
{
}

void USBPacketProtocol::setIdleSleep(unsigned long microseconds)
{
    exchange().setIdleSleep(microseconds);
}

void USBPacketProtocol::registerStreamReceiver(int streamId, QObject* receiver)
{
    exchange().registerStreamReceiver(streamId, receiver);
}

void USBPacketProtocol::unregisterStreamReceiver(int streamId)
{
    exchange().unregisterStreamReceiver(streamId);
}

void USBPacketProtocol::setErrorReceiver(QObject* receiver)
{
    exchange().setErrorReceiver(receiver);
}

USBPacketExchange& USBPacketProtocol::exchange() const
{
    return *static_cast<USBPacketExchange*>(getExchange());
}
