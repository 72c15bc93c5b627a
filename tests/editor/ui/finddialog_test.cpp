// The control's find and replace dialogs driven by real key and mouse events, their
// questions and messages, and the parser options entry.
#include "editor/builtinparsers.h"
#include "editor/ui/codememo.h"
#include "editor/ui/finddialog.h"
#include "platform/paths.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <deque>
#include <gtest/gtest.h>

using namespace velloran;

namespace {

using Range = std::pair<Position, Position>;

// The control with its questions answered from `answers` and its messages recorded.
class FindDialogTest : public ::testing::Test {
protected:
    FindDialogTest() {
        memo.resize(600, 400);
        memo.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&memo));
        defaultAsk = memo.askReplace;
        defaultShow = memo.showMessage;
        memo.showMessage = [this](MessageKind kind, const QString& text) {
            messages.push_back({kind, text});
        };
        memo.askReplace = [this](const QString& question) {
            questions << question;
            const ReplaceAnswer answer = answers.empty() ? ReplaceAnswer::Cancel : answers.front();
            if (!answers.empty())
                answers.pop_front();
            return answer;
        };
    }

    void setText(std::string_view text) {
        memo.lines().setText(text);
        memo.model().emptyUndoBuffer();
        memo.select(0, 0);
    }
    [[nodiscard]] std::string text() const {
        return memo.model().store().text(0, memo.model().length());
    }
    [[nodiscard]] Range selection() const {
        return {memo.model().selectionStart(), memo.model().selectionEnd()};
    }
    static void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    TCodeMemo memo;
    std::function<ReplaceAnswer(const QString&)> defaultAsk;
    std::function<void(MessageKind, const QString&)> defaultShow;
    std::vector<std::pair<MessageKind, QString>> messages;
    std::deque<ReplaceAnswer> answers;
    QStringList questions;
};

} // namespace

TEST_F(FindDialogTest, FindNextWalksTheMatchesAndReportsFailures) {
    setText("one two one\rthree one\r");
    memo.ShowFindDialog();
    TFindDialog* dialog = memo.findDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->findNextButton()->isEnabled());
    QTest::keyClicks(dialog->findEdit(), "one");
    for (const Range& expected : {Range(0, 3), Range(8, 11), Range(18, 21), Range(18, 21)}) {
        click(dialog->findNextButton());
        EXPECT_EQ(selection(), expected);
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], std::pair(MessageKind::Information,
                                     QStringLiteral("Search string \"one\" not found")));

    setText("bone One one");
    dialog->matchCaseBox()->setChecked(true);
    dialog->wholeWordsBox()->setChecked(true);
    click(dialog->findNextButton());
    EXPECT_EQ(selection(), Range(9, 12));

    // A pattern that does not compile: the warning alone, with the caret under the fault.
    messages.clear();
    dialog->regexBox()->setChecked(true);
    dialog->findEdit()->setText(QStringLiteral("a(b"));
    click(dialog->findNextButton());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0],
              std::pair(MessageKind::Warning, QStringLiteral("a(b\n   ^\nUnmatched parenthesis")));
    EXPECT_EQ(selection(), Range(9, 12));
}

TEST_F(FindDialogTest, OpensFromFindTextWithTheSelectionUnlessARegexWasLast) {
    setText("alpha beta gamma");
    memo.select(6, 10);
    Position position = 0;
    EXPECT_FALSE(memo.model().findText("x", position, kMatchCase));
    TFindDialog* dialog = memo.findDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->findEdit()->text(), QStringLiteral("beta"));
    EXPECT_TRUE(dialog->matchCaseBox()->isChecked());
    EXPECT_FALSE(memo.hideSelection()); // the match shows while the dialog has the focus

    dialog->findEdit()->setText(QStringLiteral("g.m+"));
    dialog->regexBox()->setChecked(true);
    EXPECT_TRUE(dialog->findNext());
    EXPECT_EQ(selection(), Range(11, 15));
    click(dialog->closeButton());
    EXPECT_TRUE(memo.hideSelection());
    memo.select(0, 5);
    memo.ShowFindDialog();
    EXPECT_EQ(dialog->findEdit()->text(), QStringLiteral("g.m+"));
    EXPECT_TRUE(dialog->regexBox()->isChecked());

    memo.ShowReplaceDialog(); // one of the two at a time
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(memo.replaceDialog()->isVisible());
}

