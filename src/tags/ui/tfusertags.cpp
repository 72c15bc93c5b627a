// The user tags editing dialog.
#include "tags/ui/tfusertags.h"

#include "platform/errors.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace velloran {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// A memo's lines as the list file keeps them: none for an empty memo, and no line
// holds a line end, so every line is one value.
std::vector<std::string> MemoLines(const QPlainTextEdit* memo) {
    const QString text = memo->toPlainText();
    std::vector<std::string> lines;
    if (text.isEmpty())
        return lines;
    static const QRegularExpression kLineEnd(QStringLiteral("\r\n|\n|\r"));
    for (const QString& line : text.split(kLineEnd))
        lines.push_back(line.toStdString());
    return lines;
}

void SetMemoLines(QPlainTextEdit* memo, const std::vector<std::string>& lines) {
    QStringList text;
    for (const std::string& line : lines)
        text.append(qs(line));
    memo->setPlainText(text.join(QLatin1Char('\n')));
}

} // namespace

TfUserTags::TfUserTags(std::string& currentList, Prompter& prompter, std::string listFolder,
                       QWidget* parent)
    : QDialog(parent), m_currentList(currentList), m_prompter(prompter),
      m_listFolder(std::move(listFolder)) {
    setObjectName(QStringLiteral("TfUserTags"));
    setWindowTitle(QStringLiteral("User Tags"));
    buildControls();
    setEditMode(false);
    loadList();
}

QPushButton* TfUserTags::button(const QString& caption) {
    auto* pushButton = new QPushButton(caption, this);
    pushButton->setAutoDefault(false);
    return pushButton;
}

void TfUserTags::buildControls() {
    cbName = new QComboBox(this);
    cbShortcut = new QComboBox(this);
    cbShortcut->setToolTip(QStringLiteral("Shortcut for this tag (Ctrl + S)"));
    eName = new QLineEdit(this);
    eShortcut = new QLineEdit(this);
    mDescription = new QPlainTextEdit(this);
    mDescription->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    mTag = new QPlainTextEdit(this);
    mTag->setLineWrapMode(QPlainTextEdit::NoWrap);
    mTag->setMinimumSize(420, 160);
    bbseltext = button(QStringLiteral("seltext"));
    bbseltext->setToolTip(
        QStringLiteral("Show where the Selected Text should go when this Tag is Added."));
    bbAdd = button(QStringLiteral("Add"));
    bbEdit = button(QStringLiteral("Edit"));
    bbDelete = button(QStringLiteral("Delete"));
    bbPost = button(QStringLiteral("Post"));
    bbCancel = button(QStringLiteral("Cancel"));
    bbOpenList = button(QStringLiteral("Open User List"));
    bbOK = new QPushButton(QStringLiteral("Done"), this);
    bbOK->setDefault(true);

    auto* fields = new QGridLayout;
    // Each edit box sits exactly over its list; only one of the two shows at a time.
    fields->addWidget(new QLabel(QStringLiteral("Tag Name:"), this), 0, 0);
    fields->addWidget(cbName, 0, 1);
    fields->addWidget(eName, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Shortcut:"), this), 0, 2);
    fields->addWidget(cbShortcut, 0, 3);
    fields->addWidget(eShortcut, 0, 3);
    fields->setColumnStretch(1, 2);
    fields->setColumnStretch(3, 1);

    auto* tagHeader = new QHBoxLayout;
    tagHeader->addWidget(new QLabel(QStringLiteral("Tag:"), this));
    tagHeader->addStretch();
    tagHeader->addWidget(bbseltext);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {bbAdd, bbEdit, bbDelete, bbPost, bbCancel})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(bbOpenList);
    buttons->addWidget(bbOK);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(new QLabel(QStringLiteral("Description:"), this));
    layout->addWidget(mDescription, 1);
    layout->addLayout(tagHeader);
    layout->addWidget(mTag, 3);
    layout->addLayout(buttons);

    connect(cbName, &QComboBox::activated, this, [this] { showSelected(); });
    connect(cbShortcut, &QComboBox::activated, this, &TfUserTags::cbShortcutChange);
    connect(bbAdd, &QPushButton::clicked, this, &TfUserTags::bbAddClick);
    connect(bbEdit, &QPushButton::clicked, this, &TfUserTags::bbEditClick);
    connect(bbPost, &QPushButton::clicked, this, &TfUserTags::bbPostClick);
    connect(bbCancel, &QPushButton::clicked, this, &TfUserTags::bbCancelClick);
    connect(bbDelete, &QPushButton::clicked, this, &TfUserTags::bbDeleteClick);
    connect(bbOpenList, &QPushButton::clicked, this, &TfUserTags::bbOpenListClick);
    connect(bbseltext, &QPushButton::clicked, this, &TfUserTags::bbseltextClick);
    connect(bbOK, &QPushButton::clicked, this, &QDialog::accept);
}

void TfUserTags::report(const std::exception& error) {
    m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
}

// ---- Browsing ----

void TfUserTags::loadList() {
    cbName->clear();
    cbShortcut->clear();
    m_list.reset();
    if (m_currentList.empty())
        return;
    try {
        m_list.emplace(m_currentList);
    } catch (const VelloranError& error) {
        report(error);
        return;
    }
    const UserTagIndex index = m_list->index();
    for (std::size_t i = 0; i < index.names.size(); ++i) {
        cbName->addItem(qs(index.names[i]));
        cbShortcut->addItem(qs(index.shortcuts[i]));
    }
    if (cbName->count() > 0)
        cbName->setCurrentIndex(0);
    showSelected();
}

