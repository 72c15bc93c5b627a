// Loading and saving a document with its own encoding and line ends.
#include "app/editorentry.h"

#include "app/appstate.h"
#include "editor/ui/codememo.h"
#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/prompter.h"

namespace velloran {

TEditorEntry::TEditorEntry(QWidget* parent, std::string fileName)
    : Memo(new TCodeMemo(parent)), FileName(std::move(fileName)) {
    Memo->hide();
}

TEditorEntry::~TEditorEntry() {
    delete Memo;
}

bool TEditorEntry::isModified() const {
    return Memo->isModified();
}

void TEditorEntry::load() {
    Memo->loadFromFile(FileName);
}

void TEditorEntry::writeTo(const std::string& name) {
    const ScopedFlag saving(Saving);
    Memo->saveToFile(name);
}

bool TEditorEntry::Save(Prompter& prompter, const std::string& dialogFolder) {
    if (!isUntitled()) {
        writeTo(FileName);
        return true;
    }
    FileRequest request;
    request.folder = dialogFolder;
    request.filter = "HTML Files ( *.htm, *.html )|*.htm; *.html|Text Files ( *.txt )|*.txt|Known "
                     "Files| *.htm; *.html; *.txt; *.fmt; *.cfg; *.ini|All Files|*.*";
    const auto chosen = prompter.saveFile(request);
    if (!chosen)
        return false;
    writeTo(*chosen);
    FileName = *chosen;
    return true;
}

} // namespace velloran
