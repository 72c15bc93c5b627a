// The document skeleton command through the real main window: the Link Tags button, the
// page split into the dialog, the rebuild undone in one step, and the project templates.
#include "app/editorentry.h"
#include "app/mainwindowfixture.h"
#include "editor/ui/codememo.h"
#include "tags/ui/tfhtml.h"

#include <QAction>
#include <QTest>
#include <QToolBar>

using namespace velloran;

namespace {

class SkeletonCommandTest : public MainWindowTest {
protected:
    static EditModel& model(const TfEditor& editor) { return editor.CurrentEntry()->Memo->model(); }
    static void run(TfEditor& editor, std::function<int(TfHTML&)> answer) {
        editor.execDialog = [answer = std::move(answer)](QDialog& dialog) {
            return answer(dynamic_cast<TfHTML&>(dialog));
        };
        editor.command(QStringLiteral("sbHTMLTag"))->trigger();
    }
};

} // namespace

TEST_F(SkeletonCommandTest, ThePlainBodyPageSplitsAndAFragmentIsWrappedUndoneInOneStep) {
    const QByteArray page = "<html><body bgcolor=#FFFFFF>\r\nHello\r\n</body></html>";
    auto editor = start({file("page.htm", page).toStdString()});
    QAction* button = editor->command(QStringLiteral("sbHTMLTag"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->toolTip(), "HTML Tags");
    EXPECT_TRUE(editor->toolbar(6)->actions().contains(button)) << "on the Link Tags toolbar";
    EXPECT_FALSE(button->icon().isNull());

    run(*editor, [](TfHTML& dialog) {
        EXPECT_EQ(dialog.headerText(), "<html><body bgcolor=#FFFFFF>");
        EXPECT_EQ(dialog.footerText(), "</body></html>");
        EXPECT_EQ(dialog.colorBackground->color(), QColor(Qt::white));
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(model(*editor).getText(), page.toStdString());
    EXPECT_FALSE(model(*editor).modified()) << "OK with no change writes the same text";

    run(*editor, [](TfHTML& dialog) {
        QTest::keyClicks(dialog.eBGImg, "sky.png");
        return int(QDialog::Rejected);
    });
    EXPECT_EQ(model(*editor).getText(), page.toStdString()) << "Cancel leaves the page";

    // A fragment gets the built-in header and footer around it.
    model(*editor).setText("<P>Caf\xC3\xA9</P>");
    model(*editor).setModified(false);
    run(*editor, [](TfHTML& dialog) {
        EXPECT_EQ(dialog.headerText(), BuiltInHeader(Encoding::Utf8));
        QTest::keyClicks(dialog.eTitle, "Home");
        return int(QDialog::Accepted);
    });
    std::string expected = BuiltInHeader(Encoding::Utf8);
    expected.replace(expected.find("<TITLE>") + 7, 0, "Home");
    EXPECT_EQ(model(*editor).getText(), expected + "<P>Caf\xC3\xA9</P>" + BuiltInFooter());
    EXPECT_EQ(model(*editor).caret(), 1);
    model(*editor).undo();
    EXPECT_EQ(model(*editor).getText(), "<P>Caf\xC3\xA9</P>");
    EXPECT_FALSE(model(*editor).modified());
}

TEST_F(SkeletonCommandTest, AWindows1252PageTakesTheProjectTemplatesInItsOwnEncoding) {
    auto editor = start({file("old.htm", "<P>\xE9t\xE9</P>").toStdString()});
    ASSERT_EQ(model(*editor).encoding(), Encoding::Windows1252);
    dm.state.projectFileName = dir.filePath("site.vpr").toStdString();
    file("sitehead.txt", "<HTML><BODY>\n<!-- End Header -->\xE2\x82\xAC\xE2\x86\x92");
    run(*editor, [](TfHTML& dialog) {
        EXPECT_EQ(dialog.headerText(),
                  "<HTML><BODY>\r\n<!-- End Header -->\xE2\x82\xAC\xE2\x86\x92");
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(model(*editor).getText(),
              "<HTML><BODY>\r\n<!-- End Header -->\x80&#8594;<P>\xE9t\xE9</P>" + BuiltInFooter());

    // Run again on its own result: the markers find the same parts.
    const std::string before = model(*editor).getText();
    run(*editor, [](TfHTML& dialog) {
        // The footer starts at its marker; the line end before it stays with the body.
        EXPECT_EQ(dialog.footerText(), BuiltInFooter().substr(2));
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(model(*editor).getText(), before);
}
