// The client against a scripted server, for replies real servers never send: odd greetings,
// refusals, proxies, unsupported commands, silent peers, foreign data connections and failed
// transfers. Each test checks the exact command sequence.
#include "ftp/ftpclient.h"
#include "scriptedserver.h"
#include "tempdir.h"
#include "turnhook.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace velloran;
using velloran::testing::ScriptedFtpServer;

namespace {

using Lines = std::vector<std::string>;

// A client of the scripted server that records its log and its events.
struct Session {
    ScriptedFtpServer server;
    // Before the client, which still logs its goodbye when a failed test leaves it connected.
    Lines log;
    Lines events;
    TFtpClient client;

    Session() {
        client.Host = "127.0.0.1";
        client.Port = server.port();
        client.UserID = "u";
        client.Password = "p";
        client.ReportLevel = 2;
        client.ReplyTimeOut = 3000;
        client.OnStatus = [this](TAsyncSocket&, const std::string& text) { log.push_back(text); };
        client.OnSuccess = [this](TCmdType type) { record("success", type); };
        client.OnUnSupportedFunction = [this](TCmdType type) { record("unsupported", type); };
        client.OnFailure = [this](bool&, TCmdType type) { record("failure", type); };
    }
    void record(const char* what, TCmdType type) {
        events.push_back(std::string(what) + " " + std::to_string(static_cast<int>(type)));
    }
    ScriptedFtpServer& login() {
        return server.reply("220 ready\r\n")
            .expect("USER u")
            .reply("331 password\r\n")
            .expect("PASS p")
            .reply("230 in\r\n");
    }
    // Ends the script with the client's goodbye and runs the client's part.
    std::string run(const std::function<void()>& clientPart) {
        server.expect("QUIT").reply("221 bye\r\n").waitForClose().start();
        clientPart();
        if (client.Connected())
            client.Disconnect();
        return server.finish();
    }
};

std::string Failure(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no error";
}

bool Contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

} // namespace

TEST(ScriptedFtp, GreetingsAndLogins) {
    {
        // A three-line greeting is read whole; USER answered with 230 needs no PASS.
        Session s;
        int connects = 0;
        s.client.OnConnect = [&](TAsyncSocket&) { ++connects; };
        s.server.reply("220-Welcome\r\n220-to the test\r\n220 ready\r\n")
            .expect("USER u")
            .reply("230 no password needed\r\n");
        EXPECT_EQ(s.run([&] { s.client.Connect(); }), "");
        EXPECT_EQ(connects, 1);
        EXPECT_TRUE(Contains(s.log, "220-to the test"));
        EXPECT_EQ(s.server.commands(), (Lines{"USER u", "QUIT"}));
    }
    {
        // Text lines inside a multi-line greeting do not end it early.
        Session s;
        s.server.reply("220-Rules:\r\nno uploads at night\r\n220 ready\r\n")
            .expect("USER u")
            .reply("331 password\r\n")
            .expect("PASS p")
            .reply("230 in\r\n");
        EXPECT_EQ(s.run([&] { s.client.Connect(); }), "");
    }
    {
        // A refused login leaves the client unconnected, with "Disconnected" in the log.
        Session s;
        s.server.reply("220 ready\r\n")
            .expect("USER u")
            .reply("331 password\r\n")
            .expect("PASS p")
            .reply("530 Login incorrect.\r\n");
        std::string error;
        EXPECT_EQ(s.run([&] { error = Failure([&] { s.client.Connect(); }); }), "");
        EXPECT_EQ(error, "530 Login incorrect.\r\n");
        EXPECT_FALSE(s.client.Connected());
        EXPECT_EQ(s.log.back(), "Disconnected");
        EXPECT_FALSE(Contains(s.log, "PASS p"));
    }
    {
        // Through a proxy the target host travels in the user name.
        Session s;
        s.client.Proxy = "127.0.0.1";
        s.client.ProxyPort = s.server.port();
        s.client.Port = 1;
        s.client.Host = "ftp.example.com";
        s.server.reply("220 proxy\r\n").expect("USER u@ftp.example.com").reply("230 in\r\n");
        EXPECT_EQ(s.run([&] { s.client.Connect(); }), "");
    }
    {
        // A server that refuses the session in its greeting says why.
        Session s;
        s.server.reply("421 Too many users\r\n");
        std::string error;
        EXPECT_EQ(s.run([&] { error = Failure([&] { s.client.Connect(); }); }), "");
        EXPECT_EQ(error, "421 Too many users\r\n");
    }
}

