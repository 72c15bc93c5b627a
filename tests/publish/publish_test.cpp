// Publishing a project: remote paths, the record file, and whole publishes against a
// real FTP server, including one the connection breaks off.
#include "app/exportcommand.h"
#include "app/publishcommand.h"
#include "ftp/ftpclient.h"
#include "ftp/ftpservers.h"
#include "ftp/remoteclient.h"
#include "ftp/serverprofiles.h"
#include "ftp/sftpclient.h"
#include "platform/inifile.h"
#include "project/projectformat.h"
#include "project/projecttree.h"
#include "publish/publisher.h"
#include "publish/publishsession.h"
#include "publish/remotetarget.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace velloran;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string& name) {
    std::stringstream bytes;
    bytes << std::ifstream(name, std::ios::binary).rdbuf();
    return bytes.str();
}

TProjectFile Entry(std::string path, std::string webLoc = {}) {
    TProjectFile file;
    file.FileInfo = std::move(path);
    file.WebLoc = std::move(webLoc);
    return file;
}

std::optional<std::string> Remote(const TProjectFile& file, const std::string& base = "/www") {
    return RemotePathFor(file, "/home/u/site", base);
}

} // namespace

TEST(PublishPaths, WebLocationsAndProjectRelativePaths) {
    EXPECT_EQ(Remote(Entry("index.htm")), "/www/index.htm");
    EXPECT_EQ(Remote(Entry("/home/u/site/css/./a.css")), "/www/css/a.css");
    EXPECT_EQ(Remote(Entry("index.htm"), ""), "index.htm"); // the login folder
    EXPECT_EQ(Remote(Entry("a.htm", "pages/b.htm")), "/www/pages/b.htm");
    EXPECT_EQ(Remote(Entry("a.htm", "/top.htm")), "/top.htm");
    EXPECT_EQ(Remote(Entry("img/a.png", "media/")), "/www/media/a.png");
    EXPECT_EQ(Remote(Entry("a.htm", "https://example.com/x/a.htm")), "/x/a.htm");
    // Outside the project's folder: only with a web location.
    EXPECT_EQ(Remote(Entry("/etc/passwd")), std::nullopt);
    EXPECT_EQ(Remote(Entry("../other/a.htm")), std::nullopt);
    EXPECT_EQ(Remote(Entry("../other/a.htm", "a.htm")), "/www/a.htm");
    // Nothing climbs out of the server's root or splits a command line.
    EXPECT_EQ(Remote(Entry("a.htm", "/../../etc/a.htm")), std::nullopt);
    EXPECT_EQ(Remote(Entry("a.htm", "x\r\nDELE y")), std::nullopt);
    EXPECT_EQ(Remote(Entry("a.htm", "../a.htm")), "/a.htm");
    EXPECT_EQ(TemporaryRemoteName("/www/a.htm"), "/www/.a.htm.part");
    EXPECT_EQ(TemporaryRemoteName("a.htm"), ".a.htm.part");
}

TEST(PublishState, RoundTripKeepsBlanksAndMissingFileGivesDefaults) {
    TempDir dir;
    const std::string path = PublishState::FileFor(dir.file("my site.vpr"));
    EXPECT_EQ(path, dir.file("my site.publish"));
    PublishState state = PublishState::Load(path);
    EXPECT_TRUE(state.files.empty());
    EXPECT_EQ(state.settings.baseDir, "");
    state.settings = {"Home server", " /www ", true};
    state.files[" /www/odd name.htm "] = {12, 1'700'000'000'123'456'789, "ab12"};
    state.files["/www/b=c.htm"] = {0, -1, ""};
    state.save();
    const PublishState back = PublishState::Load(path);
    EXPECT_EQ(back.settings.profile, "Home server");
    EXPECT_EQ(back.settings.baseDir, " /www ");
    EXPECT_TRUE(back.settings.publishOnSave);
    EXPECT_EQ(back.files, state.files);
}

