// The tag toolbars and their menus: font toggles and fixed tag pairs, the Enter key's
// paragraph, line-break and list modes, the colour toolbar, and the tag dialogs.
#include "app/datamodule.h"
#include "app/editorentry.h"
#include "app/mainwindow.h"
#include "app/toolbaricons.h"
#include "editor/ui/codememo.h"
#include "editor/ui/coderenderer.h"
#include "tags/ghtmlfun.h"
#include "tags/tagcommands.h"
#include "tags/ui/tfanchor.h"
#include "tags/ui/tfcolorpick.h"
#include "tags/ui/tffont.h"
#include "tags/ui/tfformelement.h"
#include "tags/ui/tfformtag.h"
#include "tags/ui/tfimg.h"

#include <QAction>
#include <QActionGroup>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace velloran {

namespace {

QString Latin(const char* text) {
    return QString::fromLatin1(text);
}

} // namespace

void TfEditor::withWritableEditor(const std::function<void(EditModel&)>& action) {
    TEditorEntry* entry = CurrentEntry();
    if (entry == nullptr || entry->Memo->isReadOnly())
        return;
    action(entry->Memo->model());
    entry->Memo->ensureCaretVisible();
    entry->Memo->setFocus();
}

QAction* TfEditor::addTagPairs(QWidget* owner, std::initializer_list<TagPairItem> items) {
    QAction* last = nullptr;
    for (const TagPairItem& item : items) {
        const std::string open = item.open;
        const std::string close = item.close;
        last = makeCommand(owner, Latin(item.name), Latin(item.caption), [this, open, close] {
            withWritableEditor([&](EditModel& model) { WrapSelection(model, open, close); });
        });
    }
    return last;
}

void TfEditor::buildTagPopupMenus() {
    pmFontStyles = new QMenu(this);
    pmFontStyles->setObjectName(QStringLiteral("pmFontStyles"));
    addTagPairs(pmFontStyles, {{"Strikethrough1", "Strikethrough", "<STRIKE>", "</STRIKE>"},
                               {"Superscript1", "Superscript", "<SUP>", "</SUP>"},
                               {"Subscript1", "Subscript", "<SUB>", "</SUB>"},
                               {"Blinking1", "Blinking", "<BLINK>", "</BLINK>"},
                               {"NonBreaking1", "NonBreaking", "<NOBR>", "</NOBR>"}});

    pmParagraphStyle = new QMenu(this);
    pmParagraphStyle->setObjectName(QStringLiteral("pmParagraphStyle"));
    QMenu* headline = pmParagraphStyle->addMenu(QStringLiteral("Headline"));
    headline->menuAction()->setObjectName(QStringLiteral("Headline1"));
    for (int level = 1; level <= 6; ++level)
        makeTagged(headline, NumberedItem("N", level, 1), QString::number(level), level,
                   &TfEditor::HeadlineCreate);
    addTagPairs(pmParagraphStyle,
                {{"Address1", "Address", "<ADDRESS>", "</ADDRESS>"},
                 {"Formatted1", "Pre Formatted", "<PRE>", "</PRE>"},
                 {"BlockQuote1", "Block Quote", "<BLOCKQUOTE>", "</BLOCKQUOTE>"}});
    makeCommand(pmParagraphStyle, QStringLiteral("DescriptionTitle1"),
                QStringLiteral("Description Title"), {})
        ->setEnabled(false);
    makeCommand(pmParagraphStyle, QStringLiteral("DescriptionText1"),
                QStringLiteral("Description Text"), {})
        ->setEnabled(false);

    pmParagraph = new QMenu(this);
    pmParagraph->setObjectName(QStringLiteral("pmParagraph"));
    const char* const alignments[] = {"Left", "Center", "Right"};
    for (int alignment = 1; alignment <= 3; ++alignment)
        makeTagged(pmParagraph, Latin(alignments[alignment - 1]) + QLatin1Char('1'),
                   Latin(alignments[alignment - 1]), alignment, &TfEditor::sbParagraphClick);

    pmListStyle = new QMenu(this);
    pmListStyle->setObjectName(QStringLiteral("pmListStyle"));
    const TagPairItem lists[] = {{"Bulletted1", "Bulletted", "<UL>\r\n<LI>", "\r\n</UL>"},
                                 {"Numbered1", "Numbered", "<OL>\r\n<LI>", "\r\n</OL>"},
                                 {"Directory1", "Directory", "<DIR>\r\n<LI>", "\r\n</DIR>"},
                                 {"Menu1", "Menu", "<MENU>\r\n<LI>", "\r\n</MENU>"}};
    for (const TagPairItem& list : lists) {
        const std::string open = list.open;
        const std::string close = list.close;
        makeCommand(pmListStyle, Latin(list.name), Latin(list.caption), [this, open, close] {
            withWritableEditor([&](EditModel& model) { WrapSelection(model, open, close); });
            command(QStringLiteral("sbUList"))->setChecked(true);
        });
        if (list.name == std::string_view("Numbered1"))
            makeCommand(pmListStyle, QStringLiteral("Description1"), QStringLiteral("Description"),
                        {})
                ->setEnabled(false);
    }
}

