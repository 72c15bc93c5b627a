// Building and running the publish window; the work itself is the publish session's.
#include "publish/ui/tfpublish.h"

#include "ftp/serverprofiles.h"
#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/prompter.h"
#include "project/projecttree.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <filesystem>

namespace velloran {

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string TimeText(double seconds) {
    const auto whole = static_cast<long long>(seconds + 0.5);
    const std::string secs = std::to_string(whole % 60);
    return std::to_string(whole / 60) + ":" + (secs.size() < 2 ? "0" : "") + secs;
}

} // namespace

TfPublish::TfPublish(Prompter& prompter, const ProjectTree& tree, std::string projectFile,
                     std::string serversFile, std::string settingsFile, QWidget* parent)
    : QDialog(parent), m_prompter(prompter), m_tree(tree), m_projectFile(std::move(projectFile)),
      m_serversFile(std::move(serversFile)), m_settingsFile(std::move(settingsFile)),
      m_clock(std::make_unique<QElapsedTimer>()) {
    setWindowTitle(QStringLiteral("Publish Project"));
    cbServer = new QComboBox(this);
    cbServer->setObjectName(QStringLiteral("cbServer"));
    eBaseDir = new QLineEdit(this);
    eBaseDir->setObjectName(QStringLiteral("eBaseDir"));
    eBaseDir->setPlaceholderText(QStringLiteral("the folder the server logs in to"));
    cbOnSave = new QCheckBox(
        QStringLiteral("Publish each document of the project when it is saved"), this);
    lvFiles = new QTreeWidget(this);
    lvFiles->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Remote Path"),
                              QStringLiteral("Why"), QStringLiteral("Size")});
    lvFiles->setRootIsDecorated(false);
    lvFiles->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lTotal = new QLabel(this);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, 1000);
    ProgressBar1->setTextVisible(false);
    lCurrent = new QLabel(this);
    lRate = new QLabel(this);
    mLog = new QPlainTextEdit(this);
    mLog->setReadOnly(true);
    mLog->setMaximumBlockCount(5000);
    bbCheck = new QPushButton(QStringLiteral("&Check"), this);
    bbCheck->setToolTip(QStringLiteral("List what a publish would send, sending nothing"));
    bbPublish = new QPushButton(QStringLiteral("&Publish"), this);
    bbAbort = new QPushButton(QStringLiteral("&Abort"), this);
    bbClose = new QPushButton(QStringLiteral("Close"), this);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Server:"), cbServer);
    fields->addRow(QStringLiteral("Remote folder:"), eBaseDir);
    fields->addRow(QString(), cbOnSave);
    auto* progress = new QHBoxLayout;
    progress->addWidget(lCurrent, 1);
    progress->addWidget(lRate);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bbCheck);
    buttons->addWidget(bbPublish);
    buttons->addWidget(bbAbort);
    buttons->addStretch(1);
    buttons->addWidget(bbClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(lvFiles, 3);
    layout->addWidget(lTotal);
    layout->addWidget(ProgressBar1);
    layout->addLayout(progress);
    layout->addWidget(mLog, 1);
    layout->addLayout(buttons);
    resize(720, 560);

    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(200);
    connect(m_progressTimer, &QTimer::timeout, this, [this] { showProgress(); });
    connect(bbCheck, &QPushButton::clicked, this, [this] { bbCheckClick(); });
    connect(bbPublish, &QPushButton::clicked, this, [this] { bbPublishClick(); });
    connect(bbAbort, &QPushButton::clicked, this, [this] { bbAbortClick(); });
    connect(bbClose, &QPushButton::clicked, this, &QDialog::close);
    // Any change of where the files go makes the listed plan stale.
    const auto stale = [this] { m_planned = false; };
    connect(cbServer, &QComboBox::currentIndexChanged, this, stale);
    connect(eBaseDir, &QLineEdit::textChanged, this, stale);
    m_session.onStatus = [this](const std::string& text) { log(text); };
    m_session.onUnknownIdentity = [this](const std::string& question) {
        return m_prompter.message(MessageKind::Confirmation, question, Buttons::YesNo) ==
               Answer::Yes;
    };

    try {
        m_state = PublishState::Load(PublishState::FileFor(m_projectFile));
        for (const std::string& name : ServerProfiles(m_serversFile).names())
            cbServer->addItem(Q(name));
    } catch (const VelloranError& error) {
        m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
    }
    if (!m_state.settings.profile.empty() && cbServer->findText(Q(m_state.settings.profile)) < 0)
        cbServer->addItem(Q(m_state.settings.profile));
    cbServer->setCurrentText(Q(m_state.settings.profile));
    eBaseDir->setText(Q(m_state.settings.baseDir));
    cbOnSave->setChecked(m_state.settings.publishOnSave);
    connect(cbOnSave, &QCheckBox::toggled, this, [this] { storeSettings(); });
    setBusy(false);
}

TfPublish::~TfPublish() = default;

void TfPublish::log(const std::string& text) {
    // A status line may end in a CR from the server's reply; the log shows lines.
    std::string line = text;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    mLog->appendPlainText(Q(line));
    if (onLog)
        onLog(line);
}

void TfPublish::storeSettings() {
    PublishSettings settings{cbServer->currentText().toStdString(),
                             eBaseDir->text().trimmed().toStdString(), cbOnSave->isChecked()};
    if (settings.profile == m_state.settings.profile &&
        settings.baseDir == m_state.settings.baseDir &&
        settings.publishOnSave == m_state.settings.publishOnSave)
        return;
    // Another folder or server: the record of what is where no longer holds.
    if (settings.profile != m_state.settings.profile ||
        settings.baseDir != m_state.settings.baseDir)
        m_state.files.clear();
    m_state.settings = settings;
    try {
        m_state.save();
    } catch (const VelloranError& error) {
        m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
    }
}