namespace {

// Uploads counted and checked, and the connection broken off at the chosen upload.
class WatchedTarget : public RemotePublishTarget {
public:
    WatchedTarget(FtpRemoteClient& client, int breakAt)
        : RemotePublishTarget(client), m_client(client), m_breakAt(breakAt) {}
    void upload(const std::string& local, const std::string& remote) override {
        if (++uploads == m_breakAt)
            m_client.ftp().CloseSocket();
        uploadedNames.push_back(remote);
        RemotePublishTarget::upload(local, remote);
    }
    int uploads = 0;
    std::vector<std::string> uploadedNames;

private:
    FtpRemoteClient& m_client;
    int m_breakAt;
};

class PublishToServer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!velloran::testing::PyFtpServer::available())
            GTEST_SKIP() << "pyftpdlib is not available here";
        fs::create_directory(m_serverRoot.file("www"));
        m_server = std::make_unique<velloran::testing::PyFtpServer>(m_serverRoot.path);
        m_projectFile = m_site.file("site.vpr");
        m_state = PublishState::Load(PublishState::FileFor(m_projectFile));
        m_state.settings.baseDir = "/www";
        // 20 files in 3 folders: the top, "pages" and "pages/img".
        ProjectFolder& folder = m_tree.addFolder("Site", nullptr);
        fs::create_directories(m_site.file("pages/img"));
        for (int i = 0; i < 20; ++i) {
            const std::string name = i < 7    ? "page" + std::to_string(i) + ".htm"
                                     : i < 14 ? "pages/p" + std::to_string(i) + ".htm"
                                              : "pages/img/i" + std::to_string(i) + ".png";
            write(name, "content of " + name);
            m_tree.appendFile(folder, Entry(name));
        }
    }

    void write(const std::string& name, const std::string& text) {
        std::ofstream(m_site.file(name), std::ios::binary) << text;
    }

    void connect() {
        m_client = std::make_unique<FtpRemoteClient>(false);
        m_client->Host = "127.0.0.1";
        m_client->Port = m_server->port();
        m_client->UserID = m_server->user();
        m_client->Password = m_server->password();
        m_client->Passive = true;
        m_client->Connect();
    }

    // A dry run, then the publish; the sent remote paths.
    PublishResult publish(PublishPlan& plan, int breakAt = 0) {
        connect();
        WatchedTarget target(*m_client, breakAt);
        plan = MakePublishPlan(m_tree, m_projectFile, m_state,
                               [&](const std::string& dir) { return target.folderSizes(dir); });
        EXPECT_EQ(target.uploads, 0); // planning sends nothing
        PublishResult result = Publish(plan, m_state, target);
        for (const auto& name : target.uploadedNames)
            EXPECT_TRUE(RemoteNameOf(name).starts_with('.') && name.ends_with(".part")) << name;
        m_uploads += target.uploads;
        if (m_client->Connected())
            m_client->Disconnect();
        return result;
    }

    std::string onServer(const std::string& name) const {
        return Slurp(m_serverRoot.file("www/" + name));
    }

    TempDir m_serverRoot;
    TempDir m_site;
    std::unique_ptr<velloran::testing::PyFtpServer> m_server;
    std::unique_ptr<FtpRemoteClient> m_client;
    std::string m_projectFile;
    PublishState m_state;
    ProjectTree m_tree;
    int m_uploads = 0;
};

} // namespace

TEST_F(PublishToServer, SendsOnlyWhatChangedAndResumesAfterABrokenConnection) {
    // The connection goes down at the sixth file: five are done and recorded.
    PublishPlan plan;
    PublishResult result = publish(plan, 6);
    EXPECT_EQ(plan.send.size(), 20u);
    EXPECT_EQ(result.sent, 5u);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(PublishState::Load(m_state.path()).files.size(), 5u);

    m_state = PublishState::Load(m_state.path());
    result = publish(plan);
    EXPECT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(plan.send.size(), 15u); // nothing sent twice
    EXPECT_EQ(m_uploads, 6 + 15);
    EXPECT_EQ(onServer("pages/img/i19.png"), "content of pages/img/i19.png");
    for (const auto& entry : fs::recursive_directory_iterator(m_serverRoot.file("www")))
        EXPECT_FALSE(entry.path().filename().string().ends_with(".part")) << entry.path();

    // Unchanged: nothing to send.
    result = publish(plan);
    EXPECT_TRUE(plan.send.empty());
    EXPECT_EQ(plan.unchanged, 20u);

    // One file changed, one added, one altered on the server behind our back.
    write("pages/p8.htm", "new text");
    write("added.htm", "added");
    m_tree.appendFile(*m_tree.folders().front(), Entry("added.htm", "extra/"));
    std::ofstream(m_serverRoot.file("www/page0.htm")) << "tampered with";
    result = publish(plan);
    ASSERT_TRUE(result.ok()) << result.error;
    ASSERT_EQ(plan.send.size(), 3u);
    EXPECT_EQ(plan.send[0].remotePath, "/www/page0.htm");
    EXPECT_EQ(plan.send[0].reason, SendReason::SizeDiffers);
    EXPECT_EQ(plan.send[1].reason, SendReason::Changed);
    EXPECT_EQ(plan.send[2].remotePath, "/www/extra/added.htm");
    EXPECT_EQ(plan.send[2].reason, SendReason::New);
    EXPECT_EQ(onServer("pages/p8.htm"), "new text");
    EXPECT_EQ(onServer("extra/added.htm"), "added");
    EXPECT_EQ(onServer("page0.htm"), "content of page0.htm");
}

