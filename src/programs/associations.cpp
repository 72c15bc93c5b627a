// The extension list, the proxy settings and the association steps.
#include "programs/associations.h"

#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "programs/registry.h"

#include <algorithm>
#include <set>

namespace velloran::programs {

namespace {

constexpr const char* kVelloranVerb = "\\shell\\Velloran";

std::string itemKey(size_t index) {
    return "Item" + std::to_string(index);
}

CheckState stateFrom(int stored) {
    switch (stored) {
    case 1:
        return CheckState::Ticked;
    case 2:
        return CheckState::Greyed;
    default:
        return CheckState::Unticked;
    }
}

// The hourglass gives way to the normal cursor while the user reads a message.
class IdleCursor {
public:
    explicit IdleCursor(Prompter& prompter) : m_prompter(prompter) { m_prompter.setBusy(false); }
    ~IdleCursor() { m_prompter.setBusy(true); }
    IdleCursor(const IdleCursor&) = delete;
    IdleCursor& operator=(const IdleCursor&) = delete;

private:
    Prompter& m_prompter;
};

// Closes the store once, also when a step fails part way.
class ClosedAtEnd {
public:
    explicit ClosedAtEnd(Registry& registry) : m_registry(registry) {}
    ~ClosedAtEnd() { close(); }
    ClosedAtEnd(const ClosedAtEnd&) = delete;
    ClosedAtEnd& operator=(const ClosedAtEnd&) = delete;
    void close() {
        if (!m_closed)
            m_registry.close();
        m_closed = true;
    }

private:
    Registry& m_registry;
    bool m_closed = false;
};

void mustOpen(Registry& registry, const std::string& path, bool create) {
    if (!registry.openKey(path, create))
        throw RegistryError();
}

void mustWrite(Registry& registry, const std::string& path, const std::string& value) {
    mustOpen(registry, path, true);
    if (!registry.writeValue(path, value))
        throw RegistryError();
}

void associateProjects(Registry& registry, Prompter& prompter, const AssociationRequest& request) {
    const std::string& type = request.projectType;
    mustOpen(registry, ".vpr", true);
    const std::string present = registry.readValue(".vpr").value_or(type);
    Answer answer = Answer::Yes;
    if (!present.empty() && present != type) {
        IdleCursor idle(prompter);
        answer = prompter.message(MessageKind::Confirmation,
                                  ".vpr files are currently associated with " + present +
                                      ".\r\n\r\nDo you want to change this association?",
                                  Buttons::YesNo);
    }
    if (answer != Answer::No && !registry.writeValue(".vpr", type))
        throw RegistryError();
    mustWrite(registry, type, type);
    mustWrite(registry, type + "\\DefaultIcon", IconText(request.programFile));
    mustWrite(registry, type + "\\Shell", "open");
    mustOpen(registry, type + "\\Shell\\open", true);
    mustWrite(registry, type + "\\Shell\\open\\command", CommandText(request.programFile));
}

std::string fileTypeOf(const Registry& registry, const std::string& extension) {
    return registry.keyExists(extension) ? registry.readValue(extension).value_or("")
                                         : std::string();
}

void applyEntries(Registry& registry, Prompter& prompter, const AssociationRequest& request) {
    std::vector<std::string> types;
    std::set<std::string> tickedTypes;
    for (const ExtensionEntry& entry : request.entries) {
        types.push_back(fileTypeOf(registry, entry.extension));
        if (entry.state == CheckState::Ticked && !types.back().empty())
            tickedTypes.insert(AsciiLower(types.back()));
    }
    for (size_t i = 0; i < request.entries.size(); ++i) {
        const ExtensionEntry& entry = request.entries[i];
        const std::string& type = types[i];
        if (entry.state != CheckState::Ticked) {
            // Extensions share types (".htm" and ".html"); a ticked one keeps the command.
            if (!type.empty() && tickedTypes.count(AsciiLower(type)) == 0)
                DeleteKeyTree(registry, type + kVelloranVerb);
        } else if (!type.empty()) {
            mustOpen(registry, type, false);
            mustWrite(registry, type + kVelloranVerb + "\\command",
                      CommandText(request.programFile));
        } else {
            IdleCursor idle(prompter);
            prompter.message(MessageKind::Error,
                             "There is no default association for  the extension \"" +
                                 entry.extension + "\".\r\n\r\nVelloran association was not added.",
                             Buttons::Ok);
        }
    }
}

} // namespace

std::vector<ExtensionEntry> DefaultExtensions() {
    std::vector<ExtensionEntry> entries;
    for (const char* extension :
         {".htm", ".html", ".txt", ".ini", ".cfg", ".pas", ".dpr", ".c", ".h", ".cpp"})
        entries.push_back({extension, CheckState::Ticked});
    return entries;
}

std::vector<ExtensionEntry> ReadExtensionList(const IniFile& ini) {
    const int count = ini.readInteger(kAssociationsSection, "count", 0);
    if (count <= 0)
        return DefaultExtensions();
    // A count far beyond the section's lines is a damaged file, not a list to build.
    const size_t size =
        std::min(static_cast<size_t>(count), ini.readSection(kAssociationsSection).size());
    std::vector<ExtensionEntry> entries;
    for (size_t i = 0; i < size; ++i)
        entries.push_back(
            {ini.readString(kAssociationsSection, itemKey(i), ""), CheckState::Unticked});
    const int stored = std::max(ini.readInteger(kCheckListSection, "Count", 0), 0);
    const size_t states = std::min(static_cast<size_t>(stored), entries.size());
    for (size_t i = 0; i < states; ++i)
        entries[i].state = stateFrom(ini.readInteger(kCheckListSection, itemKey(i), 0));
    return entries;
}

void WriteExtensionList(IniFile& ini, const std::vector<ExtensionEntry>& entries) {
    ini.eraseSection(kAssociationsSection);
    ini.writeInteger(kAssociationsSection, "count", static_cast<int>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i)
        ini.writeString(kAssociationsSection, itemKey(i), entries[i].extension);
    ini.eraseSection(kCheckListSection);
    ini.writeInteger(kCheckListSection, "Count", static_cast<int>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i)
        ini.writeInteger(kCheckListSection, itemKey(i), static_cast<int>(entries[i].state));
}

bool IncludeExtension(std::vector<ExtensionEntry>& entries, const std::string& text) {
    if (text.empty() || text.front() != '.')
        return false;
    entries.push_back({text, CheckState::Ticked});
    return true;
}

ProxySettings ReadProxySettings(const IniFile& ini) {
    return {ini.readInteger(kProxySection, "UseProxy", 0) != 0,
            ini.readString(kProxySection, "ProxyName", ""),
            ini.readString(kProxySection, "ProxyPort", "")};
}

void WriteProxySettings(IniFile& ini, const ProxySettings& proxy) {
    ini.writeString(kProxySection, "UseProxy", proxy.useProxy ? "1" : "0");
    ini.writeString(kProxySection, "ProxyName", proxy.name);
    ini.writeString(kProxySection, "ProxyPort", proxy.port);
}

std::string CommandText(const std::string& programFile) {
    return "\"" + programFile + "\" \"%1\"";
}

std::string IconText(const std::string& programFile) {
    return programFile + ",0";
}

void DeleteKeyTree(Registry& registry, const std::string& path) {
    std::vector<std::string> stack{path};
    std::set<std::string> opened;
    while (!stack.empty()) {
        const std::string top = stack.back();
        if (!registry.keyExists(top) || registry.deleteKey(top)) {
            stack.pop_back();
            continue;
        }
        const std::vector<std::string> subKeys = registry.subKeys(top);
        // Its sub-keys were dealt with and it still stays: a key we may not delete.
        if (subKeys.empty() || !opened.insert(AsciiLower(top)).second)
            throw RegistryError();
        for (const std::string& name : subKeys)
            stack.push_back(top + "\\" + name);
    }
}

bool UpdateRegistry(Registry& registry, Prompter& prompter, const AssociationRequest& request) {
    if (!registry.openRoot()) {
        IdleCursor idle(prompter);
        prompter.message(MessageKind::Error,
                         "Unable to open registry.\r\n\r\nNo modifications have been made.",
                         Buttons::Ok);
        return false;
    }
    ClosedAtEnd closed(registry);
    if (request.associateProjects) {
        associateProjects(registry, prompter, request);
    } else {
        DeleteKeyTree(registry, ".vpr");
        DeleteKeyTree(registry, request.projectType);
    }
    applyEntries(registry, prompter, request);
    closed.close();
    IdleCursor idle(prompter);
    prompter.message(MessageKind::Information, "Registry updated successfully.", Buttons::Ok);
    return true;
}

} // namespace velloran::programs
