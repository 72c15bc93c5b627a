// The Qt side of the platform layer: the error box for escaped errors, and handing
// work to the user-interface thread.
#include "guitest.h"
#include "platform/errors.h"
#include "platform/qt/qtmainthread.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

TEST(ErrorBox, AnEscapedErrorIsShownWithItsTextAndTheLoopGoesOn) {
    QString shown;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    watcher.start(10);
    QTimer::singleShot(0, [] { throw velloran::FileError("Cannot write \"/x\": No space left"); });
    bool later = false;
    QTimer::singleShot(50, [&] { later = true; });

    EXPECT_TRUE(waitFor([&] { return later && !shown.isEmpty(); }));
    EXPECT_EQ(shown, "Cannot write \"/x\": No space left");
}

TEST(MainThread, WorkFromAWorkerRunsOnTheUserInterfaceThreadAndWaits) {
    velloran::QtMainThread mainThread;
    std::thread::id ranOn;
    std::atomic<bool> returned = false;
    std::thread worker([&] {
        mainThread.runBlocking([&] { ranOn = std::this_thread::get_id(); });
        returned = true; // only after the work has run
    });
    EXPECT_TRUE(waitFor([&] { return returned.load(); }));
    worker.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}
