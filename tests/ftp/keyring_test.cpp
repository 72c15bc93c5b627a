// The password store against a real gnome-keyring on a private session bus, and without any
// Secret Service. The binary runs itself under dbus-run-session so that no test ever touches
// the keyring of the desktop it happens to run on.
#include "ftp/passwordstore.h"
#include "ftp/serverprofiles.h"
#include "platform/inifile.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <limits.h>
#include <string>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace velloran;

namespace {

constexpr const char* kMarker = "VELLORAN_PRIVATE_BUS";
constexpr const char* kDaemon = "/usr/bin/gnome-keyring-daemon";

bool OnPrivateBus() {
    return std::getenv(kMarker) != nullptr && std::getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr;
}

bool SecretServiceOnBus() {
    FILE* reply = ::popen("/usr/bin/dbus-send --session --print-reply --dest=org.freedesktop.DBus "
                          "/org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner "
                          "string:org.freedesktop.secrets 2>/dev/null",
                          "r");
    if (reply == nullptr)
        return false;
    std::string text;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, reply))
        text += buffer;
    ::pclose(reply);
    return text.find("boolean true") != std::string::npos;
}

// gnome-keyring-daemon with its login keyring unlocked, its files in a folder of its own.
class KeyringDaemon {
public:
    KeyringDaemon() {
        ::chmod(m_home.path.c_str(), 0700);
        int input[2];
        if (::pipe2(input, O_CLOEXEC) != 0)
            throw std::runtime_error("cannot create a pipe");
        const std::string home = m_home.path;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::dup2(input[0], 0);
            ::setenv("HOME", home.c_str(), 1);
            ::setenv("XDG_DATA_HOME", home.c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
            ::execl(kDaemon, kDaemon, "--foreground", "--unlock", "--components=secrets",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(input[0]);
        const std::string password = "keyring password";
        const bool written = ::write(input[1], password.data(), password.size()) ==
                             static_cast<ssize_t>(password.size());
        ::close(input[1]);
        if (m_pid < 0 || !written)
            throw std::runtime_error("cannot start " + std::string(kDaemon));
        // Its start-up is over once it owns the service name on the bus.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!SecretServiceOnBus()) {
            if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
                m_pid = -1;
                throw std::runtime_error("gnome-keyring-daemon exited while starting");
            }
            if (std::chrono::steady_clock::now() > deadline)
                throw std::runtime_error("gnome-keyring-daemon did not start within 10 s");
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~KeyringDaemon() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }

private:
    TempDir m_home;
    pid_t m_pid = -1;
};

} // namespace

TEST(PasswordStoreKeyring, PasswordsGoInComeBackAndLeavePerProfile) {
    if (!OnPrivateBus() || ::access(kDaemon, X_OK) != 0)
        GTEST_SKIP() << "gnome-keyring or dbus-run-session is not installed";
    KeyringDaemon daemon;
    PasswordStore store;
    EXPECT_EQ(store.Lookup("ftp.example.com"), std::nullopt);
    EXPECT_EQ(store.LastError(), "");
    ASSERT_EQ(store.Store("ftp.example.com", "first"), PasswordPlace::Keyring) << store.LastError();
    const std::string odd = "p\xC3\xA4ss w=rd;\"'\\";
    ASSERT_EQ(store.Store("ftp.example.com/www", odd), PasswordPlace::Keyring);
    // Saving again replaces, never adds a second item the lookups would pick among.
    ASSERT_EQ(store.Store("ftp.example.com", "second"), PasswordPlace::Keyring);
    EXPECT_FALSE(store.FallbackNoticeDue());

    // Nothing is cached: a store of its own reads what the keyring holds.
    PasswordStore other;
    EXPECT_EQ(other.Lookup("ftp.example.com"), "second");
    EXPECT_EQ(other.Lookup("ftp.example.com/www"), odd);
    EXPECT_EQ(other.Lookup("ftp.example"), std::nullopt);

    EXPECT_TRUE(store.Erase("ftp.example.com"));
    EXPECT_FALSE(store.Erase("ftp.example.com"));
    EXPECT_EQ(other.Lookup("ftp.example.com"), std::nullopt);
    EXPECT_EQ(other.Lookup("ftp.example.com/www"), odd);
}

TEST(PasswordStoreKeyring, WithoutASecretServiceThePasswordStaysWithTheCaller) {
    if (!OnPrivateBus())
        GTEST_SKIP() << "dbus-run-session is not installed";
    if (SecretServiceOnBus())
        GTEST_SKIP() << "a Secret Service is still running on this bus";
    PasswordStore store;
    EXPECT_EQ(store.Store("ftp.example.com", "secret"), PasswordPlace::ProfileFile);
    EXPECT_NE(store.LastError(), "");
    EXPECT_NE(KeyringFallbackNotice(store.LastError()).find("servers.ini"), std::string::npos);
    EXPECT_EQ(store.Lookup("ftp.example.com"), std::nullopt);
    EXPECT_FALSE(store.Erase("ftp.example.com"));
    // Said once, however many saves fall back.
    EXPECT_EQ(store.Store("ftp.example.com", "secret"), PasswordPlace::ProfileFile);
    EXPECT_TRUE(store.FallbackNoticeDue());
    EXPECT_FALSE(store.FallbackNoticeDue());
}

int main(int argc, char** argv) {
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    constexpr const char* kRunSession = "/usr/bin/dbus-run-session";
    if (!listing && std::getenv(kMarker) == nullptr && ::access(kRunSession, X_OK) == 0) {
        ::setenv(kMarker, "1", 1);
        std::vector<char*> args{const_cast<char*>(kRunSession),
                                const_cast<char*>("--config-file=" VELLORAN_PRIVATE_BUS_CONF),
                                const_cast<char*>("--")};
        // Our own file, however the binary was started.
        char self[PATH_MAX] = {};
        const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
        args.push_back(length > 0 ? self : argv[0]);
        for (int i = 1; i < argc; ++i)
            args.push_back(argv[i]);
        args.push_back(nullptr);
        ::execv(kRunSession, args.data());
        std::perror("dbus-run-session");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

TEST(PasswordStoreKeyring, AnOldProfilesPasswordMovesToTheKeyringAtItsNextSave) {
    if (!OnPrivateBus() || ::access(kDaemon, X_OK) != 0)
        GTEST_SKIP() << "gnome-keyring or dbus-run-session is not installed";
    KeyringDaemon daemon;
    TempDir dir;
    const std::string file = dir.file("servers.ini");
    std::ofstream(file) << "[old.example.org]\r\nusername=me\r\npassword=from file\r\n";
    PasswordStore store;
    ServerProfiles profiles(file, &store);
    ServerProfile profile = profiles.load("old.example.org");
    EXPECT_EQ(profile.password, "from file");
    EXPECT_TRUE(profiles.save("old.example.org", profile));
    EXPECT_FALSE(IniFile(file).hasKey("old.example.org", "password"));
    EXPECT_EQ(profiles.load("old.example.org").password, "from file");
    profiles.erase("old.example.org");
    EXPECT_EQ(store.Lookup("old.example.org"), std::nullopt);
}