TEST_F(PublishToServer, UnreadableFilesAreSkippedNotFatal) {
    m_tree.appendFile(*m_tree.folders().front(), Entry("missing.htm"));
    m_tree.appendFile(*m_tree.folders().front(), Entry("/etc/hostname"));
    PublishPlan plan;
    const PublishResult result = publish(plan);
    EXPECT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.sent, 20u);
    ASSERT_EQ(plan.skipped.size(), 2u);
    EXPECT_NE(plan.skipped[0].why.find("missing.htm"), std::string::npos);
}

TEST_F(PublishToServer, CommandLineDryRunThenPublishWithExitCodes) {
    std::ofstream(m_projectFile, std::ios::binary) << FormatProject(m_tree);
    const std::string servers = m_site.file("servers.ini");
    const std::string profile = "127.0.0.1:" + std::to_string(m_server->port()) + "/www";
    std::ofstream(servers) << "[" << profile << "]\nusername=" << m_server->user()
                           << "\npassword=" << m_server->password() << "\n";
    const std::string settings = m_site.file("velloran.ini");
    auto run = [&](std::vector<std::string> args, std::string* output = nullptr) {
        std::ostringstream out, err;
        const auto status = RunPublishCommand(args, out, err, servers, settings);
        if (output)
            *output = out.str() + err.str();
        return status.value_or(-1);
    };
    EXPECT_EQ(run({"--export=text", "a.htm"}), -1); // not ours
    EXPECT_EQ(run({"--publish"}), kExitUsageError);
    std::string output;
    EXPECT_EQ(run({"--publish", m_projectFile}, &output), kExitFileError);
    EXPECT_NE(output.find("no server is chosen"), std::string::npos) << output;

    m_state.settings.profile = profile; // the login folder is /www: paths relative to it
    m_state.save();
    ASSERT_EQ(run({"--dry-run", "--publish", m_projectFile}, &output), 0) << output;
    EXPECT_NE(output.find("new\t/www/pages/img/i19.png\t"), std::string::npos) << output;
    EXPECT_NE(output.find("20 to send"), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(m_serverRoot.file("www/page0.htm")));

    ASSERT_EQ(run({"--publish", m_projectFile}, &output), 0) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 21);
    EXPECT_EQ(onServer("page0.htm"), "content of page0.htm");
    ASSERT_EQ(run({"--publish", m_projectFile}, &output), 0) << output;
    EXPECT_EQ(output, "0 sent, 20 unchanged\n");

    m_server.reset();
    EXPECT_EQ(run({"--publish", m_projectFile}, &output), kExitFileError);
}

namespace {

// A small site for the encrypted protocols: three pages in two folders.
struct SmallSite {
    TempDir dir;
    ProjectTree tree;
    std::string projectFile = dir.file("site.vpr");

    SmallSite() {
        ProjectFolder& folder = tree.addFolder("Site", nullptr);
        fs::create_directories(dir.file("pages"));
        for (const char* name : {"index.htm", "pages/a.htm", "pages/b.htm"}) {
            write(name, std::string("content of ") + name);
            tree.appendFile(folder, Entry(name));
        }
        std::ofstream(projectFile, std::ios::binary) << FormatProject(tree);
    }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(dir.file(name), std::ios::binary) << text;
    }
};

std::string ServersFile(const TempDir& dir, const std::string& profile, const std::string& body) {
    const std::string path = dir.file("servers.ini");
    std::ofstream(path) << "[" << profile << "]\n" << body;
    return path;
}

bool NoPartialFiles(const std::string& root) {
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.path().filename().string().ends_with(".part"))
            return false;
    return true;
}

} // namespace

