// Connects a publish to its server profile and runs it.
#include "publish/publishsession.h"

#include "ftp/ftpclient.h"
#include "ftp/ftpwindowrules.h"
#include "ftp/serverprofiles.h"
#include "platform/errors.h"
#include "platform/inifile.h"
#include "publish/ftptarget.h"

#include <algorithm>

namespace velloran {

ServerLogin ReadServerProfile(const std::string& serversFile, const std::string& profile) {
    const ServerProfiles profiles(serversFile);
    const auto names = profiles.names();
    if (profile.empty() || std::find(names.begin(), names.end(), profile) == names.end())
        throw VelloranError("There is no server profile \"" + profile + "\" in " + serversFile);
    const ServerAddress address = SplitServerText(profile);
    const ServerProfile stored = profiles.load(profile);
    ServerLogin login;
    login.host = address.host;
    login.port = address.port;
    login.directory = address.directory.value_or("");
    login.user = stored.userName.empty() ? "anonymous" : stored.userName;
    login.password = stored.password.empty() ? DefaultAnonymousPassword : stored.password;
    login.passive = stored.passive;
    return login;
}

void ApplyProxySettings(TFtpClient& client, const std::string& settingsFile) {
    const IniFile settings(settingsFile);
    if (settings.readInteger("FTP Proxy", "UseProxy", 0) != 0) {
        client.Proxy = settings.readString("FTP Proxy", "ProxyName", "");
        client.ProxyPort = ProxyPortFrom(settings.readString("FTP Proxy", "ProxyPort", ""));
    } else {
        client.Proxy.clear();
    }
}

PublishSession::PublishSession() : m_client(std::make_unique<TFtpClient>()) {
}

PublishSession::~PublishSession() {
    try {
        disconnect();
    } catch (const VelloranError&) {
        // The connection is going anyway.
    }
}

void PublishSession::connect(const ServerLogin& login) {
    disconnect();
    m_client->Host = login.host;
    m_client->Port = login.port;
    m_client->UserID = login.user;
    m_client->Password = login.password;
    m_client->Passive = login.passive;
    m_client->Connect();
    if (!login.directory.empty())
        m_client->ChangeDirectory(login.directory);
    m_target = std::make_unique<FtpPublishTarget>(*m_client);
}

void PublishSession::disconnect() {
    m_target.reset();
    if (m_client->Connected())
        m_client->Disconnect();
}

bool PublishSession::connected() const {
    return m_target && m_client->Connected();
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
    m_client->Abort();
}

std::int64_t PublishSession::currentFileBytes() const {
    const TAsyncSocket* data = m_client->DataSocket();
    return data ? data->SentBytes() : 0;
}

} // namespace velloran
