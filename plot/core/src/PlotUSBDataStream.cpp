#include "PlotUSBDataStream.h"

#include "USBPacketStreamEvent.h"

#include <algorithm>

PlotUSBDataStream::PlotUSBDataStream(QObject* parent)
    : QObject(parent)
{
}

PlotUSBDataStream::~PlotUSBDataStream()
{
    const std::vector<IStreamClient*> clients = m_clients;
    for (IStreamClient* client : clients)
        client->detachFromStream();
    const QSet<IStateObserver*> observers = m_stateObservers;
    for (IStateObserver* observer : observers)
        observer->streamDestroyed(this);
}

void PlotUSBDataStream::setDispatcher(const boost::shared_ptr<IUSBDispatcher>& dispatcher)
{
    m_pDispatcher = dispatcher;
}

void PlotUSBDataStream::setInterpreter(const boost::shared_ptr<IStreamInterpreter>& interpreter)
{
    m_pInterpreter = interpreter;
}

void PlotUSBDataStream::registerClient(IStreamClient* client, int channel, bool unwrap)
{
    m_clients.push_back(client);
    m_buffers.push_back(PlotSampleBuffer(channel, unwrap));
}

void PlotUSBDataStream::removeClient(IStreamClient* client)
{
    for (size_t i = m_clients.size(); i-- > 0;)
    {
        if (m_clients[i] != client)
            continue;
        m_clients.erase(m_clients.begin() + std::ptrdiff_t(i));
        m_buffers.erase(m_buffers.begin() + std::ptrdiff_t(i));
    }
}

void PlotUSBDataStream::resetClient(IStreamClient* client)
{
    const auto found = std::find(m_clients.begin(), m_clients.end(), client);
    Q_ASSERT_X(found != m_clients.end(), "src\\PlotUSBDataStream", "found != m_clients.end()");
    if (found != m_clients.end())
        m_buffers[size_t(found - m_clients.begin())].clear();
}

void PlotUSBDataStream::resetChannelOffset(int channel)
{
    for (PlotSampleBuffer& buffer : m_buffers)
        if (buffer.channel() == channel)
            buffer.resetOffset();
}

bool PlotUSBDataStream::hasChannel(int channel) const
{
    return std::any_of(m_buffers.begin(), m_buffers.end(),
        [channel](const PlotSampleBuffer& buffer) { return buffer.channel() == channel; });
}

PlotUSBDataStream::IStreamClient* PlotUSBDataStream::client(int channel) const
{
    for (size_t i = 0; i < m_buffers.size(); ++i)
        if (m_buffers[i].channel() == channel)
            return m_clients[i];
    Q_ASSERT_X(false, "src\\PlotUSBDataStream", "false");
    return nullptr;
}

void PlotUSBDataStream::addStateObserver(IStateObserver* observer)
{
    m_stateObservers.insert(observer);
}

void PlotUSBDataStream::removeStateObserver(IStateObserver* observer)
{
    m_stateObservers.remove(observer);
}

void PlotUSBDataStream::start(int averageCount)
{
    Q_ASSERT_X(m_pDispatcher != nullptr, "src\\PlotUSBDataStream", "m_pDispatcher != NULL");
    if (!m_pDispatcher || m_state != Stopped)
        return;
    m_time = 0.0;
    setState(WaitingForData);
    for (PlotSampleBuffer& buffer : m_buffers)
        buffer.setAverageCount(averageCount);
    m_pDispatcher->startStreaming();
}

void PlotUSBDataStream::stop()
{
    Q_ASSERT_X(m_pDispatcher != nullptr, "src\\PlotUSBDataStream", "m_pDispatcher != NULL");
    if (!m_pDispatcher || m_state == Stopped)
        return;
    m_pDispatcher->stopStreaming();
    // Once packets flow, the board's last packet ends the acquisition.
    if (m_state == WaitingForData)
        endAcquisition();
}

void PlotUSBDataStream::reset()
{
    if (m_state != Stopped)
        endAcquisition();
}

void PlotUSBDataStream::customEvent(QEvent* event)
{
    if (event->type() != USBPacketStreamEvent::s_type)
    {
        if (m_state != Stopped)
            QObject::customEvent(event);
        return;
    }
    event->accept();
    if (m_state != Stopped)
        handlePacket(event);
}

void PlotUSBDataStream::handlePacket(QEvent* event)
{
    bool first = false;
    if (m_state != Receiving)
    {
        if (m_state == FollowOnPending)
        {
            for (PlotSampleBuffer& buffer : m_buffers)
                buffer.clear();
            m_time = 0.0;
        }
        first = true;
        setState(Receiving);
    }

    const USBPacketStreamEvent* pPacketEvent = dynamic_cast<const USBPacketStreamEvent*>(event);
    Q_ASSERT_X(pPacketEvent, "src\\PlotUSBDataStream", "pPacketEvent");
    if (!pPacketEvent)
        return;

    const int status = pPacketEvent->getResult().getStatus();
    if (status != 0 && status != 1)
    {
        endAcquisition();
        return;
    }

    Q_ASSERT_X(m_pInterpreter != nullptr, "src\\PlotUSBDataStream", "m_pInterpreter != NULL");
    if (!m_pInterpreter)
        return;
    const QVector<quint8> data = pPacketEvent->getData();
    const StreamSample sample =
        m_pInterpreter->interpret(m_time, QByteArray(reinterpret_cast<const char*>(data.constData()), data.count()));

    if (sample.isEmpty() && !sample.isLast())
        return;
    if (!sample.isEmpty())
    {
        // A client may unregister while it takes its samples: the bound is checked each turn.
        for (size_t i = 0; i < m_buffers.size(); ++i)
        {
            const int channel = m_buffers[i].channel();
            const QVector<double> keys = sample.keys(channel);
            if (keys.isEmpty())
                continue;
            if (first && sample.hasScalar(channel))
                m_buffers[i].setOffset(sample.scalar(channel));
            m_buffers[i].append(keys, sample.values(channel));
            m_clients[i]->appendSamples(m_buffers[i]);
        }
        m_time = sample.getEndTime();
    }
    if (!sample.isLast())
        return;
    if (sample.isFollowOn())
    {
        finishClients();
        setState(FollowOnPending);
    }
    else
    {
        endAcquisition();
    }
}

void PlotUSBDataStream::setState(int state)
{
    m_state = state;
    const QSet<IStateObserver*> observers = m_stateObservers;
    for (IStateObserver* observer : observers)
        if (m_stateObservers.contains(observer))
            observer->streamStateChanged(m_state);
}

void PlotUSBDataStream::finishClients()
{
    const std::vector<IStreamClient*> clients = m_clients;
    for (IStreamClient* client : clients)
        if (std::find(m_clients.begin(), m_clients.end(), client) != m_clients.end())
            client->markFinished();
}

void PlotUSBDataStream::endAcquisition()
{
    finishClients();
    m_state = Stopped;
    if (m_pDispatcher)
        m_pDispatcher->streamingFinished();
    setState(Stopped);
}
