// Which files of a project a publish sends, where to, and why: the dry run and the
// work list of a publish.
#pragma once

#include "publish/publishstate.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velloran {

class ProjectTree;
struct TProjectFile;

// The remote path of an entry: its web location when set (relative to `baseDir` unless
// it begins with "/"; a location ending in "/" is a folder that keeps the file's name;
// "scheme://host" in front is dropped, so a page's address may be given), else its path
// relative to the project file's folder under `baseDir`. None when the entry lies
// outside the project's folder without a web location, or the result would climb out
// of the remote root with "..", or holds a line end. `localPath` is the absolute path.
[[nodiscard]] std::optional<std::string> RemotePathFor(const TProjectFile& entry,
                                                       const std::string& projectDir,
                                                       const std::string& baseDir,
                                                       std::string* localPath = nullptr);

// The local facts a publish compares with its record.
struct LocalFile {
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
    std::string sha256;
};
// Throws FileError when the file cannot be read.
[[nodiscard]] LocalFile InspectLocalFile(const std::string& path);

enum class SendReason { New, Changed, SizeDiffers };
[[nodiscard]] const char* SendReasonText(SendReason reason);

struct PlannedFile {
    std::string localPath;
    std::string remotePath;
    SendReason reason = SendReason::New;
    LocalFile local;
};

struct SkippedFile {
    std::string localPath;
    std::string why;
};

struct PublishPlan {
    std::vector<PlannedFile> send;
    std::vector<SkippedFile> skipped;
    std::size_t unchanged = 0;
    [[nodiscard]] std::uint64_t totalBytes() const;
};

// Sizes of the files in one remote folder, by name; none when the folder does not exist.
using RemoteFolderSizes =
    std::function<std::optional<std::map<std::string, std::uint64_t>>(const std::string& dir)>;

// Compares every entry of the project with the record and, for the files the record
// calls unchanged, with the server's sizes (one look per remote folder). An entry whose
// local file cannot be read is skipped with the reason. The same remote path named by
// two entries is sent once, for the first.
[[nodiscard]] PublishPlan MakePublishPlan(const ProjectTree& tree, const std::string& projectFile,
                                          const PublishState& state,
                                          const RemoteFolderSizes& remoteSizes);

// "/a/b/c.htm" -> "/a/b"; "/c.htm" -> "/".
[[nodiscard]] std::string RemoteFolderOf(const std::string& remotePath);
[[nodiscard]] std::string RemoteNameOf(const std::string& remotePath);

} // namespace velloran