void TfUserTags::selectName(const QString& name) {
    for (int i = 0; i < cbName->count(); ++i)
        if (SameTextIgnoringCase(cbName->itemText(i).toStdString(), name.toStdString())) {
            cbName->setCurrentIndex(i);
            break;
        }
    showSelected();
}

void TfUserTags::showSelected() {
    cbShortcut->setCurrentIndex(cbName->currentIndex());
    if (cbName->currentIndex() < 0 || !m_list)
        return;
    const UserTag tag = m_list->read(cbName->currentText().toStdString());
    SetMemoLines(mDescription, tag.description);
    SetMemoLines(mTag, tag.lines);
}

void TfUserTags::cbShortcutChange(int index) {
    cbName->setCurrentIndex(index);
    showSelected();
}

// ---- Editing ----

void TfUserTags::setEditMode(bool editing) {
    m_editing = editing;
    for (QWidget* browse :
         std::initializer_list<QWidget*>{bbAdd, bbEdit, bbDelete, cbName, cbShortcut})
        browse->setVisible(!editing);
    for (QWidget* edit : std::initializer_list<QWidget*>{bbPost, bbCancel, eName, eShortcut})
        edit->setVisible(editing);
    mDescription->setReadOnly(!editing);
    mTag->setReadOnly(!editing);
    bbseltext->setEnabled(editing);
    // Another list while editing would take the post meant for this one.
    bbOpenList->setEnabled(!editing);
}

void TfUserTags::bbAddClick() {
    m_editName.clear();
    eName->clear();
    eShortcut->clear();
    mDescription->clear();
    mTag->clear();
    setEditMode(true);
    eName->setFocus();
}

void TfUserTags::bbEditClick() {
    if (cbName->currentIndex() < 0)
        return; // nothing to edit
    m_editName = cbName->currentText().toStdString();
    eName->setText(cbName->currentText());
    eShortcut->setText(cbShortcut->currentText());
    setEditMode(true);
    mTag->setFocus();
}

bool TfUserTags::ensureListFile() {
    if (m_list)
        return true;
    FileRequest request;
    request.title = "Save User List";
    request.folder = m_listFolder;
    request.filter = kListFilter;
    request.defaultExt = "vul";
    const std::optional<std::string> file = m_prompter.saveFile(request);
    if (!file)
        return false;
    try {
        m_list.emplace(*file);
    } catch (const VelloranError& error) {
        report(error);
        return false;
    }
    m_currentList = *file;
    return true;
}

void TfUserTags::bbPostClick() {
    UserTag tag;
    tag.name = eName->text().trimmed().toStdString();
    tag.shortcut = eShortcut->text().toStdString();
    tag.description = MemoLines(mDescription);
    tag.lines = MemoLines(mTag);
    if (tag.name.empty()) {
        m_prompter.message(MessageKind::Error, "A tag needs a name.", Buttons::Ok);
        return;
    }
    if (!ensureListFile())
        return;
    try {
        m_list->write(tag, m_editName);
    } catch (const VelloranError& error) {
        report(error); // still editing: nothing typed is lost
        return;
    }
    m_changed = true;
    // The old name goes, and so does a tag the new one has overwritten.
    for (const std::string& gone : {m_editName, tag.name})
        for (int i = cbName->count() - 1; i >= 0; --i)
            if (!gone.empty() && SameTextIgnoringCase(cbName->itemText(i).toStdString(), gone)) {
                cbName->removeItem(i);
                cbShortcut->removeItem(i);
            }
    cbName->addItem(qs(tag.name));
    cbShortcut->addItem(qs(tag.shortcut));
    cbName->setCurrentIndex(cbName->count() - 1);
    setEditMode(false);
    showSelected();
}

void TfUserTags::bbCancelClick() {
    mDescription->clear();
    mTag->clear();
    setEditMode(false);
    showSelected();
}

void TfUserTags::bbDeleteClick() {
    const int index = cbName->currentIndex();
    if (index < 0 || !m_list)
        return;
    try {
        m_list->erase(cbName->currentText().toStdString());
    } catch (const VelloranError& error) {
        report(error);
        return;
    }
    m_changed = true;
    cbName->removeItem(index);
    cbShortcut->removeItem(index);
    mDescription->clear();
    mTag->clear();
    if (cbName->count() > 0)
        cbName->setCurrentIndex(0);
    showSelected();
}

void TfUserTags::bbOpenListClick() {
    FileRequest request;
    request.title = "Open User List";
    request.folder = m_listFolder;
    request.filter = kListFilter;
    request.defaultExt = "vul";
    const std::optional<std::string> file = m_prompter.openFile(request);
    if (!file)
        return;
    m_currentList = *file;
    m_changed = true;
    mDescription->clear();
    mTag->clear();
    loadList();
}

void TfUserTags::bbseltextClick() {
    mTag->insertPlainText(qs(std::string(kSelTextPlaceholder)));
    mTag->setFocus();
}

void TfUserTags::done(int result) {
    if (m_editing && m_prompter.message(MessageKind::Confirmation,
                                        "You have unsaved changes, do you want to abandon them?",
                                        Buttons::YesNo) != Answer::Yes)
        return;
    QDialog::done(result);
}

} // namespace velloran
