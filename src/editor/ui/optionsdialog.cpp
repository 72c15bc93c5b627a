// The editor options dialog's window: three pages over ParserOptionsSession and a
// preview editor that shows the parser after every change.
#include "editor/ui/optionsdialog.h"

#include "editor/editmodel.h"
#include "editor/ui/codememo.h"
#include "editor/ui/keymap.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QFontComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTextOption>
#include <QVBoxLayout>
#include <array>

namespace velloran {

namespace {

constexpr std::array<int, 13> kFontSizes = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 30};
constexpr int kNumberBoxChars = 5;

QColor toQColor(Color c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

Color fromQColor(const QColor& c) {
    return static_cast<Color>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

// Draws "description<TAB>keys" lines with one tab stop for the whole list.
class TabStopDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setTabStop(int pixels) noexcept { m_tabStop = pixels; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item(option);
        initStyleOption(&item, index);
        const QString text = item.text;
        item.text.clear();
        QStyle* style = item.widget ? item.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);
        const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget);
        QTextOption layout(Qt::AlignLeft | Qt::AlignVCenter);
        layout.setWrapMode(QTextOption::NoWrap);
        layout.setTabStopDistance(m_tabStop);
        painter->save();
        painter->setPen(item.palette.color(QPalette::Normal, (item.state & QStyle::State_Selected)
                                                                 ? QPalette::HighlightedText
                                                                 : QPalette::Text));
        painter->drawText(area.adjusted(2, 0, 0, 0), text, layout);
        painter->restore();
    }

private:
    int m_tabStop = 200;
};

QCheckBox* optionCheck(QWidget* parent, const OptionBox& box) {
    auto* check = new QCheckBox(QString::fromUtf8(box.caption), parent);
    check->setObjectName(QString::fromUtf8(box.name));
    check->setProperty("optionMask", static_cast<unsigned>(box.mask));
    return check;
}

} // namespace

// ---- THotKeyBox ----

THotKeyBox::THotKeyBox(bool modifiersAllowed, QWidget* parent)
    : QLineEdit(parent), m_capture(modifiersAllowed) {
    setReadOnly(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    setText(QString::fromStdString(m_capture.text()));
}

void THotKeyBox::setShortcut(std::uint16_t shortcut) {
    m_capture.setShortcut(shortcut);
    setText(QString::fromStdString(m_capture.text()));
}

bool THotKeyBox::event(QEvent* event) {
    // Before focus moves on Tab and before any shortcut sees the key.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const KeyStroke stroke = KeyStrokeFor(key->key(), key->modifiers());
        HotKeyCapture probe = m_capture;
        if (probe.keyDown(stroke.vk, stroke.shift, stroke.ctrl, stroke.alt)) {
            if (event->type() == QEvent::KeyPress) {
                const bool differs = probe.shortcut() != m_capture.shortcut();
                m_capture = probe;
                setText(QString::fromStdString(m_capture.text()));
                if (differs)
                    emit changed();
            }
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void THotKeyBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    emit left();
}

// ---- TOptionsDialog ----

TOptionsDialog::TOptionsDialog(TCodeMemoParser& parser, QWidget* parent)
    : QDialog(parent), m_session(parser) {
    setWindowTitle(QStringLiteral("Editor options"));
    chooseColor = [this](Color current) -> std::optional<Color> {
        const QColor chosen = QColorDialog::getColor(toQColor(current), this);
        return chosen.isValid() ? std::optional<Color>(fromQColor(chosen)) : std::nullopt;
    };
    showMessage = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };

    m_preview = new TCodeMemo(this);
    m_preview->setObjectName(QStringLiteral("Preview"));
    m_preview->setParser(1, &parser);
    m_preview->setActiveParser(1);
    m_preview->model().setText(parser.tables().header.sampleText);
    m_preview->setMinimumHeight(110);

    m_pages = new QTabWidget(this);
    m_pages->addTab(buildOptionsPage(), QStringLiteral("Options"));
    m_pages->addTab(buildHighlightingPage(), QStringLiteral("Highlighting"));
    m_pages->addTab(buildKeysPage(), QStringLiteral("Key assignments"));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    layout->addWidget(new QLabel(QStringLiteral("Preview:"), this));
    layout->addWidget(m_preview, 1);
    layout->addWidget(buttons);
    fillKeyList();
    showOptions();
}

TOptionsDialog::~TOptionsDialog() = default;

bool TOptionsDialog::Execute() {
    return exec() == QDialog::Accepted;
}

void TOptionsDialog::done(int result) {
    if (result == QDialog::Accepted) {
        // Return pressed in a hotkey box accepts before the box is left.
        storeKeys();
        m_session.accept();
    } else
        m_session.cancel();
    QDialog::done(result);
}

void TOptionsDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    showOptions();
}