TEST_F(FindDialogTest, ReplaceAllAsksForEachMatchAndEachReplacementUndoes) {
    setText("cat cat cat cat\r");
    answers = {ReplaceAnswer::No, ReplaceAnswer::Yes, ReplaceAnswer::All};
    memo.ShowReplaceDialog();
    TReplaceDialog* dialog = memo.replaceDialog();
    QTest::keyClicks(dialog->findEdit(), "cat");
    QTest::keyClicks(dialog->replaceEdit(), "dog");
    click(dialog->replaceAllButton());
    EXPECT_EQ(text(), "cat dog dog dog\r");
    ASSERT_EQ(questions.size(), 3);
    EXPECT_EQ(questions[0], QStringLiteral("Replace this occurence of 'cat' with 'dog' ?"));
    EXPECT_EQ(messages.back().second, QStringLiteral("3 occurrences replaced"));
    for (const char* before : {"cat dog dog cat\r", "cat dog cat cat\r", "cat cat cat cat\r"}) {
        memo.model().undo();
        EXPECT_EQ(text(), before);
    }
    EXPECT_FALSE(memo.model().canUndo());

    memo.select(0, 0); // replacing starts at the selection
    answers = {ReplaceAnswer::Yes, ReplaceAnswer::Cancel};
    EXPECT_EQ(dialog->replaceAll(), 1);
    EXPECT_EQ(text(), "dog cat cat cat\r");
    EXPECT_EQ(messages.back().second, QStringLiteral("1 occurrence replaced"));
    memo.setReadOnly(true);
    memo.ShowReplaceDialog();
    EXPECT_FALSE(dialog->replaceAllButton()->isEnabled());
}

// The default boxes map their buttons and keep a pattern's columns. With
// VELLORAN_SCREENSHOT_DIR set, dialogs and boxes are saved there for people to look at.
TEST_F(FindDialogTest, DefaultBoxesAndScreenshots) {
    const char* dir = std::getenv("VELLORAN_SCREENSHOT_DIR");
    const auto shoot = [dir](QWidget* widget, const char* name) {
        if (dir) {
            EXPECT_TRUE(widget->grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png"));
        }
    };
    // Each box that opens is saved under the next name and answered with the next button.
    std::deque<std::pair<const char*, QMessageBox::StandardButton>> plan;
    QStringList shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || plan.empty())
            return;
        shown << box->text();
        shoot(box, plan.front().first);
        box->button(plan.front().second)->click();
        plan.pop_front();
    });
    poll.start(20);
    memo.askReplace = defaultAsk;
    memo.showMessage = defaultShow;

    setText("<p>cat</p> <p>cat</p> <p>cat</p>\r");
    memo.ShowReplaceDialog();
    memo.replaceDialog()->findEdit()->setText(QStringLiteral("cat"));
    memo.replaceDialog()->replaceEdit()->setText(QStringLiteral("dog"));
    shoot(memo.replaceDialog(), "replace-dialog");
    plan = {{"replace-question", QMessageBox::No},
            {"replace-question-2", QMessageBox::YesToAll},
            {"replace-count", QMessageBox::Ok}};
    EXPECT_EQ(memo.replaceDialog()->replaceAll(), 2);
    EXPECT_EQ(text(), "<p>cat</p> <p>dog</p> <p>dog</p>\r");

    memo.select(0, 0);
    memo.ShowFindDialog();
    TFindDialog* find = memo.findDialog();
    find->findEdit()->setText(QStringLiteral("a(b"));
    find->regexBox()->setChecked(true);
    plan = {{"regex-warning", QMessageBox::Ok}};
    EXPECT_FALSE(find->findNext());
    ASSERT_EQ(shown.size(), 4);
    EXPECT_TRUE(shown[3].startsWith(QStringLiteral("<pre>a(b\n   ^\n"))) << shown[3].toStdString();

    find->regexBox()->setChecked(false);
    find->findEdit()->setText(QStringLiteral("dog"));
    EXPECT_TRUE(find->findNext());
    QTest::qWait(50);
    shoot(find, "find-dialog");
    shoot(memo.window(), "find-match");
}

TEST(CodeMemoParserProperties, WithoutAParserSaysSo) {
    TCodeMemo memo;
    QStringList said;
    memo.showMessage = [&](MessageKind, const QString& text) { said << text; };
    EXPECT_FALSE(memo.ModifyParserProperties());
    EXPECT_EQ(said, QStringList{QStringLiteral("No active parser")});

    static const BuiltinParsers parsers = LoadBuiltinParsers(ProgramDir(), {});
    const TCodeMemoParser* html = parsers.forRuleSet(kHtmlRuleSet);
    ASSERT_NE(html, nullptr) << "parsers/html.vpi missing";
    memo.setParser(1, html);
    EXPECT_FALSE(memo.ModifyParserProperties()); // nobody to run a dialog: nothing else
    EXPECT_EQ(said.size(), 1);
    memo.setParser(6, html);
    memo.setActiveParser(6); // the sixth slot never counts as active
    EXPECT_FALSE(memo.ModifyParserProperties());
    EXPECT_EQ(said.size(), 2);
}