void TfPublish::setBusy(bool busy) {
    m_busy = busy;
    bbCheck->setEnabled(!busy);
    bbPublish->setEnabled(!busy);
    bbAbort->setEnabled(busy);
    cbServer->setEnabled(!busy);
    eBaseDir->setEnabled(!busy);
}

void TfPublish::connectSession() {
    if (m_session.connected())
        return;
    const ServerLogin login =
        ReadServerProfile(m_serversFile, m_state.settings.profile, &m_keyring);
    m_session.applyProxySettings(m_settingsFile);
    m_session.connect(login);
    // An identity the user trusted just now is trusted from the profile from now on.
    if (m_session.trustedFingerprint() != login.fingerprint)
        StoreTrustedFingerprint(m_serversFile, m_state.settings.profile,
                                m_session.trustedFingerprint(), &m_keyring);
}

bool TfPublish::bbCheckClick() {
    if (m_busy)
        return false;
    if (saveDocuments && !saveDocuments())
        return false;
    storeSettings();
    setBusy(true);
    bool ok = false;
    try {
        BusyCursor cursor(m_prompter);
        connectSession();
        m_plan = m_session.plan(m_tree, m_projectFile, m_state);
        m_planned = true;
        ok = true;
    } catch (const VelloranError& error) {
        m_session.disconnect();
        log(error.what());
        m_prompter.message(MessageKind::Error, error.what(), Buttons::Ok);
    }
    setBusy(false);
    if (ok)
        showPlan();
    return ok;
}

void TfPublish::showPlan() {
    lvFiles->clear();
    const std::string projectDir = std::filesystem::path(m_projectFile).parent_path().string();
    for (const PlannedFile& file : m_plan.send) {
        auto* item = new QTreeWidgetItem(lvFiles);
        item->setText(
            0, Q(std::filesystem::path(file.localPath).lexically_relative(projectDir).string()));
        item->setText(1, Q(file.remotePath));
        item->setText(2, QString::fromLatin1(SendReasonText(file.reason)));
        item->setText(3, Q(ByteSizeText(file.local.size)));
    }
    for (const SkippedFile& file : m_plan.skipped) {
        auto* item = new QTreeWidgetItem(lvFiles);
        item->setText(0, Q(file.localPath));
        item->setText(2, QStringLiteral("not publishable: ") + Q(file.why));
        item->setDisabled(true);
    }
    lTotal->setText(QStringLiteral("%1 file(s) to send, %2; %3 unchanged; %4 not publishable")
                        .arg(m_plan.send.size())
                        .arg(Q(ByteSizeText(m_plan.totalBytes())))
                        .arg(m_plan.unchanged)
                        .arg(m_plan.skipped.size()));
}

PublishResult TfPublish::bbPublishClick() {
    if (m_busy)
        return {};
    // The list on show is what gets sent, so it is made afresh unless it is current.
    if (!m_planned && !bbCheckClick())
        return {0, false, "not checked"};
    m_planned = false;
    setBusy(true);
    m_doneBytes = 0;
    m_clock->start();
    m_progressTimer->start();
    PublishEvents events;
    events.fileStarting = [this](const PlannedFile& file, std::size_t index, std::size_t count) {
        lCurrent->setText(
            QStringLiteral("%1 of %2: %3").arg(index + 1).arg(count).arg(Q(file.remotePath)));
    };
    events.fileDone = [this](const PlannedFile& file) {
        m_doneBytes += file.local.size;
        showProgress();
    };
    events.log = [this](const std::string& text) { log(text); };
    PublishResult result;
    {
        BusyCursor cursor(m_prompter);
        result = m_session.publish(m_plan, m_state, events);
    }
    m_progressTimer->stop();
    setBusy(false);
    if (!result.error.empty()) {
        m_session.disconnect();
        m_prompter.message(MessageKind::Error,
                           "The publish stopped after " + std::to_string(result.sent) +
                               " file(s): " + result.error +
                               "\nWhat was sent is recorded; the next publish sends the rest.",
                           Buttons::Ok);
    }
    lCurrent->setText(result.ok() ? QStringLiteral("Published %1 file(s).").arg(result.sent)
                                  : QStringLiteral("Stopped after %1 file(s).").arg(result.sent));
    lRate->clear();
    ProgressBar1->setValue(result.ok() ? ProgressBar1->maximum() : ProgressBar1->value());
    return result;
}

void TfPublish::bbAbortClick() {
    if (m_busy)
        m_session.abort();
}

void TfPublish::showProgress() {
    const std::uint64_t total = m_plan.totalBytes();
    const std::uint64_t done =
        m_doneBytes +
        static_cast<std::uint64_t>(std::max<std::int64_t>(0, m_session.currentFileBytes()));
    ProgressBar1->setValue(
        total ? static_cast<int>(std::min<std::uint64_t>(done, total) * 1000 / total) : 0);
    const double seconds = static_cast<double>(m_clock->elapsed()) / 1000.0;
    if (seconds <= 0 || done == 0)
        return;
    const double rate = static_cast<double>(done) / seconds;
    lRate->setText(Q(ByteSizeText(static_cast<std::uint64_t>(rate)) + "/s, " +
                     TimeText(static_cast<double>(total - std::min(done, total)) / rate) +
                     " left"));
}

void TfPublish::closeEvent(QCloseEvent* event) {
    if (m_busy) {
        // The publish returns once the abort is through; closing then would pull the
        // window from under it.
        m_session.abort();
        event->ignore();
        return;
    }
    storeSettings();
    QDialog::closeEvent(event);
}

} // namespace velloran
