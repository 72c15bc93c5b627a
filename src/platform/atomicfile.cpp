// Whole-file reads with their checks, and replacement of files through a temporary
// file and rename(), or in place where a replacement would not be the same file.
#include "platform/atomicfile.h"

#include "platform/hugepages.h"

#include "platform/errors.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <limits>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace velloran {
namespace {

std::string reasonFor(int error) {
    return std::generic_category().message(error);
}

[[noreturn]] void throwWriteError(const std::string& path, int error) {
    throw FileError("Cannot write \"" + path + "\": " + reasonFor(error));
}

[[noreturn]] void throwReadError(const std::string& path, int error) {
    throw FileError("Cannot read \"" + path + "\": " + reasonFor(error));
}

// umask() can only be read by setting it, which races with other threads creating
// files; the kernel also reports it in /proc, so that is asked first.
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("Umask:")) {
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8)) & 0777;
        }
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// A symbolic link (a settings file kept in a dotfiles folder, say) must keep pointing
// at the file; renaming over the link itself would silently cut it.
std::string resolveLink(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string resolved(real);
            std::free(real);
            return resolved;
        }
    }
    return path;
}

// Returns 0 or the errno of the failed write; `written` counts what reached the file.
int writeAll(int fd, std::string_view bytes, std::size_t* written = nullptr) {
    while (!bytes.empty()) {
        const ssize_t done = ::write(fd, bytes.data(), bytes.size());
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (done == 0) {
            return EIO;
        }
        bytes.remove_prefix(static_cast<std::size_t>(done));
        if (written != nullptr) {
            *written += static_cast<std::size_t>(done);
        }
    }
    return 0;
}

// The rename only survives a power cut once the folder reaches the disk too. The new
// file is already in place by then, so a failure here is not worth reporting.
void syncFolder(const std::string& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

class FdCloser {
public:
    explicit FdCloser(int fd) : m_fd(fd) {}
    ~FdCloser() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FdCloser(const FdCloser&) = delete;
    FdCloser& operator=(const FdCloser&) = delete;
    // Closes now and returns close()'s errno, or 0.
    int close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

[[noreturn]] void throwNotRegular(const std::string& verb, const std::string& path) {
    throw FileError(verb + " \"" + path + "\": it is not a regular file");
}

bool inOurGroups(gid_t group) {
    if (group == ::getegid()) {
        return true;
    }
    const int count = ::getgroups(0, nullptr);
    if (count <= 0) {
        return false;
    }
    std::vector<gid_t> groups(static_cast<std::size_t>(count));
    const int got = ::getgroups(count, groups.data());
    return got > 0 &&
           std::find(groups.begin(), groups.begin() + got, group) != groups.begin() + got;
}

// A new file made here would not be the same file to everyone who knows the old one.
bool mustWriteInPlace(const struct stat& existing) {
    const uid_t us = ::geteuid();
    return existing.st_nlink > 1 || existing.st_uid != us ||
           (us != 0 && !inOurGroups(existing.st_gid));
}

enum class InPlace { Written, Refused };

// Overwrites the existing file through its own inode, so that its owner, group, mode,
// links and extended attributes stay. Returns Refused (with `refusal` set) when the
// file cannot be opened for writing and nothing has been touched; throws FileError
// when the write itself fails.
InPlace writeInPlace(const std::string& path, const std::string& target,
                     const struct stat& expected, std::string_view bytes, int& refusal) {
    // O_NONBLOCK: should a FIFO have taken the file's place, the open must not wait.
    const int fd = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        refusal = errno;
        return InPlace::Refused;
    }
    FdCloser closer(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        throwWriteError(path, errno);
    }
    if (!S_ISREG(info.st_mode) || info.st_ino != expected.st_ino ||
        info.st_dev != expected.st_dev) {
        throwNotRegular("Cannot write", path);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    const auto oldSize = static_cast<std::uint64_t>(info.st_size);
    if (bytes.size() > oldSize) {
        const off_t grow = static_cast<off_t>(bytes.size() - oldSize);
        if (::fallocate(fd, 0, static_cast<off_t>(oldSize), grow) != 0 && errno != EOPNOTSUPP &&
            errno != ENOSYS) {
            const int error = errno;
            if (::ftruncate(fd, static_cast<off_t>(oldSize)) != 0) {
                // Only reserved room is left behind; the old bytes are all there.
            }
            throwWriteError(path, error);
        }
    }
    std::size_t written = 0;
    int error = writeAll(fd, bytes, &written);
    if (error == 0 && ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) {
        error = errno;
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    const int closeError = closer.close();
    if (error == 0) {
        error = closeError;
    }
    if (error != 0) {
        std::string text = "Cannot write \"" + path + "\": " + reasonFor(error);
        if (written > 0) {
            text += " (the file was being overwritten in place and may now be incomplete)";
        }
        throw FileError(text);
    }
    return InPlace::Written;
}

// Gives the temporary file the group of the file it replaces. Where that is not ours
// to give, the file was offered an in-place write first (mustWriteInPlace), so this
// is only a best effort.
void keepGroup(int fd, const struct stat& existing) {
    struct stat info {};
    if (::fstat(fd, &info) == 0 && info.st_gid != existing.st_gid &&
        ::fchown(fd, static_cast<uid_t>(-1), existing.st_gid) != 0) {
        // The replacement keeps the group of the folder or of the user.
    }
}

void writeThroughTemporary(const std::string& path, const std::string& target,
                           const struct stat* existing, std::string_view bytes) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string baseName = target.substr(folder.size());
    const mode_t mode =
        existing != nullptr ? (existing->st_mode & 07777) : (0666 & ~currentUmask());

    std::string temp = folder + "." + baseName + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        // A folder we may not write can still hold a file we may; its whole new text is
        // at hand, so it can be written where it is.
        int refusal = 0;
        if (existing != nullptr && (error == EACCES || error == EPERM) &&
            writeInPlace(path, target, *existing, bytes, refusal) == InPlace::Written) {
            return;
        }
        throwWriteError(path, error);
    }
    if (existing != nullptr) {
        keepGroup(fd, *existing);
    }
    int error = writeAll(fd, bytes);
    if (error == 0 && ::fchmod(fd, mode) != 0) {
        error = errno;
    }
    if (error == 0 && ::fsync(fd) != 0) {
        error = errno;
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temp.c_str());
        throwWriteError(path, error);
    }
    syncFolder(folder);
}

