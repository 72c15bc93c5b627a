// One publish from login to logout: the server profile it goes to, the connection, the
// dry run and the upload, shared by the publish window and the command line.
#pragma once

#include "publish/publisher.h"

#include <memory>
#include <string>

namespace velloran {

class ProjectTree;
class TFtpClient;

struct ServerLogin {
    std::string host;
    int port = 21;
    std::string directory; // the initial remote folder; empty for the login folder
    std::string user;
    std::string password;
    bool passive = true;
};

// A profile of the profiles file by its name, the server text "host[:port][/dir]", with
// the anonymous login where the profile has none. Throws VelloranError for a missing
// profile or a bad port.
[[nodiscard]] ServerLogin ReadServerProfile(const std::string& serversFile,
                                            const std::string& profile);
// The "FTP Proxy" settings of the settings file, as the FTP window applies them.
void ApplyProxySettings(TFtpClient& client, const std::string& settingsFile);

class PublishSession {
public:
    PublishSession();
    ~PublishSession();
    PublishSession(const PublishSession&) = delete;
    PublishSession& operator=(const PublishSession&) = delete;

    // Connects, logs in and changes to the initial folder; throws on failure.
    void connect(const ServerLogin& login);
    void disconnect();
    [[nodiscard]] bool connected() const;

    // The dry run: what a publish would send, asking the server only for folder listings.
    [[nodiscard]] PublishPlan plan(const ProjectTree& tree, const std::string& projectFile,
                                   const PublishState& state);
    PublishResult publish(const PublishPlan& plan, PublishState& state,
                          const PublishEvents& events = {});
    // Stops the running transfer; the publish ends as aborted.
    void abort();

    // Bytes of the file being sent so far; 0 between files.
    [[nodiscard]] std::int64_t currentFileBytes() const;
    [[nodiscard]] TFtpClient& client() noexcept { return *m_client; }

private:
    PublishTarget& target();

    std::unique_ptr<TFtpClient> m_client;
    std::unique_ptr<PublishTarget> m_target;
};

} // namespace velloran
