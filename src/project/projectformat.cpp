// Writes and reads the project file's sections and key lines.
#include "project/projectformat.h"

#include "platform/paths.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <unordered_map>
#include <vector>

namespace velloran {
namespace {

enum Key { NodeNameKey, ParentKey, FileInfoKey, WebLocKey, ImageIndexKey, StateIndexKey, KeyCount };
constexpr std::array<std::string_view, KeyCount> kKeys{"nodename", "parent",     "fileinfo",
                                                       "webloc",   "imageindex", "stateindex"};

struct Value {
    std::string_view text;
    std::size_t line = 0; // index into the lines
};
using Values = std::array<std::optional<Value>, KeyCount>;

enum class SectionKind { Folder, File, Other };

template <typename... Parts>
void line(std::string& out, const Parts&... parts) {
    (out.append(parts), ...);
    out += "\r\n";
}

void writeFolder(std::string& out, std::size_t index, const ProjectFolder& folder, int parent) {
    line(out, "[Dir", std::to_string(index), "]");
    line(out, "nodename=", folder.name());
    line(out, "parent=", std::to_string(parent));
    line(out);
}

void writeFile(std::string& out, std::size_t folder, std::size_t index, const TProjectFile& file) {
    line(out, "[File", std::to_string(folder), ".", std::to_string(index), "]");
    line(out, "nodename=", file.NodeName);
    line(out, "fileinfo=", file.FileInfo);
    line(out, "webloc=", file.WebLoc);
    line(out, "imageindex=", std::to_string(file.ImageIndex));
    line(out, "stateindex=", std::to_string(file.StateIndex));
    line(out);
}

// Lines end at CR LF, LF or a lone CR.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        const bool crLf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crLf ? 2 : 1));
    }
    return lines;
}

bool isBlank(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

SectionKind kindOf(std::string_view header) {
    if (SameTextAscii(header.substr(0, 4), "[dir"))
        return SectionKind::Folder;
    if (SameTextAscii(header.substr(0, 5), "[file"))
        return SectionKind::File;
    return SectionKind::Other;
}

// The first line, in file order, that a write would not keep.
class LossLog {
public:
    void note(std::size_t lineIndex, std::string reason) {
        if (!m_loss || lineIndex + 1 < m_loss->line)
            m_loss = ProjectReadIssue{lineIndex + 1, std::move(reason)};
    }
    [[nodiscard]] const std::optional<ProjectReadIssue>& first() const { return m_loss; }

private:
    std::optional<ProjectReadIssue> m_loss;
};

// The file's sections, each header resolved to the first header equal to it without
// regard to case; a section's values are gathered once however often it is named.
class Sections {
public:
    Sections(std::string_view text, LossLog& losses) : m_lines(splitLines(text)), m_losses(losses) {
        std::unordered_map<std::string, std::size_t> firstByHeader;
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            if (!m_lines[i].starts_with('[')) {
                if (m_headers.empty() && !isBlank(m_lines[i]))
                    m_losses.note(i, "text before the first section");
                continue;
            }
            const auto [it, added] = firstByHeader.try_emplace(AsciiLower(m_lines[i]), count());
            m_first.push_back(it->second);
            m_headers.push_back(i);
        }
        m_values.resize(count());
    }

    [[nodiscard]] std::size_t count() const noexcept { return m_headers.size(); }
    [[nodiscard]] std::string_view header(std::size_t k) const { return m_lines[m_headers[k]]; }
    [[nodiscard]] std::size_t headerLine(std::size_t k) const { return m_headers[k]; }

    const Values& valuesOf(std::size_t k) {
        if (m_first[k] != k)
            noteRepeated(k);
        auto& values = m_values[m_first[k]];
        if (!values)
            values = parse(m_first[k]);
        return *values;
    }

private:
    [[nodiscard]] std::size_t bodyEnd(std::size_t k) const {
        return k + 1 < count() ? m_headers[k + 1] : m_lines.size();
    }

    // A repeated header takes the first one's lines; its own are never read.
    void noteRepeated(std::size_t k) {
        for (std::size_t i = m_headers[k] + 1; i < bodyEnd(k); ++i) {
            if (!isBlank(m_lines[i])) {
                m_losses.note(i, "the section repeats an earlier header, whose lines it takes");
                return;
            }
        }
    }

    // The first line of each known key; the key before the first "=" compares without
    // case and untrimmed, so "parent = 3" is no parent key.
    [[nodiscard]] Values parse(std::size_t k) const {
        Values values;
        for (std::size_t i = m_headers[k] + 1; i < bodyEnd(k); ++i) {
            const std::string_view text = m_lines[i];
            const std::size_t eq = text.find('=');
            if (eq == std::string_view::npos) {
                if (!isBlank(text))
                    m_losses.note(i, "the line is neither a section header nor a key");
                continue;
            }
            std::size_t key = 0;
            while (key < KeyCount && !SameTextAscii(text.substr(0, eq), kKeys[key]))
                ++key;
            if (key == KeyCount)
                m_losses.note(i, "the key is not one a project keeps");
            else if (values[key])
                m_losses.note(i, "the key \"" + std::string(kKeys[key]) + "\" is repeated");
            else
                values[key] = Value{text.substr(eq + 1), i};
        }
        return values;
    }

    std::vector<std::string_view> m_lines;
    LossLog& m_losses;
    std::vector<std::size_t> m_headers; // line index of each header, in file order
    std::vector<std::size_t> m_first;   // per header: the position of the first equal one
    std::vector<std::optional<Values>> m_values;
};

