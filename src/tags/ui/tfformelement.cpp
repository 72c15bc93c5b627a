// The "Form Element" dialog: every field edit rewrites the final tag, and a hand edit of the
// tag flows back into the fields of the page shown.
#include "tags/ui/tfformelement.h"

#include "platform/qt/dialogbuttons.h"
#include "tags/ghtmlfun.h"
#include "tags/ui/tagdialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <array>

namespace velloran {

namespace {

constexpr std::string_view kInputStart = "<INPUT";
constexpr std::string_view kTextAreaStart = "<TEXTAREA";
constexpr std::string_view kTextAreaEnd = "</TEXTAREA>";
constexpr std::string_view kTagEnd = ">";

constexpr std::array<const char*, 6> kPageNames = {"TEXT",  "TEXTAREA", "CHECKBOX",
                                                   "RADIO", "BUTTON",   "HIDDEN"};
// The TYPE a fresh INPUT gets on each page.
constexpr std::array<std::string_view, 6> kPageTypes = {"TEXT",  "TEXTAREA", "CHECKBOX",
                                                        "RADIO", "SUBMIT",   "HIDDEN"};
// The TYPE of each rgButton item, by id.
constexpr std::array<const char*, 3> kButtonTypes = {"SUBMIT", "RESET", "BUTTON"};

// ASCII only, like the tag searches, so that no UTF-8 byte is touched.
std::string upperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// Leaving an equal text alone keeps its change handler from rewriting the tag.
void setTextIfDifferent(QLineEdit* edit, const std::string& text) {
    SetFieldText(edit, QString::fromStdString(text));
}

QFormLayout* formOn(QWidget* page) {
    auto* form = new QFormLayout(page);
    form->setContentsMargins(0, 0, 0, 0);
    return form;
}

} // namespace

TfFormElement::TfFormElement(QWidget* parent) : QDialog(parent) {
    setModal(true);
    build();
    connectFields();
    connectPageFields();
    setPage(TextPage);
}

void TfFormElement::build() {
    ename = new QLineEdit(this);
    eValue = new QLineEdit(this);
    eTag = new QLineEdit(this);
    eTag->setMinimumWidth(360);
    Notebook1 = new QStackedWidget(this);
    Notebook1->addWidget(buildTextPage());
    Notebook1->addWidget(buildTextAreaPage());
    Notebook1->addWidget(buildCheckPage(cbcbChecked));
    Notebook1->addWidget(buildCheckPage(cbrbChecked));
    Notebook1->addWidget(buildButtonPage());
    Notebook1->addWidget(new QWidget(Notebook1));

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Name:"), ename);
    fields->addRow(QStringLiteral("Value:"), eValue);
    auto* tagRow = new QFormLayout;
    tagRow->addRow(QStringLiteral("Final Tag:"), eTag);

    auto* main = new QVBoxLayout(this);
    main->addLayout(fields);
    main->addWidget(Notebook1);
    main->addLayout(tagRow);
    main->addStretch();
    const OkCancel buttons = AddOkCancelRow(*this, *main);
    bbOK = buttons.ok;
    bbCancel = buttons.cancel;
}

QWidget* TfFormElement::buildTextPage() {
    auto* page = new QWidget(Notebook1);
    eMaxLength = new QLineEdit(page);
    etextWidth = new QLineEdit(page);
    cbPassword = new QCheckBox(QStringLiteral("Password"), page);
    QFormLayout* form = formOn(page);
    form->addRow(QStringLiteral("Max Length:"), eMaxLength);
    form->addRow(QStringLiteral("Width:"), etextWidth);
    form->addRow(cbPassword);
    return page;
}

QWidget* TfFormElement::buildTextAreaPage() {
    auto* page = new QWidget(Notebook1);
    eAreaWidth = new QLineEdit(page);
    eAreaHeight = new QLineEdit(page);
    rbTAInput = new QRadioButton(QStringLiteral("Input"), page);
    rbtaTextArea = new QRadioButton(QStringLiteral("TextArea"), page);
    rbtaTextArea->setChecked(true);
    rbTAInput->setEnabled(false);
    rbtaTextArea->setEnabled(false);
    auto* forms = new QHBoxLayout;
    forms->addWidget(rbTAInput);
    forms->addWidget(rbtaTextArea);
    forms->addStretch();
    QFormLayout* form = formOn(page);
    form->addRow(QStringLiteral("Width:"), eAreaWidth);
    form->addRow(QStringLiteral("Height:"), eAreaHeight);
    form->addRow(forms);
    return page;
}

QWidget* TfFormElement::buildCheckPage(QCheckBox*& box) {
    auto* page = new QWidget(Notebook1);
    box = new QCheckBox(QStringLiteral("Checked"), page);
    formOn(page)->addRow(box);
    return page;
}

QWidget* TfFormElement::buildButtonPage() {
    auto* page = new QWidget(Notebook1);
    rgButtonBox = new QGroupBox(QStringLiteral("Style:"), page);
    rgButton = new QButtonGroup(rgButtonBox);
    auto* grid = new QGridLayout(rgButtonBox);
    const std::array<QString, 3> captions = {QStringLiteral("Submit:"), QStringLiteral("Reset:"),
                                             QStringLiteral("Button:")};
    for (int id = 0; id < 3; ++id) {
        auto* item = new QRadioButton(captions[id], rgButtonBox);
        rgButton->addButton(item, id);
        grid->addWidget(item, id / 3, id % 3);
    }
    rgButton->button(0)->setChecked(true);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(rgButtonBox);
    layout->addStretch();
    return page;
}

void TfFormElement::connectFields() {
    connect(ename, &QLineEdit::textChanged, this, [this](const QString& text) {
        setAttribute(textAreaElement() ? kTextAreaStart : kInputStart, "NAME=", text);
    });
    connect(eValue, &QLineEdit::textChanged, this, &TfFormElement::valueChanged);
    connect(eTag, &QLineEdit::textChanged, this, &TfFormElement::tagChanged);
}

void TfFormElement::connectPageFields() {
    connect(eMaxLength, &QLineEdit::textChanged, this,
            [this](const QString& text) { setInputAttribute("MAXLENGTH=", text); });
    connect(etextWidth, &QLineEdit::textChanged, this,
            [this](const QString& text) { setInputAttribute("SIZE=", text); });
    connect(cbPassword, &QCheckBox::toggled, this, [this](bool checked) {
        setInputAttribute("TYPE=", checked ? QStringLiteral("PASSWORD") : QStringLiteral("TEXT"));
    });
    connect(rgButton, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked && id >= 0 && id < static_cast<int>(kButtonTypes.size()))
            setInputAttribute("TYPE=", QString::fromLatin1(kButtonTypes[id]));
    });
    connect(eAreaWidth, &QLineEdit::textChanged, this, [this] { areaSizeChanged(true); });
    connect(eAreaHeight, &QLineEdit::textChanged, this, [this] { areaSizeChanged(false); });
    connect(cbcbChecked, &QCheckBox::toggled, this, &TfFormElement::checkedChanged);
    connect(cbrbChecked, &QCheckBox::toggled, this, &TfFormElement::checkedChanged);
}