TEST(ScriptedFtp, IdleSessionClosedByTheServer) {
    // The server's "421" and its close come together while nobody looks, or an idle turn takes
    // the reply before the close comes; either way the next command, or the idle turn that the
    // window runs, finds the session closed and asks for a connection.
    for (const bool replyTakenFirst : {false, true}) {
        for (const bool idleTurnFirst : {false, true}) {
            SCOPED_TRACE(std::string(replyTakenFirst ? "reply taken first" : "reply with close") +
                         (idleTurnFirst ? ", idle turn" : ", command"));
            Session s;
            s.login().hold().reply("421 Timeout.\r\n");
            if (replyTakenFirst)
                s.server.hold();
            s.server.closeControl().start();
            s.client.Connect();
            s.server.release();
            if (replyTakenFirst) {
                for (int turn = 0; turn < 100 && !s.client.InboundBuffer().hasLine(); ++turn)
                    TAsyncSocket::ProcessNotifications(100);
                ASSERT_TRUE(s.client.InboundBuffer().hasLine());
                EXPECT_TRUE(s.client.Connected());
                s.server.release();
            }
            ASSERT_EQ(s.server.finish(), "");
            if (idleTurnFirst) {
                TAsyncSocket::ProcessNotifications(0);
                EXPECT_FALSE(s.client.Connected());
            }
            int asked = 0;
            s.client.OnConnectionRequired = [&](bool& handled) {
                ++asked;
                handled = false;
            };
            EXPECT_EQ(Failure([&] { (void)s.client.CurrentDirectory(); }), "Not Connected");
            EXPECT_EQ(asked, 1);
            EXPECT_FALSE(s.client.Connected());
        }
    }
}

TEST(ScriptedFtp, CommandRepliesAndTheirEvents) {
    Session s;
    s.login()
        .expect("TYPE I")
        .reply("200 binary\r\n")
        .expect("CWD missing")
        .reply("550 No such directory\r\n")
        .expect("PWD")
        .reply("257 /home is the directory\r\n")
        .expect("RNFR a")
        .reply("350 ready\r\n")
        .expect("RNTO b")
        .reply("502 not here\r\n");
    std::string cwdError, renameError, directory = "unset";
    EXPECT_EQ(s.run([&] {
        s.client.Connect();
        s.client.SetTransferType(2);
        cwdError = Failure([&] { s.client.ChangeDirectory("missing"); });
        directory = s.client.CurrentDirectory();
        renameError = Failure([&] { s.client.RenameFile("a", "b"); });
    }),
              "");
    // The log a user reads: replies, and each command before it goes out, without passwords.
    EXPECT_EQ(Lines(s.log.begin(), s.log.begin() + 8),
              (Lines{"220 ready", "331 password", "PASS ", "230 in", "TYPE I", "200 binary",
                     "CWD missing", "550 No such directory"}));
    EXPECT_EQ(cwdError, "550 No such directory\r\n");
    EXPECT_EQ(directory, "");
    EXPECT_EQ(renameError, "502 not here\r\n");
    EXPECT_EQ(s.events,
              (Lines{"success 14", "failure 0", "success 15", "unsupported 5", "failure 5"}));
}

