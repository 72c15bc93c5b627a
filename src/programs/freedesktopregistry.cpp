// Reading and writing the MIME package and the desktop entry behind the association keys.
#include "programs/freedesktopregistry.h"

#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/paths.h"

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velloran::programs {

namespace {

namespace fs = std::filesystem;

constexpr const char* kCommandEnd = "\" \"%1\"";

// The weight puts the glob before another program's claim on "*.vpr", which the
// user was asked about before this package is written.
constexpr const char* kPackage = R"(<?xml version="1.0" encoding="UTF-8"?>
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
  <mime-type type="application/x-velloran-project">
    <comment>Velloran project</comment>
    <sub-class-of type="text/plain"/>
    <generic-icon name="text-x-generic"/>
    <glob pattern="*.vpr" weight="80"/>
  </mime-type>
</mime-info>
)";

std::vector<std::string> splitPath(const std::string& path) {
    std::vector<std::string> parts;
    if (path.empty())
        return parts;
    size_t start = 0;
    for (;;) {
        const size_t slash = path.find('\\', start);
        parts.push_back(path.substr(start, slash - start));
        if (slash == std::string::npos)
            return parts;
        start = slash + 1;
    }
}

// "major/minor" with no room for list separators or line breaks.
bool isTypeName(const std::string& name) {
    const size_t slash = name.find('/');
    return slash != std::string::npos && slash > 0 && slash + 1 < name.size() &&
           name.find('/', slash + 1) == std::string::npos &&
           name.find_first_of(" \t\r\n;=[]") == std::string::npos;
}

// The string escapes of desktop entry values, applied after the argument quoting.
std::string escapeValue(const std::string& text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string unescapeValue(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 'n'   ? '\n'
               : next == 't' ? '\t'
               : next == 'r' ? '\r'
               : next == 's' ? ' '
                             : next;
    }
    return out;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string desktopText(const std::string& exec, const std::vector<std::string>& types) {
    std::string mimeTypes;
    for (const std::string& type : types)
        mimeTypes += type + ";";
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Velloran\n"
           "GenericName=HTML Editor\n"
           "Comment=Edit and publish hand-written web sites\n"
           "Exec=" +
           exec +
           "\n"
           "Icon=velloran\n"
           "Terminal=false\n"
           "Categories=Development;WebDevelopment;TextEditor;\n"
           "MimeType=" +
           mimeTypes +
           "\n"
           "Keywords=HTML;web;site;editor;FTP;\n"
           "StartupNotify=true\n";
}

bool makeFolder(const std::string& path) {
    std::error_code error;
    fs::create_directories(path, error);
    return fs::is_directory(path, error);
}

bool writeFile(const std::string& folder, const std::string& path, const std::string& text) {
    if (!makeFolder(folder))
        return false;
    try {
        WriteFileAtomically(path, text);
        return true;
    } catch (const FileError&) {
        return false;
    }
}

// True when the file is gone afterwards; `removed` tells whether it was there.
bool removeFile(const std::string& path, bool& removed) {
    std::error_code error;
    removed = fs::remove(path, error);
    return !error;
}

} // namespace

std::string DataHomeDir() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/')
        return data;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share";
}

void RunToolIfPresent(const std::vector<std::string>& argv) {
    if (argv.empty())
        return;
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null",
                                         fd == STDIN_FILENO ? O_RDONLY : O_WRONLY, 0);
    pid_t child = 0;
    const int failed = posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return; // not installed
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

std::string ExecFromCommand(const std::string& command) {
    const std::string end = kCommandEnd;
    if (command.size() < end.size() + 2 || command.front() != '"' ||
        command.compare(command.size() - end.size(), end.size(), end) != 0)
        return {};
    std::string program = command.substr(1, command.size() - end.size() - 1);
    std::string quoted = "\"";
    for (const char c : program) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    return escapeValue(replaceAll(quoted, "%", "%%")) + " %f";
}

std::string CommandFromExec(const std::string& exec) {
    const std::string text = unescapeValue(exec);
    std::string program;
    size_t i = 0;
    if (!text.empty() && text[0] == '"') {
        for (i = 1; i < text.size() && text[i] != '"'; ++i) {
            if (text[i] == '\\' && i + 1 < text.size())
                ++i;
            program += text[i];
        }
    } else {
        program = text.substr(0, text.find(' '));
    }
    program = replaceAll(program, "%%", "%");
    return program.empty() ? std::string() : "\"" + program + kCommandEnd;
}

FreedesktopRegistry::FreedesktopRegistry(std::string dataHome, MimeLookup lookup,
                                         ToolRunner runTool)
    : m_dataHome(std::move(dataHome)), m_lookup(std::move(lookup)), m_runTool(std::move(runTool)) {
}

