// The document skeleton dialog.
#include "tags/ui/tfhtml.h"

#include "platform/errors.h"
#include "platform/qt/dialogbuttons.h"
#include "tags/ghtmlfun.h"
#include "tags/ui/tagdialog.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>
#include <utility>

namespace velloran {

namespace {

constexpr std::string_view kTitleStart = "<TITLE>";
constexpr std::string_view kTitleEnd = "</TITLE>";

// The memo holds "\n" line ends; the texts outside it CR LF.
QString ToMemo(std::string_view utf8) {
    QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// The raw text, because the plain text turns no-break spaces into blanks.
std::string FromMemo(const QPlainTextEdit* memo) {
    QString text = memo->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text.toStdString();
}

QPlainTextEdit* MakeMemo(QWidget* parent) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return memo;
}

QPushButton* MakeButton(const QString& caption, const QString& hint, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TfHTML::TfHTML(const TagDialogContext& context, TemplatePlaces places, Encoding encoding,
               QWidget* parent)
    : QDialog(parent), m_context(context), m_places(std::move(places)) {
    setWindowTitle(QStringLiteral("HTML Tags."));
    setModal(true);
    mHead = MakeMemo(this);
    mHead->setObjectName(QStringLiteral("mHead"));
    mfoot = MakeMemo(this);
    mfoot->setObjectName(QStringLiteral("mfoot"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeFields());
    auto* headCaption = new QLabel(QStringLiteral("&Header:"), this);
    headCaption->setBuddy(mHead);
    layout->addWidget(headCaption);
    layout->addWidget(mHead, 3);
    auto* footCaption = new QLabel(QStringLiteral("F&ooter:"), this);
    footCaption->setBuddy(mfoot);
    layout->addWidget(footCaption);
    layout->addWidget(mfoot, 2);
    layout->addWidget(makeTemplateButtons());
    const OkCancel buttons = AddOkCancelRow(*this, *layout);
    bbOK = buttons.ok;
    bbCancel = buttons.cancel;
    resize(640, 560);

    connect(mHead, &QPlainTextEdit::textChanged, this, &TfHTML::mHeadChange);
    // A template that cannot be read is reported and the built-in text takes its place.
    const auto initial = [this](std::vector<std::string> files, std::string builtIn) {
        try {
            return ReadFirstTemplate(files).value_or(std::move(builtIn));
        } catch (const VelloranError& error) {
            reportError(error);
            return builtIn;
        }
    };
    setHeaderText(
        initial({m_places.project.header, m_places.defaults.header, m_places.installed.header},
                BuiltInHeader(encoding)));
    setFooterText(
        initial({m_places.project.footer, m_places.defaults.footer, m_places.installed.footer},
                BuiltInFooter()));
}

QWidget* TfHTML::makeFields() {
    auto* fields = new QWidget(this);
    auto* grid = new QGridLayout(fields);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setColumnStretch(1, 1);

    eTitle = new QLineEdit(fields);
    eTitle->setObjectName(QStringLiteral("eTitle"));
    auto* titleCaption = new QLabel(QStringLiteral("&Title:"), fields);
    titleCaption->setBuddy(eTitle);
    grid->addWidget(titleCaption, 0, 0);
    grid->addWidget(eTitle, 0, 1, 1, 5);

    eBGImg = new QLineEdit(fields);
    eBGImg->setObjectName(QStringLiteral("eBGImg"));
    bbBrowseBackground = MakeButton(QStringLiteral("Browse"), QStringLiteral("Browse"), fields);
    auto* imageCaption = new QLabel(QStringLiteral("Background &Image:"), fields);
    imageCaption->setBuddy(eBGImg);
    grid->addWidget(imageCaption, 1, 0);
    grid->addWidget(eBGImg, 1, 1, 1, 4);
    grid->addWidget(bbBrowseBackground, 1, 5);

    // The three colours share one row, each caption beside its button.
    auto* colors = new QHBoxLayout;
    colorBackground = addColorField(colors, QStringLiteral("Background Color:"), "BGCOLOR=");
    colors->addSpacing(24);
    ColorLink = addColorField(colors, QStringLiteral("Link Color:"), "LINK=");
    colors->addSpacing(24);
    ColorVLink = addColorField(colors, QStringLiteral("Visited Link Color:"), "VLINK=");
    colors->addStretch();
    grid->addLayout(colors, 2, 0, 1, 6);

    connect(eTitle, &QLineEdit::textChanged, this, [this] {
        if (!Updating)
            storeHeader(ReplaceBetween(headerText(), kTitleStart, kTitleEnd, FieldText(eTitle)));
    });
    connect(eBGImg, &QLineEdit::textChanged, this, [this] {
        if (!Updating)
            storeHeader(SetBodyAttribute(headerText(), "BACKGROUND=", FieldText(eBGImg)));
    });
    connect(bbBrowseBackground, &QPushButton::clicked, this, [this] {
        if (const std::optional<QString> url = BrowseUrl(m_context, std::nullopt))
            eBGImg->setText(*url);
    });
    return fields;
}

ColorButton* TfHTML::addColorField(QHBoxLayout* row, const QString& label, std::string name) {
    auto* button = new ColorButton(this);
    button->setToolTip(label.chopped(1));
    button->setAccessibleName(label.chopped(1));
    auto* caption = new QLabel(label, this);
    caption->setBuddy(button);
    row->addWidget(caption);
    row->addWidget(button);
    connect(button, &ColorButton::colorPicked, this,
            [this, name = std::move(name)](const QColor& color) {
                if (!Updating)
                    storeHeader(
                        SetBodyAttribute(headerText(), name, ColorToHex(CodeFromColor(color))));
            });
    return button;
}

QWidget* TfHTML::makeTemplateButtons() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* load = new QGroupBox(QStringLiteral("Load Templates"), row);
    auto* loadLayout = new QHBoxLayout(load);
    bbLoadDefault =
        MakeButton(QStringLiteral("Default"), QStringLiteral("Load from Default"), load);
    bbLoadProject =
        MakeButton(QStringLiteral("Project"), QStringLiteral("Load from Project"), load);
    loadLayout->addWidget(bbLoadDefault);
    loadLayout->addWidget(bbLoadProject);
    auto* save = new QGroupBox(QStringLiteral("Save Templates"), row);
    auto* saveLayout = new QHBoxLayout(save);
    bbdefault = MakeButton(QStringLiteral("Default"), QStringLiteral("Save as Default"), save);
    bbProject = MakeButton(QStringLiteral("Project"), QStringLiteral("Save with Project"), save);
    saveLayout->addWidget(bbdefault);
    saveLayout->addWidget(bbProject);
    layout->addWidget(load);
    layout->addWidget(save);
    layout->addStretch();

    // Without a project file there is nowhere to keep project templates.
    const bool hasProject = !m_places.project.header.empty();
    bbLoadProject->setEnabled(hasProject);
    bbProject->setEnabled(hasProject);
    connect(bbLoadDefault, &QPushButton::clicked, this,
            [this] { loadTemplates(m_places.defaults, m_places.installed); });
    connect(bbLoadProject, &QPushButton::clicked, this,
            [this] { loadTemplates(m_places.project, {}); });
    connect(bbdefault, &QPushButton::clicked, this, [this] { saveTemplates(m_places.defaults); });
    connect(bbProject, &QPushButton::clicked, this, [this] { saveTemplates(m_places.project); });
    return row;
}

std::string TfHTML::headerText() const {
    return FromMemo(mHead);
}

std::string TfHTML::footerText() const {
    return FromMemo(mfoot);
}

void TfHTML::setHeaderText(std::string_view utf8) {
    mHead->setPlainText(ToMemo(utf8));
}

void TfHTML::setFooterText(std::string_view utf8) {
    mfoot->setPlainText(ToMemo(utf8));
}

void TfHTML::Load() {
    const QScopedValueRollback<bool> guard(Updating, true);
    const std::string header = headerText();
    SetFieldText(eTitle, QString::fromStdString(TextBetween(header, kTitleStart, kTitleEnd)));
    const auto color = [&](std::string_view name) {
        return ColorFromCode(HexToColor(BodyAttribute(header, name)));
    };
    colorBackground->setColor(color("BGCOLOR="));
    ColorLink->setColor(color("LINK="));
    ColorVLink->setColor(color("VLINK="));
    SetFieldText(eBGImg, QString::fromStdString(BodyAttribute(header, "BACKGROUND=")));
}

void TfHTML::mHeadChange() {
    if (!Updating)
        Load();
}

// One edit step of the memo, so that its own undo takes a field's change back whole.
void TfHTML::storeHeader(const std::string& header) {
    if (header.empty())
        return;
    const QScopedValueRollback<bool> guard(Updating, true);
    const int vertical = mHead->verticalScrollBar()->value();
    const int horizontal = mHead->horizontalScrollBar()->value();
    QTextCursor cursor(mHead->document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.insertText(ToMemo(header));
    cursor.endEditBlock();
    mHead->verticalScrollBar()->setValue(vertical);
    mHead->horizontalScrollBar()->setValue(horizontal);
}

// A missing file leaves its memo as it was.
void TfHTML::loadTemplates(const TemplateFiles& primary, const TemplateFiles& fallback) {
    try {
        if (const auto header = ReadFirstTemplate({primary.header, fallback.header}))
            setHeaderText(*header);
        if (const auto footer = ReadFirstTemplate({primary.footer, fallback.footer}))
            setFooterText(*footer);
    } catch (const VelloranError& error) {
        reportError(error);
    }
}

void TfHTML::saveTemplates(const TemplateFiles& files) {
    try {
        const bool defaults = &files == &m_places.defaults;
        WriteTemplate(files.header, headerText(), defaults);
        WriteTemplate(files.footer, footerText(), defaults);
    } catch (const VelloranError& error) {
        reportError(error);
    }
}

void TfHTML::reportError(const std::exception& error) {
    if (m_context.prompter != nullptr)
        m_context.prompter->message(MessageKind::Error, error.what(), Buttons::Ok);
}

} // namespace velloran
