// The document skeleton command: the current page split into header, body and footer,
// header and footer edited in their dialog, and the page rebuilt as one undoable change.
#include "app/datamodule.h"
#include "app/editorentry.h"
#include "app/mainwindow.h"
#include "editor/ui/codememo.h"
#include "platform/paths.h"
#include "tags/skeleton.h"
#include "tags/ui/tfhtml.h"

#include <QPointer>
#include <memory>

namespace velloran {

void TfEditor::sbHTMLTagClick() {
    if (!canRunTagDialog())
        return;
    QPointer<TCodeMemo> memo = CurrentEntry()->Memo;
    const Encoding encoding = memo->model().encoding();
    std::unique_ptr<TfHTML> dialog;
    {
        const BusyCursor busy(m_prompter);
        const std::string text = memo->model().getText();
        const SkeletonSplit split = SplitSkeleton(text);
        dialog =
            std::make_unique<TfHTML>(tagDialogContext(),
                                     FindTemplatePlaces(m_dm.state.projectFileName, ConfigDir(),
                                                        m_dm.state.appDir, m_dm.dataDirs),
                                     encoding, this);
        if (const auto header = SkeletonHeader(text, split))
            dialog->setHeaderText(DocumentToUtf8(*header, encoding));
        if (const auto footer = SkeletonFooter(text, split))
            dialog->setFooterText(DocumentToUtf8(*footer, encoding));
        dialog->Load();
    }
    if (execDialog(*dialog) != QDialog::Accepted || memo.isNull() || memo->isReadOnly())
        return;
    const BusyCursor busy(m_prompter);
    // Split again: the page may have been reloaded from disk while the dialog was open,
    // and its body as it is now is what the new header and footer go around.
    const std::string text = memo->model().getText();
    const std::string page =
        RebuildSkeleton(text, SplitSkeleton(text), Utf8ToDocument(dialog->headerText(), encoding),
                        Utf8ToDocument(dialog->footerText(), encoding));
    dialog.reset();
    if (ApplySkeleton(memo->model(), page))
        memo->ensureCaretVisible();
}

} // namespace velloran
