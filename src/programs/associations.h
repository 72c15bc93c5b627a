// The configuration dialog's logic without Qt: the extension list and the proxy
// settings as the settings file keeps them, and the steps that make the desktop open
// project files with the program and offer it for the ticked file types.
#pragma once

#include "platform/errors.h"

#include <string>
#include <vector>

namespace velloran {
class IniFile;
class Prompter;
} // namespace velloran

namespace velloran::programs {

class Registry;

// The stored states of a check list line.
enum class CheckState { Unticked = 0, Ticked = 1, Greyed = 2 };

struct ExtensionEntry {
    std::string extension; // with its leading "."
    CheckState state = CheckState::Ticked;
    bool operator==(const ExtensionEntry&) const = default;
};

inline constexpr const char* kAssociationsSection = "file associations";
// The check list keeps its states under the dialog's class name and its own.
inline constexpr const char* kCheckListSection = "TfConfigureCheckListBox1";
inline constexpr const char* kProxySection = "FTP Proxy";

// ".htm" through ".cpp", all ticked.
[[nodiscard]] std::vector<ExtensionEntry> DefaultExtensions();
// The stored list with its states; the defaults while no list is stored.
[[nodiscard]] std::vector<ExtensionEntry> ReadExtensionList(const IniFile& ini);
// Replaces both sections with `entries`.
void WriteExtensionList(IniFile& ini, const std::vector<ExtensionEntry>& entries);
// Appends `text` as a ticked entry when it begins with "." (repeats are allowed);
// returns whether it did.
bool IncludeExtension(std::vector<ExtensionEntry>& entries, const std::string& text);

struct ProxySettings {
    bool useProxy = false;
    std::string name;
    std::string port; // as typed; the FTP window reads a non-number as 21
    bool operator==(const ProxySettings&) const = default;
};
[[nodiscard]] ProxySettings ReadProxySettings(const IniFile& ini);
void WriteProxySettings(IniFile& ini, const ProxySettings& proxy);

// A key that could not be opened, created, written or deleted.
class RegistryError : public VelloranError {
public:
    RegistryError() : VelloranError("Unable to read / write to registry.") {}
};

struct AssociationRequest {
    bool associateProjects = true;
    std::vector<ExtensionEntry> entries;
    std::string programFile;
    // The type project files get, which is also the key of its open command.
    std::string projectType = "Velloran.Project";
};

// The open command for a program: its name in double quotes, a blank and "%1" in
// double quotes. The name keeps its case, since file names here are case-sensitive.
[[nodiscard]] std::string CommandText(const std::string& programFile);
[[nodiscard]] std::string IconText(const std::string& programFile);

// Deletes `path` with all its sub-keys, whether or not the store deletes sub-keys with
// their parent. Throws RegistryError for a key that stays undeletable once its
// sub-keys are gone, rather than trying it for ever.
void DeleteKeyTree(Registry& registry, const std::string& path);

// Writes or removes the associations the request asks for, with the question about a
// project type of another program and the messages of the command. Returns false when
// the store could not be opened (nothing changed, the user was told). Throws
// RegistryError when a key fails part way; the changes before it stay.
bool UpdateRegistry(Registry& registry, Prompter& prompter, const AssociationRequest& request);

} // namespace velloran::programs
