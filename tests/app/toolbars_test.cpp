// The main window's toolbars as a user and a screen reader meet them: every glyph button
// shows a picture of its own, both rows fit the default window, and every drop-down
// button offers its menu, whose items are read while it is open.
#include "app/editorentry.h"
#include "app/layout.h"
#include "app/mainwindowfixture.h"
#include "app/toolbaricons.h"
#include "editor/ui/codememo.h"

#include <QAccessible>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <map>
#include <optional>
#include <vector>

using namespace velloran;

namespace {

struct MenuItem {
    QString name;
    bool visible;
    bool checked;
    bool disabled;
};

class ToolbarsTest : public MainWindowTest {
protected:
    std::unique_ptr<TfEditor> startWithPage() {
        return start({file("page.htm", "line one\nline two\n").toStdString()});
    }

    static QToolButton* button(const TfEditor& editor, const char* name) {
        QAction* action = editor.command(QString::fromLatin1(name));
        for (int tag = 1; tag <= kToolbarCount; ++tag)
            if (auto* found =
                    qobject_cast<QToolButton*>(editor.toolbar(tag)->widgetForAction(action)))
                return found;
        return nullptr;
    }

    // Runs an accessible action of the button and reads, through the accessible
    // interface the button exposes as its child, the menu while it is open. None when
    // the action opened no menu.
    static std::optional<std::vector<MenuItem>> readOpenMenu(QToolButton* button,
                                                             const QString& actionName) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
        std::optional<std::vector<MenuItem>> items;
        QTimer reader; // fires inside the menu's own event loop, once it is up
        reader.setSingleShot(true);
        QObject::connect(&reader, &QTimer::timeout, [&] {
            QMenu* menu = button->menu();
            if (menu == nullptr || !menu->isVisible() || face->childCount() != 1)
                return;
            QAccessibleInterface* menuFace = face->child(0);
            items.emplace();
            for (int i = 0; i < menuFace->childCount(); ++i) {
                QAccessibleInterface* item = menuFace->child(i);
                const QAccessible::State state = item->state();
                items->push_back({item->text(QAccessible::Name), !state.invisible,
                                  state.checkable && state.checked,
                                  static_cast<bool>(state.disabled)});
            }
            menu->close();
        });
        reader.start(0);
        face->actionInterface()->doAction(actionName);
        return items;
    }

    static std::vector<QString> visibleNames(const std::vector<MenuItem>& items) {
        std::vector<QString> names;
        for (const MenuItem& item : items)
            if (item.visible)
                names.push_back(item.name);
        return names;
    }
};

const QString& showMenu() {
    return QAccessibleActionInterface::showMenuAction();
}

} // namespace

TEST_F(ToolbarsTest, EveryDropDownButtonOffersItsMenuToAssistiveTechnology) {
    auto editor = startWithPage();
    const std::map<std::string, QMenu*> dropDowns = {
        {"bbOpenProj", editor->pmRecentFiles},
        {"bbGotoMark", editor->pmGotoMark},
        {"bbSetMark", editor->pmSetMark},
        {"sbFontStyle", editor->pmFontStyles},
        {"sbParagraphAttrib", editor->pmParagraphStyle},
        {"sbParagraph", editor->pmParagraph},
        {"sbUList", editor->pmListStyle}};
    for (const auto& [name, menu] : dropDowns) {
        SCOPED_TRACE(name);
        QToolButton* found = button(*editor, name.c_str());
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->menu(), menu);
        EXPECT_EQ(found->popupMode(), QToolButton::MenuButtonPopup);
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(found);
        const QStringList actions = face->actionInterface()->actionNames();
        EXPECT_TRUE(actions.contains(showMenu())) << actions.join(',').toStdString();
        // The button's own command stays within reach beside its menu.
        EXPECT_TRUE(actions.contains(found->isCheckable()
                                         ? QAccessibleActionInterface::toggleAction()
                                         : QAccessibleActionInterface::pressAction()))
            << actions.join(',').toStdString();
        EXPECT_EQ(face->role(), QAccessible::ButtonMenu);
    }
    // No other button of the window hides a menu from assistive technology.
    for (QToolButton* any : editor->findChildren<QToolButton*>()) {
        const QAction* action = any->defaultAction();
        if (action != nullptr && action->menu() != nullptr) {
            EXPECT_TRUE(dropDowns.count(action->objectName().toStdString()))
                << action->objectName().toStdString();
        }
    }
}

