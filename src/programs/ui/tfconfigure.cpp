// Building the configuration dialog; its list, proxy and association rules live in
// the Qt-free associations module, and the MIME database is Qt's.
#include "programs/ui/tfconfigure.h"

#include "platform/errors.h"
#include "platform/inifile.h"
#include "platform/prompter.h"
#include "programs/freedesktopregistry.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeDatabase>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace velloran {

namespace {

using programs::CheckState;
using programs::ExtensionEntry;

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// Only the name counts: the file need not exist, and its content is not read.
std::string MimeTypeForExtension(const std::string& extension) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(QStringLiteral("file") + qs(extension),
                                                           QMimeDatabase::MatchExtension);
    return type.isValid() && !type.isDefault() ? type.name().toStdString() : std::string();
}

Qt::CheckState QtState(CheckState state) {
    switch (state) {
    case CheckState::Ticked:
        return Qt::Checked;
    case CheckState::Greyed:
        return Qt::PartiallyChecked;
    case CheckState::Unticked:
        break;
    }
    return Qt::Unchecked;
}

CheckState StateOf(Qt::CheckState state) {
    switch (state) {
    case Qt::Checked:
        return CheckState::Ticked;
    case Qt::PartiallyChecked:
        return CheckState::Greyed;
    case Qt::Unchecked:
        break;
    }
    return CheckState::Unticked;
}

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

