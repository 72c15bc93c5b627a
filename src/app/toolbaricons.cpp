// The table of glyph pictures: theme names where the freedesktop naming fits the command,
// our own drawings for the rest and for desktops without an icon theme.
#include "app/toolbaricons.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace velloran {

namespace {

struct Glyph {
    std::string_view button;
    std::string_view theme; // empty: no standard name fits
    std::string_view own;   // file name in the resource, without ".svg"
};

constexpr Glyph kGlyphs[] = {
    // File toolbar.
    {"bbOpenProj", "", "project-open"},
    {"bbOpenFile", "document-open", "document-open"},
    {"bbSaveFile", "document-save", "document-save"},
    {"bbAddFileToProj", "", "project-add-file"},
    {"bbRemFileFromProj", "", "project-remove-file"},
    {"bbsaveas", "document-save-as", "document-save-as"},
    {"bbnew", "document-new", "document-new"},
    {"bbclosedoc", "", "document-close"},
    // Edit toolbar.
    {"bbUnIndent", "format-indent-less", "format-indent-less"},
    {"bbCut", "edit-cut", "edit-cut"},
    {"bbCopy", "edit-copy", "edit-copy"},
    {"bbPaste", "edit-paste", "edit-paste"},
    {"bbundo", "edit-undo", "edit-undo"},
    {"bbRedo", "edit-redo", "edit-redo"},
    {"bbIndent", "format-indent-more", "format-indent-more"},
    {"bbReplace", "edit-find-replace", "edit-find-replace"},
    {"bbFInd", "edit-find", "edit-find"},
    {"bbFindAgain", "", "find-again"},
    {"bbGotoMark", "go-jump", "go-jump"},
    {"bbSetMark", "bookmark-new", "bookmark-new"},
    // Font Tags toolbar.
    {"sbBold", "format-text-bold", "format-text-bold"},
    {"sbItalic", "format-text-italic", "format-text-italic"},
    {"sbUnderline", "format-text-underline", "format-text-underline"},
    {"sbCenter", "format-justify-center", "format-justify-center"},
    {"sbFontStyle", "", "font-tag"},
    {"sbParagraphAttrib", "", "paragraph-attributes"},
    {"sbHR", "", "horizontal-rule"},
    // Body Tags toolbar (sbParagraph follows its alignment, see ParagraphIcon).
    {"sbBreak", "", "line-break"},
    {"sbUList", "", "list-tag"},
    // Link Tags toolbar.
    {"sbAnchor", "insert-link", "insert-link"},
    {"sbImg", "insert-image", "insert-image"},
    {"sbHTMLTag", "text-x-generic-template", "document-skeleton"},
    // Form toolbar.
    {"sbFormTextArea", "", "form-textarea"},
    {"sbFormInput", "", "form-input"},
    {"sbFormRadio", "", "form-radio"},
    {"sbFormCheckbox", "", "form-checkbox"},
    {"sbFormButton", "", "form-button"},
    {"sbFormHidden", "", "form-hidden"},
    {"sbFormSelect", "", "form-select"},
    {"sbFormTag", "", "form-tag"},
    // User Tags toolbar.
    {"sbUserAddTag", "", "user-tag-add"},
    {"sbUserEditTag", "", "user-tag-edit"},
    // The switches of the Tool Bars toolbar.
    {"sbFileSwitch", "", "switch-file"},
    {"sbeditswitch", "", "switch-edit"},
    {"sbfontatribswitch", "", "switch-font"},
    {"sbBodyTagsSwitch", "", "switch-body"},
    {"sbColorSwitch", "", "switch-color"},
    {"sbLinkTagsSwitch", "", "switch-link"},
    {"sbFormTagsSwitch", "", "switch-form"},
    {"sbUserTags", "", "switch-user"},
    {"sbproject", "", "project-panel"},
    {"sbHTML", "text-html", "html-viewer"},
    {"sbConfigure", "preferences-system", "configure"},
    {"sbFTP", "", "ftp-window"},
};

QString latin(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QIcon ownIcon(std::string_view name) {
    return QIcon(QStringLiteral(":/velloran/toolbar/") + latin(name) + QStringLiteral(".svg"));
}

} // namespace

QIcon GlyphIcon(const QString& button) {
    const auto* glyph = std::find_if(std::begin(kGlyphs), std::end(kGlyphs), [&](const Glyph& g) {
        return button == QLatin1String(g.button.data(), static_cast<qsizetype>(g.button.size()));
    });
    if (glyph == std::end(kGlyphs))
        return {};
    const QIcon own = ownIcon(glyph->own);
    // A theme without the name (or no theme at all) gives our own picture.
    return glyph->theme.empty() ? own : QIcon::fromTheme(latin(glyph->theme), own);
}

QIcon ParagraphIcon(int alignment) {
    static constexpr std::string_view kNames[] = {"paragraph-left", "paragraph-center",
                                                  "paragraph-right"};
    return ownIcon(kNames[std::clamp(alignment, 1, 3) - 1]);
}

} // namespace velloran
