// The main window's FTP command: one window at a time, made again after it was closed.
#include "app/mainwindowfixture.h"
#include "ftp/ui/tfftp.h"

#include <QAction>
#include <QPointer>

namespace velloran {
namespace {

using FtpCommandTest = MainWindowTest;

TEST_F(FtpCommandTest, TheMenuItemAndTheButtonShareOneWindow) {
    auto editor = start();
    ASSERT_NE(editor->command(QStringLiteral("FTPWindow1")), nullptr);
    EXPECT_EQ(editor->command(QStringLiteral("FTPWindow1"))->text(), "FTP Window...");
    ASSERT_NE(editor->command(QStringLiteral("sbFTP")), nullptr);
    EXPECT_EQ(editor->command(QStringLiteral("sbFTP"))->toolTip(), "FTP Window");
    EXPECT_EQ(editor->ftpWindow(), nullptr);
    editor->command(QStringLiteral("FTPWindow1"))->trigger();
    QPointer<TfFTP> first = editor->ftpWindow();
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(first->isVisible());
    first->showMinimized();
    editor->command(QStringLiteral("sbFTP"))->trigger();
    EXPECT_EQ(editor->ftpWindow(), first.data());
    EXPECT_FALSE(first->isMinimized());
    EXPECT_TRUE(first->close()); // not connected: closes without a question
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(editor->ftpWindow(), nullptr);
    editor->command(QStringLiteral("sbFTP"))->trigger();
    EXPECT_NE(editor->ftpWindow(), nullptr);
    EXPECT_TRUE(prompter.messages.empty());
}

} // namespace
} // namespace velloran
