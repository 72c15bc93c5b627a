// An error that escapes an event handler reaches the user as a message box, and the
// program goes on.
#include "guitest.h"
#include "platform/errors.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

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