void TfEditor::buildTagToolbars() {
    buildFontTagsToolbar();
    buildBodyTagsToolbar();
    buildColorToolbar();
    QToolBar* links = toolbar(6);
    makeCommand(links, QStringLiteral("sbAnchor"), QStringLiteral("Link"), [this] {
        sbAnchorClick();
    })->setToolTip(QStringLiteral("Anchor Tag"));
    makeCommand(links, QStringLiteral("sbImg"), QStringLiteral("Image"), [this] {
        sbImgClick();
    })->setToolTip(QStringLiteral("Image Tag"));
    makeCommand(links, QStringLiteral("sbHTMLTag"), QStringLiteral("<HTM"), [this] {
        sbHTMLTagClick();
    })->setToolTip(QStringLiteral("HTML Tags"));
    buildFormToolbar();
    // Ctrl+B and Ctrl+P type a line break or a paragraph wherever the focus is.
    makeCommand(this, QStringLiteral("LineBreakKey"), QString(), [this] {
        InsertParagraphTag(4);
    })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    makeCommand(this, QStringLiteral("ParagraphKey"), QString(), [this] {
        InsertParagraphTag(m_paragraphAlignment);
    })->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
}

void TfEditor::buildFontTagsToolbar() {
    QToolBar* bar = toolbar(3);
    const char* const toggles[][3] = {{"sbBold", "Bold", "(ctrl + B)"},
                                      {"sbItalic", "Italic", "(ctrl + I)"},
                                      {"sbUnderline", "Underline", "(ctrl + U)"},
                                      {"sbCenter", "Canter", "(ctrl + E)"}};
    for (int tag = 1; tag <= 4; ++tag) {
        QAction* toggle = makeTagged(bar, Latin(toggles[tag - 1][0]), Latin(toggles[tag - 1][1]),
                                     tag, &TfEditor::AddFontTag);
        toggle->setCheckable(true);
        toggle->setToolTip(Latin(toggles[tag - 1][2]));
    }
    QAction* font = makeCommand(bar, QStringLiteral("sbFontStyle"), QStringLiteral("Font"),
                                [this] { sbFontStyleClick(); });
    font->setToolTip(QStringLiteral("Font Tag"));
    setDropDown(bar, font, pmFontStyles, false);
    QAction* paragraphStyle = makeCommand(bar, QStringLiteral("sbParagraphAttrib"),
                                          QStringLiteral("Paragraph Attributes"), {});
    paragraphStyle->setToolTip(QStringLiteral("Paragraph Attributes"));
    setDropDown(bar, paragraphStyle, pmParagraphStyle, true);
    addTagPairs(bar, {{"sbHR", "<HR>", "\r\n<HR>\r\n", ""}})
        ->setToolTip(QStringLiteral("Horizontal Rule"));
}

void TfEditor::buildBodyTagsToolbar() {
    QToolBar* bar = toolbar(4);
    // At most one Enter-key mode at a time, and none is allowed.
    auto* modes = new QActionGroup(bar);
    modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    QAction* paragraph = makeTagged(bar, QStringLiteral("sbParagraph"), QStringLiteral("<p>"), 0,
                                    &TfEditor::sbParagraphClick);
    paragraph->setToolTip(QStringLiteral("Paragraph (Ctrl + P)"));
    paragraph->setIcon(ParagraphIcon(1));
    setDropDown(bar, paragraph, pmParagraph, false);
    QAction* lineBreak = makeCommand(bar, QStringLiteral("sbBreak"), QStringLiteral("<BR>"), {});
    lineBreak->setToolTip(QStringLiteral("Line Break (Ctrl + B)"));
    QAction* list = makeCommand(bar, QStringLiteral("sbUList"), QStringLiteral("<UL>"), {});
    list->setToolTip(QStringLiteral("List"));
    setDropDown(bar, list, pmListStyle, false);
    for (QAction* mode : {paragraph, lineBreak, list}) {
        mode->setCheckable(true);
        modes->addAction(mode);
    }
}