void TOptionsDialog::refreshPreview() {
    m_preview->parserChanged();
}

// ---- "Options" page

QWidget* TOptionsDialog::buildOptionsPage() {
    auto* page = new QWidget;
    auto* print = new QGroupBox(QStringLiteral("Print options"), page);
    auto* general = new QGroupBox(QStringLiteral("General options"), page);
    auto* printLayout = new QVBoxLayout(print);
    auto* generalLayout = new QVBoxLayout(general);
    auto* view = new QFormLayout;
    for (const OptionBox& box : OptionBoxes()) {
        QCheckBox* check = optionCheck(page, box);
        connect(check, &QCheckBox::toggled, this, [this, mask = box.mask](bool on) {
            if (m_filling)
                return;
            m_session.setOption(mask, on);
            showOptions();
            refreshPreview();
        });
        if (box.group == OptionBox::Print)
            printLayout->addWidget(check);
        else if (box.group == OptionBox::General)
            generalLayout->addWidget(check);
        else if (box.mask == cmoShowRMargin)
            view->addRow(
                check, marginBox("RightMarginWidthBox", &ParserOptionsSession::setRightMarginText));
        else if (box.mask == cmoShowGutter)
            view->addRow(check,
                         marginBox("LeftBorderWidthBox", &ParserOptionsSession::setGutterText));
        else
            view->addRow(check);
    }
    view->addRow(QStringLiteral("Word wrap column"),
                 numberBox("WrapColumnBox", &ParserOptionsSession::setWrapColumnText));
    view->addRow(QStringLiteral("Block Indent step size"),
                 numberBox("IndentStepBox", &ParserOptionsSession::setIndentStepText));
    auto* options = new QGroupBox(QStringLiteral("Options"), page);
    auto* optionsLayout = new QHBoxLayout(options);
    optionsLayout->addWidget(print);
    optionsLayout->addWidget(general);
    auto* viewBox = new QWidget(options);
    viewBox->setLayout(view);
    optionsLayout->addWidget(viewBox);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(options);
    layout->addStretch();
    return page;
}

QLineEdit* TOptionsDialog::marginBox(const char* name, NumberSetter set) {
    auto* box = new QLineEdit(this);
    box->setObjectName(QString::fromUtf8(name));
    box->setMaxLength(3);
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 12);
    connect(box, &QLineEdit::textEdited, this, [this, box, set](const QString& text) {
        // An emptied box is a number being retyped; leaving it shows the value again.
        if (text.isEmpty())
            return;
        try {
            (m_session.*set)(text.toStdString());
            refreshPreview();
        } catch (const OptionsError& error) {
            showOptions(); // the box shows the value the parser kept
            showMessage(QString::fromUtf8(error.what()));
        }
    });
    connect(box, &QLineEdit::editingFinished, this, [this] { showOptions(); });
    return box;
}

QLineEdit* TOptionsDialog::numberBox(const char* name, NumberSetter set) {
    auto* box = new QLineEdit(this);
    box->setObjectName(QString::fromUtf8(name));
    box->setMaxLength(kNumberBoxChars);
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    // Keys are filtered below; this keeps pasted or dropped text to digits as well.
    box->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
    box->setContextMenuPolicy(Qt::NoContextMenu);
    box->installEventFilter(this);
    connect(box, &QLineEdit::editingFinished, this, [this, box, set] {
        (m_session.*set)(box->text().toStdString());
        showOptions();
        refreshPreview();
    });
    return box;
}

bool TOptionsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!NumberBoxAccepts(KeyStrokeFor(key->key(), key->modifiers()).vk))
            return event->type() == QEvent::KeyPress; // discarded
    }
    return QDialog::eventFilter(watched, event);
}