TEST(ScriptedFtp, UnsupportedTransfersAndForeignDataConnections) {
    Session s;
    s.login()
        .expectAny()
        .reply("200 PORT ok\r\n")
        .expect("LIST")
        .reply("502 LIST not implemented\r\n")
        .expectAny()
        .reply("200 PORT ok\r\n")
        .expect("RETR a.htm")
        .reply("502 RETR not implemented\r\n")
        .expectAny()
        .reply("200 PORT ok\r\n")
        .expect("LIST")
        .openData("127.0.0.2")
        .reply("150 Here it comes\r\n")
        .closeData()
        .reply("226 Done\r\n")
        .expect("PWD")
        .reply("257 \"/\"\r\n");
    std::string listError, retrError, foreignError, directory;
    TempDir dir;
    EXPECT_EQ(s.run([&] {
        s.client.Connect();
        listError = Failure([&] { s.client.ListDirectory(); });
        retrError = Failure([&] { s.client.DownloadFile("a.htm", dir.file("a.htm")); });
        foreignError = Failure([&] { s.client.ListDirectory(); });
        // The closing reply of the refused transfer is not taken for PWD's answer.
        directory = s.client.CurrentDirectory();
    }),
              "");
    EXPECT_EQ(listError, "502 LIST not implemented\r\n");
    EXPECT_EQ(retrError, "502 RETR not implemented\r\n");
    EXPECT_EQ(foreignError, "Data connection from 127.0.0.2 refused: the server is 127.0.0.1");
    EXPECT_EQ(directory, "/");
    EXPECT_EQ(s.events, (Lines{"unsupported 4", "failure 4", "failure 8", "success 15"}));
    EXPECT_EQ(s.client.DataSocket(), nullptr);
}

TEST(ScriptedFtp, TransferSizesAndClosingReplies) {
    Session s;
    TempDir dir;
    std::ofstream(dir.file("up.htm")) << "<p>up</p>";
    s.login()
        .expectAny()
        .reply("200 PORT ok\r\n")
        .expect("RETR page.htm")
        .openData()
        .reply("150 Opening BINARY mode data connection for page.htm (1234 bytes).\r\n")
        .sendData("<html></html>")
        .closeData()
        .reply("226 Transfer complete\r\n")
        .expectAny()
        .reply("200 PORT ok\r\n")
        .expect("STOR up.htm")
        .openData()
        .reply("150 Ok to send data\r\n")
        .receiveData()
        .reply("552 Quota exceeded\r\n")
        .expectAny()
        .reply("200 PORT ok\r\n")
        .expect("LIST")
        .openData()
        .reply("125 Data connection already open\r\n")
        .sendData("-rw-r--r-- 1 u g 9 Jan  1  2020 up.htm\r\n")
        .closeData()
        .reply("226 Listed\r\n");
    std::vector<std::int64_t> announced;
    s.client.OnTransactionStart = [&](TAsyncSocket&) { announced.push_back(s.client.TotalBytes); };
    std::string uploadError;
    Lines listing;
    EXPECT_EQ(s.run([&] {
        s.client.Connect();
        s.client.DownloadFile("page.htm", dir.file("page.htm"));
        uploadError = Failure([&] { s.client.UploadFile(dir.file("up.htm"), ""); });
        s.client.OnListItem = [&](const std::string& line) { listing.push_back(line); };
        s.client.ListDirectory();
    }),
              "");
    EXPECT_EQ(announced, (std::vector<std::int64_t>{1234, 9, 0})); // reply, file, unknown
    std::stringstream page;
    page << std::ifstream(dir.file("page.htm")).rdbuf();
    EXPECT_EQ(page.str(), "<html></html>");
    EXPECT_TRUE(Contains(s.log, "Received 13 Bytes"));
    EXPECT_EQ(s.server.dataReceived(), "<p>up</p>");
    EXPECT_EQ(uploadError, "552 Quota exceeded\r\n");
    EXPECT_EQ(listing, Lines{"-rw-r--r-- 1 u g 9 Jan  1  2020 up.htm"});
    EXPECT_EQ(s.events, (Lines{"success 8", "failure 9", "success 4"}));
}

