// The User Tags dialog driven through its real buttons and fields under the offscreen
// platform, with the list file on disk.
#include "guitest.h"
#include "tags/ui/tfusertags.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace velloran;

namespace {

const QString kSel = QString::fromStdString(std::string(kSelTextPlaceholder));

class UserTagsDialogTest : public ::testing::Test {
protected:
    UserTagsDialogTest() {
        listFile = dir.filePath(QStringLiteral("mine.vul")).toStdString();
        writeBytes(QString::fromStdString(listFile),
                   "[Table]\r\nshortcut=tbl\r\ndesccount=1\r\ndesc0=A table\r\ntagcount=2\r\n"
                   "tag0=<TABLE>\r\ntag1=</TABLE>\r\n[bold]\r\nshortcut=b\r\ntagcount=1\r\n"
                   "tag0=<B>\xC2\xABseltext\xC2\xBB</B>\r\n");
    }
    std::unique_ptr<TfUserTags> open() {
        auto dialog = std::make_unique<TfUserTags>(listFile, prompter, dir.path().toStdString());
        dialog->show();
        return dialog;
    }
    [[nodiscard]] QByteArray listBytes() const {
        return fileBytes(QString::fromStdString(listFile));
    }
    static QStringList items(const QComboBox* box) {
        QStringList texts;
        for (int i = 0; i < box->count(); ++i)
            texts.append(box->itemText(i));
        return texts;
    }

    QTemporaryDir dir;
    std::string listFile;
    ScriptedPrompter prompter;
};

} // namespace

TEST_F(UserTagsDialogTest, BrowsingShowsTheSortedNamesAndTheChosenTag) {
    auto dialog = open();
    EXPECT_EQ(dialog->windowTitle(), "User Tags");
    EXPECT_EQ(items(dialog->cbName), (QStringList{"bold", "Table"}));
    EXPECT_EQ(items(dialog->cbShortcut), (QStringList{"b", "tbl"}));
    EXPECT_EQ(dialog->mTag->toPlainText(), "<B>" + kSel + "</B>");
    EXPECT_TRUE(dialog->mTag->isReadOnly());
    EXPECT_FALSE(dialog->bbseltext->isEnabled());
    EXPECT_FALSE(dialog->bbPost->isVisible());
    EXPECT_FALSE(dialog->eName->isVisible());

    dialog->cbShortcut->activated(1);
    EXPECT_EQ(dialog->cbName->currentText(), "Table");
    EXPECT_EQ(dialog->mDescription->toPlainText(), "A table");
    EXPECT_EQ(dialog->mTag->toPlainText(), "<TABLE>\n</TABLE>");
    dialog->selectName(QStringLiteral("BOLD"));
    EXPECT_EQ(dialog->cbShortcut->currentText(), "b");
    EXPECT_FALSE(dialog->changed());
}

TEST_F(UserTagsDialogTest, RenamingThroughEditAndPostRemovesTheOldSection) {
    auto dialog = open();
    dialog->selectName(QStringLiteral("Table"));
    QTest::mouseClick(dialog->bbEdit, Qt::LeftButton);
    ASSERT_TRUE(dialog->eName->isVisible());
    EXPECT_EQ(dialog->eName->text(), "Table");
    EXPECT_EQ(dialog->eShortcut->text(), "tbl");
    dialog->eName->selectAll();
    QTest::keyClicks(dialog->eName, "Grid");
    QTest::mouseClick(dialog->bbPost, Qt::LeftButton);

    EXPECT_FALSE(dialog->editing());
    EXPECT_TRUE(dialog->changed());
    EXPECT_EQ(items(dialog->cbName), (QStringList{"bold", "Grid"}));
    EXPECT_EQ(dialog->cbName->currentText(), "Grid");
    EXPECT_EQ(dialog->mTag->toPlainText(), "<TABLE>\n</TABLE>");
    const QByteArray bytes = listBytes();
    EXPECT_FALSE(bytes.contains("[Table]"));
    EXPECT_TRUE(bytes.contains("[Grid]\r\nshortcut=tbl\r\ndesccount=1\r\ndesc0=A table\r\n"
                               "tagcount=2\r\ntag0=<TABLE>\r\ntag1=</TABLE>\r\n"));
}

TEST_F(UserTagsDialogTest, AnIndentedSnippetAddedWithThePlaceholderButtonComesBackWhole) {
    auto dialog = open();
    QTest::mouseClick(dialog->bbAdd, Qt::LeftButton);
    EXPECT_TRUE(dialog->mTag->toPlainText().isEmpty());
    EXPECT_TRUE(dialog->bbseltext->isEnabled());
    QTest::keyClicks(dialog->eName, "list");
    QTest::keyClicks(dialog->eShortcut, "ul");
    dialog->mTag->setPlainText(QStringLiteral("<UL>\n  <LI>"));
    dialog->mTag->moveCursor(QTextCursor::End);
    QTest::mouseClick(dialog->bbseltext, Qt::LeftButton);
    dialog->mTag->insertPlainText(QStringLiteral("\n</UL>"));
    QTest::mouseClick(dialog->bbPost, Qt::LeftButton);

    TfUserTags again(listFile, prompter, dir.path().toStdString());
    again.selectName(QStringLiteral("list"));
    EXPECT_EQ(again.mTag->toPlainText(), "<UL>\n  <LI>" + kSel + "\n</UL>");
    EXPECT_EQ(again.cbShortcut->currentText(), "ul");
    EXPECT_EQ(items(again.cbName), (QStringList{"bold", "list", "Table"}));
}

