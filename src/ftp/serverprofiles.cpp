// Reading and writing the profiles file one change at a time through the settings-file rules.
#include "ftp/serverprofiles.h"

#include "ftp/passwordstore.h"
#include "platform/errors.h"
#include "platform/inifile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velloran {

namespace {

constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR;

[[noreturn]] void throwFileError(const std::string& path, int error) {
    throw FileError("Cannot write \"" + path + "\": " + std::strerror(error));
}

} // namespace

std::vector<std::string> ServerProfiles::names() const {
    return IniFile(m_path).sectionNames();
}

ServerProfile ServerProfiles::load(const std::string& server) const {
    const IniFile ini(m_path);
    ServerProfile profile;
    profile.userName = ini.readString(server, "username", "");
    profile.password = ini.readString(server, "password", "");
    if (m_keyring != nullptr) {
        if (auto stored = m_keyring->Lookup(server))
            profile.password = std::move(*stored);
    }
    profile.passive = ini.readInteger(server, "passive", 1) != 0;
    const std::string protocol = ini.readString(server, kProtocolKey, "");
    const auto known = ProtocolFromText(protocol);
    if (!known)
        throw VelloranError("The server profile \"" + server + "\" names an unknown protocol \"" +
                            protocol + "\"");
    profile.protocol = *known;
    profile.fingerprint = ini.readString(server, "fingerprint", "");
    return profile;
}

// The file is made owner-only before any password goes into it; the atomic write keeps the
// mode of the file it replaces.
void ServerProfiles::restrictMode() const {
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK,
                          kOwnerOnly);
    if (fd < 0)
        throwFileError(m_path, errno);
    struct stat info {};
    int error = 0;
    if (::fstat(fd, &info) != 0)
        error = errno;
    else if (!S_ISREG(info.st_mode))
        error = EINVAL;
    else if ((info.st_mode & 07777) != kOwnerOnly && ::fchmod(fd, kOwnerOnly) != 0)
        error = errno;
    ::close(fd);
    if (error != 0)
        throwFileError(m_path, error);
}

bool ServerProfiles::save(const std::string& server, const ServerProfile& profile) {
    IniFile ini(m_path);
    ini.writeString(server, "username", profile.userName);
    bool inKeyring = false;
    if (m_keyring != nullptr) {
        if (profile.password.empty())
            m_keyring->Erase(server);
        else
            inKeyring = m_keyring->Store(server, profile.password) == PasswordPlace::Keyring;
    }
    if (inKeyring || (m_keyring != nullptr && profile.password.empty()))
        ini.deleteKey(server, "password");
    else
        ini.writeString(server, "password", profile.password);
    ini.writeInteger(server, "passive", profile.passive ? 1 : 0);
    ini.writeString(server, kProtocolKey, ProtocolText(profile.protocol));
    if (profile.fingerprint.empty())
        ini.deleteKey(server, "fingerprint");
    else
        ini.writeString(server, "fingerprint", profile.fingerprint);
    restrictMode();
    ini.save();
    return m_keyring == nullptr || inKeyring || profile.password.empty();
}

void ServerProfiles::erase(const std::string& server) {
    if (m_keyring != nullptr)
        m_keyring->Erase(server);
    IniFile ini(m_path);
    ini.eraseSection(server);
    if (!ini.isModified())
        return;
    restrictMode();
    ini.save();
}

} // namespace velloran