// FTPS from the command line: a pinned self-signed certificate publishes, a server whose
// identity the profile does not pin is refused with what to do, since nobody can be asked.
TEST(PublishSecure, FtpsFromTheCommandLineOnlyToATrustedIdentity) {
    if (!velloran::testing::PyFtpServer::tlsAvailable() ||
        !velloran::testing::TestCertificate::available())
        GTEST_SKIP() << "pyftpdlib with TLS or openssl is not available here";
    TempDir root;
    fs::create_directory(root.file("www"));
    velloran::testing::TestCertificate certificate;
    velloran::testing::PyFtpServer server(root.path, "user", "secret", &certificate);
    SmallSite site;
    const std::string profile = "127.0.0.1:" + std::to_string(server.port()) + "/www";
    PublishState state = PublishState::Load(PublishState::FileFor(site.projectFile));
    state.settings.profile = profile;
    state.save();
    const std::string login = "username=user\npassword=secret\nprotocol=ftps\n";
    auto run = [&](std::string* output) {
        std::ostringstream out, err;
        const auto status =
            RunPublishCommand({"--publish", site.projectFile}, out, err,
                              site.dir.file("servers.ini"), site.dir.file("velloran.ini"));
        *output = out.str() + err.str();
        return status.value_or(-1);
    };
    std::string output;
    ServersFile(site.dir, profile, login);
    EXPECT_EQ(run(&output), kExitFileError);
    EXPECT_NE(output.find("not trusted yet"), std::string::npos) << output;
    EXPECT_NE(output.find(certificate.fingerprint()), std::string::npos) << output;
    EXPECT_EQ(output.find('\r'), std::string::npos);
    EXPECT_FALSE(fs::exists(root.file("www/index.htm")));

    ServersFile(site.dir, profile, login + "fingerprint=" + certificate.fingerprint() + "\n");
    ASSERT_EQ(run(&output), 0) << output;
    EXPECT_EQ(Slurp(root.file("www/pages/b.htm")), "content of pages/b.htm");
    site.write("pages/b.htm", "new b");
    ASSERT_EQ(run(&output), 0) << output;
    EXPECT_EQ(output, "changed\tpages/b.htm\t5 bytes\n1 sent, 2 unchanged\n");
    EXPECT_EQ(Slurp(root.file("www/pages/b.htm")), "new b");
    EXPECT_TRUE(NoPartialFiles(root.path));
}

// SFTP through the session the window and the command line share: OpenSSH renames onto no
// existing name, so a changed page replaces the old one by delete and rename.
TEST(PublishSecure, SftpPublishesAndReplacesChangedFiles) {
    using velloran::testing::SshServer;
    if (!SshServer::available())
        GTEST_SKIP() << "sshd is not available here (it needs openssh-server and root)";
    SshServer server;
    TempDir root, ssh;
    fs::create_directory(root.file("www"));
    SmallSite site;
    const std::string profile = "127.0.0.1:" + std::to_string(server.port()) + root.file("www");
    const std::string servers = ServersFile(site.dir, profile, "protocol=sftp\n");
    PublishState state = PublishState::Load(PublishState::FileFor(site.projectFile));
    state.settings.profile = profile;
    auto publish = [&](PublishPlan& plan, const std::function<bool(const std::string&)>& ask) {
        PublishSession session;
        session.ssh = {server.clientSshDir(), ssh.file("known_hosts"), ssh.file("no-agent")};
        session.onUnknownIdentity = ask;
        session.connect(ReadServerProfile(servers, profile));
        if (session.trustedFingerprint() != ReadServerProfile(servers, profile).fingerprint)
            StoreTrustedFingerprint(servers, profile, session.trustedFingerprint());
        plan = session.plan(site.tree, site.projectFile, state);
        return session.publish(plan, state);
    };

    // Nobody to ask: refused, with the fingerprint to check.
    PublishPlan plan;
    try {
        publish(plan, nullptr);
        ADD_FAILURE() << "an unknown host key was accepted";
    } catch (const VelloranError& error) {
        EXPECT_NE(std::string(error.what()).find(server.hostKeyFingerprint()), std::string::npos)
            << error.what();
    }
    EXPECT_FALSE(fs::exists(root.file("www/index.htm")));

    int questions = 0;
    const auto yes = [&](const std::string&) { return ++questions, true; };
    PublishResult result = publish(plan, yes);
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.sent, 3u);
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(IniFile(servers).readString(profile, "fingerprint", ""), server.hostKeyFingerprint());
    EXPECT_EQ(Slurp(root.file("www/pages/a.htm")), "content of pages/a.htm");

    site.write("pages/a.htm", "new a");
    site.write("index.htm", "new index");
    result = publish(plan, yes);
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(questions, 1); // trusted from the profile
    ASSERT_EQ(plan.send.size(), 2u);
    EXPECT_EQ(Slurp(root.file("www/pages/a.htm")), "new a");
    EXPECT_EQ(Slurp(root.file("www/index.htm")), "new index");
    EXPECT_EQ(Slurp(root.file("www/pages/b.htm")), "content of pages/b.htm");
    EXPECT_TRUE(NoPartialFiles(root.path));
    EXPECT_EQ(PublishState::Load(state.path()).files.size(), 3u);
}
