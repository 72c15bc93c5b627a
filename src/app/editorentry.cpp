// Loading and saving a document with its own encoding and line ends.
#include "app/editorentry.h"

#include "app/appstate.h"
#include "editor/ui/codememo.h"
#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/filenotify.h"
#include "platform/prompter.h"
#include "platform/qt/qtmainthread.h"

#include <QDir>

namespace velloran {

TEditorEntry::TEditorEntry(QWidget* parent, std::string fileName, Prompter& prompter)
    : Memo(new TCodeMemo(parent)), FileName(std::move(fileName)), m_prompter(prompter) {
    Memo->hide();
    static QtMainThread mainThread;
    try {
        auto watcher = std::make_unique<TFileNotify>(mainThread);
        watcher->setFolder(QDir::currentPath().toStdString());
        watcher->setOptions({TNotificationOption::fnoFile, TNotificationOption::fnoTime});
        watcher->OnFileNotify = [this](TFileNotify&, TNotificationOption) { ReloadPrompt(); };
        watcher->Loaded();
        Watcher = std::move(watcher);
    } catch (const VelloranError&) {
        // No change detection for this document; editing works as before.
    }
}

TEditorEntry::~TEditorEntry() {
    Watcher.reset(); // no question may come for an entry that is going away
    delete Memo;
}

void TEditorEntry::watch(const std::string& name) {
    if (Watcher)
        Watcher->setFilename(name);
}

bool TEditorEntry::isModified() const {
    return Memo->isModified();
}

void TEditorEntry::load() {
    Memo->loadFromFile(FileName);
    watch(FileName);
}

void TEditorEntry::ReloadPrompt() {
    if (Saving)
        return;
    const Answer answer = m_prompter.message(MessageKind::Information,
                                             "File \"" + FileName +
                                                 "\" has been changed by another application.\r\n"
                                                 "Do you want to reload it?",
                                             Buttons::YesNo);
    if (answer != Answer::Yes)
        return;
    try {
        load();
    } catch (const VelloranError& error) {
        m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
    }
}

void TEditorEntry::writeTo(const std::string& name) {
    const ScopedFlag saving(Saving);
    Memo->saveToFile(name);
    // The new snapshot makes the notification of this very write compare equal.
    watch(name);
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
    SaveAs(*chosen);
    return true;
}

void TEditorEntry::SaveAs(const std::string& name) {
    writeTo(name);
    FileName = name;
}

} // namespace velloran
