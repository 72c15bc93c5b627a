// The document skeleton's logic: splitting pages, rebuilding them on a real editing model,
// the built-in templates' charset and the template files beside a project and as defaults.
#include "editor/editmodel.h"
#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "tags/skeleton.h"
#include "tempdir.h"

#include <gtest/gtest.h>

using namespace velloran;

namespace {

std::string Rebuilt(std::string_view text, std::string_view header, std::string_view footer) {
    return RebuildSkeleton(text, SplitSkeleton(text), header, footer);
}

} // namespace

TEST(SkeletonSplit, MarkersBodyTagsOrNothing) {
    const std::string marked = "<HTML><BODY>\r\n<!-- end header -->\r\nText <body>\r\n"
                               "<!-- Begin Footer -->\r\n</BODY></HTML>";
    SkeletonSplit split = SplitSkeleton(marked);
    EXPECT_EQ(SkeletonHeader(marked, split), "<HTML><BODY>\r\n<!-- end header -->");
    EXPECT_EQ(SkeletonFooter(marked, split), "<!-- Begin Footer -->\r\n</BODY></HTML>");
    EXPECT_EQ(Rebuilt(marked, *SkeletonHeader(marked, split), *SkeletonFooter(marked, split)),
              marked)
        << "an unchanged header and footer give the same page";
    EXPECT_EQ(Rebuilt(marked, "H", "F"), "H\r\nText <body>\r\nF");

    const std::string plain = "<html><body bgcolor=#FFFFFF>\r\nHello\r\n</body></html>";
    split = SplitSkeleton(plain);
    EXPECT_EQ(SkeletonHeader(plain, split), "<html><body bgcolor=#FFFFFF>");
    EXPECT_EQ(SkeletonFooter(plain, split), "</body></html>");
    EXPECT_EQ(Rebuilt(plain, "<B>", "</B>"), "<B>\r\nHello\r\n</B>");

    const std::string fragment = "<P>Just a paragraph</P>";
    split = SplitSkeleton(fragment);
    EXPECT_FALSE(SkeletonHeader(fragment, split));
    EXPECT_FALSE(SkeletonFooter(fragment, split));
    EXPECT_EQ(Rebuilt(fragment, "H\r\n", "\r\nF"), "H\r\n<P>Just a paragraph</P>\r\nF");

    // An unclosed BODY tag ends no header; a footer before the header end leaves no body.
    EXPECT_FALSE(SplitSkeleton("<BODY bgcolor=red").headerEnd);
    EXPECT_EQ(Rebuilt("</BODY> x <!-- End Header -->", "H", "F"), "HF");
}

TEST(SkeletonBodyAttributes, ANameMustBeginAnAttribute) {
    const std::string visited = "<HEAD></HEAD><BODY VLINK=\"#FF0000\">";
    EXPECT_EQ(BodyAttribute(visited, "LINK="), "");
    EXPECT_EQ(BodyAttribute(visited, "VLINK="), "#FF0000");
    EXPECT_EQ(SetBodyAttribute(visited, "LINK=", "#00FF00"),
              "<HEAD></HEAD><BODY VLINK=\"#FF0000\" LINK=\"#00FF00\">");

    const std::string both = "<body alink=red\r\nlink=blue background=\"a.png?vlink=1\">";
    EXPECT_EQ(BodyAttribute(both, "LINK="), "blue");
    EXPECT_EQ(BodyAttribute(both, "BACKGROUND="), "a.png?vlink=1");
    EXPECT_EQ(SetBodyAttribute(both, "LINK=", "#000080"),
              "<body alink=red\r\nlink=\"#000080\" background=\"a.png?vlink=1\">");
    EXPECT_EQ(SetBodyAttribute("<P>no body</P>", "LINK=", "#000080"), "");
    // A page already holding the hiding bytes still gets the plain search.
    EXPECT_EQ(BodyAttribute("<BODY \x01 LINK=x>", "LINK="), "x");
}

TEST(SkeletonRebuild, OneUndoableChangeWithTheCaretAfterTheFirstCharacter) {
    EditModel model;
    model.loadFromBytes("<P>Body</P>\nmore");
    const std::string before = model.getText();
    const std::string page = Rebuilt(before, BuiltInHeader(Encoding::Utf8), BuiltInFooter());
    ASSERT_TRUE(ApplySkeleton(model, page));
    EXPECT_EQ(model.getText(), page);
    EXPECT_EQ(model.caret(), 1);
    EXPECT_FALSE(model.hasSelection());
    model.undo();
    EXPECT_EQ(model.getText(), before);
    EXPECT_FALSE(model.canUndo());
    model.redo();
    EXPECT_EQ(model.getText(), page);

    EditModel same;
    same.loadFromBytes("<BODY>x</BODY>");
    EXPECT_FALSE(ApplySkeleton(same, same.getText()));
    EXPECT_FALSE(same.modified()) << "the same page written back is no change";
}

