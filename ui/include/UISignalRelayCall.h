#pragma once

#include <QObject>

// Something a relay does after it has emitted its signal.
class UISignalRelayCall : public QObject
{
    Q_OBJECT

public:
    virtual void call() = 0;
};