void TfEditor::buildColorToolbar() {
    QToolBar* bar = toolbar(5);
    m_swatch = QPixmap(16, 16);
    m_swatch.fill(Qt::black);
    QAction* color = makeCommand(bar, QStringLiteral("sbColor"), QStringLiteral("Color"),
                                 [this] { sbColorClick(); });
    color->setToolTip(QStringLiteral("Color To Hex"));
    color->setIcon(QIcon(m_swatch));
    eColorHex = new QLineEdit(QStringLiteral("#000000"), bar);
    eColorHex->setObjectName(QStringLiteral("eColorHex"));
    eColorHex->setToolTip(QStringLiteral("Hex to Color"));
    eColorHex->setMaximumWidth(
        eColorHex->fontMetrics().horizontalAdvance(QStringLiteral("#WWWWWWW")));
    bar->addWidget(eColorHex);
    connect(eColorHex, &QLineEdit::textChanged, this, &TfEditor::eColorHexChange);
}

void TfEditor::buildFormToolbar() {
    QToolBar* bar = toolbar(7);
    const char* const elements[][2] = {
        {"sbFormTextArea", "Textarea"}, {"sbFormInput", "Text"},    {"sbFormRadio", "Radio Buton"},
        {"sbFormCheckbox", "Checkbox"}, {"sbFormButton", "Button"}, {"sbFormHidden", "Hidden"}};
    // The element dialog's page that each button opens.
    const int pages[] = {1, 0, 3, 2, 4, 5};
    for (int i = 0; i < 6; ++i)
        makeTagged(bar, Latin(elements[i][0]), Latin(elements[i][1]), pages[i],
                   &TfEditor::AddFormElement);
    makeCommand(bar, QStringLiteral("sbFormSelect"), QStringLiteral("Select"), {});
    makeCommand(bar, QStringLiteral("sbFormTag"), QStringLiteral("Form"), [this] {
        sbFormTagClick();
    })->setToolTip(QStringLiteral("Form Tag"));
}

// ---- Handlers ----

void TfEditor::AddFontTag(QObject* sender) {
    static const char* const pairs[][2] = {
        {"<B>", "</B>"}, {"<I>", "</I>"}, {"<U>", "</U>"}, {"<CENTER>", "</CENTER>"}};
    auto* toggle = static_cast<QAction*>(sender);
    const int tag = std::clamp(sender->property("tag").toInt(), 1, 4);
    withWritableEditor([&](EditModel& model) {
        // Qt has already changed the button's state.
        toggle->setChecked(
            ToggleFontTag(model, pairs[tag - 1][0], pairs[tag - 1][1], toggle->isChecked()));
    });
}

void TfEditor::HeadlineCreate(QObject* sender) {
    const std::string level = std::to_string(sender->property("tag").toInt());
    withWritableEditor(
        [&](EditModel& model) { WrapSelection(model, "<H" + level + ">", "</H" + level + ">"); });
}

void TfEditor::sbParagraphClick(QObject* sender) {
    const int alignment = sender->property("tag").toInt();
    if (alignment == 0)
        return; // the button toggled paragraph mode itself
    m_paragraphAlignment = alignment;
    QAction* paragraph = command(QStringLiteral("sbParagraph"));
    paragraph->setChecked(true);
    paragraph->setIcon(ParagraphIcon(alignment));
}

void TfEditor::InsertParagraphTag(int kind) {
    withWritableEditor([kind](EditModel& model) { velloran::InsertParagraphTag(model, kind); });
}

void TfEditor::enterKeyReleased(TCodeMemo& memo) {
    if (memo.isReadOnly() || &memo != (CurrentEntry() ? CurrentEntry()->Memo : nullptr))
        return;
    EnterKeyMode mode;
    mode.paragraph = command(QStringLiteral("sbParagraph"))->isChecked();
    mode.alignment = m_paragraphAlignment;
    mode.lineBreak = command(QStringLiteral("sbBreak"))->isChecked();
    mode.list = command(QStringLiteral("sbUList"))->isChecked();
    TypeEnterKeyTag(memo.model(), mode);
    memo.ensureCaretVisible();
}

