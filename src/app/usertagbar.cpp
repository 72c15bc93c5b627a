// The User Tags toolbar: the current list's tags, inserting the chosen one, the editing
// dialog, and code completion from the tags' shortcuts.
#include "app/datamodule.h"
#include "app/editorentry.h"
#include "app/mainwindow.h"
#include "editor/ui/codememo.h"
#include "platform/errors.h"
#include "platform/paths.h"
#include "tags/ui/tfusertags.h"
#include "tags/usertags.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QToolBar>

namespace velloran {

namespace {

constexpr int kUserTagsToolbar = 9;

} // namespace

void TfEditor::buildUserTagsToolbar() {
    QToolBar* bar = toolbar(kUserTagsToolbar);
    makeCommand(bar, QStringLiteral("sbUserAddTag"), QStringLiteral("Add"), [this] {
        sbUserAddTagClick();
    })->setToolTip(QStringLiteral("Add Selected Tag"));
    makeCommand(bar, QStringLiteral("sbUserEditTag"), QStringLiteral("Edit"), [this] {
        sbUserEditTagClick();
    })->setToolTip(QStringLiteral("Edit Tags"));
    cbUserList = new QComboBox(bar);
    cbUserList->setObjectName(QStringLiteral("cbUserList"));
    cbUserList->setToolTip(QStringLiteral("Select a Tag to Add"));
    cbUserList->setEditable(false);
    cbUserList->setMinimumContentsLength(8);
    cbUserList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    bar->addWidget(cbUserList)->setObjectName(QStringLiteral("cbUserListAction"));
}

void TfEditor::addCodeCompletionItem() {
    QAction* completion =
        makeCommand(pmEditor, QStringLiteral("CodeCompletion1"), QStringLiteral("Code Completion"),
                    [this] { CodeCompletion1Click(); });
    completion->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    addAction(completion); // the key works while the menu is closed
}

void TfEditor::LoadUserTagList() {
    const std::string& file = m_dm.state.currentUserList;
    if (file.empty())
        return;
    UserTagIndex index;
    try {
        index = UserTagList(file).index();
    } catch (const VelloranError& error) {
        m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
    }
    const int selected = std::max(0, cbUserList->currentIndex());
    cbUserList->clear();
    for (const std::string& name : index.names)
        cbUserList->addItem(QString::fromStdString(name));
    m_dm.state.userTagShortcuts = std::move(index.shortcuts);
    if (cbUserList->count() > 0)
        cbUserList->setCurrentIndex(selected < cbUserList->count() ? selected : 0);
}

std::vector<std::string> TfEditor::chosenUserTagLines() const {
    if (cbUserList->currentIndex() < 0 || m_dm.state.currentUserList.empty())
        return {};
    return UserTagList(m_dm.state.currentUserList)
        .read(cbUserList->currentText().toStdString())
        .lines;
}

// With no tag to choose, the selection stays rather than being replaced by nothing.
void TfEditor::sbUserAddTagClick() {
    if (cbUserList->currentIndex() < 0)
        return;
    withWritableEditor([this](EditModel& model) { InsertUserTag(model, chosenUserTagLines()); });
}

void TfEditor::sbUserEditTagClick() {
    TfUserTags dialog(m_dm.state.currentUserList, m_prompter,
                      ExtractFilePath(m_dm.state.iniFileName), this);
    dialog.selectName(cbUserList->currentText());
    execDialog(dialog);
    if (dialog.changed())
        LoadUserTagList();
}

// The word at the caret becomes the tag whose shortcut it is, as one undoable change;
// the tag's placeholder takes the empty selection the deleted word leaves.
void TfEditor::CodeCompletion1Click() {
    withWritableEditor([this](EditModel& model) {
        const std::optional<CompletionMatch> match =
            FindCompletion(model, m_dm.state.userTagShortcuts);
        if (!match || static_cast<int>(match->index) >= cbUserList->count())
            return;
        cbUserList->setCurrentIndex(static_cast<int>(match->index));
        const std::vector<std::string> lines = chosenUserTagLines();
        model.setSel(match->from, match->to);
        model.replaceSel(ExpandUserTag(lines, {}, model.encoding()));
    });
}

} // namespace velloran