// A missing or empty value has no number; `valid` is false for text that is no number.
struct Number {
    std::optional<std::int64_t> value;
    bool valid = true;
};

Number numberOf(const std::optional<Value>& value) {
    if (!value || value->text.empty())
        return {};
    std::int64_t number = 0;
    const char* end = value->text.data() + value->text.size();
    const auto [ptr, error] = std::from_chars(value->text.data(), end, number);
    if (error != std::errc() || ptr != end)
        return {std::nullopt, false};
    return {number, true};
}

bool fitsInt(std::int64_t value) {
    return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
}

int integerOr(const std::optional<Value>& value, int fallback, const char* key, LossLog& losses) {
    const Number number = numberOf(value);
    if (number.valid && number.value && fitsInt(*number.value))
        return static_cast<int>(*number.value);
    if (value && !value->text.empty())
        losses.note(value->line, "the value of \"" + std::string(key) + "\" is not a number");
    return fallback;
}

std::string textOf(const std::optional<Value>& value) {
    return value ? std::string(value->text) : std::string();
}

TProjectFile fileFrom(const Values& values, LossLog& losses) {
    return {textOf(values[NodeNameKey]), textOf(values[FileInfoKey]), textOf(values[WebLocKey]),
            integerOr(values[ImageIndexKey], 1, "imageindex", losses),
            integerOr(values[StateIndexKey], -1, "stateindex", losses)};
}

// A parent index that names no folder is a refusal; one that is no number at all is
// taken as top level, as an older file may have it.
std::optional<ProjectReadIssue> readFolder(const Values& values, ProjectTree& tree,
                                           ProjectFolder*& current, LossLog& losses) {
    const Number parentIndex = numberOf(values[ParentKey]);
    ProjectFolder* parent = nullptr;
    if (!parentIndex.valid) {
        losses.note(values[ParentKey]->line, "the value of \"parent\" is not a number");
    } else if (parentIndex.value && *parentIndex.value != -1) {
        const std::int64_t index = *parentIndex.value;
        parent = fitsInt(index) ? tree.folderAt(static_cast<int>(index)) : nullptr;
        if (parent == nullptr)
            return ProjectReadIssue{values[ParentKey]->line + 1, "the parent folder index " +
                                                                     std::to_string(index) +
                                                                     " names no folder before it"};
    }
    if (parent != nullptr && parent->depth() + 1 >= kMaxFolderDepth)
        return ProjectReadIssue{values[ParentKey]->line + 1, "the folder is nested more than " +
                                                                 std::to_string(kMaxFolderDepth) +
                                                                 " levels deep"};
    const std::string_view name = values[NodeNameKey] ? values[NodeNameKey]->text : "";
    current = &tree.appendFolder(name, parent);
    if (current->name() != name)
        losses.note(values[NodeNameKey]->line, "the folder name is longer than " +
                                                   std::to_string(kMaxFolderName) + " characters");
    return std::nullopt;
}

std::optional<ProjectReadIssue> readSections(Sections& sections, ProjectTree& tree,
                                             LossLog& losses) {
    ProjectFolder* current = nullptr;
    for (std::size_t k = 0; k < sections.count(); ++k) {
        const std::size_t at = sections.headerLine(k);
        switch (kindOf(sections.header(k))) {
        case SectionKind::Folder:
            if (auto refusal = readFolder(sections.valuesOf(k), tree, current, losses))
                return refusal;
            break;
        case SectionKind::File:
            if (current == nullptr)
                return ProjectReadIssue{at + 1, "a file section comes before any folder section"};
            tree.appendFile(*current, fileFrom(sections.valuesOf(k), losses));
            break;
        case SectionKind::Other:
            losses.note(at, "the section is neither a folder nor a file section");
            break;
        }
    }
    if (current == nullptr)
        return ProjectReadIssue{0, "the file has no folder section"};
    return std::nullopt;
}

} // namespace

std::string FormatProject(const ProjectTree& tree) {
    const auto& folders = tree.folders();
    std::unordered_map<const ProjectFolder*, int> indexes;
    for (std::size_t i = 0; i < folders.size(); ++i)
        indexes[folders[i]] = static_cast<int>(i);
    std::string out;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const ProjectFolder& folder = *folders[i];
        writeFolder(out, i, folder, folder.parent() ? indexes.at(folder.parent()) : -1);
        for (std::size_t j = 0; j < folder.files().size(); ++j)
            writeFile(out, i, j, *folder.files()[j]);
    }
    return out;
}

ProjectReadResult ReadProject(std::string_view text, ProjectTree& tree) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    LossLog losses;
    Sections sections(text, losses);
    ProjectReadResult result;
    result.refusal = readSections(sections, tree, losses);
    if (result.refusal) {
        tree.clear();
        return result;
    }
    result.loss = losses.first();
    tree.sortAll();
    return result;
}

} // namespace velloran
