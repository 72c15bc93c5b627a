// Event pump and main-thread hand-over through the Qt event loop.
#include "platform/qt/qtmainthread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace velloran {

void QtEventPump::processPendingEvents() {
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
