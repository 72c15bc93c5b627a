// Listing lines from real servers: field positions, names with blanks, links, dot files.
#include "ftp/listparser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace velloran;

TEST(ListParser, LinesBecomeEntries) {
    struct Case {
        const char* line;
        int image;
        const char* caption;
        const char* size;
        const char* date;
    };
    const Case cases[] = {
        {"drwxr-xr-x   2 user     group        4096 Mar 14 09:26 images", 0, "images", "4096",
         "Mar 14 09:26"},
        {"-rw-r--r--   1 user     group    10485760 Jan  2  2019 big file.htm", 1, "big file.htm",
         "10485760", "Jan  2  2019"},
        {"lrwxrwxrwx   1 user     group          11 Dec 31 23:59 current -> release/1.0", 0,
         "current", "11", "Dec 31 23:59"},
        {"-rw-r--r-- 1 ftp ftp 0 Feb 29 12:00  two blanks", 1, " two blanks", "0", "Feb 29 12:00"},
    };
    for (const Case& c : cases) {
        const ParsedListLine parsed = ParseListLine(c.line, false);
        ASSERT_TRUE(parsed.item) << c.line;
        EXPECT_TRUE(parsed.logged);
        EXPECT_EQ(parsed.item->imageIndex, c.image) << c.line;
        EXPECT_EQ(parsed.item->caption, c.caption) << c.line;
        EXPECT_EQ(parsed.item->size, c.size) << c.line;
        EXPECT_EQ(parsed.item->date, c.date) << c.line;
        EXPECT_EQ(parsed.item->attributes, std::string(c.line).substr(0, 10));
    }
}

TEST(ListParser, TotalsHiddenFilesAndShortLines) {
    EXPECT_FALSE(ParseListLine("total 48", false).logged);
    const std::string dotted = "drwxr-xr-x   2 user group 4096 Mar 14 09:26 ..";
    const ParsedListLine hidden = ParseListLine(dotted, false);
    EXPECT_TRUE(hidden.logged) << "a hidden entry still reaches the log";
    EXPECT_FALSE(hidden.item);
    ASSERT_TRUE(ParseListLine(dotted, true).item);
    EXPECT_EQ(ParseListLine(dotted, true).item->caption, "..");
    // Lines too short for every field give empty fields, never an out-of-range read.
    for (const char* line : {"", "d", "drwxr-xr-x", "-rw-r--r-- 1 u g 12", "x 1 2 3 4 5"}) {
        const ParsedListLine parsed = ParseListLine(line, true);
        ASSERT_TRUE(parsed.item) << line;
        EXPECT_TRUE(parsed.item->caption.empty()) << line;
    }
}

TEST(ListParser, DirectoriesAndLinksComeFirstThenNamesIgnoringCase) {
    std::vector<RemoteListItem> items = {{1, "b.htm", "", "", ""},
                                         {0, "Zeta", "", "", ""},
                                         {1, "A.gif", "", "", ""},
                                         {0, "alpha", "", "", ""},
                                         {1, "a.gif", "", "", ""}};
    std::stable_sort(items.begin(), items.end(), RemoteListLess);
    std::vector<std::string> captions;
    for (const RemoteListItem& item : items)
        captions.push_back(item.caption);
    EXPECT_EQ(captions, (std::vector<std::string>{"alpha", "Zeta", "A.gif", "a.gif", "b.htm"}));
}
