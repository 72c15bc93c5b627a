// The preview window on the real web engine, driven through the main window's commands.
#include "app/editorentry.h"
#include "app/mainwindowfixture.h"
#include "editor/ui/codememo.h"
#include "platform/inifile.h"
#include "tools/ui/tfhtmlview.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTabBar>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <memory>

namespace velloran {

namespace {

// The engine runs in another process; these waits are for its answers, not for time.
constexpr int kEngineTimeoutMs = 60000;

QVariant evaluate(TfHtmlView& view, const QString& script) {
    auto result = std::make_shared<std::optional<QVariant>>();
    view.htmlview->page()->runJavaScript(script, [result](const QVariant& v) { *result = v; });
    waitFor([&] { return result->has_value(); }, kEngineTimeoutMs);
    return result->value_or(QVariant());
}

// Asks the page until the script gives `expected`; a page still loading answers otherwise.
bool pageSays(TfHtmlView& view, const QString& script, const QVariant& expected) {
    QVariant last;
    const bool said = waitFor(
        [&] {
            last = evaluate(view, script);
            return last == expected;
        },
        kEngineTimeoutMs);
    if (!said)
        ADD_FAILURE() << script.toStdString() << " gave " << last.toString().toStdString();
    return said;
}

// Waits until the render last asked for has finished.
bool settled(TfHtmlView& view) {
    return waitFor([&] { return !view.rendering(); }, kEngineTimeoutMs);
}

// Runs `step` and waits for the render it starts, now or once a timer fires.
bool renders(TfHtmlView& view, const std::function<void()>& step) {
    if (!settled(view))
        return false;
    QSignalSpy spy(&view, &TfHtmlView::rendered);
    step();
    return waitFor([&] { return !spy.isEmpty(); }, kEngineTimeoutMs);
}

QString text(TfHtmlView& view) {
    return evaluate(view, QStringLiteral("document.body.innerText")).toString();
}

class PreviewTest : public MainWindowTest {
protected:
    // Opens `name` and previews it through the preview command.
    TfHtmlView& preview(TfEditor& editor, const QString& name) {
        editor.OpenFile(dir.filePath(name).toStdString(), false);
        editor.command(QStringLiteral("sbHTML"))->trigger();
        TfHtmlView* view = editor.previewWindow();
        EXPECT_NE(view, nullptr);
        EXPECT_TRUE(settled(*view));
        return *view;
    }

    void picture(const QString& name, int width) {
        QImage image(width, 5, QImage::Format_RGB32);
        image.fill(Qt::blue);
        image.save(dir.filePath(name));
    }

    // Closes the window as the user does; it goes away on the next pass of the loop.
    static void closeByUser(TfEditor& editor) {
        editor.previewWindow()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

} // namespace

TEST_F(PreviewTest, RefreshShowsTheUnsavedTextAndTheSecondCommandOnlyBringsItForward) {
    file("index.htm", "<P>saved</P>");
    auto editor = start();
    editor->OpenFile(dir.filePath("index.htm").toStdString(), false);
    editor->command(QStringLiteral("sbHTML"))->trigger();
    TfHtmlView* view = editor->previewWindow();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->windowTitle(), "Velloran HTML Viewer");
    EXPECT_TRUE(view->sbViewImg->isChecked());
    EXPECT_FALSE(view->sbStayOnTop->isChecked());
    EXPECT_FALSE(view->sbLive->isChecked());
    ASSERT_TRUE(settled(*view));
    ASSERT_TRUE(pageSays(*view, QStringLiteral("document.body.innerText"), "saved"));

    TCodeMemo& memo = *editor->CurrentEntry()->Memo;
    memo.model().typeText("typed ");
    ASSERT_TRUE(renders(*view, [&] { view->sbRefresh->trigger(); }));
    EXPECT_EQ(text(*view).toStdString(), "typed\n\nsaved");
    EXPECT_EQ(fileBytes(dir.filePath("index.htm")), "<P>saved</P>") << "never the file";

