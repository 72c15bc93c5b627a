// Message boxes, file dialogs, input boxes and the busy cursor through Qt.
#include "platform/qt/qtprompter.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace velloran {

QString QtFilterFromPipes(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (auto& pattern : patterns)
            pattern = pattern.trimmed();
        filters << parts[i].trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QString DisplayText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

namespace {

QMessageBox::StandardButtons buttonsFor(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok:
        return QMessageBox::Ok;
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::YesNoAll:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll;
    }
    return QMessageBox::Ok;
}

Answer answerFor(int button) {
    switch (button) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::YesToAll:
        return Answer::All;
    default:
        return Answer::Cancel;
    }
}

} // namespace

QMessageBox::Icon MessageBoxIcon(MessageKind kind) {
    switch (kind) {
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::Error:
        return QMessageBox::Critical;
    case MessageKind::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

Answer QtPrompter::message(MessageKind kind, const std::string& text, Buttons buttons) {
    QMessageBox box(MessageBoxIcon(kind), QApplication::applicationDisplayName(), DisplayText(text),
                    buttonsFor(buttons), m_parent);
    return answerFor(box.exec());
}

std::optional<QStringList> QtPrompter::runFileDialog(const FileRequest& request,
                                                     QFileDialog::FileMode mode) {
    const bool save = mode == QFileDialog::AnyFile;
    QFileDialog dialog(m_parent, QString::fromStdString(request.title),
                       QString::fromStdString(request.folder), QtFilterFromPipes(request.filter));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(mode);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExt));
    if (!request.fileName.empty())
        dialog.selectFile(QString::fromStdString(request.fileName));
    const QStringList filters = dialog.nameFilters();
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles();
}

std::optional<std::string> QtPrompter::openFile(const FileRequest& request) {
    if (auto files = runFileDialog(request, QFileDialog::ExistingFile))
        return files->constFirst().toStdString();
    return std::nullopt;
}

std::optional<std::string> QtPrompter::saveFile(const FileRequest& request) {
    if (auto files = runFileDialog(request, QFileDialog::AnyFile))
        return files->constFirst().toStdString();
    return std::nullopt;
}

std::vector<std::string> QtPrompter::openFiles(const FileRequest& request) {
    std::vector<std::string> names;
    if (auto files = runFileDialog(request, QFileDialog::ExistingFiles))
        for (const QString& file : *files)
            names.push_back(file.toStdString());
    return names;
}

std::optional<std::string> QtPrompter::inputText(const std::string& title,
                                                 const std::string& prompt,
                                                 const std::string& initial) {
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, QString::fromStdString(title),
                                               QString::fromStdString(prompt), QLineEdit::Normal,
                                               QString::fromStdString(initial), &ok);
    if (!ok)
        return std::nullopt;
    return text.toStdString();
}

void QtPrompter::setBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace velloran