// ---- Colour toolbar ----

void TfEditor::eColorHexChange() {
    const std::uint32_t bgr = HexToColor(eColorHex->text().toStdString());
    m_swatch.fill(QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
    command(QStringLiteral("sbColor"))->setIcon(QIcon(m_swatch));
}

void TfEditor::sbColorClick() {
    Tfcolorpick picker(this);
    const std::uint32_t bgr = HexToColor(eColorHex->text().toStdString());
    picker.setSelectedColor(QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF));
    if (QWidget* button = toolbar(5)->widgetForAction(command(QStringLiteral("sbColor"))))
        picker.move(button->mapToGlobal(button->rect().bottomLeft()));
    if (execDialog(picker) != QDialog::Accepted)
        return;
    const QColor picked = picker.selectedColor();
    eColorHex->setText(QString::fromStdString(ColorToHex(
        static_cast<std::uint32_t>(picked.red() | picked.green() << 8 | picked.blue() << 16))));
}

// ---- Tag dialogs ----

TagDialogContext TfEditor::tagDialogContext() {
    TagDialogContext context;
    context.prompter = &m_prompter;
    context.openDialog = &m_dm.OpenDialog1;
    if (TEditorEntry* entry = CurrentEntry())
        context.documentName = entry->FileName;
    return context;
}

// Puts the element at the caret, or else the selected text, into the dialog, and on OK
// replaces the selection with the dialog's tag.
void TfEditor::runTagDialog(QDialog& dialog, QLineEdit* finalTag, QLineEdit* content, bool found,
                            const std::function<void()>& load) {
    TEditorEntry* entry = CurrentEntry();
    TCodeMemo& memo = *entry->Memo;
    const Encoding encoding = memo.model().encoding();
    (found ? finalTag : content)->setText(DocumentToQString(memo.model().selText(), encoding));
    load();
    if (execDialog(dialog) == QDialog::Accepted)
        memo.model().replaceSel(QStringToDocument(finalTag->text(), encoding));
    memo.ensureCaretVisible();
}

bool TfEditor::canRunTagDialog() const {
    return CurrentEntry() != nullptr && !CurrentEntry()->Memo->isReadOnly();
}

void TfEditor::sbAnchorClick() {
    if (!canRunTagDialog())
        return;
    TfAnchor dialog(tagDialogContext(), this);
    const bool found = SelectEnclosingTag(CurrentEntry()->Memo->model(), "<A", "</A>");
    runTagDialog(dialog, dialog.eTag, dialog.eText, found, [&] { dialog.Load(); });
}

void TfEditor::sbImgClick() {
    if (!canRunTagDialog())
        return;
    TfImg dialog(tagDialogContext(), this);
    const bool found = SelectEnclosingTag(CurrentEntry()->Memo->model(), "<IMG", ">");
    runTagDialog(dialog, dialog.eTag, dialog.eSRC, found, [&] { dialog.Load(); });
}

void TfEditor::sbFontStyleClick() {
    if (!canRunTagDialog())
        return;
    TfFont dialog(this);
    const bool found = SelectEnclosingTag(CurrentEntry()->Memo->model(), "<FONT", "</FONT>");
    runTagDialog(dialog, dialog.etag, dialog.eText, found, [&] { dialog.Load(); });
}

void TfEditor::sbFormTagClick() {
    if (!canRunTagDialog())
        return;
    TfFormTag dialog(this);
    const bool found = SelectEnclosingTag(CurrentEntry()->Memo->model(), "<FORM", "</FORM>");
    runTagDialog(dialog, dialog.eTag, dialog.eText, found, [&] { dialog.Load(); });
}

void TfEditor::AddFormElement(QObject* sender) {
    if (!canRunTagDialog())
        return;
    TfFormElement dialog(this);
    EditModel& model = CurrentEntry()->Memo->model();
    const bool found = SelectEnclosingTag(model, "<INPUT", ">") ||
                       SelectEnclosingTag(model, "<TEXTAREA", "</TEXTAREA>");
    if (!found)
        dialog.setPage(sender->property("tag").toInt());
    runTagDialog(dialog, dialog.eTag, dialog.eValue, found, [&] { dialog.Load(); });
}

} // namespace velloran
