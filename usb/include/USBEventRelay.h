#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <deque>
#include <memory>
#include <mutex>

// Carries events from the protocol threads to receivers in the GUI thread.
//
// A worker thread cannot safely test a QPointer and then post to the object: the GUI thread
// may delete the receiver in between. So the worker posts to this relay, which lives in the
// application's thread for the whole run; the relay tests the guarded pointer there, in the
// receiver's own thread, and delivers at once. Events for a receiver that is gone are dropped.
//
// Events wait in the relay's own queue, in the order of posting; the application's event loop
// is woken once for all that arrive until the relay has taken them, so a burst of replies
// costs one wake-up rather than one each.
class USBEventRelay : public QObject
{
    Q_OBJECT

public:
    // Takes ownership of the event. Safe from any thread.
    static void post(const QPointer<QObject>& receiver, QEvent* event);

protected:
    void customEvent(QEvent* event) override;

private:
    struct Pending
    {
        QPointer<QObject> m_receiver;
        std::unique_ptr<QEvent> m_pEvent;
    };

    USBEventRelay();
    static USBEventRelay* instance();
    void enqueue(const QPointer<QObject>& receiver, QEvent* event);

    // Guards m_posted and m_wakePending.
    std::mutex m_mutex;
    std::deque<Pending> m_posted;
    // A wake-up is on its way to the relay: later events need none of their own.
    bool m_wakePending = false;
    // Taken from m_posted, in the relay's thread only: a receiver that runs an event loop of
    // its own lets the relay go on from here, so the order holds.
    std::deque<Pending> m_delivering;
};