void TOptionsDialog::showOptions() {
    m_filling = true;
    const LanguageHeader& h = m_session.look().header;
    for (auto* check : findChildren<QCheckBox*>()) {
        const QVariant mask = check->property("optionMask");
        if (mask.isValid())
            check->setChecked(m_session.option(mask.toUInt()));
    }
    if (auto* tab = findChild<QCheckBox*>(QStringLiteral("TabColBox")))
        tab->setEnabled(m_session.tabToColumnEnabled());
    const auto show = [this](const char* name, int value) {
        // An emptied box with the caret in it is a number being retyped.
        auto* box = findChild<QLineEdit*>(QString::fromUtf8(name));
        if (box != nullptr && !(box->hasFocus() && box->text().isEmpty()))
            box->setText(QString::number(value));
    };
    show("RightMarginWidthBox", h.rightMargin);
    show("LeftBorderWidthBox", h.gutter);
    show("WrapColumnBox", h.wrapColumn);
    show("IndentStepBox", h.indentStep);
    if (auto* name = findChild<QLineEdit*>(QStringLiteral("LangNameBox")))
        name->setText(QString::fromStdString(h.languageName));
    setPanelColor(findChild<QFrame*>(QStringLiteral("stColorPanel")), h.selectedText);
    setPanelColor(findChild<QFrame*>(QStringLiteral("sbColorPanel")), h.selectedBack);
    m_filling = false;
}

// ---- "Highlighting" page

QWidget* TOptionsDialog::buildHighlightingPage() {
    auto* page = new QWidget;
    auto* langName = new QLineEdit(page);
    langName->setObjectName(QStringLiteral("LangNameBox"));
    langName->setReadOnly(true);

    m_elements = new QListWidget(page);
    m_elements->setObjectName(QStringLiteral("SynElementsBox"));
    for (const std::string& name : m_session.elementNames())
        m_elements->addItem(QString::fromStdString(name));
    connect(m_elements, &QListWidget::currentRowChanged, this, &TOptionsDialog::showElement);

    auto* attributes = new QGroupBox(QStringLiteral("Text attributes"), page);
    auto* attributeLayout = new QVBoxLayout(attributes);
    const auto attribute = [&](const char* name, const QString& caption, std::uint8_t bit) {
        auto* check = new QCheckBox(caption, attributes);
        check->setObjectName(QString::fromUtf8(name));
        attributeLayout->addWidget(check);
        connect(check, &QCheckBox::toggled, this, [this, bit](bool on) {
            if (m_filling || currentElement() < 0)
                return;
            m_session.setFontStyleBit(currentElement(), bit, on);
            refreshPreview();
        });
        return check;
    };
    m_bold = attribute("UseBoldBox", QStringLiteral("&Bold"), kBold);
    m_italic = attribute("UseItalicBox", QStringLiteral("&Italic"), kItalic);
    m_underline = attribute("UseUnderlineBox", QStringLiteral("&Underline"), kUnderline);

    auto* colors = new QGroupBox(QStringLiteral("Colors"), page);
    auto* colorLayout = new QFormLayout(colors);
    const auto forElement = [this](void (ParserOptionsSession::*set)(int, Color)) {
        return [this, set](Color c) {
            if (currentElement() >= 0)
                (m_session.*set)(currentElement(), c);
        };
    };
    m_fgPanel = colorRow(colors, "fgColorPanel", QStringLiteral("Foreground"),
                         forElement(&ParserOptionsSession::setForeground));
    m_bgPanel = colorRow(colors, "bgColorPanel", QStringLiteral("Background"),
                         forElement(&ParserOptionsSession::setBackground));
    colorRow(colors, "stColorPanel", QStringLiteral("Sel Text"),
             [this](Color c) { m_session.setSelectedText(c); });
    colorRow(colors, "sbColorPanel", QStringLiteral("Sel Back"),
             [this](Color c) { m_session.setSelectedBack(c); });
    auto* foreDefault = new QPushButton(QStringLiteral("Foreground as default"), colors);
    foreDefault->setObjectName(QStringLiteral("ForeToDefButton"));
    m_bgDefault = new QPushButton(QStringLiteral("Background as default"), colors);
    m_bgDefault->setObjectName(QStringLiteral("UseDefColorButton"));
    colorLayout->addRow(foreDefault, m_bgDefault);
    const auto toDefault = [this](void (ParserOptionsSession::*set)(int)) {
        return [this, set] {
            if (currentElement() < 0)
                return;
            (m_session.*set)(currentElement());
            showElement(currentElement());
            refreshPreview();
        };
    };
    connect(foreDefault, &QPushButton::clicked, this,
            toDefault(&ParserOptionsSession::setForegroundToDefault));
    connect(m_bgDefault, &QPushButton::clicked, this,
            toDefault(&ParserOptionsSession::setBackgroundToDefault));

    m_fontName = new QFontComboBox(page);
    m_fontName->setObjectName(QStringLiteral("FontNameBox"));
    m_fontName->setFontFilters(QFontComboBox::MonospacedFonts);
    m_fontName->setEditable(false);
    m_fontSize = new QComboBox(page);
    m_fontSize->setObjectName(QStringLiteral("FontSizeBox"));
    for (int size : kFontSizes)
        m_fontSize->addItem(QString::number(size));
    const ParserLook& look = m_session.look();
    if (m_fontSize->findText(QString::number(look.fontSize)) < 0)
        m_fontSize->addItem(QString::number(look.fontSize));
    m_fontSize->setCurrentText(QString::number(look.fontSize));
    m_fontName->setCurrentFont(QFont(QString::fromStdString(look.fontName)));
    connect(m_fontName, &QFontComboBox::currentFontChanged, this, [this](const QFont& font) {
        m_session.setFontName(font.family().toStdString());
        refreshPreview();
    });
    connect(m_fontSize, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        m_session.setFontSize(text.toInt());
        refreshPreview();
    });

    auto* font = new QFormLayout;
    font->addRow(QStringLiteral("Current language style"), langName);
    font->addRow(QStringLiteral("Font"), m_fontName);
    font->addRow(QStringLiteral("Size"), m_fontSize);
    auto* right = new QVBoxLayout;
    right->addWidget(attributes);
    right->addWidget(colors);
    auto* element = new QVBoxLayout;
    element->addWidget(new QLabel(QStringLiteral("Element"), page));
    element->addWidget(m_elements);
    auto* columns = new QHBoxLayout;
    columns->addLayout(element);
    columns->addLayout(right);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(font);
    layout->addLayout(columns);
    if (m_elements->count() > 0)
        m_elements->setCurrentRow(0);
    else
        showElement(-1);
    return page;
}

