#include "USBDriver.h"

#include "USBFtdiBackend.h"
#include "USBFtdiDevice.h"
#include "USBIFtdiApi.h"

#include <QMap>

namespace
{
const quint32 s_boardUsbId = 0x04036010;

USBResult noProtocol()
{
    return USBResult(QStringLiteral("No communication protocol is set for this channel"), 2);
}

struct ProtocolEntry
{
    USBProtocolPtr m_protocol;
    QList<USBProtocolPtr> m_protocolStack;
};

// Hands the current protocol's socket to replacement: waits until the current one is idle,
// takes its socket away and starts replacement if the current one was running.
void handOver(const USBProtocolPtr& current, const USBProtocolPtr& replacement)
{
    const bool running = current->isRunning();
    const USBSocketPtr socket = current->getSocket();
    current->waitForIdle();
    current->setSocket(USBSocketPtr());
    replacement->setSocket(socket);
    if (running)
        replacement->start();
}
}

class USBDriverPrivate
{
public:
    USBDevicePtr m_device;
    QList<ProtocolEntry> m_protocols;
};

USBDriver::USBDriver(QObject* parent)
    : QObject(parent)
    , m_pPrivate(new USBDriverPrivate)
{
    m_pPrivate->m_protocols.append(ProtocolEntry());
}

USBDriver::~USBDriver()
{
    closeDevice();
}

QList<USBDevicePtr> USBDriver::enumerateDevices(bool vendorOnly)
{
    QList<USBDevicePtr> devices;
    USBIFtdiApi& api = USBFtdiBackend::get();
    quint32 count = 0;
    if (api.createDeviceInfoList(count) != USBIFtdiApi::Ok || count == 0)
        return devices;
    QVector<USBFtdiDeviceListNode> nodes;
    if (api.getDeviceInfoList(nodes) != USBIFtdiApi::Ok)
        return devices;

    // Board chips list two channels in a row: group them in pairs under the first one's
    // location id. Every other chip is a group of its own.
    QMap<qint32, QVector<USBFtdiListEntry>> groups;
    bool firstOfPair = true;
    qint32 pairKey = 0;
    for (int i = 0; i < nodes.count(); ++i)
    {
        const USBFtdiDeviceListNode& node = nodes.at(i);
        const USBFtdiListEntry entry{i, node};
        if (node.usbId == 0)
            continue;
        if (node.usbId == s_boardUsbId)
        {
            if (firstOfPair)
                pairKey = qint32(node.locationId);
            groups[pairKey].append(entry);
            firstOfPair = !firstOfPair;
        }
        else
        {
            groups[qint32(node.locationId)].append(entry);
        }
    }

    for (const QVector<USBFtdiListEntry>& group : groups)
    {
        const USBDevicePtr device = USBFtdiDevice::build(group);
        if (device && (!vendorOnly || device->isVendorDevice()))
            devices.append(device);
    }
    return devices;
}

USBResult USBDriver::openDevice(const USBDevicePtr& device, int baudRate)
{
    if (m_pPrivate->m_device)
        return USBResult(QStringLiteral("Another device is already open"), 2);
    // Without a protocol nothing could ever talk to the board.
    if (!m_pPrivate->m_protocols.at(0).m_protocol)
        return noProtocol();

    const USBSocketPtr first = device->getFirstSocket();
    USBResult result = first->open(baudRate);
    if (!result.isOk())
        return result;
    const QList<USBSocketPtr> secondary = device->getSecondarySockets();
    for (const USBSocketPtr& socket : secondary)
    {
        result = socket->open(baudRate);
        if (!result.isOk())
        {
            first->close();
            for (const USBSocketPtr& opened : secondary)
                opened->close();
            return result;
        }
    }

    m_pPrivate->m_device = device;
    QList<ProtocolEntry>& entries = m_pPrivate->m_protocols;
    for (int i = 0; i < entries.count(); ++i)
    {
        if (!entries.at(i).m_protocol)
            continue;
        if (i == 0)
            entries[i].m_protocol->setSocket(first);
        else if (i - 1 < secondary.count())
            entries[i].m_protocol->setSocket(secondary.at(i - 1));
    }
    return USBResult();
}

void USBDriver::closeDevice()
{
    if (!m_pPrivate->m_device)
        return;
    QList<ProtocolEntry>& entries = m_pPrivate->m_protocols;
    for (const ProtocolEntry& entry : entries)
    {
        if (entry.m_protocol)
            entry.m_protocol->clearQueue();
    }
    for (const ProtocolEntry& entry : entries)
    {
        if (entry.m_protocol)
            entry.m_protocol->setSocket(USBSocketPtr());
    }
    m_pPrivate->m_device->closeSockets();
    m_pPrivate->m_device.reset();
}

USBDevicePtr USBDriver::getDevice() const
{
    return m_pPrivate->m_device;
}

