#include "PlotUSBDataStream.h"

#include "USBPacketStreamEvent.h"

#include <vector>

PlotUSBDataStream::PlotUSBDataStream(QObject* parent)
    : QObject(parent)
{
}

PlotUSBDataStream::~PlotUSBDataStream()
{
    m_registrations.forEach([](Registration* registration) { registration->m_pClient->detachFromStream(); });
    m_stateObservers.notify(&IStateObserver::streamDestroyed, this);
    m_registrations.forEach([](Registration* registration) { delete registration; });
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
    m_registrations.add(new Registration(client, channel, unwrap));
}

void PlotUSBDataStream::removeClient(IStreamClient* client)
{
    std::vector<Registration*> removed;
    m_registrations.forEach([&](Registration* registration) {
        if (registration->m_pClient == client)
            removed.push_back(registration);
    });
    // A pass in progress skips what is removed here, so the registrations can go at once.
    for (Registration* registration : removed)
    {
        m_registrations.remove(registration);
        delete registration;
    }
}

void PlotUSBDataStream::resetClient(IStreamClient* client)
{
    Registration* registration =
        m_registrations.findFirst([client](Registration* candidate) { return candidate->m_pClient == client; });
    Q_ASSERT_X(registration, "src\\PlotUSBDataStream", "registration");
    if (registration)
        registration->m_buffer.clear();
}

void PlotUSBDataStream::resetChannelOffset(int channel)
{
    m_registrations.forEach([channel](Registration* registration) {
        if (registration->m_buffer.channel() == channel)
            registration->m_buffer.resetOffset();
    });
}

bool PlotUSBDataStream::hasChannel(int channel) const
{
    return firstRegistration(channel) != nullptr;
}

PlotUSBDataStream::IStreamClient* PlotUSBDataStream::client(int channel) const
{
    const Registration* registration = firstRegistration(channel);
    Q_ASSERT_X(registration, "src\\PlotUSBDataStream", "false");
    return registration ? registration->m_pClient : nullptr;
}

void PlotUSBDataStream::addStateObserver(IStateObserver* observer)
{
    m_stateObservers.add(observer);
}

void PlotUSBDataStream::removeStateObserver(IStateObserver* observer)
{
    m_stateObservers.remove(observer);
}

USBResult PlotUSBDataStream::start(int averageCount)
{
    Q_ASSERT_X(m_pDispatcher != nullptr, "src\\PlotUSBDataStream", "m_pDispatcher != NULL");
    if (!m_pDispatcher)
        return USBResult(QStringLiteral("No device is open"), 2);
    if (m_state != Stopped)
        return USBResult();
    m_time = 0.0;
    setState(WaitingForData);
    m_registrations.forEach([averageCount](Registration* registration) {
        registration->m_buffer.setAverageCount(averageCount);
    });
    const USBResult result = m_pDispatcher->startStreaming(this);
    // No packet will come for a start that was not sent: do not wait for one.
    if (!result.isOk() && m_state == WaitingForData)
        endAcquisition();
    return result;
}

USBResult PlotUSBDataStream::stop()
{
    Q_ASSERT_X(m_pDispatcher != nullptr, "src\\PlotUSBDataStream", "m_pDispatcher != NULL");
    if (!m_pDispatcher)
        return USBResult(QStringLiteral("No device is open"), 2);
    if (m_state == Stopped)
        return USBResult();
    const USBResult result = m_pDispatcher->stopStreaming();
    // Once packets flow, the board's last packet ends the acquisition, unless the stop could
    // not be sent and no last packet will come.
    if (m_state == WaitingForData || !result.isOk())
        endAcquisition();
    return result;
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
            m_registrations.forEach([](Registration* registration) { registration->m_buffer.clear(); });
            m_time = 0.0;
        }
        first = true;
        setState(Receiving);
    }

    // customEvent has checked the type.
    const USBPacketStreamEvent* pPacketEvent = static_cast<const USBPacketStreamEvent*>(event);

    const int status = pPacketEvent->getResult().getStatus();
    if (status != 0 && status != 1)
    {
        endAcquisition();
        return;
    }

    Q_ASSERT_X(m_pInterpreter != nullptr, "src\\PlotUSBDataStream", "m_pInterpreter != NULL");
    if (!m_pInterpreter)
        return;
    // The buffers read the previous packet's samples from m_sample: what a client has not
    // taken yet must be copied before the next packet is decoded into it.
    m_registrations.forEach([](Registration* registration) { registration->m_buffer.keepBorrowed(); });
    m_pInterpreter->interpret(m_time, pPacketEvent->getData(), m_sample);

    if (m_sample.isEmpty() && !m_sample.isLast())
        return;
    if (!m_sample.isEmpty())
    {
        m_registrations.forEach([this, first](Registration* registration) {
            PlotSampleBuffer& buffer = registration->m_buffer;
            const int channel = buffer.channel();
            const StreamChannelView samples = m_sample.view(channel);
            if (samples.m_count == 0)
                return;
            if (first && m_sample.hasScalar(channel))
                buffer.setOffset(m_sample.scalar(channel));
            buffer.appendBorrowed(samples);
            // The client may remove itself meanwhile: the registration is not touched after.
            registration->m_pClient->appendSamples(buffer);
        });
        m_time = m_sample.getEndTime();
    }
    if (!m_sample.isLast())
        return;
    if (m_sample.isFollowOn())
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
    m_stateObservers.notify(&IStateObserver::streamStateChanged, int(m_state));
}

void PlotUSBDataStream::finishClients()
{
    m_registrations.forEach([](Registration* registration) { registration->m_pClient->markFinished(); });
}

void PlotUSBDataStream::endAcquisition()
{
    finishClients();
    m_state = Stopped;
    if (m_pDispatcher)
        m_pDispatcher->streamingFinished();
    setState(Stopped);
}

PlotUSBDataStream::Registration* PlotUSBDataStream::firstRegistration(int channel) const
{
    return m_registrations.findFirst(
        [channel](const Registration* registration) { return registration->m_buffer.channel() == channel; });
}