QFrame* TOptionsDialog::colorRow(QWidget* page, const char* panel, const QString& caption,
                                 const std::function<void(Color)>& set) {
    auto* frame = new QFrame(page);
    frame->setObjectName(QString::fromUtf8(panel));
    frame->setFrameShape(QFrame::Box);
    frame->setAutoFillBackground(true);
    frame->setMinimumSize(48, 20);
    auto* button = new QPushButton(QStringLiteral("..."), page);
    button->setObjectName(QString::fromUtf8(panel) + QStringLiteral("Button"));
    button->setAccessibleName(caption);
    button->setMaximumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    connect(button, &QPushButton::clicked, this, [this, frame, set] { pickColor(frame, set); });
    auto* row = new QHBoxLayout;
    row->addWidget(frame);
    row->addWidget(button);
    static_cast<QFormLayout*>(page->layout())->addRow(caption, row);
    return frame;
}

void TOptionsDialog::pickColor(QFrame* panel, const std::function<void(Color)>& set) {
    const std::optional<Color> chosen =
        chooseColor(fromQColor(panel->palette().color(QPalette::Window)));
    if (!chosen)
        return;
    set(*chosen);
    setPanelColor(panel, *chosen);
    if (panel == m_fgPanel || panel == m_bgPanel)
        showElement(currentElement());
    refreshPreview();
}

void TOptionsDialog::setPanelColor(QFrame* panel, Color color) {
    if (panel == nullptr)
        return;
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, toQColor(color));
    panel->setPalette(palette);
}

int TOptionsDialog::currentElement() const {
    return m_elements != nullptr ? m_elements->currentRow() : -1;
}

void TOptionsDialog::showElement(int element) {
    const bool any = element >= 0;
    for (QWidget* w : std::initializer_list<QWidget*>{m_bold, m_italic, m_underline, m_bgDefault})
        w->setEnabled(any);
    if (!any)
        return;
    m_filling = true;
    const TextStyle& style = m_session.elementStyle(element);
    m_bold->setChecked(style.fontStyle & kBold);
    m_italic->setChecked(style.fontStyle & kItalic);
    m_underline->setChecked(style.fontStyle & kUnderline);
    setPanelColor(m_fgPanel, style.color);
    setPanelColor(m_bgPanel, style.back);
    m_bgDefault->setEnabled(!m_session.backgroundIsDefault(element));
    m_filling = false;
}

