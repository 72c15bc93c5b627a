// The in-memory key store.
#include "programs/registry.h"

#include "platform/paths.h"

namespace velloran::programs {

namespace {

std::string parentOf(const std::string& path) {
    const auto slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

} // namespace

MemoryRegistry::MemoryRegistry() {
    m_nodes.emplace(std::string(), Node{});
}

bool MemoryRegistry::openKey(const std::string& path, bool create) {
    const std::string key = AsciiLower(path);
    if (m_nodes.count(key) != 0)
        return true;
    if (!create || m_refused.count(key) != 0)
        return false;
    if (!openKey(parentOf(path), true))
        return false;
    m_nodes.emplace(key, Node{path, std::nullopt});
    return true;
}

bool MemoryRegistry::keyExists(const std::string& path) const {
    return m_nodes.count(AsciiLower(path)) != 0;
}

std::optional<std::string> MemoryRegistry::readValue(const std::string& path) const {
    const auto found = m_nodes.find(AsciiLower(path));
    return found == m_nodes.end() ? std::nullopt : found->second.value;
}

bool MemoryRegistry::writeValue(const std::string& path, const std::string& value) {
    const std::string key = AsciiLower(path);
    const auto found = m_nodes.find(key);
    if (found == m_nodes.end() || m_refused.count(key) != 0)
        return false;
    found->second.value = value;
    return true;
}

bool MemoryRegistry::deleteKey(const std::string& path) {
    const std::string key = AsciiLower(path);
    if (key.empty() || m_protected.count(key) != 0 || !subKeys(path).empty())
        return false;
    return m_nodes.erase(key) != 0;
}

std::vector<std::string> MemoryRegistry::subKeys(const std::string& path) const {
    const std::string key = AsciiLower(path);
    const std::string prefix = key.empty() ? std::string() : key + "\\";
    std::vector<std::string> names;
    for (auto it = m_nodes.lower_bound(prefix); it != m_nodes.end(); ++it) {
        if (it->first.compare(0, prefix.size(), prefix) != 0)
            break;
        const std::string rest = it->first.substr(prefix.size());
        if (!rest.empty() && rest.find('\\') == std::string::npos)
            names.push_back(it->second.path.substr(prefix.size()));
    }
    return names;
}

void MemoryRegistry::protect(const std::string& path) {
    m_protected.insert(AsciiLower(path));
}

void MemoryRegistry::refuseWrites(const std::string& path) {
    m_refused.insert(AsciiLower(path));
}

std::vector<std::string> MemoryRegistry::keys() const {
    std::vector<std::string> paths;
    for (const auto& [key, node] : m_nodes)
        if (!key.empty())
            paths.push_back(node.path);
    return paths;
}

} // namespace velloran::programs
