#pragma once

#include "ObserverList.h"
#include "PlotUSBDataStream.h"
#include "TalvexDriverCommRequest.h"
#include "TalvexDriverDescriptor.h"
#include "USBDevice.h"
#include "USBResult.h"
#include "USBVersion.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <boost/shared_ptr.hpp>
#include <boost/weak_ptr.hpp>

class TalvexDocument;
class USBConnectionState;

// The one way in which GUI code sends driver requests. It keeps per requester the opcodes in
// flight, so a requester never has two requests of one kind outstanding, queues requests on
// socket 0 of the open board, reports failed results to its observers and stores the decoded
// replies of the read actions in the document. It also starts and stops streaming for the
// sample stream. GUI thread only: results arrive as posted USBRequestEvents.
//
// A requester that is destroyed takes its pending marks along, so a new object at the same
// address starts without them.
class TalvexRequestDispatcher : public QObject, public PlotUSBDataStream::IUSBDispatcher
{
    Q_OBJECT

public:
    class IResultObserver
    {
    public:
        virtual ~IResultObserver() = default;
        virtual void reportFailure(const USBResult& result) = 0;
    };

    TalvexRequestDispatcher();
    ~TalvexRequestDispatcher() override;

    void setContext(TalvexDocument* document, USBConnectionState* connectionState);

    // The model of the board connected last.
    TalvexDriverDescriptor deviceDescriptor() const;
    // (0, 0) when no board is open.
    USBVersion firmwareVersion() const;

    // A request whose opcode the requester already has in flight is not sent and the result is
    // success. A null requester is never checked nor marked. An action the board's model lacks
    // is refused without sending.
    USBResult sendRequest(const boost::shared_ptr<TalvexDriverCommRequest>& request, QObject* requester,
        const QString& text);
    bool canSendRequest(QObject* requester, int action) const;
    void clearPendingRequests();

    void addResultObserver(IResultObserver* observer);
    void removeResultObserver(IResultObserver* observer);

    // Sends the stream start and the sampling configuration. A start whose requests are still
    // in flight is refused rather than dropped; a failed reply to either is posted to stream as
    // a failed USBPacketStreamEvent, which ends its acquisition.
    USBResult startStreaming(QObject* stream) override;
    USBResult stopStreaming() override;
    void streamingFinished() override;

protected:
    void customEvent(QEvent* event) override;

private slots:
    void onRequesterDestroyed(QObject* requester);

private:
    // Whether the board that a request went to is still the open one.
    bool isOpenDevice(const boost::weak_ptr<USBDevice>& device) const;
    void storeReply(const USBCommRequestPtr& request);

    TalvexDocument* m_pDocument = nullptr;
    USBConnectionState* m_pConnectionState = nullptr;
    QHash<int, QObject*> m_requesters;
    QHash<int, QString> m_texts;
    QHash<QObject*, QSet<quint8>> m_pending;
    ObserverList<IResultObserver> m_resultObservers;
    // Request id -> the board it was queued on: a reply is decoded only for that board.
    QHash<int, boost::weak_ptr<USBDevice>> m_devices;
    // Request id of a stream start -> the stream that waits for its data.
    QHash<int, QPointer<QObject>> m_streamStarts;
};
