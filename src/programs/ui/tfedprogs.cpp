// Building the programs dialog and its editing rules: edits wait in the fields until
// Update (or a move to another entry) applies them, and only Done writes the file.
#include "programs/ui/tfedprogs.h"

#include "platform/errors.h"
#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/prompter.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>

namespace velloran {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// Hints are "|long text": no tooltip, only the status line's text.
template <typename Widget>
Widget* Hinted(Widget* widget, const char* name, const char* hint) {
    widget->setObjectName(QLatin1String(name));
    widget->setStatusTip(QString::fromUtf8(hint).mid(1));
    return widget;
}

} // namespace

Tfedprogs::Tfedprogs(IniFile& settings, Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_prompter(prompter) {
    setWindowTitle(QStringLiteral("Programs"));
    setModal(true);
    lbPrograms = Hinted(new QListWidget(this), "lbPrograms", "|Programs already configured.");
    bbNewProg = Hinted(new QPushButton(QStringLiteral("New Prog"), this), "bbNewProg",
                       "|Create a New Program Shortcut.");
    bbDelProg = Hinted(new QPushButton(QStringLiteral("Delete"), this), "bbDelProg",
                       "|Delete the current Program Shortcut.");
    eProgName = Hinted(new QLineEdit(this), "eProgName", "|Name of the Program.");
    eProgPath = Hinted(new QLineEdit(this), "eProgPath", "|Path to the file to run.");
    eProgPath->setMinimumWidth(300);
    bbupdate = Hinted(new QPushButton(QStringLiteral("Update"), this), "bbupdate",
                      "|Save Changes to this Program.");
    bbclear = Hinted(new QPushButton(QStringLiteral("Revert"), this), "bbclear",
                     "|Cancel Changes to this Program.");
    bbbrowse = Hinted(new QPushButton(QStringLiteral("Browse..."), this), "bbbrowse",
                      "|Browse to a Program.");
    bbDone =
        Hinted(new QPushButton(QStringLiteral("Done"), this), "bbDone", "|Done editing Programs.");
    bbCancel = Hinted(new QPushButton(QStringLiteral("Cancel"), this), "bbCancel",
                      "|Cancel All changes made.");
    bbDone->setDefault(true);

    auto* listButtons = new QHBoxLayout;
    listButtons->addWidget(bbNewProg);
    listButtons->addWidget(bbDelProg);
    listButtons->addStretch(1);
    auto* left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Programs:"), this));
    left->addWidget(lbPrograms, 1);
    left->addLayout(listButtons);
    auto* path = new QHBoxLayout;
    path->addWidget(eProgPath, 1);
    path->addWidget(bbbrowse);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Program Name:"), eProgName);
    fields->addRow(QStringLiteral("Command Line:"), path);
    auto* editButtons = new QHBoxLayout;
    editButtons->addStretch(1);
    editButtons->addWidget(bbupdate);
    editButtons->addWidget(bbclear);
    auto* right = new QVBoxLayout;
    right->addLayout(fields);
    right->addLayout(editButtons);
    right->addStretch(1);
    auto* body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addLayout(right, 2);
    auto* closeButtons = new QHBoxLayout;
    closeButtons->addStretch(1);
    closeButtons->addWidget(bbDone);
    closeButtons->addWidget(bbCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(closeButtons);

    connect(lbPrograms, &QListWidget::itemClicked, this, [this] { lbProgramsClick(); });
    connect(bbNewProg, &QPushButton::clicked, this, &Tfedprogs::bbNewProgClick);
    connect(bbDelProg, &QPushButton::clicked, this, &Tfedprogs::bbDelProgClick);
    connect(bbupdate, &QPushButton::clicked, this, &Tfedprogs::bbupdateClick);
    connect(bbclear, &QPushButton::clicked, this, &Tfedprogs::bbclearClick);
    connect(bbbrowse, &QPushButton::clicked, this, &Tfedprogs::bbbrowseClick);
    connect(bbDone, &QPushButton::clicked, this, &Tfedprogs::bbDoneClick);
    connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
    const auto edited = [this] {
        if (!m_loading)
            setPending(true);
    };
    connect(eProgName, &QLineEdit::textChanged, this, edited);
    connect(eProgPath, &QLineEdit::textChanged, this, edited);

    setPending(false);
    setEditable(false);
    m_programs = programs::readPrograms(m_settings);
    for (const auto& program : m_programs)
        lbPrograms->addItem(qs(program.name));
    if (!m_programs.empty()) {
        setEditable(true);
        lbPrograms->setCurrentRow(0);
        show(0);
    }
}

void Tfedprogs::setEditable(bool editable) {
    eProgName->setEnabled(editable);
    eProgPath->setEnabled(editable);
    bbbrowse->setEnabled(editable);
}

void Tfedprogs::setPending(bool pending) {
    bbupdate->setEnabled(pending);
    bbclear->setEnabled(pending);
}

void Tfedprogs::show(int index) {
    m_index = index;
    m_loading = true;
    eProgName->setText(index >= 0 ? qs(m_programs[static_cast<size_t>(index)].name) : QString());
    eProgPath->setText(index >= 0 ? qs(m_programs[static_cast<size_t>(index)].path) : QString());
    m_loading = false;
}

void Tfedprogs::lbProgramsClick() {
    if (bbupdate->isEnabled())
        bbupdateClick();
    show(lbPrograms->currentRow());
}

void Tfedprogs::bbNewProgClick() {
    if (bbupdate->isEnabled())
        bbupdateClick();
    m_programs.push_back({});
    lbPrograms->addItem(QString());
    setEditable(true);
    lbPrograms->setCurrentRow(lbPrograms->count() - 1);
    show(lbPrograms->count() - 1);
    eProgName->setFocus();
}

void Tfedprogs::bbDelProgClick() {
    setPending(false);
    if (m_index >= 0 && m_index < static_cast<int>(m_programs.size())) {
        m_programs.erase(m_programs.begin() + m_index);
        delete lbPrograms->takeItem(m_index);
    }
    if (!m_programs.empty()) {
        lbPrograms->setCurrentRow(0);
        show(0);
    } else {
        setEditable(false);
        show(-1);
    }
}

void Tfedprogs::bbupdateClick() {
    setPending(false);
    if (m_index < 0 || m_index >= static_cast<int>(m_programs.size()))
        return;
    auto& program = m_programs[static_cast<size_t>(m_index)];
    program.name = eProgName->text().toStdString();
    program.path = eProgPath->text().toStdString();
    lbPrograms->item(m_index)->setText(eProgName->text());
}

void Tfedprogs::bbclearClick() {
    setPending(false);
    show(m_index);
}

void Tfedprogs::bbbrowseClick() {
    const std::string current = eProgPath->text().toStdString();
    FileRequest request;
    request.title = "Browse to a Program";
    // Programs here carry no extension, so the filter cannot pick them out by one.
    request.filter = "Programs|*|All Files|*";
    request.folder = std::filesystem::path(current).parent_path().string();
    request.fileName = ExtractFileName(current);
    if (const auto chosen = m_prompter.openFile(request))
        eProgPath->setText(qs(*chosen));
    setPending(true);
}

void Tfedprogs::bbDoneClick() {
    if (bbupdate->isEnabled())
        bbupdateClick();
    try {
        programs::writePrograms(m_settings, m_programs);
        m_settings.save();
    } catch (const VelloranError&) {
        m_prompter.message(MessageKind::Error, "Unable to write to " + m_settings.path(),
                           Buttons::Ok);
        return;
    }
    accept();
}

} // namespace velloran
