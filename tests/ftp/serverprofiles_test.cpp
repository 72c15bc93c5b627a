// The profiles file: contents after new, save and delete, and its owner-only mode.
#include "ftp/serverprofiles.h"
#include "platform/errors.h"
#include "platform/inifile.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

using namespace velloran;

namespace {

unsigned ModeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 07777;
}

} // namespace

TEST(ServerProfiles, SavedProfilesReadBackInFileOrderFromAnOwnerOnlyFile) {
    TempDir dir;
    ServerProfiles profiles(dir.file("servers.ini"));
    EXPECT_TRUE(profiles.names().empty());
    EXPECT_EQ(profiles.load("nowhere").userName, "");
    EXPECT_TRUE(profiles.load("nowhere").passive);
    profiles.save("ftp.example.org/www", {"me", "s3cret", false, TransferProtocol::Ftp, ""});
    profiles.save("127.0.0.1:2121", {"anonymous", "a@b.invalid", true, TransferProtocol::Ftp, ""});
    EXPECT_EQ(ModeOf(dir.file("servers.ini")), 0600u);
    EXPECT_EQ(profiles.names(),
              (std::vector<std::string>{"ftp.example.org/www", "127.0.0.1:2121"}));
    const ServerProfile first = profiles.load("ftp.example.org/www");
    EXPECT_EQ(first.userName, "me");
    EXPECT_EQ(first.password, "s3cret");
    EXPECT_FALSE(first.passive);
    // Saving again changes the keys in place and adds no second section.
    profiles.save("ftp.example.org/www", {"you", "other", true, TransferProtocol::Ftp, ""});
    EXPECT_EQ(profiles.names().size(), 2u);
    EXPECT_EQ(profiles.load("ftp.example.org/www").userName, "you");
    EXPECT_EQ(IniFile(dir.file("servers.ini")).readString("ftp.example.org/www", "password", ""),
              "other");
    profiles.erase("ftp.example.org/www");
    EXPECT_EQ(profiles.names(), std::vector<std::string>{"127.0.0.1:2121"});
    EXPECT_EQ(ModeOf(dir.file("servers.ini")), 0600u);
}

TEST(ServerProfiles, AWiderModeIsNarrowedBeforeAPasswordIsWritten) {
    TempDir dir;
    const std::string path = dir.file("servers.ini");
    std::ofstream(path) << "[old]\r\nusername=x\r\n";
    ::chmod(path.c_str(), 0644);
    ServerProfiles profiles(path);
    EXPECT_TRUE(profiles.load("old").passive); // no "passive" key: on
    profiles.save("new", {"u", "p", true, TransferProtocol::Ftp, ""});
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(profiles.names(), (std::vector<std::string>{"old", "new"}));
    ::chmod(path.c_str(), 0666);
    profiles.erase("old");
    EXPECT_EQ(ModeOf(path), 0600u);
    // A text that cannot be a section name (an IPv6 address in brackets) is refused and the
    // file stays as it was.
    EXPECT_THROW(profiles.save("[::1]:2121", {"u", "p", true, TransferProtocol::Ftp, ""}),
                 VelloranError);
    EXPECT_EQ(profiles.names(), std::vector<std::string>{"new"});
}

TEST(ServerProfiles, ProtocolAndTrustedIdentityRoundTripAndOldFilesReadAsPlainFtp) {
    TempDir dir;
    std::ofstream(dir.file("servers.ini")) << ("[old.example.org]\r\nusername=me\r\npassword=pw\r\n"
                                               "[bad.example.org]\r\nprotocol=gopher\r\n");
    ServerProfiles profiles(dir.file("servers.ini"));
    EXPECT_EQ(profiles.load("old.example.org").protocol, TransferProtocol::Ftp);
    EXPECT_THROW((void)profiles.load("bad.example.org"), VelloranError);
    profiles.save("old.example.org", {"me", "pw", true, TransferProtocol::Ftps, "AB:CD"});
    const ServerProfile back = profiles.load("old.example.org");
    EXPECT_EQ(back.protocol, TransferProtocol::Ftps);
    EXPECT_EQ(back.fingerprint, "AB:CD");
    profiles.save("old.example.org", {"me", "pw", true, TransferProtocol::Ftp, ""});
    EXPECT_FALSE(IniFile(dir.file("servers.ini")).hasKey("old.example.org", "fingerprint"));
}