std::string FreedesktopRegistry::packagePath() const {
    return m_dataHome + "/mime/packages/velloran.xml";
}

std::string FreedesktopRegistry::desktopPath() const {
    return m_dataHome + "/applications/velloran.desktop";
}

bool FreedesktopRegistry::openRoot() {
    if (m_dataHome.empty() || !makeFolder(m_dataHome) || ::access(m_dataHome.c_str(), W_OK) != 0)
        return false;
    std::error_code error;
    m_package = fs::exists(packagePath(), error);
    return loadDesktop();
}

bool FreedesktopRegistry::loadDesktop() {
    m_types.clear();
    m_exec.clear();
    std::error_code error;
    if (!fs::exists(desktopPath(), error))
        return !error;
    std::string text;
    try {
        text = ReadWholeFile(desktopPath(), kSettingsReadLimit);
    } catch (const FileError&) {
        return false;
    }
    bool inEntry = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == '[')
            inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.rfind("Exec=", 0) == 0)
            m_exec = line.substr(5);
        else if (inEntry && line.rfind("MimeType=", 0) == 0)
            for (size_t at = 9; at < line.size();) {
                const size_t semicolon = std::min(line.find(';', at), line.size());
                if (semicolon > at)
                    m_types.push_back(line.substr(at, semicolon - at));
                at = semicolon + 1;
            }
    }
    return true;
}

FreedesktopRegistry::Key FreedesktopRegistry::classify(const std::string& path) const {
    const std::vector<std::string> parts = splitPath(path);
    std::vector<std::string> lower;
    for (const std::string& part : parts)
        lower.push_back(AsciiLower(part));
    const auto is = [&](std::initializer_list<const char*> tail) {
        if (lower.size() != tail.size() + 1)
            return false;
        return std::equal(tail.begin(), tail.end(), lower.begin() + 1,
                          [](const char* a, const std::string& b) { return b == a; });
    };
    if (parts.empty())
        return {Kind::Root, {}};
    if (parts.size() == 1 && parts[0].front() == '.')
        return {Kind::Extension, parts[0]};
    const std::string& type = parts[0];
    const bool project = lower[0] == kProjectMimeType;
    if (project && parts.size() == 1)
        return {Kind::ProjectClass, type};
    if (project && is({"defaulticon"}))
        return {Kind::ProjectIcon, type};
    if (project && is({"shell"}))
        return {Kind::ProjectShell, type};
    if (project && is({"shell", "open"}))
        return {Kind::ProjectOpen, type};
    if (project && is({"shell", "open", "command"}))
        return {Kind::ProjectCommand, type};
    if (!isTypeName(type))
        return {Kind::Other, {}};
    if (parts.size() == 1)
        return {Kind::TypeKey, type};
    if (is({"shell"}))
        return {Kind::TypeShell, type};
    if (is({"shell", "velloran"}))
        return {Kind::TypeVerb, type};
    if (is({"shell", "velloran", "command"}))
        return {Kind::TypeCommand, type};
    return {Kind::Other, {}};
}

std::string FreedesktopRegistry::typeOfExtension(const std::string& extension) const {
    if (SameTextAscii(extension, ".vpr") && m_package)
        return kProjectMimeType;
    if (extension.size() < 2 || extension.find('/') != std::string::npos || !m_lookup)
        return {};
    return m_lookup(extension);
}

bool FreedesktopRegistry::listed(const std::string& type) const {
    return std::any_of(m_types.begin(), m_types.end(),
                       [&](const std::string& t) { return SameTextAscii(t, type); });
}

bool FreedesktopRegistry::list(const std::string& type) {
    if (listed(type))
        return true;
    m_types.push_back(type);
    return saveDesktop();
}

bool FreedesktopRegistry::unlist(const std::string& type) {
    const auto end = std::remove_if(m_types.begin(), m_types.end(),
                                    [&](const std::string& t) { return SameTextAscii(t, type); });
    if (end == m_types.end())
        return true;
    m_types.erase(end, m_types.end());
    return saveDesktop();
}

bool FreedesktopRegistry::saveDesktop() {
    if (m_types.empty()) {
        bool removed = false;
        const bool gone = removeFile(desktopPath(), removed);
        m_desktopChanged = m_desktopChanged || removed;
        return gone;
    }
    // An entry without a command would be an invalid file; it is written once the
    // command is known.
    if (m_exec.empty())
        return true;
    if (!writeFile(m_dataHome + "/applications", desktopPath(), desktopText(m_exec, m_types)))
        return false;
    m_desktopChanged = true;
    return true;
}

