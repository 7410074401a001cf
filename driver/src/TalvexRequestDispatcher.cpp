#include "TalvexRequestDispatcher.h"

#include "TalvexDocument.h"
#include "TalvexDriverCommands.h"
#include "TalvexDriverReplyDecoder.h"
#include "USBConnectionState.h"
#include "USBPacketStreamEvent.h"
#include "USBRequestEvent.h"

#include <QCoreApplication>

namespace
{
typedef TalvexDriverCommRequest R;

const int s_commandSocket = 0;
}

TalvexRequestDispatcher::TalvexRequestDispatcher() = default;

TalvexRequestDispatcher::~TalvexRequestDispatcher() = default;

void TalvexRequestDispatcher::setContext(TalvexDocument* document, USBConnectionState* connectionState)
{
    m_pDocument = document;
    m_pConnectionState = connectionState;
}

TalvexDriverDescriptor TalvexRequestDispatcher::deviceDescriptor() const
{
    if (!m_pConnectionState)
        return TalvexDriverDescriptor();
    const QPair<int, int> type = m_pConnectionState->getDeviceType();
    return TalvexDriverDescriptor(quint32(type.first), quint32(type.second));
}

USBVersion TalvexRequestDispatcher::firmwareVersion() const
{
    if (!m_pConnectionState || !m_pConnectionState->isConnected())
        return USBVersion();
    return m_pConnectionState->getFirmwareVersion();
}

USBResult TalvexRequestDispatcher::sendRequest(const boost::shared_ptr<TalvexDriverCommRequest>& request,
    QObject* requester, const QString& text)
{
    // Without a board nothing is queued, so nothing is marked pending either.
    if (!m_pConnectionState || !m_pConnectionState->isConnected())
        return USBResult(QStringLiteral("No device is open"), 2);
    const USBResult supported = request->checkSupported();
    if (!supported.isOk())
        return supported;

    const int id = request->getId();
    const quint8 opcode = request->getCommand();
    if (requester)
    {
        QSet<quint8>& pending = m_pending[requester];
        if (pending.contains(opcode))
            return USBResult();
        // The dispatcher itself is never destroyed while it dispatches.
        if (requester != this)
            connect(requester, &QObject::destroyed, this, &TalvexRequestDispatcher::onRequesterDestroyed,
                Qt::UniqueConnection);
        pending.insert(opcode);
        m_requesters.insert(id, requester);
        if (!text.isEmpty())
            m_texts.insert(id, text);
    }

    USBDriver* driver = m_pConnectionState->getDriver();
    m_devices.insert(id, driver->getDevice());
    return driver->postRequest(request, this, s_commandSocket);
}

bool TalvexRequestDispatcher::canSendRequest(QObject* requester, int action) const
{
    const auto found = m_pending.constFind(requester);
    if (found == m_pending.constEnd())
        return true;
    return !found.value().contains(R::commandCode(deviceDescriptor(), action));
}

void TalvexRequestDispatcher::clearPendingRequests()
{
    m_pending.clear();
    // A late reply of a forgotten request must not clear the mark of a newer one.
    m_requesters.clear();
    m_texts.clear();
    m_streamStarts.clear();
    // Requests of a board that has gone were dropped from its queue and never answer.
    for (auto it = m_devices.begin(); it != m_devices.end();)
    {
        if (isOpenDevice(it.value()))
            ++it;
        else
            it = m_devices.erase(it);
    }
}

void TalvexRequestDispatcher::addResultObserver(IResultObserver* observer)
{
    m_resultObservers.add(observer);
}

void TalvexRequestDispatcher::removeResultObserver(IResultObserver* observer)
{
    m_resultObservers.remove(observer);
}