TEST_F(UserTagsDialogTest, DoneWhileEditingAsksAndNoKeepsTheUnpostedText) {
    auto dialog = open();
    QTest::mouseClick(dialog->bbEdit, Qt::LeftButton);
    dialog->mTag->setPlainText(QStringLiteral("unposted"));
    prompter.planAnswer(Answer::No);
    QTest::mouseClick(dialog->bbOK, Qt::LeftButton);
    ASSERT_EQ(prompter.messages.size(), 1U);
    EXPECT_EQ(prompter.messages[0].text, "You have unsaved changes, do you want to abandon them?");
    EXPECT_EQ(prompter.messages[0].buttons, Buttons::YesNo);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->editing());
    EXPECT_EQ(dialog->mTag->toPlainText(), "unposted");

    prompter.planAnswer(Answer::Yes);
    QTest::keyClick(dialog.get(), Qt::Key_Escape); // closing any way asks too
    EXPECT_EQ(prompter.messages.size(), 2U);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(listBytes().contains("unposted"));
}

TEST_F(UserTagsDialogTest, CancelDeleteAndOpenUserList) {
    auto dialog = open();
    QTest::mouseClick(dialog->bbEdit, Qt::LeftButton);
    dialog->mTag->setPlainText(QStringLiteral("thrown away"));
    QTest::mouseClick(dialog->bbCancel, Qt::LeftButton);
    EXPECT_EQ(dialog->mTag->toPlainText(), "<B>" + kSel + "</B>");
    EXPECT_FALSE(dialog->changed());

    QTest::mouseClick(dialog->bbDelete, Qt::LeftButton);
    EXPECT_EQ(items(dialog->cbName), QStringList{"Table"});
    EXPECT_EQ(dialog->mTag->toPlainText(), "<TABLE>\n</TABLE>");
    EXPECT_FALSE(listBytes().contains("[bold]"));
    EXPECT_TRUE(dialog->changed());

    const QString other = dir.filePath(QStringLiteral("other.vul"));
    writeBytes(other, "[only]\r\ntagcount=1\r\ntag0=x\r\n");
    prompter.planFile(other.toStdString());
    QTest::mouseClick(dialog->bbOpenList, Qt::LeftButton);
    ASSERT_EQ(prompter.fileRequests.size(), 1U);
    EXPECT_EQ(prompter.fileRequests[0].filter, "Velloran User File (*.vul)|*.vul");
    EXPECT_EQ(prompter.fileRequests[0].defaultExt, "vul");
    EXPECT_EQ(listFile, other.toStdString()) << "the shell's current list follows";
    EXPECT_EQ(items(dialog->cbName), QStringList{"only"});
}

TEST_F(UserTagsDialogTest, AListThatCannotBeWrittenKeepsTheDialogEditing) {
    listFile = dir.filePath(QStringLiteral("no-folder/mine.vul")).toStdString();
    auto dialog = open();
    EXPECT_EQ(dialog->cbName->count(), 0);
    QTest::mouseClick(dialog->bbAdd, Qt::LeftButton);
    QTest::keyClicks(dialog->eName, "t");
    dialog->mTag->setPlainText(QStringLiteral("kept"));
    QTest::mouseClick(dialog->bbPost, Qt::LeftButton);
    ASSERT_EQ(prompter.messages.size(), 1U);
    EXPECT_EQ(prompter.messages[0].text, "Unable to write to " + listFile);
    EXPECT_TRUE(dialog->editing());
    EXPECT_EQ(dialog->mTag->toPlainText(), "kept");
    EXPECT_FALSE(dialog->changed());
}

TEST_F(UserTagsDialogTest, PostingWithoutAListAsksWhereTheNewListGoes) {
    listFile.clear();
    auto dialog = open();
    QTest::mouseClick(dialog->bbAdd, Qt::LeftButton);
    QTest::keyClicks(dialog->eName, "first");
    prompter.planFile(std::nullopt);
    QTest::mouseClick(dialog->bbPost, Qt::LeftButton);
    EXPECT_TRUE(dialog->editing()) << "declined: still editing";

    const QString created = dir.filePath(QStringLiteral("new.vul"));
    prompter.planFile(created.toStdString());
    QTest::mouseClick(dialog->bbPost, Qt::LeftButton);
    EXPECT_FALSE(dialog->editing());
    EXPECT_EQ(listFile, created.toStdString());
    EXPECT_EQ(prompter.fileRequests.back().defaultExt, "vul");
    EXPECT_TRUE(fileBytes(created).startsWith("[first]\r\n"));
}
