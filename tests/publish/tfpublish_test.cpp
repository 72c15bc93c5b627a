// The publish window and publish on save against a real FTP server, and the one save
// question before a publish.
#include "app/startup.h"
#include "ftp/ftpservers.h"
#include "ftp/serverprofiles.h"
#include "ftp/tlslink.h"
#include "guitest.h"
#include "platform/prompter.h"
#include "project/projecttree.h"
#include "publish/ui/savepublisher.h"
#include "publish/ui/tfpublish.h"
#include "tempdir.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace velloran;
namespace fs = std::filesystem;

namespace {

class PublishWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!velloran::testing::PyFtpServer::available())
            GTEST_SKIP() << "pyftpdlib is not available here";
        m_server = std::make_unique<velloran::testing::PyFtpServer>(m_serverRoot.path);
        m_profile = "127.0.0.1:" + std::to_string(m_server->port());
        std::ofstream(m_site.file("servers.ini"))
            << "[" << m_profile << "]\nusername=" << m_server->user()
            << "\npassword=" << m_server->password() << "\n";
        ProjectFolder& folder = m_tree.addFolder("Site", nullptr);
        fs::create_directory(m_site.file("css"));
        for (const char* name : {"index.htm", "about.htm", "css/site.css"}) {
            std::ofstream(m_site.file(name)) << "text of " << name;
            TProjectFile entry;
            entry.FileInfo = name;
            m_tree.appendFile(folder, entry);
        }
        PublishState state = PublishState::Load(PublishState::FileFor(projectFile()));
        state.settings = {m_profile, "/www", false};
        state.save();
    }

    std::string projectFile() const { return m_site.file("site.vpr"); }
    std::unique_ptr<TfPublish> window() {
        return std::make_unique<TfPublish>(m_prompter, m_tree, projectFile(),
                                           m_site.file("servers.ini"), m_site.file("velloran.ini"));
    }
    bool onServer(const std::string& name) const { return fs::exists(m_serverRoot.file(name)); }

    TempDir m_serverRoot;
    TempDir m_site;
    std::unique_ptr<velloran::testing::PyFtpServer> m_server;
    std::string m_profile;
    ProjectTree m_tree;
    ScriptedPrompter m_prompter;
};

} // namespace

TEST_F(PublishWindowTest, CheckListsWithoutSendingThenPublishSendsThemAll) {
    auto publish = window();
    EXPECT_EQ(publish->cbServer->currentText().toStdString(), m_profile);
    int saveQuestions = 0;
    publish->saveDocuments = [&] { return ++saveQuestions > 1; }; // the first is cancelled
    EXPECT_FALSE(publish->bbCheckClick());
    ASSERT_TRUE(publish->bbCheckClick());
    EXPECT_EQ(publish->lvFiles->topLevelItemCount(), 3);
    EXPECT_EQ(publish->lvFiles->topLevelItem(2)->text(1), "/www/css/site.css");
    EXPECT_TRUE(publish->lTotal->text().startsWith("3 file(s) to send"))
        << publish->lTotal->text().toStdString();
    EXPECT_FALSE(onServer("www"));

    const PublishResult result = publish->bbPublishClick();
    EXPECT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.sent, 3u);
    EXPECT_TRUE(onServer("www/css/site.css"));
    EXPECT_EQ(publish->ProgressBar1->value(), publish->ProgressBar1->maximum());
    EXPECT_EQ(publish->lCurrent->text(), "Published 3 file(s).");
    EXPECT_TRUE(publish->bbPublish->isEnabled());
    EXPECT_FALSE(publish->bbAbort->isEnabled());

    // Nothing changed: nothing to send. A new remote folder starts the record afresh.
    ASSERT_TRUE(publish->bbCheckClick());
    EXPECT_EQ(publish->plan().send.size(), 0u);
    publish->eBaseDir->setText("/other");
    EXPECT_EQ(publish->bbPublishClick().sent, 3u);
    EXPECT_TRUE(onServer("other/index.htm"));
    EXPECT_TRUE(m_prompter.messages.empty());
}

TEST_F(PublishWindowTest, AMissingProfileIsReportedAndSendsNothing) {
    std::ofstream(m_site.file("servers.ini")) << "";
    auto publish = window();
    EXPECT_FALSE(publish->bbCheckClick());
    ASSERT_EQ(m_prompter.messages.size(), 1u);
    EXPECT_NE(m_prompter.messages[0].text.find("There is no server profile"), std::string::npos);
}

