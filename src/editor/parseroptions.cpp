// The editor options dialog's logic: backups, option bits, number rules, styles, keys.
#include "editor/parseroptions.h"

#include "editor/editmodel.h"

#include <algorithm>
#include <array>
#include <limits>

namespace velloran {

namespace {

constexpr std::array<OptionBox, 16> kOptionBoxes = {{
    {"WrapLineBox", "Wrap long lines", cmoPrintWrap, OptionBox::Print},
    {"LineNosBox", "Line numbers", cmoPrintLineNos, OptionBox::Print},
    {"FileNamBox", "Title in header", cmoPrintFilename, OptionBox::Print},
    {"DateBox", "Date in header", cmoPrintDate, OptionBox::Print},
    {"PageNosBox", "Page numbers", cmoPrintPageNos, OptionBox::Print},
    {"PrnSynHighlightBox", "Syntax highlighting", cmoSyntaxHighlight, OptionBox::Print},
    {"DispWrapBox", "Word wrap", cmoWordWrap, OptionBox::General},
    {"AutoIndentBox", "Auto-indent", cmoAutoIndent, OptionBox::General},
    {"TabColBox", "Tab to column", cmoTabToColumn, OptionBox::General},
    {"WrapOverrideBox", "Override wrapping", cmoWrapOverride, OptionBox::General},
    {"WordSelectBox", "Word select", cmoWordSelect, OptionBox::General},
    {"TitleAsFilenameBox", "Title as filename", cmoTitleAsFilename, OptionBox::General},
    {"BlockCursorBox", "Block cursor for Overwrite", cmoBlockOverwriteCursor, OptionBox::General},
    {"ShowWrapColumnBox", "Show word-wrap column", cmoShowWrapColumn, OptionBox::View},
    {"VisRMarginBox", "Visible Right margin", cmoShowRMargin, OptionBox::View},
    {"VisGutterBox", "Visible Gutter", cmoShowGutter, OptionBox::View},
}};

// The leading digits as a number, saturating at `limit`; none is 0.
int leadingNumber(std::string_view text, int limit) {
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = std::min<long long>(value * 10 + (c - '0'), limit);
    }
    return static_cast<int>(value);
}

int marginValue(std::string_view text) {
    if (text.empty() || text.size() > 3 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw OptionsError(kMarginRangeError);
    const int value = leadingNumber(text, std::numeric_limits<int>::max());
    if (value > kMaxMarginValue)
        throw OptionsError(kMarginRangeError);
    return value;
}

} // namespace

std::span<const OptionBox> OptionBoxes() noexcept {
    return kOptionBoxes;
}

bool NumberBoxAccepts(std::uint16_t vk) noexcept {
    if (vk >= kVk0 && vk <= kVk9)
        return true;
    switch (vk) {
    case kVkBack:
    case kVkTab:
    case kVkDelete:
    case kVkHome:
    case kVkEnd:
    case kVkLeft:
    case kVkRight:
        return true;
    default:
        return false;
    }
}

std::string KeyListLine(int command, const KeyBinding& binding) {
    return std::string(CommandDescription(command)) + '\t' + KeyBindingText(binding);
}

// ---- HotKeyCapture ----

void HotKeyCapture::setShortcut(std::uint16_t shortcut) noexcept {
    m_shortcut = m_modifiers ? shortcut : static_cast<std::uint16_t>(shortcut & ~kModifierBits);
}

bool HotKeyCapture::keyDown(std::uint16_t vk, bool shift, bool ctrl, bool alt) noexcept {
    if (vk == kVkShift || vk == kVkControl || vk == kVkAlt)
        return true;
    // Without these the dialog could not be closed from the keyboard.
    if (vk == 0 || vk == kVkReturn || vk == kVkEscape)
        return false;
    m_shortcut = m_modifiers ? MakeShortcut(vk, shift, ctrl, alt) : vk;
    return true;
}

std::string HotKeyCapture::text() const {
    return m_shortcut == 0 ? "None" : ShortcutText(m_shortcut);
}

// ---- ParserOptionsSession ----

ParserOptionsSession::ParserOptionsSession(TCodeMemoParser& parser)
    : m_parser(parser), m_backup(parser.look()), m_look(m_backup), m_keys(m_backup.keys),
      m_assigned(m_keys) {
}

void ParserOptionsSession::apply() {
    m_parser.setLook(m_look);
}

void ParserOptionsSession::setOption(std::uint32_t mask, bool on) {
    m_look.header.options = on ? m_look.header.options | mask : m_look.header.options & ~mask;
    apply();
}

bool ParserOptionsSession::tabToColumnEnabled() const noexcept {
    return !option(cmoWordWrap);
}

int ParserOptionsSession::setGutterText(std::string_view text) {
    m_look.header.gutter = marginValue(text);
    apply();
    return m_look.header.gutter;
}

int ParserOptionsSession::setRightMarginText(std::string_view text) {
    m_look.header.rightMargin = marginValue(text);
    apply();
    return m_look.header.rightMargin;
}

int ParserOptionsSession::setWrapColumnText(std::string_view text) {
    m_look.header.wrapColumn = leadingNumber(text, 0xFFFF);
    apply();
    return m_look.header.wrapColumn;
}

int ParserOptionsSession::setIndentStepText(std::string_view text) {
    m_look.header.indentStep = leadingNumber(text, 255);
    apply();
    return m_look.header.indentStep;
}

std::vector<std::string> ParserOptionsSession::elementNames() const {
    std::vector<std::string> names;
    for (const EditableStyle& style : m_look.header.editableStyles)
        if (!style.name.empty())
            names.push_back(style.name);
    return names;
}

int ParserOptionsSession::styleOf(int element) const {
    int seen = 0;
    for (const EditableStyle& style : m_look.header.editableStyles)
        if (!style.name.empty() && seen++ == element)
            return style.style;
    throw OptionsError("No such element");
}

const TextStyle& ParserOptionsSession::elementStyle(int element) const {
    return m_look.styles[static_cast<std::size_t>(styleOf(element))];
}

TextStyle& ParserOptionsSession::definedStyle(int element) {
    TextStyle& style = m_look.styles[static_cast<std::size_t>(styleOf(element))];
    style.defined = true;
    return style;
}

void ParserOptionsSession::setFontStyleBit(int element, std::uint8_t bit, bool on) {
    TextStyle& style = definedStyle(element);
    style.fontStyle =
        static_cast<std::uint8_t>(on ? style.fontStyle | bit : style.fontStyle & ~bit);
    apply();
}

void ParserOptionsSession::setForeground(int element, Color color) {
    definedStyle(element).color = color;
    apply();
}

void ParserOptionsSession::setBackground(int element, Color color) {
    definedStyle(element).back = color;
    apply();
}

void ParserOptionsSession::setForegroundToDefault(int element) {
    setForeground(element, TextStyle{}.color);
}

void ParserOptionsSession::setBackgroundToDefault(int element) {
    setBackground(element, TextStyle{}.back);
}

bool ParserOptionsSession::backgroundIsDefault(int element) const {
    return elementStyle(element).back == TextStyle{}.back;
}

void ParserOptionsSession::setSelectedText(Color color) {
    m_look.header.selectedText = color;
    apply();
}

void ParserOptionsSession::setSelectedBack(Color color) {
    m_look.header.selectedBack = color;
    apply();
}

void ParserOptionsSession::setFontName(std::string name) {
    // The settings text cannot carry an empty name: it reads back as the default.
    if (name.empty())
        return;
    m_look.fontName = std::move(name);
    apply();
}

void ParserOptionsSession::setFontSize(int size) {
    // Beyond this the settings text is refused at the next start.
    constexpr int kMaxFontSize = 200;
    if (size < 1 || size > kMaxFontSize)
        return;
    m_look.fontSize = size;
    apply();
}

std::string ParserOptionsSession::keyLine(int command) const {
    return KeyListLine(command, m_keys.at(static_cast<std::size_t>(command)));
}

void ParserOptionsSession::setKeys(int command, std::uint16_t first, std::uint16_t second) {
    const auto index = static_cast<std::size_t>(command);
    KeyBinding wanted = m_keys.at(index);
    wanted.first = first;
    wanted.second = first == 0 ? 0 : static_cast<std::uint16_t>(second & ~kModifierBits);
    if (wanted == m_keys[index])
        return; // leaving a box unchanged gives its command no claim
    m_assigned[index] = std::move(wanted);
    m_claim[index] = ++m_lastClaim;
    resolveKeys();
}

// The key matcher runs the first command holding a pair of strokes, so a command given
// strokes another holds would never run: the latest assignment keeps them and the others
// show none. The others keep what they were given, so a pair typed on the way to another
// one takes nothing for good.
void ParserOptionsSession::resolveKeys() {
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        m_keys[i] = m_assigned[i];
        if (m_assigned[i].first == 0)
            continue;
        for (std::size_t j = 0; j < m_keys.size(); ++j)
            if (m_claim[j] > m_claim[i] && m_assigned[j].first == m_assigned[i].first &&
                m_assigned[j].second == m_assigned[i].second) {
                m_keys[i].first = m_keys[i].second = 0;
                break;
            }
    }
}

void ParserOptionsSession::accept() {
    m_look.keys = m_keys;
    apply();
}

void ParserOptionsSession::cancel() {
    m_look = m_backup;
    m_keys = m_assigned = m_backup.keys;
    m_claim = {};
    m_parser.setLook(m_backup);
}

} // namespace velloran
