// A publish over a connected FTP client.
#pragma once

#include "publish/publisher.h"

namespace velloran {

class TFtpClient;

// Works on a client that is connected and logged in. Login-relative paths are taken
// from the folder the client is in when the target is made, so later changes of folder
// (each listing changes into its folder) do not move them.
class FtpPublishTarget : public PublishTarget {
public:
    explicit FtpPublishTarget(TFtpClient& client);

    std::optional<std::map<std::string, std::uint64_t>>
    folderSizes(const std::string& dir) override;
    void makeFolder(const std::string& dir) override;
    void upload(const std::string& localPath, const std::string& remotePath) override;
    void rename(const std::string& from, const std::string& to) override;
    void remove(const std::string& remotePath) override;

    // FTP commands sent through this target, for the benchmark.
    [[nodiscard]] std::size_t commands() const noexcept { return m_commands; }

private:
    [[nodiscard]] std::string absolute(const std::string& path) const;

    TFtpClient& m_client;
    std::string m_home;
    std::size_t m_commands = 0;
};

} // namespace velloran
