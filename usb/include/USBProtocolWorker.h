#pragma once

#include <QThread>

#include <functional>

// The thread of a protocol: runs the protocol's worker loop, which the protocol gives it at
// construction. The protocol starts it when a socket is set and joins it when the socket is
// taken away or the protocol is destroyed.
class USBProtocolWorker : public QThread
{
    Q_OBJECT

public:
    explicit USBProtocolWorker(std::function<void()> loop);

protected:
    void run() override;

private:
    std::function<void()> m_loop;
};
