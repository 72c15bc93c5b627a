// Tests of the command-line export: bytes kept, pages escaped, and clear errors.
#include "app/exportcommand.h"

#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace velloran;

namespace {

struct Outcome {
    std::optional<int> status;
    std::string out;
    std::string err;
};

Outcome run(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    const std::optional<int> status = RunExportCommand(args, out, err);
    return {status, out.str(), err.str()};
}

std::string writeFile(const TempDir& dir, const std::string& name, const std::string& bytes) {
    const std::string path = dir.file(name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

} // namespace

TEST(ExportCommand, TextKeepsTheFilesBytes) {
    TempDir dir;
    for (const std::string bytes : {"<p>one</p>\r\n\r\ntwo\r\n", "a\n\tb\nlast, no end"}) {
        const Outcome result = run({"--export=text", writeFile(dir, "f.htm", bytes)});
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, bytes);
        EXPECT_EQ(result.err, "");
    }
    // The option may follow the file name.
    EXPECT_EQ(run({writeFile(dir, "g.htm", "x\n"), "--export=text"}).out, "x\n");
}

TEST(ExportCommand, HtmlAndRtfPages) {
    TempDir dir;
    const std::string path = writeFile(dir, "page.htm", "<b>a & b</b>\n");
    const Outcome html = run({"--export=html", path});
    EXPECT_EQ(html.status, 0);
    // The tag is coloured by the HTML language (bold blue), the text stays plain.
    EXPECT_NE(html.out.find("<FONT COLOR=\"#0000ff\"><B>&lt;b&gt;</B>"), std::string::npos)
        << html.out;
    EXPECT_NE(html.out.find("&amp;"), std::string::npos);
    // Files of no known language are written in plain colours.
    const Outcome plain = run({"--export=html", writeFile(dir, "notes.txt", "<b>a</b>\n")});
    EXPECT_NE(plain.out.find("&lt;b&gt;a&lt;/b&gt;"), std::string::npos);
    EXPECT_NE(html.out.find(path), std::string::npos);
    EXPECT_TRUE(std::regex_search(html.out, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")));
    EXPECT_TRUE(run({"--export=rtf", path}).out.starts_with("{\\rtf"));
}

TEST(ExportCommand, FileErrorsNameTheFile) {
    TempDir dir;
    for (const std::string& path : {dir.file("missing.htm"), dir.path}) {
        const Outcome result = run({"--export=text", path});
        EXPECT_EQ(result.status, 1);
        EXPECT_TRUE(result.err.starts_with("velloran: ")) << result.err;
        EXPECT_NE(result.err.find(path), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find('\n'), result.err.size() - 1);
        EXPECT_EQ(result.out, "");
    }
}

TEST(ExportCommand, UsageErrorsReadNoFile) {
    const std::vector<std::vector<std::string>> bad = {{"--export=xml", "f.htm"},
                                                       {"--export", "f.htm"},
                                                       {"--export=html"},
                                                       {"--export=html", "a", "b"},
                                                       {"--export=text", "--export=html", "f.htm"}};
    for (const auto& args : bad) {
        const Outcome result = run(args);
        EXPECT_EQ(result.status, 2) << args.front();
        EXPECT_TRUE(result.err.starts_with("velloran: ")) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_NE(run(bad.front()).err.find("'xml'"), std::string::npos);
}

TEST(ExportCommand, OtherCommandLinesAreLeftAlone) {
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{}, {"index.htm"}, {"--exported.htm"}}) {
        const Outcome result = run(args);
        EXPECT_FALSE(result.status.has_value());
        EXPECT_EQ(result.out + result.err, "");
    }
}

#if defined(__SANITIZE_ADDRESS__)
#define VELLORAN_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELLORAN_ADDRESS_SANITIZER 1
#endif
#endif

// Under an address-space limit (ulimit -v) in a child process: a file that cannot fit
// is refused with its size before it is read, while one with a line at every byte,
// more than an editing model could hold there, exports whole: the export keeps no more
// than a byte for each line beside the text.
TEST(ExportCommand, AFileLargerThanTheMemoryAllowsIsRefusedWithItsSize) {
#ifdef VELLORAN_ADDRESS_SANITIZER
    GTEST_SKIP() << "the sanitizer's shadow memory does not fit under an address-space limit";
#endif
    TempDir dir;
    const std::string big = dir.file("big.htm");
    std::ofstream(big).close();
    std::filesystem::resize_file(big, std::uint64_t{1} << 30); // sparse: costs no disk
    const std::string lines = writeFile(dir, "lines.txt", std::string(24 << 20, '\n'));
    const std::string small = writeFile(dir, "small.htm", "<p>fits</p>\n");

    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        unsigned long long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        rlimit limit{};
        ::getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + (rlim_t{256} << 20);
        std::string report;
        if (::setrlimit(RLIMIT_AS, &limit) != 0)
            report = "no limit";
        for (const std::string& file : {big, lines, small}) {
            const Outcome result = run({"--export=text", file});
            report += std::to_string(result.status.value_or(-1)) + " " + result.err +
                      std::to_string(result.out.size()) + "|";
        }
        (void)!::write(channel[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(got));
    ::close(channel[0]);
    ::waitpid(child, nullptr, 0);

    const std::regex expected("1 velloran: File is too large to open: \"" + big +
                              "\" has 1\\.0 GB; the free memory allows at most [0-9.]+ MB\\.\n0\\|"
                              "0 25165824\\|0 12\\|");
    EXPECT_TRUE(std::regex_match(report, expected)) << report;
}