TEST_F(PublishWindowTest, ASavedDocumentGoesUpOnlyWhenTheProjectAsksForIt) {
    SavePublisher publisher(m_site.file("servers.ini"), m_site.file("velloran.ini"));
    std::vector<std::string> results;
    publisher.onResult = [&](const std::string& text) { results.push_back(text); };
    const TProjectFile& entry = *m_tree.folders().front()->files().front();
    publisher.fileSaved(projectFile(), entry);
    publisher.waitIdle();
    EXPECT_FALSE(onServer("www/index.htm"));

    PublishState state = PublishState::Load(PublishState::FileFor(projectFile()));
    state.settings.publishOnSave = true;
    state.save();
    publisher.fileSaved(projectFile(), entry);
    ASSERT_TRUE(waitFor([&] { return !results.empty(); }));
    EXPECT_EQ(results, std::vector<std::string>{"Published /www/index.htm"});
    EXPECT_TRUE(onServer("www/index.htm"));
    EXPECT_EQ(PublishState::Load(state.path()).files.count("/www/index.htm"), 1u);

    // A server that is gone: the failure is a line in the status bar, nothing more.
    m_server.reset();
    std::ofstream(m_site.file("index.htm")) << "changed";
    publisher.fileSaved(projectFile(), entry);
    ASSERT_TRUE(waitFor([&] { return results.size() == 2; }));
    EXPECT_TRUE(results[1].starts_with("Publishing failed: ")) << results[1];
}

namespace {

struct Documents : DocumentSet {
    std::vector<std::string> names{"/site/a.htm", "/elsewhere/b.htm", "/site/c.htm"};
    std::vector<bool> modified{true, true, false};
    std::vector<std::string> saved;
    size_t documentCount() const override { return names.size(); }
    bool isModified(size_t i) const override { return modified[i]; }
    std::string documentName(size_t i) const override { return names[i]; }
    bool saveDocument(size_t i) override {
        saved.push_back(names[i]);
        return true;
    }
};

} // namespace

TEST(SaveBeforePublish, OneQuestionForTheProjectsChangedDocuments) {
    const auto inProject = [](const std::string& name) { return name.starts_with("/site/"); };
    for (const Answer answer : {Answer::Cancel, Answer::No, Answer::Yes}) {
        Documents documents;
        ScriptedPrompter prompter;
        prompter.planAnswer(answer);
        EXPECT_EQ(ConfirmSaveBeforePublish(documents, prompter, inProject),
                  answer != Answer::Cancel);
        ASSERT_EQ(prompter.messages.size(), 1u);
        EXPECT_NE(prompter.messages[0].text.find("/site/a.htm"), std::string::npos);
        EXPECT_EQ(prompter.messages[0].text.find("b.htm"), std::string::npos);
        EXPECT_EQ(documents.saved, answer == Answer::Yes ? std::vector<std::string>{"/site/a.htm"}
                                                         : std::vector<std::string>{});
    }
}

// Over FTPS the window asks about an identity nobody vouches for, as the FTP window does, and
// the profile trusts it from then on; No sends nothing.
TEST(PublishWindowTls, AnUnknownIdentityIsAskedAndPinnedInTheProfile) {
    if (!velloran::testing::PyFtpServer::tlsAvailable() ||
        !velloran::testing::TestCertificate::available())
        GTEST_SKIP() << "pyftpdlib with TLS or openssl is not available here";
    TempDir root, site;
    velloran::testing::TestCertificate certificate;
    velloran::testing::PyFtpServer server(root.path, "user", "secret", &certificate);
    const std::string profile = "127.0.0.1:" + std::to_string(server.port());
    const std::string servers = site.file("servers.ini");
    std::ofstream(servers) << "[" << profile
                           << "]\nusername=user\npassword=secret\nprotocol=ftps\n";
    ProjectTree tree;
    TProjectFile entry;
    entry.FileInfo = "index.htm";
    tree.appendFile(tree.addFolder("Site", nullptr), entry);
    std::ofstream(site.file("index.htm")) << "page";
    const std::string projectFile = site.file("site.vpr");
    PublishState state = PublishState::Load(PublishState::FileFor(projectFile));
    state.settings = {profile, "/www", false};
    state.save();
    ScriptedPrompter prompter;
    TfPublish window(prompter, tree, projectFile, servers, site.file("velloran.ini"));

    prompter.planAnswer(Answer::No);
    EXPECT_FALSE(window.bbCheckClick());
    ASSERT_GE(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].kind, MessageKind::Confirmation);
    EXPECT_NE(prompter.messages[0].text.find(certificate.fingerprint()), std::string::npos);

    prompter.messages.clear();
    prompter.planAnswer(Answer::Yes);
    ASSERT_TRUE(window.bbPublishClick().ok())
        << (prompter.messages.empty() ? "" : prompter.messages.back().text);
    EXPECT_EQ(prompter.messages.size(), 1u);
    EXPECT_TRUE(fs::exists(root.file("www/index.htm")));
    EXPECT_TRUE(SameFingerprint(ServerProfiles(servers).load(profile).fingerprint,
                                certificate.fingerprint()));
}