USBResult TalvexRequestDispatcher::startStreaming(QObject* stream)
{
    Q_ASSERT_X(m_pDocument, "src\\TalvexRequestDispatcher", "m_pDocument");
    if (!m_pDocument)
        return USBResult(QStringLiteral("No device is open"), 2);
    // A second start while the first is unanswered would be dropped as pending and leave the
    // stream waiting for data that the board was never asked for.
    if (!canSendRequest(this, R::StreamStart) || !canSendRequest(this, R::StartSampling))
        return USBResult(QStringLiteral("The previous start of streaming is still waiting for its reply"), 2);

    TalvexDriverCommands commands(this, this);
    const USBResult started = commands.startStream();
    if (!started.isOk())
        return started;
    m_streamStarts.insert(commands.lastRequest()->getId(), stream);

    const USBResult sent = commands.startSampling(*m_pDocument->samplingConfiguration());
    if (sent.isOk())
        m_streamStarts.insert(commands.lastRequest()->getId(), stream);
    return sent;
}

USBResult TalvexRequestDispatcher::stopStreaming()
{
    return TalvexDriverCommands(this, nullptr).stopStreaming();
}

void TalvexRequestDispatcher::streamingFinished()
{
}

void TalvexRequestDispatcher::customEvent(QEvent* event)
{
    if (event->type() != USBRequestEvent::s_type)
    {
        QObject::customEvent(event);
        return;
    }
    const USBRequestEvent* pFTDEvent = dynamic_cast<const USBRequestEvent*>(event);
    Q_ASSERT_X(pFTDEvent, "src\\TalvexRequestDispatcher", "pFTDEvent");
    if (!pFTDEvent)
        return;

    const USBCommRequestPtr request = pFTDEvent->getRequest();
    const USBResult result = pFTDEvent->getResult();
    const int id = request->getId();
    const boost::weak_ptr<USBDevice> device = m_devices.take(id);
    const QPointer<QObject> stream = m_streamStarts.take(id);
    const auto requester = m_requesters.constFind(id);
    if (requester != m_requesters.constEnd())
    {
        QObject* owner = requester.value();
        m_requesters.erase(requester);
        m_texts.remove(id);
        const auto pending = m_pending.find(owner);
        if (pending != m_pending.end())
        {
            pending.value().remove(request->getCommand());
            if (pending.value().isEmpty())
                m_pending.erase(pending);
        }
    }

    if (!result.isOk())
    {
        m_resultObservers.notify(&IResultObserver::reportFailure, result);
        if (!result.isWarning())
        {
            // The board refused to sample: no packet will come, so the stream is told as if
            // its stream had failed.
            if (stream)
                QCoreApplication::postEvent(stream, new USBPacketStreamEvent(0, QVector<quint8>(), result));
            return;
        }
    }
    // The reply's layout belongs to the board it came from; one that has been closed or
    // replaced since is not decoded.
    if (isOpenDevice(device))
        storeReply(request);
}

void TalvexRequestDispatcher::onRequesterDestroyed(QObject* requester)
{
    m_pending.remove(requester);
    for (auto it = m_requesters.begin(); it != m_requesters.end();)
    {
        if (it.value() != requester)
        {
            ++it;
            continue;
        }
        // Its late reply then clears nothing of an object that took the same address.
        m_texts.remove(it.key());
        it = m_requesters.erase(it);
    }
}

bool TalvexRequestDispatcher::isOpenDevice(const boost::weak_ptr<USBDevice>& device) const
{
    const boost::shared_ptr<USBDevice> sent = device.lock();
    return sent && m_pConnectionState && m_pConnectionState->getDevice() == sent;
}

void TalvexRequestDispatcher::storeReply(const USBCommRequestPtr& request)
{
    if (!m_pDocument)
        return;
    // Only a complete reply of the length the request expected can be decoded.
    const QVector<quint8> data = request->getReplyData();
    if (data.count() != request->getExpectedReturnDataCount())
        return;
    const USBResult decoded = TalvexDriverReplyDecoder::store(
        *m_pDocument, deviceDescriptor(), firmwareVersion(), request->getCommand(), data);
    if (!decoded.isOk())
        m_resultObservers.notify(&IResultObserver::reportFailure, decoded);
}
