// The folder for the program's per-user socket, which no other user may reach or replace.
#pragma once

#include <optional>
#include <string>
#include <sys/types.h>

namespace velloran {

// Why `path` cannot serve as a folder private to `uid`: not an absolute name, not a
// folder, a symbolic link, another owner, access for anyone else, or a parent folder
// through which another user could replace it. Empty when it can serve.
[[nodiscard]] std::string PrivateFolderProblem(const std::string& path, uid_t uid);

struct RuntimeFolder {
    // Empty when no private folder could be had.
    std::string path;
    // Why XDG_RUNTIME_DIR was passed over, or why there is no folder at all; empty when
    // nothing deserves the user's attention.
    std::string warning;
};

// `xdgRuntimeDir` when it is private to `uid`; otherwise "velloran-<uid>" in `tempDir`
// (null or relative: "/tmp"), created when missing and then checked like any other.
[[nodiscard]] RuntimeFolder ChooseRuntimeFolder(const char* xdgRuntimeDir, const char* tempDir,
                                                uid_t uid);
// The same from the environment, for the calling user.
[[nodiscard]] RuntimeFolder CurrentRuntimeFolder();

// The user id of the process on the other end of a connected local socket, as the
// system vouches for it; none when the system does not say.
[[nodiscard]] std::optional<uid_t> PeerUserId(int socketFd);
// Whether the other end of a connected socket has closed its side, with nothing left
// unread before that.
[[nodiscard]] bool PeerHasClosed(int socketFd);

} // namespace velloran
