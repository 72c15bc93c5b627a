// The find and replace dialogs, the control's message hooks and the parser options entry.
#include "editor/ui/finddialog.h"

#include "editor/ui/codememo.h"
#include "platform/qt/qtprompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <exception>
#include <optional>

namespace velloran {

namespace {

// Message boxes open over the window in front (the dialog that asked), else the control.
QWidget* BoxParent(QWidget* fallback) {
    QWidget* active = QApplication::activeWindow();
    return active ? active : fallback;
}

// A control whose message hook was taken away says nothing rather than failing.
void Tell(TCodeMemo& memo, MessageKind kind, const QString& text) {
    if (memo.showMessage)
        memo.showMessage(kind, text);
}

} // namespace

ReplaceAnswer AskReplaceInMessageBox(QWidget* parent, const QString& question) {
    QMessageBox box(
        QMessageBox::Question, QStringLiteral("Replace"), question,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::YesToAll, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return ReplaceAnswer::Yes;
    case QMessageBox::No:
        return ReplaceAnswer::No;
    case QMessageBox::YesToAll:
        return ReplaceAnswer::All;
    default:
        return ReplaceAnswer::Cancel;
    }
}

void ShowMessageBox(QWidget* parent, MessageKind kind, const QString& text) {
    QMessageBox box(MessageBoxIcon(kind), QApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, parent);
    // Warnings quote a pattern with a caret under the fault: the columns must line up.
    if (kind == MessageKind::Warning) {
        box.setTextFormat(Qt::RichText);
        box.setText(QStringLiteral("<pre>") + text.toHtmlEscaped() + QStringLiteral("</pre>"));
    }
    box.exec();
}

// ---- The find dialog ----

TFindDialog::TFindDialog(TCodeMemo& memo) : TFindDialog(memo, QStringLiteral("Find")) {
}

TFindDialog::TFindDialog(TCodeMemo& memo, const QString& title) : QDialog(&memo), m_memo(memo) {
    setWindowTitle(title);
    setModal(false);
    build();
    updateButtons();
}

void TFindDialog::build() {
    m_find = new QLineEdit(this);
    m_fields = new QFormLayout;
    m_fields->addRow(QStringLiteral("Fi&nd what:"), m_find);

    auto* options = new QGroupBox(QStringLiteral("Options"), this);
    m_matchCase = new QCheckBox(QStringLiteral("Match &case"), options);
    m_wholeWords = new QCheckBox(QStringLiteral("&Whole words"), options);
    m_regex = new QCheckBox(QStringLiteral("&Regular expression"), options);
    auto* optionRows = new QVBoxLayout(options);
    for (QCheckBox* box : {m_matchCase, m_wholeWords, m_regex})
        optionRows->addWidget(box);

    auto* left = new QVBoxLayout;
    left->addLayout(m_fields);
    left->addWidget(options);
    left->addStretch();

    m_findNext = new QPushButton(QStringLiteral("&Find Next"), this);
    m_findNext->setDefault(true);
    m_close = new QPushButton(QStringLiteral("Close"), this);
    m_buttons = new QVBoxLayout;
    m_buttons->addWidget(m_findNext);
    m_buttons->addWidget(m_close);
    m_buttons->addStretch();

    auto* main = new QHBoxLayout(this);
    main->addLayout(left, 1);
    main->addLayout(m_buttons);
    m_find->setMinimumWidth(260);

    connect(m_findNext, &QPushButton::clicked, this, [this] { findNext(); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::close);
    connect(m_find, &QLineEdit::textChanged, this, [this] { updateButtons(); });
}

void TFindDialog::addButton(QPushButton* button) {
    m_buttons->insertWidget(m_buttons->indexOf(m_close), button);
}

void TFindDialog::updateButtons() {
    m_findNext->setEnabled(!m_find->text().isEmpty());
}

void TFindDialog::present(unsigned options) {
    m_matchCase->setChecked(options & kMatchCase);
    m_wholeWords->setChecked(options & kWholeWords);
    m_regex->setChecked(options & kRegularExpression);
    const QString suggestion = selectionSuggestion();
    if (!suggestion.isEmpty())
        m_find->setText(suggestion);
    else if (m_find->text().isEmpty())
        m_find->setText(DocumentToQString(m_memo.model().searchEngine().lastSearchText(),
                                          m_memo.model().encoding()));
    updateButtons();
    show();
    raise();
    activateWindow();
    m_find->setFocus();
    m_find->selectAll();
}

// A selection on one line, short enough to be searched as it stands, is what the user
// wants to find; after a regular expression the pattern stays, as a selection would not
// be one.
QString TFindDialog::selectionSuggestion() const {
    const EditModel& model = m_memo.model();
    const Position length = model.selectionEnd() - model.selectionStart();
    if (length <= 0 || length > static_cast<Position>(kMaxSearchTextBytes) ||
        (model.searchEngine().options() & kRegularExpression))
        return {};
    const std::string text = model.store().text(model.selectionStart(), length);
    if (text.find_first_of("\r\n") != std::string::npos)
        return {};
    return DocumentToQString(text, model.encoding());
}

unsigned TFindDialog::searchOptions() const {
    return (m_matchCase->isChecked() ? kMatchCase : 0u) |
           (m_wholeWords->isChecked() ? kWholeWords : 0u) |
           (m_regex->isChecked() ? kRegularExpression : 0u);
}

std::string TFindDialog::documentText(const QString& text) const {
    return QStringToDocument(text, m_memo.model().encoding());
}

bool TFindDialog::guarded(const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const TCodeMemoException& error) {
        // A pattern error's text is the pattern, a caret under the fault and the reason.
        Tell(m_memo, MessageKind::Warning,
             DocumentToQString(error.what(), m_memo.model().encoding()));
    } catch (const std::exception& error) {
        Tell(m_memo, MessageKind::Error, QString::fromLocal8Bit(error.what()));
    }
    return false;
}

std::optional<bool> TFindDialog::searchOnce(Position& position) {
    const std::string text = documentText(m_find->text());
    const unsigned options = kSearchNow | searchOptions();
    bool found = false;
    if (!guarded([&] { found = m_memo.model().findText(text, position, options); }))
        return std::nullopt;
    return found;
}

bool TFindDialog::findNext() {
    if (m_find->text().isEmpty())
        return false;
    EditModel& model = m_memo.model();
    const Position from = model.selectionEnd();
    Position position = -1;
    std::optional<bool> found = searchOnce(position);
    // An empty match where the search began would be found again and again: step over it.
    if (found == true && position == from && !model.hasSelection() && from < model.length()) {
        const Position next = model.nextCharPos(from);
        m_memo.select(next, next);
        found = searchOnce(position);
    }
    if (found == false)
        Tell(m_memo, MessageKind::Information,
             QStringLiteral("Search string \"%1\" not found").arg(m_find->text()));
    return found.value_or(false);
}

void TFindDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // The match must show while the dialog, not the control, has the focus.
    m_savedHideSelection = m_memo.hideSelection();
    m_memo.setHideSelection(false);
}

