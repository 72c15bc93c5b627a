// The project window over real widgets: filling, sorting and opening entries, folder edits,
// the properties dialog, drops and the reload offer.
#include "guitest.h"
#include "platform/atomicfile.h"
#include "platform/prompter.h"
#include "platform/qt/qtmainthread.h"
#include "project/projectformat.h"
#include "project/tffileprop.h"
#include "project/tfproject.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>

namespace velloran {
namespace {

class ProjectWindowTest : public ::testing::Test {
protected:
    ProjectWindowTest() : window(session, prompter, mainThread, openDialog) {
        window.openFile = [this](const std::string& file, bool readOnly) {
            opened.emplace_back(file, readOnly);
        };
        window.project().setWriter([this](const std::string& path, std::string_view bytes) {
            ++writes;
            WriteFileAtomically(path, bytes);
        });
    }

    std::string path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }

    // Folder "Site" holding `files` (created unless named "gone…") and an empty sub-folder
    // "images"; `checkedOut` names the entry marked "Checked Out".
    std::string openSite(const std::vector<std::string>& files,
                         const std::string& checkedOut = {}) {
        ProjectTree tree;
        ProjectFolder& site = tree.addFolder("Site", nullptr);
        tree.addFolder("images", &site);
        for (const std::string& name : files) {
            if (!name.starts_with("gone"))
                writeBytes(QString::fromStdString(path(name)), "x");
            tree.appendFile(
                site, {name, path(name), "", ImageIndexFor(name), name == checkedOut ? 0 : -1});
        }
        WriteFileAtomically(path("site.vpr"), FormatProject(tree));
        window.OpenProject(path("site.vpr"));
        return path("site.vpr");
    }

    QStringList captions() const {
        QStringList out;
        for (int row = 0; row < window.ListView1->topLevelItemCount(); ++row)
            out << window.ListView1->topLevelItem(row)->text(0);
        return out;
    }

    void select(const QStringList& names) {
        window.ListView1->clearSelection();
        for (int row = 0; row < window.ListView1->topLevelItemCount(); ++row) {
            QTreeWidgetItem* entry = window.ListView1->topLevelItem(row);
            entry->setSelected(names.contains(entry->text(0)));
        }
    }

    ProjectFolder& folder(int index) { return *window.project().tree().folderAt(index); }