    evaluate(*view, QStringLiteral("window.marker = 7"));
    memo.model().typeText("more ");
    view->showMinimized();
    editor->command(QStringLiteral("HTMLViewer1"))->trigger();
    EXPECT_EQ(editor->previewWindow(), view);
    EXPECT_FALSE(view->isMinimized());
    EXPECT_TRUE(view->isVisible());
    EXPECT_EQ(evaluate(*view, QStringLiteral("window.marker")).toInt(), 7);
    EXPECT_EQ(text(*view).toStdString(), "typed\n\nsaved") << "brought forward, not rendered again";
}

TEST_F(PreviewTest, EachPageShowsInItsOwnEncodingWhateverItsSize) {
    file("cafe.htm", "<P>caf\xe9</P>");
    QByteArray big;
    for (int i = 0; big.size() < 5 * 1024 * 1024; ++i)
        big += "<P>line " + QByteArray::number(i) + " of a page well over the old limit</P>\r\n";
    big += "<P id=last>the last line</P>";
    file("big.htm", big);
    auto editor = start();
    TfHtmlView& view = preview(*editor, QStringLiteral("cafe.htm"));
    ASSERT_TRUE(pageSays(view, QStringLiteral("document.body.innerText"), "café"));
    EXPECT_EQ(evaluate(view, QStringLiteral("document.characterSet")).toString(), "windows-1252");

    editor->OpenFile(dir.filePath("big.htm").toStdString(), false);
    ASSERT_TRUE(renders(view, [&] { view.Refresh(); }));
    EXPECT_EQ(evaluate(view, QStringLiteral("document.getElementById('last').innerText")),
              "the last line");
    EXPECT_EQ(evaluate(view, QStringLiteral("document.characterSet")).toString(), "UTF-8");
}

TEST_F(PreviewTest, RelativeReferencesResolveAgainstTheFolderAndOpenDocumentsAsTyped) {
    QDir(dir.path()).mkdir(QStringLiteral("site"));
    picture(QStringLiteral("site/pic.png"), 7);
    file("site/style.css", "p { color: rgb(0, 0, 255) }");
    file("site/index.htm", "<LINK REL=stylesheet HREF=\"style.css\"><P>x</P><IMG SRC=\"pic.png\">");
    auto editor = start();
    editor->OpenFile(dir.filePath("site/style.css").toStdString(), false);
    editor->CurrentEntry()->Memo->model().setText("p { color: rgb(255, 0, 0) }");
    TfHtmlView& view = preview(*editor, QStringLiteral("site/index.htm"));
    const QString color = QStringLiteral("getComputedStyle(document.querySelector('p')).color");
    const QString width = QStringLiteral("document.images[0].naturalWidth");
    ASSERT_TRUE(pageSays(view, width, 7));
    EXPECT_EQ(evaluate(view, color).toString(), "rgb(255, 0, 0)") << "the unsaved style sheet";

    view.sbViewImg->trigger();
    ASSERT_FALSE(view.sbViewImg->isChecked());
    ASSERT_TRUE(renders(view, [&] { view.Refresh(); }));
    EXPECT_EQ(evaluate(view, width).toInt(), 0) << "images off loads none";
    view.sbViewImg->trigger();

    // A document never saved resolves against the current folder.
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.filePath("site"));
    editor->command(QStringLiteral("bbnew"))->trigger();
    editor->CurrentEntry()->Memo->model().setText("<IMG SRC=\"pic.png\">");
    const bool rendered = renders(view, [&] { view.Refresh(); });
    QDir::setCurrent(before);
    ASSERT_TRUE(rendered);
    EXPECT_EQ(evaluate(view, width).toInt(), 7);
}

TEST_F(PreviewTest, TheLinkUnderTheMouseAndAnOpenCommentShowInTheStatusLine) {
    file("links.htm", "<A HREF=\"next.htm\" STYLE=\"display:block;width:300px;height:80px\">go</A>"
                      "<DIV STYLE=\"height:400px\"></DIV>");
    file("open.htm", "<P>shown<!-- and the rest hidden");
    auto editor = start();
    TfHtmlView& view = preview(*editor, QStringLiteral("open.htm"));
    ASSERT_TRUE(pageSays(view, QStringLiteral("document.body.innerText"), "shown"));
    EXPECT_EQ(view.StatusLine->text().toStdString(), "Open Comment at End of HTML File");

    editor->OpenFile(dir.filePath("links.htm").toStdString(), false);
    ASSERT_TRUE(renders(view, [&] { view.Refresh(); }));
    EXPECT_EQ(view.StatusLine->text().toStdString(), "");
    QWidget* surface = view.htmlview->focusProxy();
    ASSERT_NE(surface, nullptr);
    // Moves the mouse until the engine has seen it; a page not yet painted drops moves.
    const auto hover = [&](QPoint at, const std::function<bool()>& shown) {
        return waitFor(
            [&] {
                QMouseEvent move(QEvent::MouseMove, at, surface->mapToGlobal(at), Qt::NoButton,
                                 Qt::NoButton, Qt::NoModifier);
                QCoreApplication::sendEvent(surface, &move);
                return shown();
            },
            kEngineTimeoutMs);
    };
    const QString target = QUrl::fromLocalFile(dir.filePath("next.htm")).toString();
    EXPECT_TRUE(hover({40, 30}, [&] { return view.StatusLine->text() == target; }))
        << view.StatusLine->text().toStdString();
    EXPECT_TRUE(hover({40, 300}, [&] { return view.StatusLine->text().isEmpty(); }));

    // Off the link again, an open comment's report comes back.
    editor->CurrentEntry()->Memo->model().typeText("<!-- ");
    ASSERT_TRUE(renders(view, [&] { view.Refresh(); }));
    EXPECT_TRUE(hover(
        {40, 300}, [&] { return view.StatusLine->text() == "Open Comment at End of HTML File"; }));
}

TEST_F(PreviewTest, LiveRendersWhenTypingPausesAndKeepsTheScrollPosition) {
    file("style.css", "p { color: rgb(0, 0, 255) }");
    file("long.htm", "<LINK REL=stylesheet HREF=\"style.css\"><P>top</P>"
                     "<DIV STYLE=\"height:5000px\"></DIV><P>end</P>");
    auto editor = start();
    editor->OpenFile(dir.filePath("style.css").toStdString(), false);
    TfHtmlView& view = preview(*editor, QStringLiteral("long.htm"));
    ASSERT_TRUE(pageSays(view, QStringLiteral("document.body.innerText.startsWith('top')"), true));
    view.sbLive->trigger();
    evaluate(view, QStringLiteral("window.scrollTo(0, 1200)"));
    ASSERT_TRUE(pageSays(view, QStringLiteral("window.scrollY"), 1200));

    TCodeMemo& page = *editor->CurrentEntry()->Memo;
    ASSERT_TRUE(renders(view, [&] {
        page.model().typeText("A");
        page.model().typeText("B");
    }));
    EXPECT_TRUE(text(view).startsWith("AB")) << text(view).toStdString();
    EXPECT_EQ(evaluate(view, QStringLiteral("window.scrollY")).toInt(), 1200);

    // A style sheet the page uses counts too, and the page stays the page.
    editor->FileTabs->setCurrentIndex(0);
    ASSERT_EQ(editor->CurrentEntry()->FileName, dir.filePath("style.css").toStdString());
    ASSERT_TRUE(renders(view, [&] {
        editor->CurrentEntry()->Memo->model().setText("p { color: rgb(0, 128, 0) }");
    }));
    EXPECT_EQ(evaluate(view, QStringLiteral("getComputedStyle(document.querySelector('p')).color"))
                  .toString(),
              "rgb(0, 128, 0)");
    EXPECT_TRUE(text(view).startsWith("AB"));
}

TEST_F(PreviewTest, APictureOpensInThePreviewAndNoTab) {
    picture(QStringLiteral("logo.png"), 9);
    auto editor = start();
    editor->OpenFile(dir.filePath("logo.png").toStdString(), false);
    EXPECT_EQ(editor->documentTabCount(), 0);
    TfHtmlView* view = editor->previewWindow();
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->isVisible());
    ASSERT_TRUE(settled(*view));
    EXPECT_TRUE(pageSays(*view, QStringLiteral("document.contentType"), "image/png"));
    EXPECT_TRUE(pageSays(*view, QStringLiteral("document.images[0].naturalWidth"), 9));
    EXPECT_EQ(prompter.busyDepth, 0);
    EXPECT_GT(prompter.busyPeak, 0);
}