bool FreedesktopRegistry::writePackage() {
    if (!writeFile(m_dataHome + "/mime/packages", packagePath(), kPackage))
        return false;
    m_package = true;
    m_mimeChanged = true;
    return true;
}

bool FreedesktopRegistry::removePackage() {
    bool removed = false;
    if (!removeFile(packagePath(), removed))
        return false;
    m_package = false;
    m_mimeChanged = m_mimeChanged || removed;
    return true;
}

bool FreedesktopRegistry::keyExists(const std::string& path) const {
    const Key key = classify(path);
    switch (key.kind) {
    case Kind::Root:
    case Kind::TypeKey:
        return true;
    case Kind::Extension:
        return !typeOfExtension(key.name).empty();
    case Kind::Other:
        return false;
    default:
        return listed(key.name);
    }
}

bool FreedesktopRegistry::openKey(const std::string& path, bool create) {
    if (keyExists(path))
        return true;
    if (!create)
        return false;
    const Key key = classify(path);
    switch (key.kind) {
    case Kind::Extension:
        // ".vpr" is there once it holds a type; other extensions belong to the database.
        return SameTextAscii(key.name, ".vpr");
    case Kind::Root:
    case Kind::TypeKey:
    case Kind::Other:
        return false;
    default:
        return list(key.name);
    }
}

std::optional<std::string> FreedesktopRegistry::readValue(const std::string& path) const {
    const Key key = classify(path);
    if (key.kind == Kind::Extension) {
        std::string type = typeOfExtension(key.name);
        return type.empty() ? std::nullopt : std::optional<std::string>(type);
    }
    if (!keyExists(path))
        return std::nullopt;
    switch (key.kind) {
    case Kind::ProjectClass:
        return key.name;
    case Kind::ProjectIcon:
        return std::string("velloran");
    case Kind::ProjectShell:
        return std::string("open");
    case Kind::ProjectCommand:
    case Kind::TypeCommand:
        if (m_exec.empty())
            return std::nullopt;
        return CommandFromExec(m_exec);
    default:
        return std::nullopt;
    }
}

bool FreedesktopRegistry::writeValue(const std::string& path, const std::string& value) {
    const Key key = classify(path);
    if (key.kind == Kind::Extension)
        return SameTextAscii(key.name, ".vpr") && value == kProjectMimeType && writePackage();
    if (!keyExists(path))
        return false;
    switch (key.kind) {
    case Kind::ProjectClass:
    case Kind::ProjectIcon:
    case Kind::ProjectShell:
        return true; // the entry's name and icon are the program's own
    case Kind::ProjectCommand:
    case Kind::TypeCommand: {
        std::string exec = ExecFromCommand(value);
        if (exec.empty())
            return false;
        m_exec = std::move(exec);
        return saveDesktop();
    }
    default:
        return false;
    }
}

bool FreedesktopRegistry::deleteKey(const std::string& path) {
    const Key key = classify(path);
    switch (key.kind) {
    case Kind::Extension:
        // Another program's claim on ".vpr" is not ours to remove; ours goes.
        return SameTextAscii(key.name, ".vpr") && removePackage();
    case Kind::ProjectClass:
    case Kind::TypeShell:
    case Kind::TypeVerb:
    case Kind::TypeCommand:
        return unlist(key.name);
    case Kind::ProjectIcon:
    case Kind::ProjectShell:
    case Kind::ProjectOpen:
    case Kind::ProjectCommand:
        return true; // they go with the project type's listing
    default:
        return false;
    }
}

std::vector<std::string> FreedesktopRegistry::subKeys(const std::string& path) const {
    if (!keyExists(path))
        return {};
    switch (classify(path).kind) {
    case Kind::ProjectClass:
        return {"DefaultIcon", "Shell"};
    case Kind::ProjectShell:
        return {"open"};
    case Kind::ProjectOpen:
    case Kind::TypeVerb:
        return {"command"};
    case Kind::TypeKey:
        return listed(splitPath(path).front()) ? std::vector<std::string>{"shell"}
                                               : std::vector<std::string>{};
    case Kind::TypeShell:
        return {"Velloran"};
    default:
        return {};
    }
}

void FreedesktopRegistry::close() noexcept {
    try {
        if (m_mimeChanged)
            m_runTool({"update-mime-database", m_dataHome + "/mime"});
        if (m_desktopChanged)
            m_runTool({"update-desktop-database", m_dataHome + "/applications"});
    } catch (...) {
        // A cache that stays old only delays the desktop's notice; the files are written.
    }
    m_mimeChanged = false;
    m_desktopChanged = false;
}

} // namespace velloran::programs
