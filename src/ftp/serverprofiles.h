// The FTP server profiles file: one section per server text, with the login and the data
// connection mode, kept readable and writable by its owner only because it holds passwords.
#pragma once

#include "ftp/protocol.h"

#include <string>
#include <vector>

namespace velloran {

class PasswordStore;

struct ServerProfile {
    std::string userName;
    std::string password;
    bool passive = true; // home routers and firewalls let only passive transfers through
    TransferProtocol protocol = TransferProtocol::Ftp;
    // The SHA-256 fingerprint of a server identity the user chose to trust; empty: none.
    std::string fingerprint;
};

// Every call reads the file afresh and every change writes it at once, so two windows or a
// hand edit meanwhile lose nothing but the key being written.
class ServerProfiles {
public:
    // With a keyring, passwords live there and the file holds none; a password an older
    // file holds is still read, and moves to the keyring at the profile's next save.
    explicit ServerProfiles(std::string path, PasswordStore* keyring = nullptr)
        : m_path(std::move(path)), m_keyring(keyring) {}
    [[nodiscard]] const std::string& path() const noexcept { return m_path; }

    // The section names in file order; none when the file is missing.
    [[nodiscard]] std::vector<std::string> names() const;
    // Empty texts for a missing profile or key; "passive" absent reads as on, "protocol"
    // absent as plain FTP. Throws VelloranError for a protocol it does not know, so that a
    // damaged profile never sends a password in clear text.
    [[nodiscard]] ServerProfile load(const std::string& server) const;
    // Creates the file with mode 0600 and puts a wider mode back to 0600 before it writes.
    // Throws VelloranError for a server text that cannot be a section name, FileError when
    // the file cannot be written.
    // False when the password had to stay in the file although a keyring was given.
    bool save(const std::string& server, const ServerProfile& profile);
    void erase(const std::string& server);

private:
    void restrictMode() const;

    std::string m_path;
    PasswordStore* m_keyring = nullptr;
};

} // namespace velloran
