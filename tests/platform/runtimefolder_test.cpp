// The runtime folder only this user can reach, and who is behind a local socket.
#include "platform/runtimefolder.h"

#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velloran;

namespace {

constexpr uid_t kNobody = 65534;

// A fresh folder below /tmp, removed with everything in it.
class RuntimeFolderTest : public ::testing::Test {
protected:
    RuntimeFolderTest() {
        char name[] = "/tmp/velloran-rt-XXXXXX";
        base = mkdtemp(name);
    }
    ~RuntimeFolderTest() override {
        chmod(base.c_str(), 0700);
        const std::string command = "rm -rf '" + base + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }
    std::string folder(const std::string& name, mode_t mode) {
        const std::string path = base + "/" + name;
        EXPECT_EQ(mkdir(path.c_str(), 0700), 0);
        EXPECT_EQ(chmod(path.c_str(), mode), 0);
        return path;
    }
    std::string fallback() const { return base + "/velloran-" + std::to_string(getuid()); }

    std::string base;
};

} // namespace

TEST_F(RuntimeFolderTest, OnlyAFolderOfTheUserWithMode0700IsPrivate) {
    const std::string good = folder("good", 0700);
    EXPECT_EQ(PrivateFolderProblem(good, getuid()), "");
    EXPECT_EQ(PrivateFolderProblem(good + "/", getuid()), "");
    EXPECT_NE(PrivateFolderProblem(folder("open", 0755), getuid()).find("mode 0755"),
              std::string::npos);
    EXPECT_NE(PrivateFolderProblem(good, getuid() + 1).find("another user"), std::string::npos);
    const std::string link = base + "/link";
    ASSERT_EQ(symlink(good.c_str(), link.c_str()), 0);
    EXPECT_NE(PrivateFolderProblem(link, getuid()).find("symbolic link"), std::string::npos);
    const std::string file = base + "/file";
    close(open(file.c_str(), O_CREAT | O_WRONLY, 0700));
    EXPECT_NE(PrivateFolderProblem(file, getuid()).find("not a folder"), std::string::npos);
    EXPECT_NE(PrivateFolderProblem("relative", getuid()), "");
    EXPECT_NE(PrivateFolderProblem(base + "/missing", getuid()), "");
}

TEST_F(RuntimeFolderTest, AFolderOthersCanRenameAwayIsNotPrivate) {
    // Anyone may write to "shared": they could swap "mine" for a folder of theirs.
    folder("shared", 0777);
    const std::string mine = folder("shared/mine", 0700);
    EXPECT_NE(PrivateFolderProblem(mine, getuid()).find("changed by other users"),
              std::string::npos);
    // Sticky, as /tmp is: only the owner may move an entry.
    ASSERT_EQ(chmod((base + "/shared").c_str(), 01777), 0);
    EXPECT_EQ(PrivateFolderProblem(mine, getuid()), "");
}

TEST_F(RuntimeFolderTest, AFolderOfAnotherUserIsNotPrivate) {
    if (geteuid() != 0)
        GTEST_SKIP() << "giving a folder to another user needs root";
    const std::string theirs = folder("theirs", 0700);
    ASSERT_EQ(chown(theirs.c_str(), kNobody, kNobody), 0);
    EXPECT_NE(PrivateFolderProblem(theirs, getuid()).find("another user"), std::string::npos);
    // Nor anything below a folder someone else owns.
    const std::string below = folder("theirs/mine", 0700);
    EXPECT_NE(PrivateFolderProblem(below, getuid()).find("belongs to another user"),
              std::string::npos);
}

TEST_F(RuntimeFolderTest, ASafeXdgRuntimeDirIsUsedAsItIs) {
    const std::string xdg = folder("xdg", 0700);
    const RuntimeFolder chosen = ChooseRuntimeFolder(xdg.c_str(), base.c_str(), getuid());
    EXPECT_EQ(chosen.path, xdg);
    EXPECT_EQ(chosen.warning, "");
    EXPECT_NE(access(fallback().c_str(), F_OK), 0);
}

TEST_F(RuntimeFolderTest, AnUnsafeXdgRuntimeDirGivesWayToAFolderMadeAndChecked) {
    const std::string link = base + "/link";
    ASSERT_EQ(symlink(folder("target", 0700).c_str(), link.c_str()), 0);
    for (const std::string& xdg : {folder("open", 0755), link}) {
        SCOPED_TRACE(xdg);
        const mode_t umaskBefore = umask(0277); // would leave the new folder unwritable
        const RuntimeFolder chosen = ChooseRuntimeFolder(xdg.c_str(), base.c_str(), getuid());
        umask(umaskBefore);
        EXPECT_EQ(chosen.path, fallback());
        EXPECT_NE(chosen.warning.find("XDG_RUNTIME_DIR"), std::string::npos);
        EXPECT_EQ(PrivateFolderProblem(chosen.path, getuid()), "");
    }
    // Unset is no cause for a warning.
    const RuntimeFolder unset = ChooseRuntimeFolder(nullptr, base.c_str(), getuid());
    EXPECT_EQ(unset.path, fallback());
    EXPECT_EQ(unset.warning, "");
}

TEST_F(RuntimeFolderTest, AFallbackFolderSomeoneElsePreparedIsRefused) {
    ASSERT_EQ(symlink(folder("bait", 0700).c_str(), fallback().c_str()), 0);
    const RuntimeFolder chosen = ChooseRuntimeFolder(nullptr, base.c_str(), getuid());
    EXPECT_EQ(chosen.path, "");
    EXPECT_NE(chosen.warning.find("symbolic link"), std::string::npos);
    if (geteuid() != 0)
        GTEST_SKIP() << "a folder of another user needs root";
    ASSERT_EQ(unlink(fallback().c_str()), 0);
    ASSERT_EQ(mkdir(fallback().c_str(), 0700), 0);
    ASSERT_EQ(chown(fallback().c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(ChooseRuntimeFolder(nullptr, base.c_str(), getuid()).path, "");
}

TEST(PeerUserId, NamesTheUserBehindALocalSocket) {
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    EXPECT_EQ(PeerUserId(pair[0]), getuid());
    close(pair[0]);
    close(pair[1]);
    EXPECT_EQ(PeerUserId(pair[0]), std::nullopt);
}
