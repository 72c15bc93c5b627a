// The association keys kept in the desktop's own files: a MIME package for project
// files and the program's desktop entry, both in the user's data folder.
#pragma once

#include "programs/registry.h"

#include <functional>
#include <string>
#include <vector>

namespace velloran::programs {

inline constexpr const char* kProjectMimeType = "application/x-velloran-project";

// The MIME type the shared database gives a file name ending in `extension`
// (".htm" gives "text/html"); empty when it knows none.
using MimeLookup = std::function<std::string(const std::string& extension)>;
// Runs a program with its arguments (never through a shell) and waits for it.
using ToolRunner = std::function<void(const std::vector<std::string>& argv)>;

// $XDG_DATA_HOME, or ~/.local/share when that is unset or not an absolute path.
[[nodiscard]] std::string DataHomeDir();

// Runs the program found on PATH with its output discarded; one that is not installed
// is skipped, since the desktop then has no cache to refresh.
void RunToolIfPresent(const std::vector<std::string>& argv);

// The desktop entry's Exec value for a command of the form "PROGRAM" "%1", and back;
// empty when the text does not have that form.
[[nodiscard]] std::string ExecFromCommand(const std::string& command);
[[nodiscard]] std::string CommandFromExec(const std::string& exec);

// The keys of the association steps mapped onto two files below `dataHome`:
// - ".vpr" holds the project type while "mime/packages/velloran.xml" declares it:
//   writing the project type writes that package, deleting the key removes it. Any
//   other extension holds the type the MIME database gives it and cannot be changed.
// - The project type's "DefaultIcon", "Shell", "Shell\open\command" and each type's
//   "shell\Velloran\command" live in "applications/velloran.desktop": a command
//   becomes its Exec line, and these keys exist while their type is listed in its
//   MimeType line. The file goes when no type is left.
// A file type key ("text/html") exists for every well-formed type name. Keys outside
// this map neither exist nor can be made. Nothing outside `dataHome` is written.
class FreedesktopRegistry : public Registry {
public:
    FreedesktopRegistry(std::string dataHome, MimeLookup lookup,
                        ToolRunner runTool = RunToolIfPresent);

    bool openRoot() override;
    bool openKey(const std::string& path, bool create) override;
    bool keyExists(const std::string& path) const override;
    std::optional<std::string> readValue(const std::string& path) const override;
    bool writeValue(const std::string& path, const std::string& value) override;
    bool deleteKey(const std::string& path) override;
    std::vector<std::string> subKeys(const std::string& path) const override;
    // Runs update-mime-database and update-desktop-database for what changed.
    void close() noexcept override;

    [[nodiscard]] std::string packagePath() const;
    [[nodiscard]] std::string desktopPath() const;

private:
    enum class Kind {
        Root,
        Extension,
        ProjectClass,
        ProjectIcon,
        ProjectShell,
        ProjectOpen,
        ProjectCommand,
        TypeKey,
        TypeShell,
        TypeVerb,
        TypeCommand,
        Other,
    };
    struct Key {
        Kind kind = Kind::Other;
        std::string name; // the extension or the file type
    };
    [[nodiscard]] Key classify(const std::string& path) const;
    [[nodiscard]] std::string typeOfExtension(const std::string& extension) const;
    [[nodiscard]] bool listed(const std::string& type) const;
    bool list(const std::string& type);
    bool unlist(const std::string& type);
    bool saveDesktop();
    bool writePackage();
    bool removePackage();
    [[nodiscard]] bool loadDesktop();

    std::string m_dataHome;
    MimeLookup m_lookup;
    ToolRunner m_runTool;
    bool m_package = false;
    std::vector<std::string> m_types; // the MimeType list, in file order
    std::string m_exec;               // empty while no command is known
    bool m_mimeChanged = false;
    bool m_desktopChanged = false;
};

} // namespace velloran::programs
