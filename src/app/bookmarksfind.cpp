// Bookmark menus, Find and Find Again through the shared find dialog, Replace, and the
// recent-project drop-down.
#include "app/datamodule.h"
#include "app/editorentry.h"
#include "app/mainfinddialog.h"
#include "app/mainwindow.h"
#include "editor/ui/codememo.h"
#include "editor/ui/coderenderer.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "project/tfproject.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>

namespace velloran {

void TfEditor::pmSetMarkPopup() {
    TEditorEntry* entry = CurrentEntry();
    for (int i = 0; i <= 9; ++i) {
        std::int64_t line = 0;
        std::int64_t column = 0;
        command(NumberedItem("Bookmark", i, 1))
            ->setChecked(entry != nullptr && entry->Memo->model().getBookmark(i, line, column));
    }
}

void TfEditor::Bookmark01Click(QObject* sender) {
    TEditorEntry* entry = CurrentEntry();
    if (entry == nullptr)
        return;
    EditModel& model = entry->Memo->model();
    const CaretPos caret = model.getCaretPos();
    // The control clears the bookmark instead when it already sits on the caret's line.
    model.setBookmark(sender->property("tag").toInt(), caret.row, caret.column);
    entry->Memo->viewport()->update();
}

void TfEditor::pmGotoMarkPopup() {
    TEditorEntry* entry = CurrentEntry();
    if (entry == nullptr)
        return;
    bool any = false;
    for (int i = 0; i <= 9; ++i) {
        std::int64_t line = 0;
        std::int64_t column = 0;
        const bool set = entry->Memo->model().getBookmark(i, line, column);
        command(NumberedItem("Bookmark", i, 2))->setVisible(set);
        any = any || set;
    }
    command(QStringLiteral("NoBookmarksset1"))->setVisible(!any);
}

void TfEditor::Bookmark02Click(QObject* sender) {
    if (TEditorEntry* entry = CurrentEntry()) {
        entry->Memo->model().gotoBookmark(sender->property("tag").toInt());
        entry->Memo->ensureCaretVisible();
    }
}

void TfEditor::bbFIndClick() {
    TEditorEntry* entry = CurrentEntry();
    if (entry == nullptr)
        return;
    const EditModel& model = entry->Memo->model();
    const QString selected = DocumentToQString(model.selText(), model.encoding());
    if (!selected.isEmpty() && selected != FindDialog1->eFind->text())
        FindDialog1->eFind->setText(selected);
    FindDialog1->show();
    FindDialog1->raise();
    FindDialog1->activateWindow();
    FindDialog1->eFind->setFocus();
}

void TfEditor::bbFindAgainClick() {
    FindDialog1Find();
}

void TfEditor::FindDialog1Find() {
    TEditorEntry* entry = CurrentEntry();
    if (entry == nullptr || FindDialog1->eFind->text().isEmpty())
        return;
    TCodeMemo& memo = *entry->Memo;
    const std::string text = QStringToDocument(FindDialog1->eFind->text(), memo.model().encoding());
    if (FindNext(memo.model(), text, FindDialog1->matchCase(), FindDialog1->wholeWord()))
        memo.ensureCaretVisible();
    else
        m_prompter.message(MessageKind::Information,
                           NotFoundText(FindDialog1->eFind->text().toStdString()), Buttons::Ok);
}

void TfEditor::bbReplaceClick() {
    if (TEditorEntry* entry = CurrentEntry())
        entry->Memo->ShowReplaceDialog();
}

void TfEditor::pmRecentFilesPopup() {
    pmRecentFiles->clear();
    const auto& recent = m_dm.state.recentProjects;
    for (size_t i = 0; i < recent.size(); ++i) {
        QAction* item =
            pmRecentFiles->addAction(QString::fromStdString(ExtractFileName(recent[i])));
        item->setProperty("tag", static_cast<int>(i));
        connect(item, &QAction::triggered, this, [this, item] { recentProjectClick(item); });
    }
}

void TfEditor::recentProjectClick(QObject* sender) {
    const auto index = static_cast<size_t>(sender->property("tag").toInt());
    if (index >= m_dm.state.recentProjects.size())
        return;
    const std::string name = m_dm.state.recentProjects[index]; // opening reorders the list
    OpenProject(name);
    if (m_project != nullptr)
        m_project->show();
}

} // namespace velloran