TEST(ScriptedFtp, SilentServerAbortAndMissingUpload) {
    {
        Session s;
        s.client.ReplyTimeOut = 300;
        s.server.waitForClose().start();
        EXPECT_EQ(Failure([&] { s.client.Connect(); }), "Timed out: nothing arrived for 300 ms");
        EXPECT_FALSE(s.client.Connected());
        EXPECT_EQ(s.server.finish(), "");
    }
    {
        // Abort ends a wait for a reply that does not come; the session goes on.
        Session s;
        s.login().expect("PWD").expect("PWD").reply("257 \"/now\"\r\n");
        TurnHook hook;
        std::string error, directory;
        EXPECT_EQ(s.run([&] {
            s.client.Connect();
            hook.turns = 0;
            hook.onTurn = [&] {
                if (hook.turns == 50)
                    s.client.Abort();
            };
            error = Failure([&] { (void)s.client.CurrentDirectory(); });
            hook.onTurn = nullptr;
            directory = s.client.CurrentDirectory();
        }),
                  "");
        EXPECT_EQ(error, "Socket readln aborted");
        EXPECT_EQ(directory, "/now");
    }
    {
        // A local file that cannot be read stops the upload before any command is sent.
        Session s;
        s.login();
        TempDir dir;
        std::string error;
        EXPECT_EQ(s.run([&] {
            s.client.Connect();
            error = Failure([&] { s.client.UploadFile(dir.file("missing.htm"), ""); });
        }),
                  "");
        EXPECT_NE(error.find("missing.htm"), std::string::npos);
        EXPECT_EQ(s.server.commands(), (Lines{"USER u", "PASS p", "QUIT"}));
    }
}

TEST(ScriptedFtp, PassiveTransfersGoToTheServerWhateverPasvNames) {
    // EPSV refused once is not asked again; each PASV names an address other than the
    // server's, in a different spelling, and every data connection still reaches the server.
    Session s;
    s.client.Passive = true;
    TempDir dir;
    std::ofstream(dir.file("up.htm")) << "<p>up</p>";
    s.login()
        .expect("EPSV")
        .reply("500 'EPSV': command not understood.\r\n")
        .expect("PASV")
        .replyPassive("227 Entering Passive Mode (8,8,8,8,{p1},{p2}).\r\n")
        .acceptData()
        .expect("LIST")
        .reply("150 Here it comes\r\n")
        .sendData("-rw-r--r-- 1 u g 9 Jan  1  2020 up.htm\r\n")
        .closeData()
        .reply("226 Listed\r\n")
        .expect("PASV")
        .replyPassive("227 =10,0,0,1,{p1},{p2}\r\n")
        .acceptData()
        .expect("RETR page.htm")
        .reply("150 Opening (13 bytes)\r\n")
        .sendData("<html></html>")
        .closeData()
        .reply("226 Sent\r\n")
        .expect("PASV")
        .replyPassive("227 Passive 192, 168, 1, 1, {p1}, {p2}\r\n")
        .acceptData()
        .expect("STOR up.htm")
        .reply("150 Ok to send data\r\n")
        .receiveData()
        .reply("226 Stored\r\n");
    Lines listing;
    EXPECT_EQ(s.run([&] {
        s.client.Connect();
        s.client.OnListItem = [&](const std::string& line) { listing.push_back(line); };
        s.client.ListDirectory();
        s.client.DownloadFile("page.htm", dir.file("page.htm"));
        s.client.UploadFile(dir.file("up.htm"), "");
    }),
              "");
    EXPECT_EQ(s.server.dataPeer(), "127.0.0.1");
    EXPECT_EQ(listing, Lines{"-rw-r--r-- 1 u g 9 Jan  1  2020 up.htm"});
    std::stringstream page;
    page << std::ifstream(dir.file("page.htm")).rdbuf();
    EXPECT_EQ(page.str(), "<html></html>");
    EXPECT_EQ(s.server.dataReceived(), "<p>up</p>");
    EXPECT_EQ(s.events, (Lines{"success 4", "success 8", "success 9"}));
}

