// Carries out a publish plan against a server: each file goes up under a temporary name
// and is renamed over the old one, and the record is saved after every file.
#pragma once

#include "publish/publishplan.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace velloran {

// The few remote operations a publish needs, on absolute or login-relative paths.
// Failures throw (VelloranError or one of its kinds); an abort throws EAbortError.
class PublishTarget {
public:
    virtual ~PublishTarget() = default;
    // Sizes of the files in `dir` by name; none when the folder does not exist.
    virtual std::optional<std::map<std::string, std::uint64_t>>
    folderSizes(const std::string& dir) = 0;
    // Creates `dir`; a folder that already exists is no failure.
    virtual void makeFolder(const std::string& dir) = 0;
    virtual void upload(const std::string& localPath, const std::string& remotePath) = 0;
    virtual void rename(const std::string& from, const std::string& to) = 0;
    virtual void remove(const std::string& remotePath) = 0;
};

struct PublishEvents {
    std::function<void(const PlannedFile&, std::size_t index, std::size_t count)> fileStarting;
    std::function<void(const PlannedFile&)> fileDone;
    std::function<void(const std::string&)> log;
};

struct PublishResult {
    std::size_t sent = 0;
    bool aborted = false;
    std::string error; // empty when every file went up
    [[nodiscard]] bool ok() const noexcept { return error.empty() && !aborted; }
};

// The name a file is uploaded under before it replaces `remotePath`: hidden, in the
// same folder, so the rename never crosses file systems on the server.
[[nodiscard]] std::string TemporaryRemoteName(const std::string& remotePath);

// Sends the plan's files in order and stops at the first failure or an abort; what was
// done before stays recorded in `state` and on disk.
PublishResult Publish(const PublishPlan& plan, PublishState& state, PublishTarget& target,
                      const PublishEvents& events = {});

} // namespace velloran
