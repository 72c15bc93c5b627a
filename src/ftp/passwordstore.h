// Profile passwords in the desktop keyring through the Secret Service, with the profile file
// as the place they stay where no keyring runs.
#pragma once

#include <optional>
#include <string>

namespace velloran {

// Where a profile's password ended up.
enum class PasswordPlace { Keyring, ProfileFile };

// One password per profile name. Every call is one round trip to the Secret Service on the
// session bus; nothing is cached, so another program's change is seen at once. Failures are
// not errors: a password that cannot go to the keyring stays with the caller, who keeps it in
// the profile file (owner-only) and says so.
class PasswordStore {
public:
    PasswordStore() = default;

    // Keyring when the keyring holds it now; ProfileFile when there is no Secret Service or
    // it refused (LastError() says why): the caller must keep the password itself.
    PasswordPlace Store(const std::string& profile, const std::string& password);
    // The keyring's password for the profile; none when it holds none or cannot be reached.
    [[nodiscard]] std::optional<std::string> Lookup(const std::string& profile);
    // True when the keyring held a password for the profile and no longer does.
    bool Erase(const std::string& profile);

    // True exactly once, after the first time a password had to stay in the profile file, so
    // the window tells the user once rather than at every save.
    [[nodiscard]] bool FallbackNoticeDue();
    [[nodiscard]] const std::string& LastError() const noexcept { return m_lastError; }

private:
    std::string m_lastError;
    bool m_fellBack = false;
    bool m_noticeGiven = false;
};

// The text for the status log when passwords stay in the profile file.
[[nodiscard]] std::string KeyringFallbackNotice(const std::string& reason);

} // namespace velloran
