// Choosing and checking the per-user runtime folder, and asking who is behind a socket.
#include "platform/runtimefolder.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velloran {

namespace {

std::string quoted(const std::string& path) {
    return '"' + path + '"';
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The folder a path lies in, with every link resolved: only the real folders decide
// who can rename or replace the entry.
std::string realParent(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::string parent = slash == 0 ? std::string("/") : path.substr(0, slash);
    char resolved[PATH_MAX];
    return realpath(parent.c_str(), resolved) != nullptr ? std::string(resolved) : std::string();
}

// Anyone who may write to a folder on the way may rename a private folder away and put
// their own in its place; a sticky folder only lets them move their own entries.
std::string ancestorProblem(const std::string& realFolder, uid_t uid) {
    std::size_t pos = 0;
    while (true) {
        const std::string prefix = pos == 0 ? std::string("/") : realFolder.substr(0, pos);
        struct stat st {};
        if (lstat(prefix.c_str(), &st) != 0)
            return "the folder " + quoted(prefix) + " cannot be examined: " + std::strerror(errno);
        if (st.st_uid != 0 && st.st_uid != uid)
            return "the folder " + quoted(prefix) + " on its way belongs to another user";
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0 && (st.st_mode & S_ISVTX) == 0)
            return "the folder " + quoted(prefix) + " on its way can be changed by other users";
        if (pos == realFolder.size())
            return {};
        pos = realFolder.find('/', pos + 1);
        if (pos == std::string::npos)
            pos = realFolder.size();
    }
}

// The path as it will be used: the parent's links resolved, the last part kept, so that
// no link of someone else's can be swapped in after the check.
std::string canonical(const std::string& path) {
    const std::string parent = realParent(path);
    if (parent.empty())
        return {};
    const std::string name = path.substr(path.rfind('/') + 1);
    return parent == "/" ? "/" + name : parent + "/" + name;
}

} // namespace

std::string PrivateFolderProblem(const std::string& path, uid_t uid) {
    if (path.empty() || path.front() != '/')
        return quoted(path) + " is not an absolute folder name";
    const std::string folder = withoutTrailingSlashes(path);
    struct stat st {};
    if (lstat(folder.c_str(), &st) != 0)
        return quoted(folder) + " cannot be examined: " + std::strerror(errno);
    if (S_ISLNK(st.st_mode))
        return quoted(folder) + " is a symbolic link";
    if (!S_ISDIR(st.st_mode))
        return quoted(folder) + " is not a folder";
    if (st.st_uid != uid)
        return quoted(folder) + " belongs to another user";
    if ((st.st_mode & 0777) != 0700) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        return quoted(folder) + " has mode " + mode + " instead of 0700";
    }
    if (folder == "/")
        return {};
    const std::string parent = realParent(folder);
    if (parent.empty())
        return "the folder holding " + quoted(folder) + " cannot be resolved";
    const std::string problem = ancestorProblem(parent, uid);
    return problem.empty() ? std::string() : quoted(folder) + " is not safe: " + problem;
}

RuntimeFolder ChooseRuntimeFolder(const char* xdgRuntimeDir, const char* tempDir, uid_t uid) {
    RuntimeFolder result;
    if (xdgRuntimeDir != nullptr && xdgRuntimeDir[0] != '\0') {
        const std::string given = withoutTrailingSlashes(xdgRuntimeDir);
        std::string problem = PrivateFolderProblem(given, uid);
        if (problem.empty()) {
            result.path = canonical(given);
            if (!result.path.empty())
                return result;
            problem = "the folder holding " + quoted(given) + " cannot be resolved";
        }
        result.warning = "XDG_RUNTIME_DIR is passed over: " + problem;
    }
    const std::string base = withoutTrailingSlashes(
        tempDir != nullptr && tempDir[0] == '/' ? std::string(tempDir) : std::string("/tmp"));
    const std::string folder = canonical((base == "/" ? std::string() : base) + "/velloran-" +
                                         std::to_string(static_cast<unsigned long>(uid)));
    std::string problem;
    if (folder.empty()) {
        problem = "the temporary folder " + quoted(base) + " cannot be resolved";
    } else if (mkdir(folder.c_str(), 0700) == 0) {
        // The umask may have taken more than group and others; through a descriptor,
        // so that nothing put in its place since is changed instead.
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            (void)fchmod(fd, 0700);
            close(fd);
        }
    } else if (errno != EEXIST) {
        problem = quoted(folder) + " cannot be created: " + std::strerror(errno);
    }
    if (problem.empty())
        problem = PrivateFolderProblem(folder, uid);
    if (problem.empty()) {
        result.path = folder;
        return result;
    }
    result.warning = (result.warning.empty() ? std::string() : result.warning + "; ") +
                     "no private folder for the single-instance socket: " + problem;
    return result;
}

RuntimeFolder CurrentRuntimeFolder() {
    return ChooseRuntimeFolder(std::getenv("XDG_RUNTIME_DIR"), std::getenv("TMPDIR"), getuid());
}

std::optional<uid_t> PeerUserId(int socketFd) {
    struct ucred credentials {};
    socklen_t size = sizeof credentials;
    if (getsockopt(socketFd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        size != sizeof credentials)
        return std::nullopt;
    return credentials.uid;
}

bool PeerHasClosed(int socketFd) {
    char byte = 0;
    return recv(socketFd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

} // namespace velloran