// ---- "Key assignments" page

QWidget* TOptionsDialog::buildKeysPage() {
    auto* page = new QWidget;
    m_keyList = new QListWidget(page);
    m_keyList->setObjectName(QStringLiteral("KeyList"));
    m_keyList->setItemDelegate(new TabStopDelegate(m_keyList));
    connect(m_keyList, &QListWidget::currentRowChanged, this, &TOptionsDialog::showCommand);
    m_currentCommand = new QLineEdit(page);
    m_currentCommand->setObjectName(QStringLiteral("CurrentCommand"));
    m_currentCommand->setReadOnly(true);
    m_hotKey1 = new THotKeyBox(true, page);
    m_hotKey1->setObjectName(QStringLiteral("ccHotKey1"));
    m_hotKey2 = new THotKeyBox(false, page);
    m_hotKey2->setObjectName(QStringLiteral("ccHotKey2"));
    // Stored as soon as a stroke is taken, so the list line always shows the boxes.
    for (THotKeyBox* box : {m_hotKey1, m_hotKey2}) {
        connect(box, &THotKeyBox::changed, this, &TOptionsDialog::storeKeys);
        connect(box, &THotKeyBox::left, this, &TOptionsDialog::storeKeys);
    }
    // A command with no second stroke, or none at all, needs a way to empty the boxes.
    auto* clear = new QPushButton(QStringLiteral("Clear"), page);
    clear->setObjectName(QStringLiteral("ClearKeysButton"));
    connect(clear, &QPushButton::clicked, this, [this] {
        m_hotKey1->setShortcut(0);
        m_hotKey2->setShortcut(0);
        storeKeys();
    });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Command"), m_currentCommand);
    form->addRow(QStringLiteral("First key"), m_hotKey1);
    form->addRow(QStringLiteral("Second key"), m_hotKey2);
    form->addRow(QString(), clear);
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(m_keyList, 2);
    layout->addLayout(form, 1);
    return page;
}

void TOptionsDialog::fillKeyList() {
    int widest = 0;
    const QFontMetrics metrics(m_keyList->font());
    for (int i = 0; i < kCommandCount; ++i) {
        widest =
            std::max(widest, metrics.horizontalAdvance(QString::fromUtf8(CommandDescription(i))));
        m_keyList->addItem(QString::fromStdString(m_session.keyLine(i)));
    }
    static_cast<TabStopDelegate*>(m_keyList->itemDelegate())
        ->setTabStop(widest + metrics.horizontalAdvance(QStringLiteral("    ")));
    m_keyList->setCurrentRow(0);
}

void TOptionsDialog::showCommand(int command) {
    if (command < 0 || command >= kCommandCount)
        return;
    const KeyBinding& binding = m_session.keys()[static_cast<std::size_t>(command)];
    m_currentCommand->setText(QString::fromUtf8(CommandDescription(command)));
    m_hotKey1->setShortcut(binding.first);
    m_hotKey2->setShortcut(binding.second);
}

void TOptionsDialog::storeKeys() {
    const int command = m_keyList->currentRow();
    if (command < 0)
        return;
    m_session.setKeys(command, m_hotKey1->shortcut(), m_hotKey2->shortcut());
    // Another command may have given up these strokes.
    for (int i = 0; i < kCommandCount; ++i)
        m_keyList->item(i)->setText(QString::fromStdString(m_session.keyLine(i)));
    showCommand(command);
}

// ---- running it

void ReapplyParser(const TCodeMemoParser& parser) {
    for (QWidget* widget : QApplication::allWidgets())
        if (auto* memo = qobject_cast<TCodeMemo*>(widget);
            memo && memo->model().parser() == &parser)
            memo->parserChanged();
}

bool ModifyProperties(TCodeMemoParser& parser, QWidget* parent,
                      const std::function<void(const QString& text)>& showMessage) {
    TOptionsDialog dialog(parser, parent);
    if (showMessage)
        dialog.showMessage = showMessage;
    if (!dialog.Execute())
        return false;
    ReapplyParser(parser);
    return true;
}

} // namespace velloran