TEST(ScriptedFtp, UnusablePassiveRepliesFailClearly) {
    // Each failure leaves the session usable and sends no transfer command.
    Session s;
    s.client.Passive = true;
    s.login()
        .expect("EPSV")
        .reply("229 Entering Extended Passive Mode (|||70000|)\r\n")
        .expect("EPSV")
        .reply("229 Entering Extended Passive Mode (|||1|)\r\n")
        .expect("EPSV")
        .reply("425 Cannot open passive connection\r\n")
        .expect("EPSV")
        .reply("502 EPSV not implemented\r\n")
        .expect("PASV")
        .reply("227 Entering Passive Mode (127,0,0,1,300,1)\r\n")
        .expect("PASV")
        .reply("227 Entering Passive Mode (127,0,0,1,0,0)\r\n")
        .expect("PASV")
        .reply("227 Entering Passive Mode (127,0,0,1,4)\r\n")
        .expect("PASV")
        .reply("200 Fine\r\n")
        .expect("PWD")
        .reply("257 \"/\"\r\n");
    Lines errors;
    std::vector<bool> ftpErrors;
    std::string directory;
    EXPECT_EQ(s.run([&] {
        s.client.Connect();
        for (int i = 0; i < 7; ++i) {
            try {
                s.client.ListDirectory();
                errors.push_back("no error");
            } catch (const FTPException& error) {
                errors.push_back(error.what());
                ftpErrors.push_back(true);
            } catch (const std::exception& error) {
                errors.push_back(error.what());
                ftpErrors.push_back(false);
            }
        }
        directory = s.client.CurrentDirectory();
    }),
              "");
    EXPECT_EQ(errors,
              (Lines{"No data port in the reply to EPSV: 229 Entering Extended Passive Mode "
                     "(|||70000|)",
                     "Cannot open the data connection to 127.0.0.1:1: Connection refused",
                     "425 Cannot open passive connection\r\n",
                     "No data port in the reply to PASV: 227 Entering Passive Mode "
                     "(127,0,0,1,300,1)",
                     "No data port in the reply to PASV: 227 Entering Passive Mode (127,0,0,1,0,0)",
                     "No data port in the reply to PASV: 227 Entering Passive Mode (127,0,0,1,4)",
                     "No data port in the reply to PASV: 200 Fine"}));
    EXPECT_EQ(ftpErrors, (std::vector<bool>{true, false, true, true, true, true, true}));
    EXPECT_EQ(directory, "/");
    EXPECT_EQ(s.server.commands(), (Lines{"USER u", "PASS p", "EPSV", "EPSV", "EPSV", "EPSV",
                                          "PASV", "PASV", "PASV", "PASV", "PWD", "QUIT"}));
    EXPECT_EQ(s.client.DataSocket(), nullptr);
}

TEST(ScriptedFtp, AbortedPassiveDownloadLeavesAWorkingSession) {
    Session s;
    s.client.Passive = true;
    TempDir dir;
    s.login()
        .expect("EPSV")
        .replyPassive("229 Entering Extended Passive Mode (|||{port}|)\r\n")
        .acceptData()
        .expect("RETR big.bin")
        .reply("150 Opening (1000000 bytes)\r\n")
        .sendData(std::string(4096, 'x'))
        .hold()
        .closeData()
        .reply("426 Transfer aborted\r\n")
        .expect("EPSV")
        .replyPassive("229 Entering Extended Passive Mode (!!!{port}!)\r\n")
        .acceptData()
        .expect("LIST")
        .reply("150 Here\r\n")
        .sendData("-rw-r--r-- 1 u g 9 Jan  1  2020 big.bin\r\n")
        .closeData()
        .reply("226 Listed\r\n");
    Lines listing;
    std::string error;
    EXPECT_EQ(s.run([&] {
        s.client.Connect();
        s.client.OnPacketRecvd = [&](TAsyncSocket&) {
            if (!s.client.DataSocket()->Canceled())
                s.client.Abort();
        };
        error = Failure([&] { s.client.DownloadFile("big.bin", dir.file("big.bin")); });
        s.client.OnPacketRecvd = nullptr;
        s.server.release();
        s.client.OnListItem = [&](const std::string& line) { listing.push_back(line); };
        s.client.ListDirectory();
    }),
              "");
    EXPECT_EQ(error, "Socket send aborted");
    EXPECT_TRUE(Contains(s.log, "426 Transfer aborted"));
    EXPECT_EQ(listing, Lines{"-rw-r--r-- 1 u g 9 Jan  1  2020 big.bin"});
}
