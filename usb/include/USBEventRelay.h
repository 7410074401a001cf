#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>

// Carries events from the protocol threads to receivers in the GUI thread.
//
// A worker thread cannot safely test a QPointer and then post to the object: the GUI thread
// may delete the receiver in between. So the worker posts to this relay, which lives in the
// application's thread for the whole run; the relay tests the guarded pointer there, in the
// receiver's own thread, and delivers at once. Events for a receiver that is gone are dropped.
class USBEventRelay : public QObject
{
    Q_OBJECT

public:
    // Takes ownership of the event. Safe from any thread.
    static void post(const QPointer<QObject>& receiver, QEvent* event);

protected:
    void customEvent(QEvent* event) override;

private:
    USBEventRelay();
    static USBEventRelay* instance();
};
