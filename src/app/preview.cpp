// The main window's side of the preview: its command, pictures, and the documents and
// settings it hands to the preview window.
#include "app/datamodule.h"
#include "app/editorentry.h"
#include "app/mainwindow.h"
#include "editor/ui/codememo.h"
#include "tools/ui/tfhtmlview.h"

namespace velloran {

namespace {

PreviewDocument DocumentOf(const TEditorEntry& entry) {
    const EditModel& model = entry.Memo->model();
    return {entry.FileName, entry.isUntitled(), model.getText(), model.encoding()};
}

} // namespace

TfHtmlView* TfEditor::createPreview() {
    if (m_preview == nullptr)
        m_preview = new TfHtmlView(*this);
    return m_preview;
}

void TfEditor::sbHTMLClick() {
    if (m_preview == nullptr) {
        createPreview()->show();
        m_preview->Refresh();
        return;
    }
    // An existing window comes forward as it is, without rendering again.
    if (m_preview->isMinimized())
        m_preview->setWindowState(m_preview->windowState() & ~Qt::WindowMinimized);
    m_preview->show();
    m_preview->raise();
    m_preview->activateWindow();
}

void TfEditor::ShowImageFile(const std::string& fileName) {
    createPreview()->ShowImageFile(fileName);
}

void TfEditor::previewEdited(const TEditorEntry& entry) {
    if (m_preview != nullptr)
        m_preview->documentEdited(entry.FileName);
}

std::optional<PreviewDocument> TfEditor::currentDocument() const {
    if (const TEditorEntry* entry = CurrentEntry())
        return DocumentOf(*entry);
    return std::nullopt;
}

std::optional<PreviewDocument> TfEditor::openDocument(const std::string& fileName) const {
    for (const auto& entry : m_entries)
        if (!entry->isUntitled() && entry->FileName == fileName)
            return DocumentOf(*entry);
    return std::nullopt;
}

std::string TfEditor::settingsFileName() const {
    return m_dm.state.iniFileName;
}

std::string TfEditor::layoutSuffix() const {
    return LayoutSuffix.toStdString();
}

} // namespace velloran