TfConfigure::TfConfigure(std::string settingsFile, std::string dataHome, std::string programFile,
                         Prompter& prompter, QWidget* parent)
    : QDialog(parent), m_settingsFile(std::move(settingsFile)), m_dataHome(std::move(dataHome)),
      m_programFile(std::move(programFile)), m_prompter(prompter) {
    setWindowTitle(QStringLiteral("Configure"));
    setModal(true);
    PageControl1 = Named(new QTabWidget(this), "PageControl1");
    tsFileAssociations = Named(buildAssociationsPage(), "tsFileAssociations");
    tsFTP = Named(buildFtpPage(), "tsFTP");
    PageControl1->addTab(tsFileAssociations, QStringLiteral("File Associations"));
    PageControl1->addTab(tsFTP, QStringLiteral("FTP"));

    bbOK = Named(new QPushButton(QStringLiteral("OK"), this), "bbOK");
    bbOK->setDefault(true);
    bbCancel = Named(new QPushButton(QStringLiteral("Cancel"), this), "bbCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bbOK);
    buttons->addWidget(bbCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(buttons);
    resize(380, 296);

    connect(bbincludeinlist, &QPushButton::clicked, this, &TfConfigure::bbincludeinlistClick);
    connect(bbremoveitem, &QPushButton::clicked, this, &TfConfigure::bbremoveitemClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TfConfigure::BitBtn1Click);
    connect(bbRemoveAll, &QPushButton::clicked, this, &TfConfigure::bbRemoveAllClick);
    connect(bbUpdateReg, &QPushButton::clicked, this, &TfConfigure::bbUpdateRegClick);
    connect(bbOK, &QPushButton::clicked, this, &TfConfigure::bbOKClick);
    connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
    FormCreate();
}

QWidget* TfConfigure::buildAssociationsPage() {
    auto* page = new QWidget(this);
    cbAssociate = Named(new QCheckBox(QStringLiteral("Associate .vpr files with Velloran"), page),
                        "cbAssociate");
    cbAssociate->setChecked(true);
    CheckListBox1 = Named(new QListWidget(page), "CheckListBox1");
    CheckListBox1->setFixedWidth(121);
    CheckListBox1->setMinimumHeight(185);
    // The desktop's counterpart of the shell's popup menu is the file manager's
    // "Open With" menu.
    Label1 = Named(new QLabel(QStringLiteral("Add \"Velloran\" to the \"Open With\" menu of the "
                                             "file manager for the specified file types."),
                              page),
                   "Label1");
    Label1->setWordWrap(true);
    eInclude = Named(new QLineEdit(page), "eInclude");
    bbincludeinlist = Named(new QPushButton(QStringLiteral("Include"), page), "bbincludeinlist");
    bbremoveitem = Named(new QPushButton(QStringLiteral("Remove"), page), "bbremoveitem");
    BitBtn1 = Named(new QPushButton(QStringLiteral("Check All"), page), "BitBtn1");
    bbRemoveAll = Named(new QPushButton(QStringLiteral("Uncheck All"), page), "bbRemoveAll");
    bbUpdateReg = Named(new QPushButton(QStringLiteral("Update Registry"), page), "bbUpdateReg");

    auto* include = new QHBoxLayout;
    include->addWidget(eInclude, 1);
    include->addWidget(bbincludeinlist);
    auto* checks = new QHBoxLayout;
    checks->addWidget(BitBtn1);
    checks->addWidget(bbRemoveAll);
    auto* side = new QVBoxLayout;
    side->addWidget(Label1);
    side->addLayout(include);
    side->addWidget(bbremoveitem, 0, Qt::AlignLeft);
    side->addStretch(1);
    side->addLayout(checks);
    side->addWidget(bbUpdateReg);
    auto* body = new QHBoxLayout;
    body->addWidget(CheckListBox1);
    body->addLayout(side, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(cbAssociate);
    layout->addLayout(body, 1);
    return page;
}

QWidget* TfConfigure::buildFtpPage() {
    auto* page = new QWidget(this);
    GroupBox1 = Named(new QGroupBox(QStringLiteral("Proxy Server"), page), "GroupBox1");
    cbuseproxy = Named(new QCheckBox(QStringLiteral("Use Proxy Server"), GroupBox1), "cbuseproxy");
    eProxyName = Named(new QLineEdit(GroupBox1), "eProxyName");
    eProxyPort = Named(new QLineEdit(GroupBox1), "eProxyPort");
    auto* fields = new QFormLayout(GroupBox1);
    fields->addRow(cbuseproxy);
    fields->addRow(QStringLiteral("Proxy Name:"), eProxyName);
    fields->addRow(QStringLiteral("Proxy Port:"), eProxyPort);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(GroupBox1);
    layout->addStretch(1);
    return page;
}

void TfConfigure::FormCreate() {
    PageControl1->setCurrentWidget(tsFileAssociations);
    IniFile settings(m_settingsFile);
    for (const ExtensionEntry& entry : programs::ReadExtensionList(settings))
        addEntry(entry);
    const programs::ProxySettings proxy = programs::ReadProxySettings(settings);
    cbuseproxy->setChecked(proxy.useProxy);
    eProxyName->setText(qs(proxy.name));
    eProxyPort->setText(qs(proxy.port));
}

void TfConfigure::addEntry(const ExtensionEntry& entry) {
    auto* item = new QListWidgetItem(qs(entry.extension), CheckListBox1);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(QtState(entry.state));
}

std::vector<ExtensionEntry> TfConfigure::entries() const {
    std::vector<ExtensionEntry> list;
    for (int row = 0; row < CheckListBox1->count(); ++row) {
        const QListWidgetItem* item = CheckListBox1->item(row);
        list.push_back({item->text().toStdString(), StateOf(item->checkState())});
    }
    return list;
}

void TfConfigure::bbincludeinlistClick() {
    std::vector<ExtensionEntry> added;
    if (programs::IncludeExtension(added, eInclude->text().toStdString()))
        addEntry(added.front());
}

void TfConfigure::bbremoveitemClick() {
    const int row = CheckListBox1->currentRow();
    if (row >= 0)
        delete CheckListBox1->takeItem(row);
}

void TfConfigure::checkAll(bool checked) {
    cbAssociate->setChecked(checked);
    for (int row = 0; row < CheckListBox1->count(); ++row)
        CheckListBox1->item(row)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void TfConfigure::BitBtn1Click() {
    checkAll(true);
}

void TfConfigure::bbRemoveAllClick() {
    checkAll(false);
}

void TfConfigure::reported(const std::function<void()>& work) {
    try {
        work();
    } catch (const VelloranError& error) {
        m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
    }
}

void TfConfigure::bbUpdateRegClick() {
    reported([this] {
        BusyCursor busy(m_prompter);
        const std::vector<ExtensionEntry> list = entries();
        IniFile settings(m_settingsFile);
        programs::WriteExtensionList(settings, list);
        settings.save();
        programs::FreedesktopRegistry registry(m_dataHome, MimeTypeForExtension);
        programs::UpdateRegistry(
            registry, m_prompter,
            {cbAssociate->isChecked(), list, m_programFile, programs::kProjectMimeType});
    });
}

void TfConfigure::bbOKClick() {
    reported([this] {
        IniFile settings(m_settingsFile);
        programs::WriteProxySettings(settings,
                                     {cbuseproxy->isChecked(), eProxyName->text().toStdString(),
                                      eProxyPort->text().toStdString()});
        settings.save();
        accept();
    });
}

} // namespace velloran