void onFileSizeSignal(int /*signal*/) {
    // Nothing to do: the write that passed the limit returns EFBIG.
}

} // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string target = resolveLink(path);
    struct stat existing {};
    if (::stat(target.c_str(), &existing) != 0) {
        writeThroughTemporary(path, target, nullptr, bytes);
        return;
    }
    if (S_ISDIR(existing.st_mode)) {
        throwWriteError(path, EISDIR);
    }
    if (!S_ISREG(existing.st_mode)) {
        throwNotRegular("Cannot write", path);
    }
    if (mustWriteInPlace(existing)) {
        int refusal = 0;
        if (writeInPlace(path, target, existing, bytes, refusal) == InPlace::Written) {
            return;
        }
        // Not ours to write, but the folder may still let us replace it.
        if (refusal != EACCES && refusal != EPERM) {
            throwWriteError(path, refusal);
        }
    }
    writeThroughTemporary(path, target, &existing, bytes);
}

std::string ByteSizeText(std::uint64_t bytes) {
    if (bytes < 1024) {
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    }
    static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    while (value >= 1024.0 && unit + 1 < std::size(kUnits)) {
        value /= 1024.0;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
    return text;
}

std::string FileTooLargeText(const std::string& path, std::uint64_t size, const ReadLimit& limit) {
    return "File is too large to open: \"" + path + "\" has " + ByteSizeText(size) + "; " +
           std::string(limit.why) + " " + ByteSizeText(limit.maxBytes) + ".";
}

std::string ReadWholeFile(const std::string& path, const ReadLimit& limit) {
    // O_NONBLOCK: opening a FIFO otherwise waits for a writer before its type can be
    // seen. Regular files read the same either way.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        throwReadError(path, errno);
    }
    FdCloser closer(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        throwReadError(path, errno);
    }
    if (S_ISDIR(info.st_mode)) {
        throwReadError(path, EISDIR);
    }
    if (!S_ISREG(info.st_mode)) {
        throwNotRegular("Cannot read", path);
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > limit.maxBytes) {
        throw FileError(FileTooLargeText(path, size, limit));
    }
    std::string bytes;
    if (size > 0) {
        ReserveHuge(bytes, static_cast<std::size_t>(size));
    }
    // The file may grow while it is read (or report no size at all, as files under
    // /proc do): one byte past the limit is enough to know.
    const std::uint64_t wanted = limit.maxBytes < std::numeric_limits<std::uint64_t>::max()
                                     ? limit.maxBytes + 1
                                     : limit.maxBytes;
    char buffer[65536];
    while (bytes.size() < wanted) {
        const auto room =
            static_cast<std::size_t>(std::min<std::uint64_t>(sizeof buffer, wanted - bytes.size()));
        const ssize_t got = ::read(fd, buffer, room);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwReadError(path, errno);
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    if (bytes.size() > limit.maxBytes) {
        throw FileError(FileTooLargeText(path, bytes.size(), limit));
    }
    return bytes;
}

bool FileExists(const std::string& path) noexcept {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void CatchFileSizeSignal() noexcept {
    struct sigaction action {};
    action.sa_handler = onFileSizeSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGXFSZ, &action, nullptr);
}

} // namespace velloran
