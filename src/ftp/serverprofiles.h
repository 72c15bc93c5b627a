// The FTP server profiles file: one section per server text, with the login and the data
// connection mode, kept readable and writable by its owner only because it holds passwords.
#pragma once

#include <string>
#include <vector>

namespace velloran {

struct ServerProfile {
    std::string userName;
    std::string password;
    bool passive = true; // home routers and firewalls let only passive transfers through
};

// Every call reads the file afresh and every change writes it at once, so two windows or a
// hand edit meanwhile lose nothing but the key being written.
class ServerProfiles {
public:
    explicit ServerProfiles(std::string path) : m_path(std::move(path)) {}
    [[nodiscard]] const std::string& path() const noexcept { return m_path; }

    // The section names in file order; none when the file is missing.
    [[nodiscard]] std::vector<std::string> names() const;
    // Empty texts for a missing profile or key; "passive" absent reads as on.
    [[nodiscard]] ServerProfile load(const std::string& server) const;
    // Creates the file with mode 0600 and puts a wider mode back to 0600 before it writes.
    // Throws VelloranError for a server text that cannot be a section name, FileError when
    // the file cannot be written.
    void save(const std::string& server, const ServerProfile& profile);
    void erase(const std::string& server);

private:
    void restrictMode() const;

    std::string m_path;
};

} // namespace velloran