void TfFormElement::setPage(int index) {
    if (index < 0 || index >= static_cast<int>(kPageNames.size()))
        return;
    Notebook1->setCurrentIndex(index);
    setWindowTitle(QStringLiteral("Form Element [%1]").arg(QLatin1String(kPageNames[index])));
}

int TfFormElement::page() const {
    return Notebook1->currentIndex();
}

bool TfFormElement::textAreaElement() const {
    return page() == TextAreaPage && rbtaTextArea->isChecked();
}

// Runs with Updating as the caller left it: from outside, every control it changes writes
// its value back into the tag through its own handler.
void TfFormElement::Load() {
    const std::string tag = tagText();
    if (tag.empty()) {
        buildDefaultTag();
        return;
    }
    choosePage(tag);
    readFields();
}

void TfFormElement::choosePage(const std::string& tag) {
    if (FindNoCase(tag, kTextAreaStart)) {
        setPage(TextAreaPage);
        rbtaTextArea->setChecked(true);
        return;
    }
    const std::string type = upperAscii(GetAttribute(tag, kInputStart, kTagEnd, "TYPE="));
    for (int id = 0; id < static_cast<int>(kButtonTypes.size()); ++id)
        if (type == kButtonTypes[id]) {
            setPage(ButtonPage);
            rgButton->button(id)->setChecked(true);
            return;
        }
    if (type == "PASSWORD") {
        setPage(TextPage);
        cbPassword->setChecked(true);
    } else if (type == "TEXTAREA") {
        setPage(TextAreaPage);
        rbTAInput->setChecked(true);
    } else {
        // An unknown type keeps the page shown.
        for (int index : {TextPage, CheckBoxPage, RadioPage, HiddenPage})
            if (type == kPageTypes[index])
                setPage(index);
    }
}

