// The editor options dialog driven through its real controls and keys.
#include "editor/builtinparsers.h"
#include "editor/editmodel.h"
#include "editor/htmlparser.h"
#include "editor/parserimage.h"
#include "editor/ui/codememo.h"
#include "editor/ui/optionsdialog.h"
#include "guitest.h"
#include "platform/paths.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontComboBox>
#include <QImage>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace velloran;

namespace {

std::string snapshot(const TCodeMemoParser& parser) {
    return WriteParserImage(parser.tables()) + '\n' + WriteSettingsString(parser.tables()) + '\n' +
           WriteKeyAssignments(parser.tables());
}

constexpr int kDefaultElement = 7; // "Default" in the HTML language: style 0
constexpr Color kGreen = 0x00FF00;

class OptionsDialogTest : public ::testing::Test {
protected:
    void open() {
        dialog = std::make_unique<TOptionsDialog>(parser);
        dialog->chooseColor = [this](Color) { return nextColor; };
        dialog->showMessage = [this](const QString& text) { messages << text; };
        dialog->show();
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    }
    template <class T>
    T* child(const char* name) const {
        T* found = dialog->findChild<T*>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    // Near the left edge: a check box answers clicks on its box and caption only.
    void click(const char* name) {
        auto* button = child<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    void page(int index) { dialog->pages()->setCurrentIndex(index); }
    // Ctrl+K then 5 for "Document end", in the real hotkey boxes.
    void assignCtrlK5() {
        page(2);
        child<QListWidget>("KeyList")->setCurrentRow(caDOCEND);
        auto* first = child<QWidget>("ccHotKey1");
        auto* second = child<QWidget>("ccHotKey2");
        first->setFocus();
        QTest::keyClick(first, Qt::Key_K, Qt::ControlModifier);
        second->setFocus();
        QTest::keyClick(second, Qt::Key_5);
        child<QWidget>("KeyList")->setFocus(); // leaving the box stores both strokes
    }

    TCodeMemoParser parser = htmlParser();
    std::unique_ptr<TOptionsDialog> dialog;
    std::optional<Color> nextColor = kGreen;
    QStringList messages;
};

} // namespace

TEST_F(OptionsDialogTest, CancelRestoresTheParserByteForByte) {
    const std::string before = snapshot(parser);
    open();
    click("DispWrapBox");
    EXPECT_FALSE(child<QCheckBox>("TabColBox")->isEnabled()); // no tab-to-column while wrapping
    EXPECT_TRUE(dialog->preview()->wordWrap());
    click("DispWrapBox");
    EXPECT_TRUE(child<QCheckBox>("TabColBox")->isEnabled());
    click("VisGutterBox");

    page(1);
    child<QListWidget>("SynElementsBox")->setCurrentRow(0);
    click("UseBoldBox");
    click("fgColorPanelButton");
    click("sbColorPanelButton");
    const int style0 = parser.tables().header.editableStyles[0].style;
    EXPECT_EQ(dialog->preview()->model().styleSheet().styles[style0].color, kGreen);
    auto* size = child<QComboBox>("FontSizeBox");
    size->setCurrentIndex(size->findText(QStringLiteral("24")));
    auto* font = child<QFontComboBox>("FontNameBox");
    font->setCurrentIndex(font->count() - 1);
    EXPECT_EQ(dialog->preview()->model().styleSheet().fontSize, 24);

    assignCtrlK5();
    EXPECT_EQ(child<QListWidget>("KeyList")->item(caDOCEND)->text(),
              QStringLiteral("Document end\tCtrl+K, 5"));
    EXPECT_NE(snapshot(parser), before);
    click("CancelButton");
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(snapshot(parser), before);
}

TEST_F(OptionsDialogTest, MarginBoxesTakeZeroTo199AndNumberBoxesOnlyDigits) {
    open();
    auto* gutter = child<QLineEdit>("LeftBorderWidthBox");
    gutter->setFocus();
    gutter->selectAll();
    QTest::keyClicks(gutter, QStringLiteral("200"));
    EXPECT_EQ(messages, QStringList{QStringLiteral("0-199 only")});
    EXPECT_EQ(parser.tables().header.gutter, 20); // "20" was taken on the way
    EXPECT_EQ(gutter->text(), QStringLiteral("20"));
    gutter->selectAll();
    QTest::keyClicks(gutter, QStringLiteral("199"));
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(parser.tables().header.gutter, 199);
    EXPECT_EQ(dialog->preview()->model().gutterWidth(), 199);

    auto* wrap = child<QLineEdit>("WrapColumnBox");
    wrap->setFocus();
    wrap->selectAll();
    QTest::keyClicks(wrap, QStringLiteral("7x2 "));
    QTest::keyClick(wrap, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(wrap, Qt::Key_Left);
    QTest::keyClick(wrap, Qt::Key_Backspace); // editing keys still work
    EXPECT_EQ(wrap->text(), QStringLiteral("2"));
    QTest::keyClicks(wrap, QStringLiteral("64"));
    child<QWidget>("IndentStepBox")->setFocus(); // the number is taken on leaving
    EXPECT_EQ(parser.tables().header.wrapColumn, 642);
    EXPECT_EQ(dialog->preview()->model().wrapAtColumn(), 642);
    click("OKButton");
    EXPECT_EQ(parser.tables().header.wrapColumn, 642);
}

TEST_F(OptionsDialogTest, OkRepaintsEveryEditorOfTheLanguage) {
    TCodeMemoParser other = htmlParser();
    std::array<TCodeMemo, 3> editors;
    for (TCodeMemo& memo : editors) {
        memo.resize(300, 120);
        memo.model().setText("plain text\r<b>bold</b>\r");
    }
    editors[0].setParser(1, &parser);
    editors[1].setParser(1, &parser);
    editors[2].setParser(1, &other);
    for (TCodeMemo& memo : editors)
        memo.show();

    // The dialog as the editor's "Display Properties" runs it: modally.
    editors[0].onModifyProperties = [&](const TCodeMemoParser&) {
        return ModifyProperties(parser, nullptr);
    };
    QTimer::singleShot(0, [&] {
        auto* shown = qobject_cast<TOptionsDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(shown, nullptr);
        shown->chooseColor = [](Color) { return kGreen; };
        shown->pages()->setCurrentIndex(1);
        shown->findChild<QListWidget*>(QStringLiteral("SynElementsBox"))
            ->setCurrentRow(kDefaultElement);
        shown->findChild<QPushButton*>(QStringLiteral("bgColorPanelButton"))->click();
        shown->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
    });
    ASSERT_TRUE(editors[0].ModifyParserProperties());

    const auto showsGreen = [](TCodeMemo& memo) {
        const QImage image = memo.viewport()->grab().toImage();
        return image.pixelColor(image.width() - 5, image.height() - 5) == QColor(0, 255, 0);
    };
    EXPECT_EQ(parser.tables().styles[0].back, kGreen);
    EXPECT_TRUE(showsGreen(editors[0]));
    EXPECT_TRUE(showsGreen(editors[1]));
    EXPECT_FALSE(showsGreen(editors[2]));
}

TEST_F(OptionsDialogTest, BackspaceTabAndDeleteAreStrokesInTheHotKeyBoxes) {
    open();
    page(2);
    auto* list = child<QListWidget>("KeyList");
    list->setCurrentRow(caUNDO);
    auto* first = child<QWidget>("ccHotKey1");
    auto* second = child<QWidget>("ccHotKey2");
    first->setFocus();
    QTest::keyClick(first, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(list->item(caUNDO)->text(), QStringLiteral("Undo\tCtrl+Delete"));
    QTest::keyClick(first, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(first->hasFocus());
    second->setFocus();
    QTest::keyClick(second, Qt::Key_Backspace, Qt::ControlModifier); // the modifier is dropped
    EXPECT_TRUE(second->hasFocus());
    list->setFocus();
    EXPECT_EQ(list->item(caUNDO)->text(), QStringLiteral("Undo\tShift+Tab, Backspace"));
    click("OKButton");
    EXPECT_EQ(parser.tables().keys[caUNDO].first, MakeShortcut(kVkTab, true, false, false));
    EXPECT_EQ(parser.tables().keys[caUNDO].second, kVkBack);
}

// With VELLORAN_SCREENSHOT_DIR set, each page is saved there for people to look at.
TEST_F(OptionsDialogTest, Screenshots) {
    const char* dir = std::getenv("VELLORAN_SCREENSHOT_DIR");
    open();
    assignCtrlK5();
    for (int i = 0; i < dialog->pages()->count(); ++i) {
        page(i);
        QCoreApplication::processEvents();
        const QPixmap shot = dialog->grab();
        EXPECT_FALSE(shot.isNull());
        if (dir) {
            EXPECT_TRUE(shot.save(QString::fromLocal8Bit(dir) + "/options-page-" +
                                  QString::number(i + 1) + ".png"));
        }
    }
}