TEST(SkeletonTemplates, BuiltInTextsAndTheirCharset) {
    const std::string utf8 = BuiltInHeader(Encoding::Utf8);
    EXPECT_EQ(utf8, "<HTML>\r\n<HEAD>\r\n"
                    "   <META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=utf-8\">\r\n"
                    "   <TITLE></TITLE>\r\n</HEAD>\r\n<BODY>\r\n"
                    "<!-- Place whatever you want to appear in the header for every page above "
                    "this line\r\n"
                    "  DO NOT modify the \"End Header\" line below. -->\r\n"
                    "<!-- End Header -->");
    EXPECT_NE(BuiltInHeader(Encoding::Windows1252).find("charset=iso-8859-1\""), std::string::npos);
    EXPECT_EQ(BuiltInFooter(), "\r\n<!-- Begin Footer -->\r\n"
                               "<!-- Place whatever you want to appear in the footer for every "
                               "page below this line\r\n"
                               "  DO NOT modify the \"Begin Footer\" line above. -->\r\n\r\n"
                               "</BODY>\r\n</HTML>");
    // The built-in texts split back into themselves.
    const std::string page = BuiltInHeader(Encoding::Utf8) + "Body" + BuiltInFooter();
    EXPECT_EQ(SplitSkeleton(page).headerEnd, BuiltInHeader(Encoding::Utf8).size());
}

TEST(SkeletonTemplates, DocumentEncodingsAndCharacterReferences) {
    const std::string euroArrow = "\xE2\x82\xAC \xE2\x86\x92 \xC3\xA9";
    EXPECT_EQ(Utf8ToDocument(euroArrow, Encoding::Windows1252), "\x80 &#8594; \xE9");
    EXPECT_EQ(Utf8ToDocument(euroArrow, Encoding::Utf8), euroArrow);
    EXPECT_EQ(DocumentToUtf8("\x80 \xE9", Encoding::Windows1252), "\xE2\x82\xAC \xC3\xA9");
    const std::string allBytes = [] {
        std::string bytes;
        for (int b = 1; b < 256; ++b)
            bytes += static_cast<char>(b);
        return bytes;
    }();
    EXPECT_EQ(
        Utf8ToDocument(DocumentToUtf8(allBytes, Encoding::Windows1252), Encoding::Windows1252),
        allBytes);
}

TEST(SkeletonTemplates, ProjectTemplatesThenSavedDefaultsThenInstalledThenBuiltIn) {
    const TempDir dir;
    const TemplateFiles project = ProjectTemplateFiles(dir.file("site.vpr"));
    EXPECT_EQ(project.header, dir.file("sitehead.txt"));
    EXPECT_EQ(project.footer, dir.file("sitefoot.txt"));
    EXPECT_EQ(ProjectTemplateFiles("/w/my.site.vpr").header, "/w/my.sitehead.txt");
    EXPECT_TRUE(ProjectTemplateFiles("").header.empty());

    std::filesystem::create_directories(dir.file("config"));
    std::filesystem::create_directories(dir.file("data"));
    const TemplatePlaces places = FindTemplatePlaces(dir.file("site.vpr"), dir.file("config/"),
                                                     dir.file("app/"), {dir.file("data")});
    EXPECT_EQ(places.defaults.header, dir.file("config/htmhead.txt"));
    EXPECT_TRUE(places.installed.header.empty());

    SkeletonTexts texts = InitialSkeletonTexts(places, Encoding::Windows1252);
    EXPECT_EQ(texts.header, BuiltInHeader(Encoding::Windows1252));
    EXPECT_EQ(texts.footer, BuiltInFooter());

    WriteFileAtomically(dir.file("data/htmhead.txt"), "installed\nhead");
    const TemplatePlaces withInstalled = FindTemplatePlaces(
        dir.file("site.vpr"), dir.file("config/"), dir.file("app/"), {dir.file("data")});
    EXPECT_EQ(InitialSkeletonTexts(withInstalled, Encoding::Utf8).header, "installed\r\nhead");

    WriteTemplate(places.defaults.header, "default\nhead");
    WriteTemplate(places.defaults.footer, "default foot");
    EXPECT_EQ(ReadWholeFile(places.defaults.header), "default\r\nhead") << "written with CR LF";
    texts = InitialSkeletonTexts(withInstalled, Encoding::Utf8);
    EXPECT_EQ(texts.header, "default\r\nhead");
    EXPECT_EQ(texts.footer, "default foot");

    // Only the project's header exists: the footer still comes from the default.
    WriteFileAtomically(project.header, "caf\xE9 head"); // not UTF-8: read as Windows-1252
    texts = InitialSkeletonTexts(withInstalled, Encoding::Utf8);
    EXPECT_EQ(texts.header, "caf\xC3\xA9 head");
    EXPECT_EQ(texts.footer, "default foot");

    EXPECT_THROW(WriteTemplate("", "x"), FileError) << "no project, no project template";
    EXPECT_THROW(WriteTemplate(dir.file("missing/x.txt"), "x"), FileError);
    std::filesystem::create_directories(dir.file("dirhead.txt"));
    EXPECT_EQ(ReadFirstTemplate({dir.file("dirhead.txt"), places.defaults.footer}), "default foot")
        << "a folder is no template";
}
