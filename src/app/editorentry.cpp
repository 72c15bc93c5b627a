// Loading and saving a document with its own encoding and line ends.
#include "app/editorentry.h"

#include "app/appstate.h"
#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/prompter.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QStringDecoder>

namespace velloran {

namespace {

std::string firstLineEnd(const std::string& bytes) {
    const auto pos = bytes.find_first_of("\r\n");
    if (pos == std::string::npos)
        return "\n";
    if (bytes[pos] == '\r')
        return pos + 1 < bytes.size() && bytes[pos + 1] == '\n' ? "\r\n" : "\r";
    return "\n";
}

} // namespace

TEditorEntry::TEditorEntry(QWidget* parent, std::string fileName)
    : Memo(new QPlainTextEdit(parent)), FileName(std::move(fileName)) {
    Memo->hide();
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

TEditorEntry::~TEditorEntry() {
    delete Memo;
}

bool TEditorEntry::isModified() const {
    return Memo->document()->isModified();
}

void TEditorEntry::load() {
    const std::string bytes = ReadWholeFile(FileName);
    const QByteArray raw = QByteArray::fromStdString(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(raw);
    m_utf8 = !utf8.hasError();
    // Latin-1 maps every byte to one character and back, so any file survives a
    // load and save unchanged.
    if (!m_utf8)
        text = QString::fromLatin1(raw);
    m_lineEnd = firstLineEnd(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    Memo->setPlainText(text);
    Memo->document()->setModified(false);
}

void TEditorEntry::writeTo(const std::string& name) {
    QString text = Memo->toPlainText();
    text.replace(QLatin1Char('\n'), QString::fromStdString(m_lineEnd));
    QByteArray bytes;
    if (m_utf8) {
        bytes = text.toUtf8();
    } else {
        for (const QChar c : text)
            if (c.unicode() > 0xFF)
                throw FileError("\"" + name + "\" holds characters its encoding cannot store.");
        bytes = text.toLatin1();
    }
    {
        const ScopedFlag saving(Saving);
        WriteFileAtomically(name, std::string_view(bytes.constData(), bytes.size()));
    }
    Memo->document()->setModified(false);
}

void TEditorEntry::Save(Prompter& prompter, const std::string& dialogFolder) {
    if (!isUntitled()) {
        writeTo(FileName);
        return;
    }
    FileRequest request;
    request.folder = dialogFolder;
    request.filter = "HTML Files ( *.htm, *.html )|*.htm; *.html|Text Files ( *.txt )|*.txt|Known "
                     "Files| *.htm; *.html; *.txt; *.fmt; *.cfg; *.ini|All Files|*.*";
    const auto chosen = prompter.saveFile(request);
    if (!chosen)
        return;
    writeTo(*chosen);
    FileName = *chosen;
}

} // namespace velloran
