// Whole-file reads, and replacement of files through a temporary file and rename().
#include "platform/atomicfile.h"

#include "platform/hugepages.h"

#include "platform/errors.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

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

// Returns 0 or the errno of the failed write.
int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (written == 0) {
            return EIO;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
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

} // namespace

void WriteFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string target = resolveLink(path);
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string baseName = target.substr(folder.size());

    struct stat existing {};
    const mode_t mode = ::stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777)
                                                               : (0666 & ~currentUmask());

    std::string temp = folder + "." + baseName + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        throwWriteError(path, errno);
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

std::string ReadWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throwReadError(path, errno);
    }
    std::string bytes;
    int error = 0;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
        ReserveHuge(bytes, static_cast<std::size_t>(info.st_size));
    }
    char buffer[65536];
    while (error == 0) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno != EINTR) {
                error = errno;
            }
            continue;
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (error != 0) {
        throwReadError(path, error);
    }
    return bytes;
}

bool FileExists(const std::string& path) noexcept {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace velloran
