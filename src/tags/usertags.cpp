// User tag lists, tag insertion and code completion.
#include "tags/usertags.h"

#include "editor/editmodel.h"
#include "platform/errors.h"

#include <algorithm>

namespace velloran {

namespace {

constexpr std::string_view kShortcutKey = "shortcut";
constexpr std::string_view kDescCountKey = "desccount";
constexpr std::string_view kDescKey = "desc";
constexpr std::string_view kTagCountKey = "tagcount";
constexpr std::string_view kTagKey = "tag";

char LowerAscii(char c) noexcept {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsBlank(char c) noexcept {
    return c == ' ' || c == '\t';
}

// Reading drops surrounding blanks and one pair of enclosing quotes; a value that would
// lose either is written inside double quotes, which reading takes off again.
std::string Storable(std::string_view value) {
    const bool blankEdge = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()));
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (!blankEdge && !quoted)
        return std::string(value);
    return "\"" + std::string(value) + "\"";
}

std::string FromFile(std::string bytes) {
    if (IsValidUtf8(bytes))
        return bytes;
    std::string text;
    for (const char byte : bytes)
        text += EncodeChar(Encoding::Utf8, Cp1252ToUnicode(static_cast<unsigned char>(byte)));
    return text;
}

bool IsAscii(std::string_view text) noexcept {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string Utf8ToDocument(std::string_view text, Encoding encoding) {
    if (encoding == Encoding::Utf8)
        return std::string(text);
    std::string bytes;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = 1;
        const char32_t c = DecodeCharAt(Encoding::Utf8, text, pos, &length);
        const std::string one = EncodeChar(encoding, c);
        bytes += one.empty() ? std::string("?") : one;
        pos += length;
    }
    return bytes;
}

std::string DocumentToUtf8(std::string_view bytes, Encoding encoding) {
    if (encoding == Encoding::Utf8)
        return std::string(bytes);
    std::string text;
    for (const char byte : bytes)
        text += EncodeChar(Encoding::Utf8, Cp1252ToUnicode(static_cast<unsigned char>(byte)));
    return text;
}

} // namespace

bool SameTextIgnoringCase(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

void SortIgnoringCase(std::vector<std::string>& names) {
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(),
            [](char x, char y) { return LowerAscii(x) < LowerAscii(y); });
    });
}

std::optional<std::size_t> IndexIgnoringCase(const std::vector<std::string>& list,
                                             std::string_view text) {
    for (std::size_t i = 0; i < list.size(); ++i)
        if (SameTextIgnoringCase(list[i], text))
            return i;
    return std::nullopt;
}

std::string UnableToWriteMessage(const std::string& path) {
    return "Unable to write to " + path;
}

// ---- The list file ----

UserTagList::UserTagList(std::string path) : m_ini(std::move(path)) {
}

UserTagIndex UserTagList::index() const {
    UserTagIndex index;
    index.names = m_ini.sectionNames();
    SortIgnoringCase(index.names);
    index.shortcuts.reserve(index.names.size());
    for (const std::string& name : index.names)
        index.shortcuts.push_back(FromFile(m_ini.readString(name, kShortcutKey, "")));
    for (std::string& name : index.names)
        name = FromFile(std::move(name));
    return index;
}

std::string UserTagList::sectionFor(std::string_view name) const {
    if (m_ini.hasSection(name) || IsAscii(name))
        return std::string(name);
    for (const std::string& section : m_ini.sectionNames())
        if (SameTextIgnoringCase(FromFile(section), name))
            return section;
    return std::string(name);
}

UserTag UserTagList::read(std::string_view displayName) const {
    UserTag tag;
    tag.name = std::string(displayName);
    const std::string name = sectionFor(displayName);
    tag.shortcut = FromFile(m_ini.readString(name, kShortcutKey, ""));
    // A damaged count cannot make more lines than the section has keys.
    const auto keys = static_cast<int>(
        std::min<std::size_t>(m_ini.readSection(name).size(), std::size_t{1} << 30));
    const auto readLines = [&](std::string_view countKey, std::string_view prefix) {
        std::vector<std::string> lines;
        const int count = std::clamp(m_ini.readInteger(name, countKey, 0), 0, keys);
        lines.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            lines.push_back(
                FromFile(m_ini.readString(name, std::string(prefix) + std::to_string(i), "")));
        return lines;
    };
    tag.description = readLines(kDescCountKey, kDescKey);
    tag.lines = readLines(kTagCountKey, kTagKey);
    return tag;
}