TEST_F(PreviewTest, ClosingKeepsThePlaceOfTheNormalLayoutOnly) {
    file("index.htm", "<P>x</P>");
    auto editor = start();
    preview(*editor, QStringLiteral("index.htm"));
    editor->previewWindow()->setGeometry(40, 50, 500, 300);
    closeByUser(*editor);
    ASSERT_EQ(editor->previewWindow(), nullptr);
    IniFile ini(settingsPath().toStdString());
    EXPECT_EQ(ini.readInteger("HTMLView", "Width", 0), 500);
    EXPECT_EQ(ini.readInteger("HTMLView", "Left", 0), 40);
    EXPECT_EQ(ini.readInteger("HTMLView", "State", 9), 0);

    editor->command(QStringLiteral("sbHTML"))->trigger();
    TfHtmlView* view = editor->previewWindow();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->geometry(), QRect(40, 50, 500, 300)) << "a new window takes the stored place";
    view->showMaximized();
    ASSERT_TRUE(waitFor([&] { return view->isMaximized(); }));
    closeByUser(*editor);
    ini = IniFile(settingsPath().toStdString());
    EXPECT_EQ(ini.readInteger("HTMLView", "State", 9), 2);
    EXPECT_EQ(ini.readInteger("HTMLView", "Width", 0), 500) << "the last normal size stays";
    EXPECT_EQ(ini.readInteger("HTMLView", "Top", 0), 50);

    // With layout 2 chosen, closing writes nothing; saving the layout writes its window.
    editor->command(QStringLiteral("Layout21"))->trigger();
    editor->command(QStringLiteral("sbHTML"))->trigger();
    editor->command(QStringLiteral("Layout22"))->trigger();
    ini = IniFile(settingsPath().toStdString());
    EXPECT_EQ(ini.readInteger("HTMLView2", "Visible", 0), 1);
    const QByteArray saved = fileBytes(settingsPath());
    closeByUser(*editor);
    EXPECT_EQ(fileBytes(settingsPath()), saved);

    // A layout that shows the window makes it when it does not exist.
    editor->command(QStringLiteral("Layout21"))->trigger();
    ASSERT_NE(editor->previewWindow(), nullptr);
    EXPECT_TRUE(editor->previewWindow()->isVisible());
}

} // namespace velloran
