// Reads and writes the "<project>.publish" file.
#include "publish/publishstate.h"

#include "platform/atomicfile.h"
#include "platform/errors.h"

#include <charconv>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace velloran {

namespace {

constexpr std::string_view kSettingsSection = "Publish";
constexpr std::string_view kFileSection = "File";

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// A value as the settings files read it: blanks around it and one pair of quotes go.
std::string_view Unquote(std::string_view value) {
    value = Trim(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

template <typename Number>
Number ToNumber(std::string_view text) {
    Number number{};
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

// The record is read in one pass: a project may have thousands of files, and the
// general settings reader looks every key up from the top.
struct Reader {
    PublishState& state;
    bool inSettings = false;
    bool inFile = false;
    std::string path;
    PublishedFile file;

    void endSection() {
        if (inFile && !path.empty())
            state.files[path] = file;
        inSettings = inFile = false;
        path.clear();
        file = {};
    }

    void line(std::string_view text) {
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        text = Trim(text);
        if (text.empty() || text.front() == ';')
            return;
        if (text.front() == '[') {
            endSection();
            const auto close = text.find(']');
            const auto name = Trim(text.substr(
                1, close == std::string_view::npos ? std::string_view::npos : close - 1));
            inSettings = SameName(name, kSettingsSection);
            inFile = name.size() > kFileSection.size() &&
                     SameName(name.substr(0, kFileSection.size()), kFileSection);
            return;
        }
        const auto equals = text.find('=');
        if (equals == std::string_view::npos)
            return;
        const auto key = Trim(text.substr(0, equals));
        const auto value = Unquote(text.substr(equals + 1));
        if (inSettings) {
            if (SameName(key, "profile"))
                state.settings.profile = value;
            else if (SameName(key, "basedir"))
                state.settings.baseDir = value;
            else if (SameName(key, "onsave"))
                state.settings.publishOnSave = ToNumber<int>(value) != 0;
        } else if (inFile) {
            if (SameName(key, "path"))
                path = value;
            else if (SameName(key, "size"))
                file.size = ToNumber<std::uint64_t>(value);
            else if (SameName(key, "mtime"))
                file.mtimeNs = ToNumber<std::int64_t>(value);
            else if (SameName(key, "sha256"))
                file.sha256 = value;
        }
    }
};

} // namespace

std::string PublishState::FileFor(const std::string& projectFile) {
    std::filesystem::path path(projectFile);
    path.replace_extension(".publish");
    return path.string();
}

PublishState PublishState::Load(const std::string& path) {
    PublishState state;
    state.m_path = path;
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        return state;
    const std::string text = ReadWholeFile(path, kDefaultReadLimit);
    Reader reader{state, false, false, {}, {}};
    std::string_view rest = text;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        reader.line(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    }
    reader.endSection();
    return state;
}

void PublishState::save() const {
    // Every value is quoted, so names with blanks at either end read back as they are.
    std::string text;
    auto add = [&text](std::string_view key, std::string_view value, bool quoted) {
        text.append(key).append("=");
        if (quoted)
            text.append("\"").append(value).append("\"");
        else
            text.append(value);
        text.append("\r\n");
    };
    text.append("[").append(kSettingsSection).append("]\r\n");
    add("profile", settings.profile, true);
    add("basedir", settings.baseDir, true);
    add("onsave", settings.publishOnSave ? "1" : "0", false);
    std::size_t index = 0;
    for (const auto& [remote, file] : files) {
        // A line end cannot be stored; the planner never records such a name.
        if (remote.find_first_of("\r\n") != std::string::npos)
            continue;
        text.append("\r\n[").append(kFileSection).append(std::to_string(index++)).append("]\r\n");
        add("path", remote, true);
        add("size", std::to_string(file.size), false);
        add("mtime", std::to_string(file.mtimeNs), false);
        add("sha256", file.sha256, false);
    }
    WriteFileAtomically(m_path, text);
}

} // namespace velloran
