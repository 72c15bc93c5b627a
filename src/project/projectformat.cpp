// Writes and reads the project file's sections and key lines.
#include "project/projectformat.h"

#include "platform/paths.h"

#include <array>
#include <charconv>
#include <unordered_map>
#include <vector>

namespace velloran {
namespace {

enum Key { NodeNameKey, ParentKey, FileInfoKey, WebLocKey, ImageIndexKey, StateIndexKey, KeyCount };
constexpr std::array<std::string_view, KeyCount> kKeys{"nodename", "parent",     "fileinfo",
                                                       "webloc",   "imageindex", "stateindex"};
using Values = std::array<std::optional<std::string_view>, KeyCount>;

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

// The file's sections, each header resolved to the first header equal to it without
// regard to case; a section's values are gathered once however often it is named.
class Sections {
public:
    explicit Sections(std::string_view text) : m_lines(splitLines(text)) {
        std::unordered_map<std::string, std::size_t> firstByHeader;
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            if (!m_lines[i].starts_with('['))
                continue;
            const auto [it, added] = firstByHeader.try_emplace(AsciiLower(m_lines[i]), count());
            m_first.push_back(it->second);
            m_headers.push_back(i);
        }
        m_values.resize(count());
    }

    [[nodiscard]] std::size_t count() const noexcept { return m_headers.size(); }
    [[nodiscard]] std::string_view header(std::size_t k) const { return m_lines[m_headers[k]]; }

    const Values& valuesOf(std::size_t k) {
        auto& values = m_values[m_first[k]];
        if (!values)
            values = parse(m_first[k]);
        return *values;
    }

private:
    // The first line of each known key; the key before the first "=" compares without
    // case and untrimmed, so "parent = 3" is no parent key.
    [[nodiscard]] Values parse(std::size_t k) const {
        Values values;
        const std::size_t end = k + 1 < count() ? m_headers[k + 1] : m_lines.size();
        for (std::size_t i = m_headers[k] + 1; i < end; ++i) {
            const std::size_t eq = m_lines[i].find('=');
            if (eq == std::string_view::npos)
                continue;
            for (std::size_t key = 0; key < KeyCount; ++key) {
                if (!values[key] && SameTextAscii(m_lines[i].substr(0, eq), kKeys[key]))
                    values[key] = m_lines[i].substr(eq + 1);
            }
        }
        return values;
    }

    std::vector<std::string_view> m_lines;
    std::vector<std::size_t> m_headers; // line index of each header, in file order
    std::vector<std::size_t> m_first;   // per header: the position of the first equal one
    std::vector<std::optional<Values>> m_values;
};

int integerOr(const std::optional<std::string_view>& text, int fallback) {
    if (!text || text->empty())
        return fallback;
    int value = 0;
    const char* end = text->data() + text->size();
    const auto [ptr, error] = std::from_chars(text->data(), end, value);
    return error == std::errc() && ptr == end ? value : fallback;
}

std::string textOf(const std::optional<std::string_view>& value) {
    return std::string(value.value_or(std::string_view{}));
}

TProjectFile fileFrom(const Values& values) {
    return {textOf(values[NodeNameKey]), textOf(values[FileInfoKey]), textOf(values[WebLocKey]),
            integerOr(values[ImageIndexKey], 1), integerOr(values[StateIndexKey], -1)};
}

std::optional<ProjectReadError> readFolder(const Values& values, std::string_view header,
                                           ProjectTree& tree, ProjectFolder*& current) {
    const int parentIndex = integerOr(values[ParentKey], -1);
    ProjectFolder* parent = nullptr;
    if (parentIndex != -1) {
        parent = tree.folderAt(parentIndex);
        if (parent == nullptr)
            return ProjectReadError{std::string(header), parentIndex};
    }
    current = &tree.appendFolder(values[NodeNameKey].value_or(std::string_view{}), parent);
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

std::optional<ProjectReadError> ReadProject(std::string_view text, ProjectTree& tree) {
    Sections sections(text);
    ProjectFolder* current = nullptr;
    std::optional<ProjectReadError> error;
    for (std::size_t k = 0; k < sections.count() && !error; ++k) {
        const std::string_view header = sections.header(k);
        const Values& values = sections.valuesOf(k);
        if (header.size() < 2 || header[1] != 'F')
            error = readFolder(values, header, tree, current);
        else if (current != nullptr)
            tree.appendFile(*current, fileFrom(values));
    }
    tree.sortAll();
    return error;
}

} // namespace velloran