bool USBDriver::isOpen() const
{
    return bool(m_pPrivate->m_device);
}

bool USBDriver::isIdle() const
{
    if (!m_pPrivate->m_device)
        return true;
    for (const ProtocolEntry& entry : m_pPrivate->m_protocols)
    {
        if (entry.m_protocol && !entry.m_protocol->isIdle())
            return false;
    }
    return true;
}

void USBDriver::purgeDevice()
{
    if (m_pPrivate->m_device)
        m_pPrivate->m_device->purgeSockets();
}

USBSocketStatus USBDriver::getStatus() const
{
    if (!m_pPrivate->m_device)
        return USBSocketStatus();
    return m_pPrivate->m_device->getFirstSocket()->getStatus();
}

USBResult USBDriver::sendRequest(const USBCommRequestPtr& request, int socketIndex)
{
    Q_ASSERT_X(socketIndex < m_pPrivate->m_protocols.count(), "src\\USBDriver", "socketIndex < m_pPrivate->m_protocols.count()");
    const USBCommRequestPtr hold = request;
    if (!m_pPrivate->m_device)
        return USBResult(QStringLiteral("No device is open"), 2);
    const USBProtocolPtr& protocol = m_pPrivate->m_protocols.at(socketIndex).m_protocol;
    if (!protocol)
        return noProtocol();
    return protocol->transact(hold);
}

USBResult USBDriver::postRequest(const USBCommRequestPtr& request, QObject* receiver, int socketIndex)
{
    Q_ASSERT_X(socketIndex < m_pPrivate->m_protocols.count(), "src\\USBDriver", "socketIndex < m_pPrivate->m_protocols.count()");
    const USBCommRequestPtr hold = request;
    if (!m_pPrivate->m_device)
        return USBResult(QStringLiteral("No device is open"), 2);
    const USBProtocolPtr& protocol = m_pPrivate->m_protocols.at(socketIndex).m_protocol;
    if (!protocol)
        return noProtocol();
    protocol->post(hold, receiver);
    return USBResult();
}

void USBDriver::setProtocol(const USBProtocolPtr& protocol, int socketIndex)
{
    QList<ProtocolEntry>& entries = m_pPrivate->m_protocols;
    while (entries.count() <= socketIndex)
        entries.append(ProtocolEntry());
    entries[socketIndex].m_protocol = protocol;
}

void USBDriver::pushProtocol(const USBProtocolPtr& protocol, int socketIndex)
{
    Q_ASSERT_X(socketIndex < m_pPrivate->m_protocols.count(), "src\\USBDriver", "socketIndex < m_pPrivate->m_protocols.count()");
    ProtocolEntry& entry = m_pPrivate->m_protocols[socketIndex];
    handOver(entry.m_protocol, protocol);
    entry.m_protocolStack.append(entry.m_protocol);
    entry.m_protocol = protocol;
}

void USBDriver::popProtocol(int socketIndex)
{
    Q_ASSERT_X(socketIndex < m_pPrivate->m_protocols.count(), "src\\USBDriver", "socketIndex < m_pPrivate->m_protocols.count()");
    ProtocolEntry& entry = m_pPrivate->m_protocols[socketIndex];
    Q_ASSERT_X(!entry.m_protocolStack.isEmpty(), "src\\USBDriver", "!m_pPrivate->m_protocols[socketIndex].m_protocolStack.isEmpty()");
    const USBProtocolPtr restored = entry.m_protocolStack.takeLast();
    handOver(entry.m_protocol, restored);
    entry.m_protocol = restored;
}

void USBDriver::setErrorReceiver(QObject* receiver, int socketIndex)
{
    Q_ASSERT_X(socketIndex < m_pPrivate->m_protocols.count(), "src\\USBDriver", "socketIndex < m_pPrivate->m_protocols.count()");
    if (const USBProtocolPtr& protocol = m_pPrivate->m_protocols.at(socketIndex).m_protocol)
        protocol->setErrorReceiver(receiver);
}

void USBDriver::registerStreamReceiver(int streamId, QObject* receiver, int socketIndex)
{
    Q_ASSERT_X(socketIndex < m_pPrivate->m_protocols.count(), "src\\USBDriver", "socketIndex < m_pPrivate->m_protocols.count()");
    if (const USBProtocolPtr& protocol = m_pPrivate->m_protocols.at(socketIndex).m_protocol)
        protocol->registerStreamReceiver(streamId, receiver);
}

void USBDriver::unregisterStreamReceiver(int streamId, int socketIndex)
{
    Q_ASSERT_X(socketIndex < m_pPrivate->m_protocols.count(), "src\\USBDriver", "socketIndex < m_pPrivate->m_protocols.count()");
    if (const USBProtocolPtr& protocol = m_pPrivate->m_protocols.at(socketIndex).m_protocol)
        protocol->unregisterStreamReceiver(streamId);
}