// All values come from the tag as it stands now, so that a handler rewriting the tag while
// the fields fill cannot change what the later fields read.
void TfFormElement::readFields() {
    const std::string tag = tagText();
    switch (page()) {
    case TextPage:
        setTextIfDifferent(eMaxLength, GetAttribute(tag, kInputStart, kTagEnd, "MAXLENGTH="));
        setTextIfDifferent(etextWidth, GetAttribute(tag, kInputStart, kTagEnd, "SIZE="));
        break;
    case TextAreaPage:
        readTextAreaSize(tag);
        break;
    case CheckBoxPage:
        cbcbChecked->setChecked(FindNoCase(tag, "CHECKED").has_value());
        break;
    case RadioPage:
        cbrbChecked->setChecked(FindNoCase(tag, "CHECKED").has_value());
        break;
    default:
        break;
    }
    if (textAreaElement()) {
        setTextIfDifferent(ename, GetAttribute(tag, kTextAreaStart, kTagEnd, "NAME="));
        setTextIfDifferent(eValue, TextBetween(tag, kTagEnd, kTextAreaEnd));
    } else {
        setTextIfDifferent(ename, GetAttribute(tag, kInputStart, kTagEnd, "NAME="));
        setTextIfDifferent(eValue, GetAttribute(tag, kInputStart, kTagEnd, "VALUE="));
    }
}

void TfFormElement::readTextAreaSize(const std::string& tag) {
    std::string width;
    std::string height;
    if (rbTAInput->isChecked()) {
        width = GetAttribute(tag, kInputStart, kTagEnd, "SIZE=");
        if (const std::size_t comma = width.find(','); comma != std::string::npos) {
            height = width.substr(comma + 1);
            width.resize(comma);
        }
    } else {
        width = GetAttribute(tag, kTextAreaStart, kTagEnd, "COLS=");
        height = GetAttribute(tag, kTextAreaStart, kTagEnd, "ROWS=");
    }
    setTextIfDifferent(eAreaWidth, width);
    setTextIfDifferent(eAreaHeight, height);
}

void TfFormElement::buildDefaultTag() {
    const std::string value = eValue->text().toStdString();
    if (page() == TextAreaPage) {
        storeTag(std::string(kTextAreaStart) + ">" + value + std::string(kTextAreaEnd));
        return;
    }
    const std::size_t index = page() >= 0 ? static_cast<std::size_t>(page()) : 0;
    storeTag("<INPUT TYPE=\"" + std::string(kPageTypes[index]) + "\" VALUE=\"" + value + "\">");
}

void TfFormElement::setAttribute(std::string_view tagStart, std::string_view name,
                                 const QString& value) {
    if (!Updating)
        storeTag(SetAttribute(tagText(), tagStart, kTagEnd, name, value.toStdString(), "\""));
}

void TfFormElement::setInputAttribute(std::string_view name, const QString& value) {
    setAttribute(kInputStart, name, value);
}

void TfFormElement::valueChanged(const QString& text) {
    if (Updating)
        return;
    if (textAreaElement())
        storeTag(ReplaceBetween(tagText(), kTagEnd, kTextAreaEnd, text.toStdString()));
    else
        setInputAttribute("VALUE=", text);
}

// An INPUT text area keeps both sizes in one SIZE value; the element has one attribute each.
void TfFormElement::areaSizeChanged(bool width) {
    if (rbTAInput->isChecked())
        setInputAttribute("SIZE=", eAreaWidth->text() + QLatin1Char(',') + eAreaHeight->text());
    else if (width)
        setAttribute(kTextAreaStart, "COLS=", eAreaWidth->text());
    else
        setAttribute(kTextAreaStart, "ROWS=", eAreaHeight->text());
}

void TfFormElement::checkedChanged(bool checked) {
    if (Updating)
        return;
    if (checked)
        storeTag(SetAttribute(tagText(), kInputStart, kTagEnd, "CHECKED", kBareValue, ""));
    else
        storeTag(RemoveFirst(tagText(), " CHECKED"));
}

void TfFormElement::tagChanged() {
    if (Updating)
        return;
    Updating = true;
    readFields();
    Updating = false;
}

// An empty result means the needed tag is gone from eTag; the tag is then left as typed.
void TfFormElement::storeTag(const std::string& tag) {
    if (tag.empty())
        return;
    const bool wasUpdating = Updating;
    Updating = true;
    setTextIfDifferent(eTag, tag);
    Updating = wasUpdating;
}

std::string TfFormElement::tagText() const {
    return eTag->text().toStdString();
}

} // namespace velloran
