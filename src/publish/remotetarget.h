// A publish over a connected remote client of any protocol.
#pragma once

#include "publish/publisher.h"

namespace velloran {

class RemoteClient;

// Works on a client that is connected and logged in. Login-relative paths are taken
// from the folder the client is in when the target is made, so later changes of folder
// (each listing changes into its folder) do not move them.
class RemotePublishTarget : public PublishTarget {
public:
    explicit RemotePublishTarget(RemoteClient& client);

    std::optional<std::map<std::string, std::uint64_t>>
    folderSizes(const std::string& dir) override;
    void makeFolder(const std::string& dir) override;
    void upload(const std::string& localPath, const std::string& remotePath) override;
    // Over the old file where there is one: see RemoteClient::ReplaceFile.
    void rename(const std::string& from, const std::string& to) override;
    void remove(const std::string& remotePath) override;

    // Commands sent to the server through this target, for the benchmark; over FTP the
    // control connection's, a data connection's set-up counted as one.
    [[nodiscard]] std::size_t commands() const noexcept { return m_commands; }

private:
    [[nodiscard]] std::string absolute(const std::string& path) const;
    void countTransfer(int type);

    RemoteClient& m_client;
    std::string m_home;
    std::size_t m_commands = 0;
    int m_type = 0; // FTP's transfer type: 1 for listings, 2 for files
};

} // namespace velloran
