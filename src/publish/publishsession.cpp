// Connects a publish to its server profile and runs it.
#include "publish/publishsession.h"

#include "ftp/ftpclient.h"
#include "ftp/ftpwindowrules.h"
#include "ftp/serverprofiles.h"
#include "platform/errors.h"
#include "platform/inifile.h"
#include "publish/remotetarget.h"

#include <algorithm>

namespace velloran {

namespace {

void RequireProfile(const ServerProfiles& profiles, const std::string& profile) {
    const auto names = profiles.names();
    if (profile.empty() || std::find(names.begin(), names.end(), profile) == names.end())
        throw VelloranError("There is no server profile \"" + profile + "\" in " + profiles.path());
}

} // namespace

ServerLogin ReadServerProfile(const std::string& serversFile, const std::string& profile,
                              PasswordStore* keyring) {
    const ServerProfiles profiles(serversFile, keyring);
    RequireProfile(profiles, profile);
    const ServerProfile stored = profiles.load(profile);
    const ServerAddress address = SplitServerText(profile, DefaultPort(stored.protocol));
    ServerLogin login;
    login.host = address.host;
    login.port = address.port;
    login.directory = address.directory.value_or("");
    login.user = stored.userName;
    login.password = stored.password;
    if (stored.protocol != TransferProtocol::Sftp) {
        if (login.user.empty())
            login.user = "anonymous";
        if (login.password.empty())
            login.password = DefaultAnonymousPassword;
    }
    login.passive = stored.passive;
    login.protocol = stored.protocol;
    login.fingerprint = stored.fingerprint;
    return login;
}

void StoreTrustedFingerprint(const std::string& serversFile, const std::string& profile,
                             const std::string& fingerprint, PasswordStore* keyring) {
    ServerProfiles profiles(serversFile, keyring);
    RequireProfile(profiles, profile);
    ServerProfile stored = profiles.load(profile);
    stored.fingerprint = fingerprint;
    profiles.save(profile, stored);
}

void PublishSession::applyProxySettings(const std::string& settingsFile) {
    const IniFile settings(settingsFile);
    if (settings.readInteger("FTP Proxy", "UseProxy", 0) != 0) {
        proxy = settings.readString("FTP Proxy", "ProxyName", "");
        proxyPort = ProxyPortFrom(settings.readString("FTP Proxy", "ProxyPort", ""));
    } else {
        proxy.clear();
        proxyPort = 0;
    }
}

PublishSession::PublishSession() = default;

PublishSession::~PublishSession() {
    try {
        disconnect();
    } catch (const VelloranError&) {
        // The connection is going anyway.
    }
}

void PublishSession::connect(const ServerLogin& login) {
    disconnect();
    m_client = MakeRemoteClient(login.protocol);
    RemoteClient& client = *m_client;
    client.Host = login.host;
    client.Port = login.port;
    client.UserID = login.user;
    client.Password = login.password;
    client.Passive = login.passive;
    client.TrustedFingerprint = login.fingerprint;
    client.TimeOut = timeOut;
    client.Proxy = proxy;
    client.ProxyPort = proxyPort;
    client.Ssh = ssh;
    client.OnStatus = [this](const std::string& line) {
        if (onStatus)
            onStatus(line);
    };
    std::string unanswered;
    client.OnUnknownIdentity = [this, &unanswered](const std::string& question) {
        if (onUnknownIdentity)
            return onUnknownIdentity(question);
        unanswered = question;
        return false;
    };
    try {
        client.Connect();
    } catch (const VelloranError&) {
        client.OnUnknownIdentity = nullptr;
        // Nobody here could be asked: say what to do rather than only that it failed.
        if (!unanswered.empty()) {
            std::string shown = unanswered.substr(0, unanswered.rfind("Trust it?"));
            for (auto at = shown.find("\r\n"); at != std::string::npos; at = shown.find("\r\n"))
                shown.replace(at, 2, " ");
            throw VelloranError("The identity of " + login.host +
                                " is not trusted yet, so nothing was sent. Connect to it once "
                                "in the FTP window with this profile and trust it there. " +
                                shown);
        }
        throw;
    }
    client.OnUnknownIdentity = nullptr;
    if (!login.directory.empty())
        client.ChangeDirectory(login.directory);
    m_target = std::make_unique<RemotePublishTarget>(client);
}

void PublishSession::disconnect() {
    m_target.reset();
    if (m_client && m_client->Connected())
        m_client->Disconnect();
}

bool PublishSession::connected() const {
    return m_target && m_client && m_client->Connected();
}

std::string PublishSession::trustedFingerprint() const {
    return m_client ? m_client->TrustedFingerprint : std::string();
}

PublishTarget& PublishSession::target() {
    if (!m_target)
        throw VelloranError("Not connected to the server");
    return *m_target;
}

PublishPlan PublishSession::plan(const ProjectTree& tree, const std::string& projectFile,
                                 const PublishState& state) {
    PublishTarget& remote = target();
    return MakePublishPlan(tree, projectFile, state,
                           [&remote](const std::string& dir) { return remote.folderSizes(dir); });
}

PublishResult PublishSession::publish(const PublishPlan& plan, PublishState& state,
                                      const PublishEvents& events) {
    return Publish(plan, state, target(), events);
}

void PublishSession::abort() {
    if (m_client)
        m_client->Abort();
}

std::int64_t PublishSession::currentFileBytes() const {
    return m_client ? m_client->TransferredBytes() : 0;
}

} // namespace velloran