void UserTagList::write(const UserTag& tag, std::string_view replacing) {
    IniFile before = m_ini;
    try {
        if (!replacing.empty())
            m_ini.eraseSection(sectionFor(replacing));
        m_ini.eraseSection(sectionFor(tag.name));
        m_ini.writeString(tag.name, kShortcutKey, Storable(tag.shortcut));
        m_ini.writeInteger(tag.name, kDescCountKey, static_cast<int>(tag.description.size()));
        for (std::size_t i = 0; i < tag.description.size(); ++i)
            m_ini.writeString(tag.name, std::string(kDescKey) + std::to_string(i),
                              Storable(tag.description[i]));
        m_ini.writeInteger(tag.name, kTagCountKey, static_cast<int>(tag.lines.size()));
        for (std::size_t i = 0; i < tag.lines.size(); ++i)
            m_ini.writeString(tag.name, std::string(kTagKey) + std::to_string(i),
                              Storable(tag.lines[i]));
        save();
    } catch (...) {
        m_ini = std::move(before); // what is held stays what the file holds
        throw;
    }
}

void UserTagList::erase(std::string_view name) {
    IniFile before = m_ini;
    try {
        m_ini.eraseSection(sectionFor(name));
        save();
    } catch (...) {
        m_ini = std::move(before);
        throw;
    }
}

void UserTagList::save() {
    try {
        m_ini.save();
    } catch (const FileError&) {
        throw FileError(UnableToWriteMessage(m_ini.path()));
    }
}

// ---- Insertion ----

std::string ExpandUserTag(const std::vector<std::string>& lines, std::string_view selected,
                          Encoding encoding) {
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            joined += "\r\n";
        joined += lines[i];
    }
    std::string text = Utf8ToDocument(joined, encoding);
    const std::string placeholder = Utf8ToDocument(kSelTextPlaceholder, encoding);
    if (const std::size_t at = text.find(placeholder); at != std::string::npos)
        text.replace(at, placeholder.size(), selected);
    return text;
}

void InsertUserTag(EditModel& model, const std::vector<std::string>& lines) {
    model.replaceSel(ExpandUserTag(lines, model.selText(), model.encoding()));
}

// ---- Code completion ----

WordSpan CompletionWordAt(std::string_view line, std::size_t caret) noexcept {
    caret = std::min(caret, line.size());
    // A caret just before a blank stands for the word that ends there; at the line's
    // start such a caret has no word.
    std::ptrdiff_t c = static_cast<std::ptrdiff_t>(caret);
    if (caret < line.size() && line[caret] == ' ')
        --c;
    std::size_t begin = 0;
    for (std::ptrdiff_t i =
             std::min<std::ptrdiff_t>(c, static_cast<std::ptrdiff_t>(line.size()) - 1);
         i >= 0; --i)
        if (line[static_cast<std::size_t>(i)] == ' ') {
            begin = static_cast<std::size_t>(i) + 1;
            break;
        }
    std::size_t end = line.size();
    for (std::size_t i = static_cast<std::size_t>(std::max<std::ptrdiff_t>(c, 0)); i < line.size();
         ++i)
        if (line[i] == ' ') {
            end = i;
            break;
        }
    if (c < 0)
        end = 0;
    return end > begin ? WordSpan{begin, end} : WordSpan{begin, begin};
}

std::optional<CompletionMatch> FindCompletion(const EditModel& model,
                                              const std::vector<std::string>& shortcuts) {
    const std::int64_t lineNumber = model.store().lineOf(model.caret());
    const std::string line = model.getLine(lineNumber);
    if (line.empty())
        return std::nullopt;
    const std::int64_t start = model.lineIndex(lineNumber);
    const WordSpan span = CompletionWordAt(line, static_cast<std::size_t>(model.caret() - start));
    if (span.begin == span.end)
        return std::nullopt;
    const std::string word = DocumentToUtf8(
        std::string_view(line).substr(span.begin, span.end - span.begin), model.encoding());
    const std::optional<std::size_t> index = IndexIgnoringCase(shortcuts, word);
    if (!index)
        return std::nullopt;
    return CompletionMatch{start + static_cast<std::int64_t>(span.begin),
                           start + static_cast<std::int64_t>(span.end), *index};
}

} // namespace velloran
