// Plans a publish: remote paths of the project's entries and the comparison with the
// record of the last publish.
#include "publish/publishplan.h"

#include "platform/errors.h"
#include "project/projecttree.h"

#include <openssl/evp.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace velloran {

namespace fs = std::filesystem;

namespace {

// Joins and normalises remote path pieces: "." and empty steps go, ".." takes one
// back. A leading "/" keeps the path absolute; without one it is relative to the
// folder the server logs in to. None when ".." would climb above the start.
std::optional<std::string> JoinRemote(const std::string& base, const std::string& rest) {
    const bool absolute = rest.starts_with('/') || base.starts_with('/');
    std::vector<std::string> steps;
    auto walk = [&steps](std::string_view text) {
        while (!text.empty()) {
            const auto slash = text.find('/');
            const auto step = text.substr(0, slash);
            text = slash == std::string_view::npos ? std::string_view{} : text.substr(slash + 1);
            if (step.empty() || step == ".")
                continue;
            if (step == "..") {
                if (steps.empty())
                    return false;
                steps.pop_back();
                continue;
            }
            steps.emplace_back(step);
        }
        return true;
    };
    if (!rest.starts_with('/') && !walk(base))
        return std::nullopt;
    if (!walk(rest))
        return std::nullopt;
    std::string path = absolute ? "/" : "";
    for (std::size_t i = 0; i < steps.size(); ++i)
        path += (i ? "/" : "") + steps[i];
    return path;
}

// "http://example.com/a/b.htm" -> "/a/b.htm"; anything else as it is.
std::string WithoutOrigin(const std::string& location) {
    const auto scheme = location.find("://");
    if (scheme == std::string::npos || location.find('/') < scheme)
        return location;
    const auto path = location.find('/', scheme + 3);
    return path == std::string::npos ? "/" : location.substr(path);
}

std::string Hex(const unsigned char* bytes, unsigned length) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned i = 0; i < length; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

} // namespace

std::optional<std::string> RemotePathFor(const TProjectFile& entry, const std::string& projectDir,
                                         const std::string& baseDir, std::string* localPath) {
    fs::path local(entry.FileInfo);
    if (local.is_relative())
        local = fs::path(projectDir) / local;
    local = local.lexically_normal();
    if (localPath)
        *localPath = local.string();
    std::optional<std::string> remote;
    if (!entry.WebLoc.empty()) {
        std::string location = WithoutOrigin(entry.WebLoc);
        if (location.ends_with('/'))
            location += local.filename().string();
        remote = JoinRemote(baseDir, location);
    } else {
        const fs::path relative = local.lexically_relative(fs::path(projectDir).lexically_normal());
        if (relative.empty() || *relative.begin() == "..")
            return std::nullopt;
        remote = JoinRemote(baseDir, relative.generic_string());
    }
    if (!remote || remote->empty() || remote->ends_with('/') ||
        remote->find_first_of("\r\n") != std::string::npos)
        return std::nullopt;
    return remote;
}

LocalFile InspectLocalFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw FileError("Cannot read \"" + path + "\": " + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        throw FileError("Cannot read \"" + path + "\": not a regular file");
    LocalFile file;
    file.size = static_cast<std::uint64_t>(info.st_size);
    file.mtimeNs = std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> digest(EVP_MD_CTX_new(),
                                                                   EVP_MD_CTX_free);
    if (!digest || EVP_DigestInit_ex(digest.get(), EVP_sha256(), nullptr) != 1)
        throw FileError("Cannot compute a checksum of \"" + path + "\"");
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw FileError("Cannot read \"" + path + "\": " + std::strerror(errno));
        if (got == 0)
            break;
        EVP_DigestUpdate(digest.get(), buffer.data(), static_cast<std::size_t>(got));
    }
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    EVP_DigestFinal_ex(digest.get(), hash, &length);
    file.sha256 = Hex(hash, length);
    return file;
}

const char* SendReasonText(SendReason reason) {
    switch (reason) {
    case SendReason::New:
        return "new";
    case SendReason::Changed:
        return "changed";
    case SendReason::SizeDiffers:
        return "size differs";
    }
    return "";
}

std::uint64_t PublishPlan::totalBytes() const {
    std::uint64_t total = 0;
    for (const auto& file : send)
        total += file.local.size;
    return total;
}

std::string RemoteFolderOf(const std::string& remotePath) {
    const auto slash = remotePath.rfind('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : remotePath.substr(0, slash);
}

std::string RemoteNameOf(const std::string& remotePath) {
    const auto slash = remotePath.rfind('/');
    return slash == std::string::npos ? remotePath : remotePath.substr(slash + 1);
}

PublishPlan MakePublishPlan(const ProjectTree& tree, const std::string& projectFile,
                            const PublishState& state, const RemoteFolderSizes& remoteSizes) {
    PublishPlan plan;
    const std::string projectDir = fs::path(projectFile).parent_path().string();
    std::map<std::string, std::optional<std::map<std::string, std::uint64_t>>> listings;
    std::set<std::string> taken;
    for (const ProjectFolder* folder : tree.folders()) {
        for (const auto& entry : folder->files()) {
            std::string localPath;
            const auto remote =
                RemotePathFor(*entry, projectDir, state.settings.baseDir, &localPath);
            if (!remote) {
                plan.skipped.push_back({localPath, "outside the project's folder and no web "
                                                   "location, or not a usable remote name"});
                continue;
            }
            if (!taken.insert(*remote).second)
                continue;
            PlannedFile planned{localPath, *remote, SendReason::New, {}};
            try {
                planned.local = InspectLocalFile(localPath);
            } catch (const FileError& error) {
                plan.skipped.push_back({localPath, error.what()});
                continue;
            }
            const auto record = state.files.find(*remote);
            if (record != state.files.end()) {
                const PublishedFile& last = record->second;
                if (last.size != planned.local.size || last.mtimeNs != planned.local.mtimeNs ||
                    last.sha256 != planned.local.sha256) {
                    planned.reason = SendReason::Changed;
                } else {
                    const std::string dir = RemoteFolderOf(*remote);
                    auto listing = listings.find(dir);
                    if (listing == listings.end())
                        listing = listings.emplace(dir, remoteSizes(dir)).first;
                    if (const auto& sizes = listing->second) {
                        const auto size = sizes->find(RemoteNameOf(*remote));
                        if (size != sizes->end() && size->second == last.size) {
                            ++plan.unchanged;
                            continue;
                        }
                    }
                    planned.reason = SendReason::SizeDiffers;
                }
            }
            plan.send.push_back(std::move(planned));
        }
    }
    return plan;
}

} // namespace velloran
