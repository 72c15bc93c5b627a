// The Secret Service calls behind the password store: libsecret's synchronous calls, which run
// a private main loop of their own and need none from the program.
#include "ftp/passwordstore.h"

#include <libsecret/secret.h>

namespace velloran {

namespace {

const SecretSchema* Schema() {
    static const SecretSchema schema = {
        "org.velloran.Velloran.FtpProfile",
        SECRET_SCHEMA_NONE,
        {{"profile", SECRET_SCHEMA_ATTRIBUTE_STRING}, {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING}},
        0,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr};
    return &schema;
}

// Takes the error, returning its text.
std::string Taken(GError*& error) {
    std::string text = error && error->message ? error->message : "unknown error";
    g_clear_error(&error);
    // The shared connection to the service is kept for the process; a keyring that
    // restarted or came up later is only found on a fresh one.
    secret_service_disconnect();
    return text;
}

} // namespace

PasswordPlace PasswordStore::Store(const std::string& profile, const std::string& password) {
    GError* error = nullptr;
    const std::string label = "Velloran FTP profile " + profile;
    const gboolean stored = secret_password_store_sync(Schema(), SECRET_COLLECTION_DEFAULT,
                                                       label.c_str(), password.c_str(), nullptr,
                                                       &error, "profile", profile.c_str(), nullptr);
    if (stored && error == nullptr) {
        m_lastError.clear();
        return PasswordPlace::Keyring;
    }
    m_lastError = error ? Taken(error) : "the keyring did not take the password";
    m_fellBack = true;
    return PasswordPlace::ProfileFile;
}

std::optional<std::string> PasswordStore::Lookup(const std::string& profile) {
    GError* error = nullptr;
    gchar* found =
        secret_password_lookup_sync(Schema(), nullptr, &error, "profile", profile.c_str(), nullptr);
    if (error != nullptr) {
        m_lastError = Taken(error);
        if (found)
            secret_password_free(found);
        return std::nullopt;
    }
    m_lastError.clear();
    if (found == nullptr)
        return std::nullopt;
    std::string password = found;
    // Wipes the copy libsecret handed out.
    secret_password_free(found);
    return password;
}

bool PasswordStore::Erase(const std::string& profile) {
    GError* error = nullptr;
    const gboolean erased =
        secret_password_clear_sync(Schema(), nullptr, &error, "profile", profile.c_str(), nullptr);
    if (error != nullptr) {
        m_lastError = Taken(error);
        return false;
    }
    m_lastError.clear();
    return erased != FALSE;
}

bool PasswordStore::FallbackNoticeDue() {
    if (!m_fellBack || m_noticeGiven)
        return false;
    m_noticeGiven = true;
    return true;
}

std::string KeyringFallbackNotice(const std::string& reason) {
    return "No desktop keyring could take the password (" + reason +
           "); it is kept in servers.ini, readable by you alone.";
}

} // namespace velloran