TEST_F(ToolbarsTest, OpenMenusReadTheirCaptionsChecksAndVisibility) {
    auto editor = startWithPage();
    dm.state.recentProjects = {"/sites/one/one.vpr", "/sites/two/two.vpr"};

    auto gotoMark = readOpenMenu(button(*editor, "bbGotoMark"), showMenu());
    ASSERT_TRUE(gotoMark.has_value());
    ASSERT_EQ(gotoMark->size(), 11u);
    EXPECT_EQ((*gotoMark)[3].name, "Bookmark 3");
    EXPECT_EQ(visibleNames(*gotoMark), std::vector<QString>{"No Bookmarks set"});

    TCodeMemo& memo = *editor->CurrentEntry()->Memo;
    memo.select(12, 12);
    editor->command(QStringLiteral("Bookmark31"))->trigger();
    const auto setMark = readOpenMenu(button(*editor, "bbSetMark"), showMenu());
    ASSERT_TRUE(setMark.has_value());
    ASSERT_EQ(setMark->size(), 10u);
    for (int i = 0; i <= 9; ++i) {
        EXPECT_EQ((*setMark)[i].name, QStringLiteral("Bookmark %1").arg(i));
        EXPECT_EQ((*setMark)[i].checked, i == 3) << i;
    }
    // Pressing the button part of a drop-down without a command opens the same menu.
    gotoMark =
        readOpenMenu(button(*editor, "bbGotoMark"), QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(gotoMark.has_value());
    EXPECT_EQ(visibleNames(*gotoMark), std::vector<QString>{"Bookmark 3"});

    const auto recent = readOpenMenu(button(*editor, "bbOpenProj"), showMenu());
    ASSERT_TRUE(recent.has_value());
    EXPECT_EQ(visibleNames(*recent), (std::vector<QString>{"one.vpr", "two.vpr"}));

    const auto lists = readOpenMenu(button(*editor, "sbUList"), showMenu());
    ASSERT_TRUE(lists.has_value());
    EXPECT_EQ(visibleNames(*lists),
              (std::vector<QString>{"Bulletted", "Numbered", "Description", "Directory", "Menu"}));
    EXPECT_TRUE((*lists)[2].disabled);
    EXPECT_FALSE((*lists)[0].disabled);
    // Reading the list menu chose nothing: list mode is still off.
    EXPECT_FALSE(editor->command(QStringLiteral("sbUList"))->isChecked());
}

TEST_F(ToolbarsTest, GlyphButtonsShowPicturesOfTheirOwnWithoutAnIconTheme) {
    const QString theme = QIcon::themeName();
    QIcon::setThemeName(QStringLiteral("velloran-test-no-such-theme"));
    auto editor = startWithPage();
    std::vector<std::pair<QString, QImage>> pictures;
    for (int tag = 1; tag <= kToolbarCount; ++tag)
        for (QAction* action : editor->toolbar(tag)->actions()) {
            if (qobject_cast<QToolButton*>(editor->toolbar(tag)->widgetForAction(action)) ==
                nullptr)
                continue; // a separator or the colour code's edit box
            SCOPED_TRACE(action->objectName().toStdString());
            ASSERT_FALSE(action->icon().isNull());
            const QImage image =
                action->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
            ASSERT_EQ(image.size(), QSize(16, 16));
            int drawn = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    drawn += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
            EXPECT_GT(drawn, 16);
            for (const auto& [other, picture] : pictures)
                EXPECT_NE(picture, image) << "same picture as " << other.toStdString();
            pictures.emplace_back(action->objectName(), image);
        }
    EXPECT_GE(pictures.size(), 45u);

    // Choosing an alignment shows its own picture on the paragraph button.
    const QImage left =
        editor->command(QStringLiteral("sbParagraph"))->icon().pixmap(16, 16).toImage();
    editor->command(QStringLiteral("Center1"))->trigger();
    const QImage centred =
        editor->command(QStringLiteral("sbParagraph"))->icon().pixmap(16, 16).toImage();
    EXPECT_NE(left, centred);
    EXPECT_EQ(centred, ParagraphIcon(2).pixmap(16, 16).toImage());
    QIcon::setThemeName(theme);
}

TEST_F(ToolbarsTest, TextsStayTheNamesAndTooltipsAndBothRowsFitTheDefaultWindow) {
    auto editor = startWithPage();
    const char* const texts[][3] = {
        {"bbOpenProj", "Open Project", "Open Project"},
        {"bbOpenFile", "Open File", "Open File"},
        {"bbsaveas", "S as", "Save File As"},
        {"bbUnIndent", "Un Indent", "Un Indent"},
        {"bbGotoMark", "Goto Bookmark", "Goto Bookmark"},
        {"sbCenter", "Canter", "(ctrl + E)"},
        {"sbParagraphAttrib", "Paragraph Attributes", "Paragraph Attributes"},
        {"sbHR", "<HR>", "Horizontal Rule"},
        {"sbFileSwitch", "File", "Show / Hide File Toolbar"}};
    for (const auto& [name, caption, hint] : texts) {
        SCOPED_TRACE(name);
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button(*editor, name));
        EXPECT_EQ(face->text(QAccessible::Name), QString::fromLatin1(caption));
        EXPECT_EQ(face->text(QAccessible::Description), QString::fromLatin1(hint));
    }

    ASSERT_EQ(editor->size(), QSize(600, 440));
    for (int tag = 1; tag <= kToolbarCount; ++tag) {
        QToolBar* bar = editor->toolbar(tag);
        SCOPED_TRACE(bar->objectName().toStdString());
        if (bar->isHidden())
            continue;
        // The overflow arrow shows only when a toolbar's buttons do not all fit.
        auto* overflow = bar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button"));
        ASSERT_NE(overflow, nullptr);
        EXPECT_FALSE(overflow->isVisible());
    }
}
