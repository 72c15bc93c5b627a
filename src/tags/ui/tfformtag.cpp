// The "Form Tag" dialog: every field edit rewrites the final tag, and a hand edit of the tag
// flows back into the fields.
#include "tags/ui/tfformtag.h"

#include "tags/ghtmlfun.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velloran {

namespace {

constexpr std::string_view kFormStart = "<FORM";
constexpr std::string_view kFormEnd = "</FORM>";
constexpr std::string_view kTagEnd = ">";

// Leaving an equal text alone keeps its change handler from rewriting the tag.
void setTextIfDifferent(QLineEdit* edit, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (edit->text() != value)
        edit->setText(value);
}

} // namespace

TfFormTag::TfFormTag(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Form Tag"));
    setModal(true);
    build();
    connectFields();
}

void TfFormTag::build() {
    eAction = new QLineEdit(this);
    cbMethod = new QComboBox(this);
    cbMethod->addItems({QStringLiteral("GET"), QStringLiteral("POST")});
    cbMethod->setEditable(false);
    cbMethod->setCurrentIndex(-1);
    eText = new QLineEdit(this);
    eTag = new QLineEdit(this);
    eTag->setMinimumWidth(360);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Action:"), eAction);
    fields->addRow(QStringLiteral("Method:"), cbMethod);
    fields->addRow(QStringLiteral("Text:"), eText);
    fields->addRow(QStringLiteral("Final Tag:"), eTag);

    bbOK = new QPushButton(QStringLiteral("OK"), this);
    bbOK->setDefault(true);
    bbCancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bbOK);
    buttons->addWidget(bbCancel);

    auto* main = new QVBoxLayout(this);
    main->addLayout(fields);
    main->addStretch();
    main->addLayout(buttons);
}

void TfFormTag::connectFields() {
    connect(bbOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(eAction, &QLineEdit::textChanged, this,
            [this](const QString& text) { setFormAttribute("ACTION=", text); });
    // Only a user's pick: Load selects the entry without writing the tag.
    connect(cbMethod, &QComboBox::activated, this,
            [this] { setFormAttribute("METHOD=", cbMethod->currentText()); });
    connect(eText, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!Updating)
            storeTag(ReplaceBetween(tagText(), kTagEnd, kFormEnd, text.toStdString()));
    });
    connect(eTag, &QLineEdit::textChanged, this, [this] {
        if (Updating)
            return;
        Updating = true;
        Load();
        Updating = false;
    });
}

void TfFormTag::Load() {
    const std::string tag = tagText();
    if (tag.empty()) {
        storeTag("<FORM ACTION=\"\">" + eText->text().toStdString() + std::string(kFormEnd));
        return;
    }
    setTextIfDifferent(eAction, GetAttribute(tag, kFormStart, kTagEnd, "ACTION="));
    const QString method =
        QString::fromStdString(GetAttribute(tag, kFormStart, kTagEnd, "METHOD="));
    cbMethod->setCurrentIndex(method.isEmpty() ? -1
                                               : cbMethod->findText(method, Qt::MatchFixedString));
    setTextIfDifferent(eText, TextBetween(tag, kTagEnd, kFormEnd));
}

void TfFormTag::setFormAttribute(std::string_view name, const QString& value) {
    if (!Updating)
        storeTag(SetAttribute(tagText(), kFormStart, kTagEnd, name, value.toStdString(), "\""));
}

// An empty result means the FORM tag is gone from eTag; the tag is then left as typed.
void TfFormTag::storeTag(const std::string& tag) {
    if (tag.empty())
        return;
    const bool wasUpdating = Updating;
    Updating = true;
    setTextIfDifferent(eTag, tag);
    Updating = wasUpdating;
}

std::string TfFormTag::tagText() const {
    return eTag->text().toStdString();
}

} // namespace velloran
