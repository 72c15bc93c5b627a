// Connects a publish to its server profile and runs it.
#include "publish/publishsession.h"

#include "ftp/ftpclient.h"
#include "platform/errors.h"
#include "platform/inifile.h"
#include "publish/ftptarget.h"

#include <charconv>

namespace velloran {

ServerLogin ReadServerProfile(const IniFile& servers, const std::string& profile) {
    if (profile.empty() || !servers.hasSection(profile))
        throw VelloranError("There is no server profile \"" + profile + "\" in " + servers.path());
    ServerLogin login;
    std::string_view text = profile;
    const auto slash = text.find('/', text.starts_with('[') ? text.find(']') : 0);
    if (slash != std::string_view::npos) {
        login.directory = text.substr(slash);
        text = text.substr(0, slash);
    }
    std::string_view port;
    if (text.starts_with('[')) {
        const auto close = text.find(']');
        if (close == std::string_view::npos)
            throw VelloranError("The server \"" + profile + "\" lacks the closing \"]\"");
        if (close + 1 < text.size() && text[close + 1] == ':')
            port = text.substr(close + 2);
        text = text.substr(1, close - 1);
    } else if (const auto colon = text.find(':'); colon != std::string_view::npos) {
        port = text.substr(colon + 1);
        text = text.substr(0, colon);
    }
    login.host = text;
    if (!port.empty()) {
        const auto [end, error] =
            std::from_chars(port.data(), port.data() + port.size(), login.port);
        if (error != std::errc{} || end != port.data() + port.size() || login.port < 1 ||
            login.port > 65535)
            throw VelloranError("The server \"" + profile + "\" has no valid port");
    }
    login.user = servers.readString(profile, "username", "");
    login.password = servers.readString(profile, "password", "");
    if (login.user.empty())
        login.user = "anonymous";
    if (login.password.empty())
        login.password = DefaultAnonymousPassword;
    login.passive = servers.readInteger(profile, "passive", 1) != 0;
    return login;
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
