// Event pump and main-thread hand-over through the Qt event loop.
#include "platform/qt/qtmainthread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace velloran {

void QtEventPump::processPendingEvents() {
    // A connection on a worker thread waits without taking the window's events.
    const QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr && QThread::currentThread() == app->thread())
        QCoreApplication::processEvents();
}

void QtMainThread::runBlocking(const std::function<void()>& work) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || QThread::currentThread() == app->thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(
        app, [&work] { work(); }, Qt::BlockingQueuedConnection);
}

} // namespace velloran
