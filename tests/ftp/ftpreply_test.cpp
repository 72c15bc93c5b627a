// Reply reading without sockets: lines from the byte queue, codes, multi-line ends, sizes,
// quoted directories, passive ports and command kinds.
#include "ftp/ftpclient.h"
#include "ftp/ftpreply.h"

#include <gtest/gtest.h>

using namespace velloran;

TEST(FtpReply, QueueHandsOutWholeLinesWithTheirEnds) {
    ByteQueue queue;
    queue.append("220 first\r\n230 sec");
    EXPECT_EQ(queue.takeLine(), "220 first\r\n");
    EXPECT_FALSE(queue.takeLine());
    queue.append("ond\r\n");
    EXPECT_EQ(queue.view(), "230 second\r\n");
    EXPECT_EQ(queue.take(3), "230");
    EXPECT_EQ(queue.take(100), " second\r\n");
    EXPECT_TRUE(queue.empty());
    // Taking from the front and appending many times keeps the content intact.
    std::string expected;
    for (int i = 0; i < 1000; ++i) {
        queue.append(std::string(37, static_cast<char>('a' + i % 26)));
        expected += std::string(37, static_cast<char>('a' + i % 26));
        expected.erase(0, queue.take(20).size());
        ASSERT_EQ(queue.view(), expected);
    }
}

TEST(FtpReply, CodesSizesAndDirectories) {
    EXPECT_EQ(ReplyCodeOf("257 \"/\"\r\n"), 257u);
    EXPECT_EQ(ReplyCodeOf("hello"), 0u);
    EXPECT_EQ(ReplyCodeOf("12345678901 x"), 1234567890u); // ten digits at most

    EXPECT_EQ(SizeFromReply("150 Opening BINARY mode data connection for a.htm (1234 bytes).\r\n"),
              1234);
    EXPECT_EQ(SizeFromReply("150 Opening data connection. 77 Bytes to go"), 77);
    EXPECT_EQ(SizeFromReply("150 Opening data connection.\r\n"), 0);
    EXPECT_EQ(SizeFromReply("150 bytes"), 150);
    EXPECT_EQ(SizeFromReply("BYTES first"), 0);
    EXPECT_EQ(SizeFromReply("150 (99999999999999999999999 bytes)"), 0);

    EXPECT_EQ(QuotedDirectory("257 \"/home/site\" is current\r\n"), "/home/site");
    EXPECT_EQ(QuotedDirectory("257 /home/site is current\r\n"), "");
    EXPECT_EQ(QuotedDirectory("257 \"/open\r\n"), "/open\r\n");
    EXPECT_EQ(QuotedDirectory("257 \"/say \"\"hi\"\"\" created\r\n"), "/say \"hi\"");

    EXPECT_EQ(WithoutLineEnd("226 done\r\n"), "226 done");
    EXPECT_EQ(WithoutLineEnd("226 done\n"), "226 done");
    EXPECT_EQ(WithoutLineEnd("no end"), "no end");
}

TEST(FtpReply, MultiLineRepliesEndAtTheirClosingLine) {
    auto linesRead = [](std::vector<std::string> lines) {
        MultiLineReply reply;
        std::size_t used = 0;
        while (used < lines.size() && reply.continuesAfter(lines[used]))
            ++used;
        return used + 1;
    };
    EXPECT_EQ(linesRead({"200 ok", "extra"}), 1u);
    EXPECT_EQ(linesRead({"220-Welcome", "220-to the site", "220 ready", "next"}), 3u);
    EXPECT_EQ(linesRead({" ", "220 single"}), 2u);
    EXPECT_EQ(linesRead({"230-Logged in", " continued", "230 done"}), 3u);
    // Text lines without a code do not end a reply that opened with "230-".
    EXPECT_EQ(linesRead({"230-Rules:", "no uploads", "230 ok"}), 3u);
    // Another code in between is text as well.
    EXPECT_EQ(linesRead({"211-Features:", "212 other", "211 End"}), 3u);
}

