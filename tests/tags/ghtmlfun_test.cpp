// The tag dialogs rewrite the author's tags through these operations; every case here is a
// tag an author could have typed, and the result must keep everything the dialog did not touch.
#include "tags/ghtmlfun.h"

#include <gtest/gtest.h>

#include <string>

namespace velloran {
namespace {

TEST(GhtmlfunText, FindsAndCutsIgnoringLetterCase) {
    EXPECT_EQ(FindNoCase("a <Img src", "<IMG"), 2u);
    EXPECT_EQ(FindNoCase("<b><B>", "<b>", 1), 3u);
    EXPECT_FALSE(FindNoCase("abc", ""));
    EXPECT_FALSE(FindNoCase("abc", "c", 4));
    EXPECT_FALSE(FindNoCase("\xC3\xA9", "\xC3\x89")); // é and É: only ASCII folds
    EXPECT_EQ(ExtractTag("x<a href=y>z</A>", "<a", ">"), "<a href=y>");
    EXPECT_EQ(ExtractTag("<A><A>", "<A>", "<A"), "<A><A"); // the end must follow the start
    EXPECT_EQ(ExtractTag("<a href", "<a", ">"), "");
    EXPECT_EQ(TextBetween("<title>Home</TITLE>", "<TITLE>", "</title>"), "Home");
    EXPECT_EQ(TextBetween("<title>Home", "<title>", "</title>"), "");
    EXPECT_EQ(ReplaceBetween("a<b>old</b>c", "<B>", "</B>", "new"), "a<b>new</b>c");
    EXPECT_EQ(ReplaceBetween("a<b>old", "<b>", "</b>", "new"), "");
    EXPECT_EQ(RemoveFirst("x ALT=1 alt=1", "alt=1"), "x  alt=1");
    EXPECT_EQ(RemoveFirst("abc", ""), "abc");
    EXPECT_EQ(CollapseBlanks("  a   b c  "), " a b c ");
    EXPECT_EQ(TrimBlanks("  a b \t "), "a b \t");
    EXPECT_EQ(TrimBlanks("   "), "");
}

TEST(GhtmlfunAttributes, ReadsQuotedBareAndMissingValues) {
    const std::string img = "x <img src=\"a b.gif\" ALT=Logo border=0>";
    EXPECT_EQ(GetAttribute(img, "<IMG", ">", "SRC="), "a b.gif");
    EXPECT_EQ(GetAttribute(img, "<IMG", ">", "alt="), "Logo");
    EXPECT_EQ(GetAttribute(img, "<IMG", ">", "BORDER="), "0");
    EXPECT_EQ(GetAttribute(img, "<IMG", ">", "WIDTH="), "");
    EXPECT_EQ(GetAttribute(img, "<A", ">", "SRC="), "");
    EXPECT_EQ(GetAttribute("<img alt=\"open>", "<IMG", ">", "ALT="), "");
    EXPECT_EQ(GetAttributeText(img, "<IMG", ">", "SRC="), "src=\"a b.gif\"");
    EXPECT_EQ(GetAttributeText(img, "<IMG", ">", "BORDER="), "border=0");
}

TEST(GhtmlfunAttributes, SetsReplacesAndRemoves) {
    struct Case {
        std::string text, start, name, value, quote, expected;
    };
    const std::string bare(kBareValue);
    const Case cases[] = {
        {"<IMG SRC=\"a.gif\">", "<IMG", "ALT=", "Logo", "\"", "<IMG SRC=\"a.gif\" ALT=\"Logo\">"},
        {"<IMG SRC=\"a.gif\" ALT=\"Logo\">", "<IMG", "SRC=", "", "\"", "<IMG ALT=\"Logo\">"},
        {"<FONT SIZE=3 FACE=Arial>", "<FONT", "SIZE=", "", "\"", "<FONT FACE=Arial>"},
        {"<FONT SIZE=3>", "<FONT", "SIZE=", "", "\"", "<FONT >"},
        {"<a  href=a.htm>x</a>", "<A", "TARGET=", "_top", "\"",
         "<a href=a.htm TARGET=\"_top\">x</a>"},
        {"p<a href=a.htm>x", "<A", "HREF=", "b  c.htm", "\"", "p<a href=\"b c.htm\">x"},
        {"<a href=\"a.htm\" id=1>", "<A", "href=", "b", "\"", "<a href=\"b\" id=1>"},
        {"<img alt=\"open>", "<IMG", "ALT=", "x", "\"", "<img alt=\"open>"},
        {"<img alt=\"open>", "<IMG", "ALT=", "", "\"", "<img alt=\"open>"},
        {"<INPUT TYPE=checkbox>", "<INPUT", "CHECKED", bare, "", "<INPUT TYPE=checkbox CHECKED>"},
        {"<INPUT CHECKED TYPE=x>", "<INPUT", "CHECKED", bare, "", "<INPUT CHECKED TYPE=x>"},
        {"<INPUT CHECKED>", "<INPUT", "CHECKED", "", "", "<INPUT >"},
        {"<OPTION>", "<OPTION", "VALUE=", bare, "\"", "<OPTION VALUE=\"\">"},
        {"no tag here", "<IMG", "SRC=", "a", "\"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SetAttribute(c.text, c.start, ">", c.name, c.value, c.quote), c.expected)
            << c.text << " / " << c.name;
}

TEST(GhtmlfunColors, ConvertsBothWays) {
    EXPECT_EQ(ColorToHex(0xFF0000), "#0000FF");
    EXPECT_EQ(ColorToHex(0x12AB0C), "#0CAB12");
    EXPECT_EQ(HexToColor("#FF0000"), 0x0000FFu);
    EXPECT_EQ(HexToColor("0CAB12"), 0x12AB0Cu);
    EXPECT_EQ(HexToColor("#ff0000"), 0u);
    EXPECT_EQ(HexToColor("#FGF0zz"), 0x00F0F0u);
    EXPECT_EQ(HexToColor("FF00"), 0u);
    EXPECT_EQ(HexToColor("##FF0000"), 0u);
    EXPECT_EQ(HexToColor(""), 0u);
}

TEST(GhtmlfunPaths, ReplacesAllAndMakesRelativeUrls) {
    EXPECT_EQ(ReplaceAll("  a\\b\\c ", "\\", "/"), "a/b/c");
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceAll("x", "", "y"), "x");
    const std::string longPath(300, 'p');
    EXPECT_EQ(ReplaceAll(longPath + "q", "q", "r"), longPath + "r");
    EXPECT_EQ(RelativeUrl("/site/pages/a.htm", "/site/img/b.gif"), "../img/b.gif");
    EXPECT_EQ(RelativeUrl("/site/a.htm", "/site/b.gif"), "b.gif");
    EXPECT_EQ(RelativeUrl("/site/a.htm", "/site/img/x/b.gif"), "img/x/b.gif");
    EXPECT_EQ(RelativeUrl("/a/b/x.htm", "/c/d.gif"), "../../c/d.gif");
    EXPECT_EQ(RelativeUrl("/site/a.htm", "/site2/b.gif"), "../site2/b.gif");
    EXPECT_EQ(RelativeUrl("/Site/a.htm", "/site/b.gif"), "../site/b.gif");
    EXPECT_EQ(RelativeUrl("\\site\\a.htm", "\\site\\img\\b.gif"), "img/b.gif");
    EXPECT_EQ(RelativeUrl("/site//pages/a.htm", "/site/pages/b.gif"), "b.gif");
    EXPECT_EQ(RelativeUrl("<Untitled>", "C:\\img\\b.gif"), "C:/img/b.gif");
    EXPECT_EQ(RelativeUrl("pages/a.htm", "/img/b.gif"), "/img/b.gif");
}

} // namespace
} // namespace velloran
