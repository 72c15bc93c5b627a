// INI files kept as their lines, so that an edit rewrites one line and leaves the rest alone.
#include "platform/inifile.h"

#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/paths.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <sys/stat.h>

namespace velloran {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

enum class LineKind { Other, Section, Key };

struct Line {
    LineKind kind = LineKind::Other;
    std::string_view name;  // trimmed
    std::string_view value; // everything after the first "=", untrimmed
};

Line classify(std::string_view text) {
    const std::string_view line = trimmed(text);
    if (line.starts_with('[')) {
        const std::string_view inner = line.substr(1);
        // A header missing its "]" still opens a section: treating it as text would
        // silently move its keys into the section above.
        return {LineKind::Section, trimmed(inner.substr(0, inner.find(']'))), {}};
    }
    const std::size_t equals = line.find('=');
    if (line.starts_with(';') || equals == std::string_view::npos) {
        return {};
    }
    return {LineKind::Key, trimmed(line.substr(0, equals)), line.substr(equals + 1)};
}

std::string_view unquoted(std::string_view value) {
    value = trimmed(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

using Lines = std::vector<std::string>;

std::size_t findSection(const Lines& lines, std::string_view name) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Line line = classify(lines[i]);
        if (line.kind == LineKind::Section && SameTextAscii(line.name, name)) {
            return i;
        }
    }
    return kNone;
}

// One past the last line of the section whose header is at `header`.
std::size_t sectionEnd(const Lines& lines, std::size_t header) {
    std::size_t end = header + 1;
    while (end < lines.size() && classify(lines[end]).kind != LineKind::Section) {
        ++end;
    }
    return end;
}

std::size_t findKey(const Lines& lines, std::size_t header, std::string_view key) {
    const std::size_t end = sectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const Line line = classify(lines[i]);
        if (line.kind == LineKind::Key && SameTextAscii(line.name, key)) {
            return i;
        }
    }
    return kNone;
}

std::optional<std::string_view> findValue(const Lines& lines, std::string_view section,
                                          std::string_view key) {
    const std::size_t header = findSection(lines, trimmed(section));
    if (header == kNone) {
        return std::nullopt;
    }
    const std::size_t at = findKey(lines, header, trimmed(key));
    if (at == kNone) {
        return std::nullopt;
    }
    return unquoted(classify(lines[at]).value);
}

int parseInteger(std::string_view text, int defaultValue) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() < '0' || text.front() > '9') {
        return defaultValue;
    }
    // Saturate rather than wrap: a hand-edited huge number should not turn negative.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        magnitude = std::min(magnitude * 10 + (c - '0'), limit);
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

Lines splitLines(std::string_view text) {
    Lines lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            lines.emplace_back(text);
            break;
        }
        std::string_view line = text.substr(0, end);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        text.remove_prefix(end + 1);
    }
    return lines;
}

} // namespace

