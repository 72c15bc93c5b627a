// One publish from login to logout: the server profile it goes to, the connection, the
// dry run and the upload, shared by the publish window and the command line.
#pragma once

#include "ftp/protocol.h"
#include "ftp/remoteclient.h"
#include "publish/publisher.h"

#include <functional>
#include <memory>
#include <string>

namespace velloran {

class ProjectTree;
class PasswordStore;

struct ServerLogin {
    std::string host;
    int port = 21;
    std::string directory; // the initial remote folder; empty for the login folder
    std::string user;
    std::string password;
    bool passive = true;
    TransferProtocol protocol = TransferProtocol::Ftp;
    std::string fingerprint; // the server identity the profile trusts; empty: none
};

// A profile of the profiles file by its name, the server text "host[:port][/dir]", with
// the password from `keyring` where it holds it, and the anonymous login over FTP where the
// profile has none (over SFTP no user is the local one, no password keys only). Throws
// VelloranError for a missing profile, a bad port or an unknown protocol.
[[nodiscard]] ServerLogin ReadServerProfile(const std::string& serversFile,
                                            const std::string& profile,
                                            PasswordStore* keyring = nullptr);
// Stores the fingerprint of an identity the user trusted in the profile, as the FTP window
// does; the profile's other keys stay as they are.
void StoreTrustedFingerprint(const std::string& serversFile, const std::string& profile,
                             const std::string& fingerprint, PasswordStore* keyring = nullptr);

class PublishSession {
public:
    PublishSession();
    ~PublishSession();
    PublishSession(const PublishSession&) = delete;
    PublishSession& operator=(const PublishSession&) = delete;

    // Taken by each connection.
    std::function<void(const std::string&)> onStatus;
    // The question about a server identity nobody vouches for; none refuses such a server
    // with an error that says how to trust it.
    std::function<bool(const std::string& question)> onUnknownIdentity;
    int timeOut = 0; // ms; see RemoteClient::TimeOut
    std::string proxy;
    int proxyPort = 0;
    SshPlaces ssh;

    // The "FTP Proxy" settings of the settings file, as the FTP window applies them.
    void applyProxySettings(const std::string& settingsFile);

    // Connects, logs in and changes to the initial folder; throws on failure.
    void connect(const ServerLogin& login);
    void disconnect();
    [[nodiscard]] bool connected() const;
    // The identity the connection trusts: the login's, or one the user trusted just now.
    [[nodiscard]] std::string trustedFingerprint() const;

    // The dry run: what a publish would send, asking the server only for folder listings.
    [[nodiscard]] PublishPlan plan(const ProjectTree& tree, const std::string& projectFile,
                                   const PublishState& state);
    PublishResult publish(const PublishPlan& plan, PublishState& state,
                          const PublishEvents& events = {});
    // Stops the running transfer; the publish ends as aborted.
    void abort();

    // Bytes of the file being sent so far; 0 between files.
    [[nodiscard]] std::int64_t currentFileBytes() const;

private:
    PublishTarget& target();

    std::unique_ptr<RemoteClient> m_client;
    std::unique_ptr<PublishTarget> m_target;
};

} // namespace velloran
