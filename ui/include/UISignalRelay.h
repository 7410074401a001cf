#pragma once

#include <QObject>
#include <QSet>

class UIIBinding;
class UISignalRelayCall;

// Carries one kind of change notification of a user input: slot() emits signal() and then
// runs the calls. A relay whose signals are blocked stays silent, calls included.
class UISignalRelay : public QObject
{
    Q_OBJECT

public:
    explicit UISignalRelay(QObject* parent);

    // The relay becomes the call's parent.
    void addCall(UISignalRelayCall* call);
    // Writes the binding's input to its property whenever the relay fires.
    void addUpdateSourceCall(UIIBinding* binding);

signals:
    void signal();

public slots:
    void slot();

private:
    QSet<UISignalRelayCall*> m_calls;
};