IniFile::IniFile(std::string path) : m_path(std::move(path)) {
    if (!FileExists(m_path)) {
        struct stat info {};
        if (::stat(m_path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
            return;
        }
    }
    m_lines = splitLines(ReadWholeFile(m_path, kSettingsReadLimit));
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const {
    return std::string(findValue(m_lines, section, key).value_or(defaultValue));
}

int IniFile::readInteger(std::string_view section, std::string_view key, int defaultValue) const {
    const auto value = findValue(m_lines, section, key);
    return value ? parseInteger(*value, defaultValue) : defaultValue;
}

bool IniFile::hasSection(std::string_view section) const {
    return findSection(m_lines, trimmed(section)) != kNone;
}

bool IniFile::hasKey(std::string_view section, std::string_view key) const {
    return findValue(m_lines, section, key).has_value();
}

std::vector<std::string> IniFile::readSection(std::string_view section) const {
    std::vector<std::string> result;
    const std::size_t header = findSection(m_lines, trimmed(section));
    if (header == kNone) {
        return result;
    }
    const std::size_t end = sectionEnd(m_lines, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (classify(m_lines[i]).kind == LineKind::Key) {
            result.emplace_back(trimmed(m_lines[i]));
        }
    }
    return result;
}

std::vector<std::string> IniFile::sectionNames() const {
    std::vector<std::string> names;
    for (const std::string& text : m_lines) {
        const Line line = classify(text);
        if (line.kind != LineKind::Section) {
            continue;
        }
        bool seen = false;
        for (const std::string& name : names) {
            seen = seen || SameTextAscii(name, line.name);
        }
        if (!seen) {
            names.emplace_back(line.name);
        }
    }
    return names;
}

void IniFile::checkStorable(std::string_view section, std::string_view key,
                            std::string_view value) const {
    const char* problem = nullptr;
    const auto hasLineBreak = [](std::string_view text) {
        return text.find('\n') != std::string_view::npos;
    };
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value)) {
        problem = "a setting cannot hold a line break";
    } else if (section.find(']') != std::string_view::npos) {
        problem = "a section name cannot contain \"]\"";
    } else if (key.find('=') != std::string_view::npos || key.starts_with(';') ||
               key.starts_with('[')) {
        problem = "a key cannot contain \"=\" or begin with \";\" or \"[\"";
    }
    if (problem != nullptr) {
        throw VelloranError("Cannot store \"" + std::string(key) + "\" in section \"" +
                            std::string(section) + "\" of \"" + m_path + "\": " + problem);
    }
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    section = trimmed(section);
    key = trimmed(key);
    checkStorable(section, key, value);
    std::string line = std::string(key) + "=" + std::string(value);

    const std::size_t header = findSection(m_lines, section);
    if (header == kNone) {
        if (!m_lines.empty() && !trimmed(m_lines.back()).empty()) {
            m_lines.emplace_back();
        }
        m_lines.push_back("[" + std::string(section) + "]");
        m_lines.push_back(std::move(line));
        m_modified = true;
        return;
    }
    const std::size_t at = findKey(m_lines, header, key);
    if (at != kNone) {
        if (m_lines[at] != line) {
            m_lines[at] = std::move(line);
            m_modified = true;
        }
        return;
    }
    // After the section's last non-empty line, so the blank line that separates it
    // from the next section stays where it is.
    std::size_t insertAt = header + 1;
    const std::size_t end = sectionEnd(m_lines, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (!trimmed(m_lines[i]).empty()) {
            insertAt = i + 1;
        }
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
    m_modified = true;
}

void IniFile::writeInteger(std::string_view section, std::string_view key, int value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::deleteKey(std::string_view section, std::string_view key) {
    const std::size_t header = findSection(m_lines, trimmed(section));
    if (header == kNone) {
        return;
    }
    // Every copy goes, or deleting would only uncover the next duplicate.
    key = trimmed(key);
    std::size_t end = sectionEnd(m_lines, header);
    for (std::size_t i = header + 1; i < end;) {
        const Line line = classify(m_lines[i]);
        if (line.kind == LineKind::Key && SameTextAscii(line.name, key)) {
            m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(i));
            --end;
            m_modified = true;
        } else {
            ++i;
        }
    }
}

void IniFile::eraseSection(std::string_view section) {
    section = trimmed(section);
    for (std::size_t i = 0; i < m_lines.size();) {
        const Line line = classify(m_lines[i]);
        if (line.kind == LineKind::Section && SameTextAscii(line.name, section)) {
            const std::size_t end = sectionEnd(m_lines, i);
            m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(i),
                          m_lines.begin() + static_cast<std::ptrdiff_t>(end));
            m_modified = true;
        } else {
            ++i;
        }
    }
}

void IniFile::save() {
    if (!m_modified) {
        return;
    }
    WriteFileAtomically(m_path, text());
    m_modified = false;
}

std::string IniFile::text() const {
    std::size_t size = 0;
    for (const std::string& line : m_lines) {
        size += line.size() + 2;
    }
    std::string result;
    result.reserve(size);
    for (const std::string& line : m_lines) {
        result += line;
        result += "\r\n";
    }
    return result;
}

void IniFile::parse(std::string_view text) {
    Lines lines = splitLines(text);
    if (lines != m_lines) {
        m_lines = std::move(lines);
        m_modified = true;
    }
}

} // namespace velloran