    QTemporaryDir dir;
    // The state the rest of the program shares with the window.
    struct {
        std::string projectFileName;
        std::vector<std::string> recentProjects;
        bool bulkUpdate = false;
    } state;
    ProjectSession session{state.projectFileName, state.recentProjects, state.bulkUpdate};
    ScriptedPrompter prompter;
    QtMainThread mainThread;
    FileRequest openDialog;
    Tfproject window;
    std::vector<std::pair<std::string, bool>> opened;
    int writes = 0;
};

TEST_F(ProjectWindowTest, OpensShowsAndSortsWithSubFoldersFirst) {
    window.OpenProject(path("gone.vpr"));
    EXPECT_EQ(prompter.messages.at(0).text,
              "Unable to locate project \"" + path("gone.vpr") + "\".");
    EXPECT_FALSE(window.isVisible());

    const std::string vpr = openSite({"c.htm", "a.htm", "b.gif"});
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Project Manager [site.vpr]");
    EXPECT_EQ(window.selectedFolder(), &folder(0));
    EXPECT_EQ(QDir::current().canonicalPath(), QDir(dir.path()).canonicalPath());
    EXPECT_EQ(state.recentProjects, std::vector<std::string>{vpr});
    EXPECT_EQ(captions(), QStringList({"images", "a.htm", "b.gif", "c.htm"}));
    EXPECT_EQ(window.ListView1->topLevelItem(1)->text(1).toStdString(), path("a.htm"));
    window.sbSortExtenssion->trigger();
    EXPECT_EQ(captions(), QStringList({"images", "b.gif", "a.htm", "c.htm"}));
    window.sbSortName->trigger();
    EXPECT_EQ(captions(), QStringList({"images", "a.htm", "b.gif", "c.htm"}));

    window.sbDetail->trigger();
    EXPECT_EQ(window.ListStyles->currentWidget(), window.ListView1);
    window.sbLargeIcon->trigger();
    EXPECT_EQ(window.ListStyles->currentWidget(), window.ListView1Icons);
    EXPECT_EQ(window.ListView1Icons->iconSize(), QSize(32, 32));
    EXPECT_TRUE(window.sbLargeIcon->isChecked() && !window.sbList->isChecked());
}

TEST_F(ProjectWindowTest, DoubleClickOpensSelectedEntriesUntilASubFolder) {
    openSite({"a.htm", "b.gif", "c.htm"}, "b.gif");
    select({"a.htm", "b.gif", "c.htm"});
    window.ListView1DblClick();
    const std::vector<std::pair<std::string, bool>> expected{
        {path("a.htm"), false}, {path("b.gif"), true}, {path("c.htm"), false}};
    EXPECT_EQ(opened, expected);

    opened.clear();
    QCoreApplication::processEvents(); // the icon view lays its items out
    const QModelIndex c = window.ListView1->model()->index(3, 0);
    const QPoint at = window.ListView1Icons->visualRect(c).center();
    QTest::mouseClick(window.ListView1Icons->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(window.ListView1Icons->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(opened, (std::vector<std::pair<std::string, bool>>{{path("c.htm"), false}}));

    opened.clear();
    select({"images", "a.htm"});
    window.ListView1DblClick();
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(window.selectedFolder(), &folder(1));
    QTest::keyClick(window.ListView1Icons, Qt::Key_Backspace);
    EXPECT_EQ(window.selectedFolder(), &folder(0));
    QTest::keyClick(window.ListView1Icons, Qt::Key_Backspace);
    EXPECT_EQ(window.selectedFolder(), &folder(0));
}

TEST_F(ProjectWindowTest, MissingFileCanBeKeptOrLocated) {
    openSite({"gone.htm"});
    prompter.planAnswer(Answer::No);
    prompter.planAnswer(Answer::No);
    select({"gone.htm"});
    window.ListView1DblClick();
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[0].text, "Unable to locate file \r\n\r\n" + path("gone.htm") +
                                             "\r\n\r\nWould you like to locate the file manually?");
    EXPECT_EQ(prompter.messages[1].text, "Would you like to remove the file from the project?");
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(captions(), QStringList({"images", "gone.htm"}));

    writeBytes(QString::fromStdString(path("found.htm")), "x");
    prompter.planAnswer(Answer::Yes);
    prompter.planFile(path("found.htm"));
    select({"gone.htm"});
    window.ListView1DblClick();
    EXPECT_EQ(prompter.fileRequests.back().fileName, path("gone.htm"));
    EXPECT_EQ(captions(), QStringList({"images", "found.htm"}));
    EXPECT_EQ(folder(0).files().size(), 1u);
    EXPECT_EQ(writes, 1);
}

TEST_F(ProjectWindowTest, FolderRenameRemovalAndTheLastFolder) {
    openSite({});
    window.folderItem(folder(0))->setText(0, QString(300, 'x')); // as the in-place edit ends
    ASSERT_TRUE(waitFor([&] { return writes == 1; }));
    EXPECT_EQ(folder(0).name(), std::string(255, 'x'));
    EXPECT_EQ(window.folderItem(folder(0))->text(0).size(), 255);

    window.selectFolder(&folder(1));
    prompter.planAnswer(Answer::Yes);
    window.RemoveFolderfromProject2Click();
    EXPECT_EQ(prompter.messages.at(0).text,
              "Are you sure you want to remove the selected Folder from the project?");
    EXPECT_EQ(window.project().tree().folders().size(), 1u);
    EXPECT_EQ(window.selectedFolder(), &folder(0));
    EXPECT_TRUE(captions().isEmpty());
    window.RemoveFolderfromProject2Click();
    EXPECT_EQ(prompter.messages.at(1).text, "You can not remove the last folder in a project.");
    EXPECT_EQ(window.project().tree().folders().size(), 1u);
    EXPECT_EQ(writes, 2);
}

TEST_F(ProjectWindowTest, PropertiesStoreTheNewPathOnlyOnOk) {
    openSite({"a.htm"});
    folder(0).files()[0]->NodeName = "Home";
    window.TreeView1Change();
    select({"Home"});
    int result = QDialog::Rejected;
    QString shownName;
    window.execDialog = [&](QDialog& dialog) {
        auto& properties = dynamic_cast<TfFileProp&>(dialog);
        shownName = properties.enodename->text();
        properties.eFileInfo->setText("/else/where/pic.png");
        return result;
    };
    window.Properties1Click();
    EXPECT_EQ(shownName, "Home");
    EXPECT_EQ(folder(0).files()[0]->FileInfo, path("a.htm"));
    EXPECT_EQ(writes, 0);

    result = QDialog::Accepted;
    window.Properties1Click();
    const TProjectFile& record = *folder(0).files()[0];
    EXPECT_EQ(record.NodeName, "pic.png");
    EXPECT_EQ(record.ImageIndex, 3);
    EXPECT_EQ(captions(), QStringList({"images", "pic.png"}));
    EXPECT_EQ(window.ListView1->topLevelItem(1)->text(1), "/else/where/pic.png");
    EXPECT_EQ(writes, 1);
}

TEST_F(ProjectWindowTest, PopupItemsFollowTheSelection) {
    openSite({"a.htm", "b.gif"});
    // Each item: 'h' hidden, 'd' shown but disabled, 'e' shown and enabled.
    const struct {
        bool onTree;
        QStringList selected;
        char properties, remove;
    } cases[] = {{true, {"a.htm", "b.gif"}, 'h', 'e'},
                 {false, {"a.htm"}, 'e', 'e'},
                 {false, {"a.htm", "b.gif"}, 'd', 'e'},
                 {false, {"images"}, 'h', 'h'},
                 {true, {}, 'h', 'd'}};
    const auto state = [](const QAction* action) {
        return !action->isVisible() ? 'h' : action->isEnabled() ? 'e' : 'd';
    };
    for (const auto& c : cases) {
        select(c.selected);
        window.pmTreePopup(c.onTree ? static_cast<QWidget*>(window.TreeView1)
                                    : window.ListView1Icons);
        SCOPED_TRACE(c.selected.join(',').toStdString());
        EXPECT_EQ(state(window.Properties1), c.properties);
        EXPECT_EQ(state(window.RemoveFilefromProject2), c.remove);
        EXPECT_EQ(state(window.AddSubFoldertoProject2), 'e');
    }
}

TEST_F(ProjectWindowTest, DropOnATreeFolderAddsEveryFileAndWritesOnce) {
    openSite({});
    window.TreeView1->expandAll();
    QCoreApplication::processEvents();
    QMimeData data;
    data.setUrls(
        {QUrl::fromLocalFile(dir.filePath("p.htm")), QUrl::fromLocalFile(dir.filePath("q.gif"))});
    const QRect images = window.TreeView1->visualItemRect(window.folderItem(folder(1)));
    QDragEnterEvent enter(images.center(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(window.TreeView1->viewport(), &enter);
    QDropEvent drop(images.center(), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(window.TreeView1->viewport(), &drop);
    ASSERT_TRUE(waitFor([&] { return writes > 0; }));
    EXPECT_EQ(folder(1).files().size(), 2u);
    EXPECT_TRUE(folder(0).files().empty());
    EXPECT_EQ(writes, 1);
}

TEST_F(ProjectWindowTest, OutsideChangeOffersReloadAndKeepsTheFolder) {
    const std::string vpr = openSite({});
    window.selectFolder(&folder(1));
    window.project().SaveProject(vpr);

    // The watcher hands events over in order: had the program's own write raised the
    // question, it would have taken the one Yes and the outside change no reload.
    ProjectTree tree;
    tree.addFolder("images", &tree.addFolder("Site", nullptr));
    tree.appendFile(*tree.folderAt(1), {"new.htm", path("new.htm"), "", 2, -1});
    prompter.planAnswer(Answer::Yes);
    writeBytes(QString::fromStdString(vpr), QByteArray::fromStdString(FormatProject(tree)));
    ASSERT_TRUE(waitFor([&] { return captions() == QStringList({"new.htm"}); }));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "Project \"" + vpr +
                  "\" has been changed by another application.\r\nDo you want to reload it?");
    EXPECT_EQ(window.selectedFolder(), &folder(1));
    EXPECT_EQ(captions(), QStringList({"new.htm"}));
}

// A project nested too deep for the tree view is refused; one as deep as allowed is
// built, opened all the way down and taken apart without a call per level.
TEST_F(ProjectWindowTest, DeeplyNestedProjects) {
    const auto nested = [this](int depth) {
        std::string text;
        for (int i = 0; i < depth; ++i)
            text += "[Dir" + std::to_string(i) + "]\nnodename=f" + std::to_string(i) +
                    "\nparent=" + std::to_string(i - 1) + "\n";
        const std::string name = path("deep" + std::to_string(depth) + ".vpr");
        WriteFileAtomically(name, text);
        return name;
    };
    const std::string tooDeep = nested(60000);
    window.OpenProject(tooDeep);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].text,
              "Unable to open project \"" + tooDeep +
                  "\": line 3003: the folder is nested more than 1000 levels deep. "
                  "It is not a project file.");
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(state.recentProjects.empty());

    const std::string deep = nested(kMaxFolderDepth);
    window.OpenProject(deep);
    ASSERT_EQ(window.project().tree().folders().size(), std::size_t{kMaxFolderDepth});
    const ProjectFolder* deepest = window.project().tree().folders().back();
    window.TreeView1->expandAll();
    window.selectFolder(deepest);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.selectedFolder(), deepest);
    EXPECT_EQ(window.TreeView1->currentItem()->text(0), "f" + QString::number(kMaxFolderDepth - 1));
    window.AddSubFoldertoProject2Click();
    EXPECT_EQ(prompter.messages.back().text,
              "Folders cannot be nested more than 1000 levels deep.");

    window.OpenProject(deep); // the old tree is taken down first
    EXPECT_EQ(window.TreeView1->topLevelItemCount(), 1);
    window.NewProject1Click();
    EXPECT_EQ(window.project().tree().folders().size(), 1u);
    window.OpenProject(deep); // and the window's destructor takes this one down
}

TEST_F(ProjectWindowTest, NewProjectWithoutAFileKeepsOneFolder) {
    openSite({"a.htm"});
    window.NewProject1Click(); // the save dialog is cancelled
    ASSERT_EQ(window.project().tree().folders().size(), 1u);
    EXPECT_EQ(folder(0).name(), "New Project");
    EXPECT_EQ(window.selectedFolder(), &folder(0));
    EXPECT_EQ(prompter.fileRequests.at(0).title, "New Project");
    EXPECT_TRUE(state.projectFileName.empty());
    EXPECT_EQ(writes, 0);
    window.addCurrentDocument(path("a.htm"));
    EXPECT_TRUE(folder(0).files().empty());
}

} // namespace
} // namespace velloran
