#include "UpdateBackgroundTask.h"

#include <QEventLoop>
#include <QThread>
#include <memory>

void UpdateBackgroundTask::run(const std::function<void()>& step)
{
    const std::unique_ptr<QThread> thread(QThread::create(step));
    QEventLoop loop;
    // Queued to this thread: a step that ends before exec still ends the loop.
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    thread->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
}
