#pragma once

#include "USBDevice.h"
#include "USBICommRequest.h"
#include "USBIProtocol.h"
#include "USBResult.h"
#include "USBSocketStatus.h"

#include <QList>
#include <QObject>
#include <memory>

class USBDriverPrivate;

// Finds the FTDI boards, opens one at a time and runs requests on its sockets through the
// protocol set for each socket index. Protocols stay with their socket index across devices.
// GUI thread only; no operation throws.
class USBDriver : public QObject
{
    Q_OBJECT

public:
    explicit USBDriver(QObject* parent = nullptr);
    ~USBDriver() override;

    // The boards on the bus, new objects every call, none open. vendorOnly keeps only those
    // whose serial number begins with "VT".
    QList<USBDevicePtr> enumerateDevices(bool vendorOnly);
    USBResult openDevice(const USBDevicePtr& device, int baudRate);
    void closeDevice();
    USBDevicePtr getDevice() const;
    bool isOpen() const;
    bool isIdle() const;
    void purgeDevice();
    // Socket 0's status; "not open" when no device is open.
    USBSocketStatus getStatus() const;

    // A socket index without a protocol answers "No communication protocol is set for this
    // channel"; a device cannot be opened while socket 0 has none.

    // Runs the request on the socket's protocol and waits for its result.
    USBResult sendRequest(const USBCommRequestPtr& request, int socketIndex);
    // Queues the request; its USBRequestEvent goes to receiver.
    USBResult postRequest(const USBCommRequestPtr& request, QObject* receiver, int socketIndex);

    void setProtocol(const USBProtocolPtr& protocol, int socketIndex);
    // Puts protocol over the socket's current one, which waits underneath until popped.
    void pushProtocol(const USBProtocolPtr& protocol, int socketIndex);
    void popProtocol(int socketIndex);

    void setErrorReceiver(QObject* receiver, int socketIndex);
    void registerStreamReceiver(int streamId, QObject* receiver, int socketIndex);
    void unregisterStreamReceiver(int streamId, int socketIndex);

private:
    std::unique_ptr<USBDriverPrivate> m_pPrivate;
};