void TFindDialog::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        m_memo.setHideSelection(m_savedHideSelection);
}

// ---- The replace dialog ----

TReplaceDialog::TReplaceDialog(TCodeMemo& memo) : TFindDialog(memo, QStringLiteral("Replace")) {
    m_replace = new QLineEdit(this);
    fields()->addRow(QStringLiteral("Re&place with:"), m_replace);
    m_replaceAll = new QPushButton(QStringLiteral("Replace &All"), this);
    addButton(m_replaceAll);
    connect(m_replaceAll, &QPushButton::clicked, this, [this] { replaceAll(); });
    // Made last, the field and button belong after the first field and button.
    setTabOrder(findEdit(), m_replace);
    setTabOrder(m_replace, matchCaseBox());
    setTabOrder(findNextButton(), m_replaceAll);
    setTabOrder(m_replaceAll, closeButton());
    updateButtons();
}

void TReplaceDialog::updateButtons() {
    TFindDialog::updateButtons();
    if (m_replaceAll)
        m_replaceAll->setEnabled(!findEdit()->text().isEmpty() && !memo().isReadOnly());
}

int TReplaceDialog::replaceAll() {
    if (findEdit()->text().isEmpty() || memo().isReadOnly())
        return 0;
    const std::string find = documentText(findEdit()->text());
    const std::string replacement = documentText(m_replace->text());
    const unsigned options = kSearchNow | searchOptions();
    int count = 0;
    const bool ran = guarded([&] {
        count = memo().model().replaceAll(find, replacement, options,
                                          [this](const std::string& q) { return ask(q); });
    });
    if (!ran)
        return -1;
    Tell(memo(), MessageKind::Information,
         count == 1 ? QStringLiteral("1 occurrence replaced")
                    : QStringLiteral("%1 occurrences replaced").arg(count));
    return count;
}

ReplaceAnswer TReplaceDialog::ask(const std::string& question) {
    if (!memo().askReplace)
        return ReplaceAnswer::All;
    // The model holds painting back while it replaces; the match in question must show.
    memo().ensureCaretVisible();
    memo().viewport()->update();
    return memo().askReplace(DocumentToQString(question, memo().model().encoding()));
}

// ---- The control's side ----

void TCodeMemo::installFindDialog() {
    m_model.showFindDialog = [this](unsigned options) { showSearchDialog(options, false); };
    askReplace = [this](const QString& question) {
        return AskReplaceInMessageBox(BoxParent(this), question);
    };
    showMessage = [this](MessageKind kind, const QString& text) {
        ShowMessageBox(BoxParent(this), kind, text);
    };
}

void TCodeMemo::showSearchDialog(unsigned options, bool replace) {
    // One of the two at a time: each keeps the control's selection-hiding setting aside.
    if (replace && m_findDialog)
        m_findDialog->hide();
    if (!replace && m_replaceDialog)
        m_replaceDialog->hide();
    if (replace && !m_replaceDialog)
        m_replaceDialog = std::make_unique<TReplaceDialog>(*this);
    if (!replace && !m_findDialog)
        m_findDialog = std::make_unique<TFindDialog>(*this);
    TFindDialog* dialog = replace ? m_replaceDialog.get() : m_findDialog.get();
    dialog->present(options);
}

void TCodeMemo::ShowFindDialog() {
    showSearchDialog(m_model.searchEngine().options(), false);
}

void TCodeMemo::ShowReplaceDialog() {
    showSearchDialog(m_model.searchEngine().options(), true);
}

TFindDialog* TCodeMemo::findDialog() const noexcept {
    return m_findDialog.get();
}

TReplaceDialog* TCodeMemo::replaceDialog() const noexcept {
    return m_replaceDialog.get();
}

bool TCodeMemo::ModifyParserProperties() {
    const bool active = m_activeParser != kPlainTextSlot && parser(m_activeParser) != nullptr;
    if (!active) {
        Tell(*this, MessageKind::Information, QStringLiteral("No active parser"));
        return false;
    }
    if (!onModifyProperties || !onModifyProperties(*parser(m_activeParser)))
        return false;
    parserChanged();
    return true;
}

} // namespace velloran
