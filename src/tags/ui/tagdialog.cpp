// The shared workings of the tag dialogs: fields bound to attributes or content, and Browse.
#include "tags/ui/tagdialog.h"

#include "platform/qt/dialogbuttons.h"

#include "tags/ghtmlfun.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QVBoxLayout>
#include <utility>

namespace velloran {

namespace {

// Position of "Known Files" in the shared open dialog's filter list.
constexpr int kKnownFilesFilter = 5;

constexpr std::string_view kTagEnd = ">";
constexpr std::string_view kQuote = "\"";

constexpr int kFinalTagWidth = 420;

QString FromDocument(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

void SetFieldText(QLineEdit* field, const QString& text) {
    if (field->text() != text)
        field->setText(text);
}

std::string FieldText(const QLineEdit* field) {
    return field->text().toStdString();
}

std::optional<QString> BrowseUrl(const TagDialogContext& context, std::optional<int> filterIndex) {
    if (!context.documentName || context.prompter == nullptr || context.openDialog == nullptr)
        return std::nullopt;
    FileRequest& request = *context.openDialog;
    if (filterIndex)
        request.filterIndex = *filterIndex;
    const std::optional<std::string> chosen = context.prompter->openFile(request);
    if (filterIndex)
        request.filterIndex = kKnownFilesFilter;
    if (!chosen)
        return std::nullopt;
    return FromDocument(RelativeUrl(*context.documentName, *chosen));
}

// ---- The shared workings ----

TagDialog::TagDialog(const QString& title, std::string tagStart, std::string closeText,
                     QWidget* parent)
    : QDialog(parent), m_tagStart(std::move(tagStart)), m_closeText(std::move(closeText)) {
    setWindowTitle(title);
    setModal(true);
    m_grid = new QGridLayout;
    m_grid->setColumnStretch(1, 1);
    m_layout = new QVBoxLayout(this);
    m_layout->addLayout(m_grid);
}

void TagDialog::addRow(QWidget* label, QWidget* field, QWidget* extra) {
    const int row = m_grid->rowCount();
    m_grid->addWidget(label, row, 0);
    m_grid->addWidget(field, row, 1);
    if (extra != nullptr)
        m_grid->addWidget(extra, row, 2);
}

void TagDialog::addRow(const QString& label, QWidget* field, QWidget* extra) {
    auto* caption = new QLabel(label, this);
    caption->setBuddy(field);
    addRow(caption, field, extra);
}

QLineEdit* TagDialog::addFinalTag(const QString& label) {
    m_finalTag = new QLineEdit(this);
    m_finalTag->setMinimumWidth(kFinalTagWidth);
    const int row = m_grid->rowCount();
    auto* caption = new QLabel(label, this);
    caption->setBuddy(m_finalTag);
    m_grid->addWidget(caption, row, 0);
    m_grid->addWidget(m_finalTag, row, 1, 1, 2);

    const OkCancel buttons = AddOkCancelRow(*this, *m_layout);
    bbOK = buttons.ok;
    bbCancel = buttons.cancel;
    connect(m_finalTag, &QLineEdit::textChanged, this, &TagDialog::finalTagChanged);
    return m_finalTag;
}

void TagDialog::Load() {
    if (!m_finalTag->text().isEmpty())
        loadFields();
    else
        m_finalTag->setText(FromDocument(newTag()));
}

std::string TagDialog::finalTag() const {
    return FieldText(m_finalTag);
}

bool TagDialog::storeAttribute(std::string_view name, const std::string& value) {
    if (Updating)
        return false;
    const std::string tag = SetAttribute(finalTag(), m_tagStart, kTagEnd, name, value, kQuote);
    store(tag);
    return !tag.empty();
}

void TagDialog::bindAttribute(QLineEdit* field, std::string name,
                              std::function<void()> afterStore) {
    connect(field, &QLineEdit::textChanged, this,
            [this, field, name = std::move(name), afterStore = std::move(afterStore)] {
                if (storeAttribute(name, FieldText(field)) && afterStore)
                    afterStore();
            });
}

// The content is found from the first ">" on, which would also match outside the tag:
// without the tag start the change is not made.
void TagDialog::bindContent(QLineEdit* field) {
    connect(field, &QLineEdit::textChanged, this, [this, field] {
        if (Updating)
            return;
        const std::string tag = finalTag();
        if (!FindNoCase(tag, m_tagStart))
            return;
        store(ReplaceBetween(tag, kTagEnd, m_closeText, FieldText(field)));
    });
}

std::string TagDialog::attribute(std::string_view name) const {
    return GetAttribute(finalTag(), m_tagStart, kTagEnd, name);
}

void TagDialog::loadAttribute(QLineEdit* field, std::string_view name) {
    SetFieldText(field, FromDocument(attribute(name)));
}

void TagDialog::loadContent(QLineEdit* field) {
    SetFieldText(field, FromDocument(TextBetween(finalTag(), kTagEnd, m_closeText)));
}

void TagDialog::store(const std::string& tag) {
    const QScopedValueRollback<bool> guard(Updating, true);
    if (!tag.empty())
        SetFieldText(m_finalTag, FromDocument(tag));
}

// The fields follow a hand-edited tag; the tag itself stays as typed.
void TagDialog::finalTagChanged() {
    if (Updating)
        return;
    const QScopedValueRollback<bool> guard(Updating, true);
    Load();
}

} // namespace velloran