TEST(FtpReply, PassivePortsFromPasvReplies) {
    const auto port = [](std::string_view reply) -> int {
        const auto target = PassiveTargetOf(reply);
        return target ? target->port : -1;
    };
    const auto target = PassiveTargetOf("227 Entering Passive Mode (192,168,1,20,19,137).\r\n");
    ASSERT_TRUE(target);
    EXPECT_EQ(target->port, 19 * 256 + 137);
    EXPECT_EQ((std::vector<int>(target->address, target->address + 4)),
              (std::vector<int>{192, 168, 1, 20}));
    EXPECT_EQ(port("227 =10,0,0,1,4,1"), 1025);
    EXPECT_EQ(port("227 Passive 10, 0, 0, 1, 4, 1 ok"), 1025);
    EXPECT_EQ(port("227 Mode v2 (10,0,0,1,0,255)"), 255); // a lone number is text
    EXPECT_EQ(port("227 Entering Passive Mode (10,0,0,1,256,1)"), -1);
    EXPECT_EQ(port("227 Entering Passive Mode (300,1,2,3,4,5)"), -1);
    EXPECT_EQ(port("227 Entering Passive Mode (10,0,0,1,0,0)"), -1);
    EXPECT_EQ(port("227 Entering Passive Mode (10,0,0,1,4)"), -1);
    EXPECT_EQ(port("227 Entering Passive Mode (10,0,0,1,4,1,7)"), -1);
    EXPECT_EQ(port("227 Entering Passive Mode (10,0,0,1,4,)"), -1);
    EXPECT_EQ(port("227 Entering Passive Mode (10,0,0,1,99999999999999999999,1)"), -1);
    EXPECT_EQ(port("227 Entering Passive Mode"), -1);
    EXPECT_EQ(port(""), -1);
}

TEST(FtpReply, PassivePortsFromEpsvReplies) {
    const auto port = [](std::string_view reply) -> int {
        const auto found = ExtendedPassivePortOf(reply);
        return found ? *found : -1;
    };
    EXPECT_EQ(port("229 Entering Extended Passive Mode (|||6446|)\r\n"), 6446);
    EXPECT_EQ(port("229 Entering Extended Passive Mode (!!!65535!)"), 65535);
    EXPECT_EQ(port("229 Extended |||21| mode"), 21);
    EXPECT_EQ(port("229 Entering Extended Passive Mode (||||6446|)"), 6446);
    EXPECT_EQ(port("229 Entering Extended Passive Mode (|||65536|)"), -1);
    EXPECT_EQ(port("229 Entering Extended Passive Mode (|||0|)"), -1);
    EXPECT_EQ(port("229 Entering Extended Passive Mode (|||6446!)"), -1);
    EXPECT_EQ(port("229 Entering Extended Passive Mode (|||)"), -1);
    EXPECT_EQ(port("229 Entering Extended Passive Mode (111222|)"), -1);
    EXPECT_EQ(port("229 Entering Extended Passive Mode (   6446 )"), -1);
    EXPECT_EQ(port("229 Entering Extended Passive Mode"), -1);
}

TEST(FtpReply, CommandKindsFromTheFirstWord) {
    EXPECT_EQ(CommandTypeOf("CWD /www"), TCmdType::ChangeDir);
    EXPECT_EQ(CommandTypeOf("MKD new"), TCmdType::MakeDir);
    EXPECT_EQ(CommandTypeOf("DELE a.htm"), TCmdType::DeleteFile);
    EXPECT_EQ(CommandTypeOf("RMD old"), TCmdType::RemoveDir);
    EXPECT_EQ(CommandTypeOf("PWD"), TCmdType::PrintDir);
    EXPECT_EQ(CommandTypeOf("TYPE I"), TCmdType::Other);
    EXPECT_EQ(CommandTypeOf("cwd lower"), TCmdType::Other);
    EXPECT_EQ(CommandTypeOf("CWD"), TCmdType::ChangeDir);
    EXPECT_EQ(CommandTypeOf("PWD x"), TCmdType::Other);
}
