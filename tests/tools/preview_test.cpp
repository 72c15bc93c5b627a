// The preview's Qt-free side: open comments, what each address serves, the close rule.
#include "platform/inifile.h"
#include "tempdir.h"
#include "tools/previewlayout.h"
#include "tools/previewserver.h"

#include <fstream>
#include <gtest/gtest.h>
#include <map>

using namespace velloran;

namespace {

class Documents : public PreviewHost {
public:
    std::map<std::string, PreviewDocument> open;

    std::optional<PreviewDocument> currentDocument() const override { return std::nullopt; }
    std::optional<PreviewDocument> openDocument(const std::string& fileName) const override {
        const auto it = open.find(fileName);
        return it == open.end() ? std::nullopt : std::optional(it->second);
    }
    std::string settingsFileName() const override { return {}; }
    std::string layoutSuffix() const override { return {}; }
};

void write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

} // namespace

TEST(PreviewComment, OnlyACommentLeftOpenAtTheEndCounts) {
    EXPECT_TRUE(HasOpenCommentAtEnd("<P>Text<!-- the rest is hidden"));
    EXPECT_TRUE(HasOpenCommentAtEnd("<!-- a --> b <!-- c"));
    EXPECT_TRUE(HasOpenCommentAtEnd("a --> b <!--"));
    EXPECT_FALSE(HasOpenCommentAtEnd("<!-- a <!-- b --> c"));
    EXPECT_FALSE(HasOpenCommentAtEnd("<!--> and <!---> end at once"));
    EXPECT_FALSE(HasOpenCommentAtEnd("<P>no comment -- here"));
    EXPECT_FALSE(HasOpenCommentAtEnd(""));
}

TEST(PreviewServer, ServesThePageAsTakenWithItsCharset) {
    Documents host;
    PreviewServer server(host);
    PreviewDocument page{"<Untitled>", true, "<P>caf\xe9", Encoding::Windows1252};
    server.setPage(page, "/site/");
    EXPECT_EQ(server.pagePath(), "/site/<Untitled>");
    const PreviewResponse response = server.respond("/site/<Untitled>");
    EXPECT_EQ(response.kind, PreviewResponse::Kind::Content);
    EXPECT_EQ(response.contentType, "text/html; charset=windows-1252");
    EXPECT_EQ(response.body, "<P>caf\xe9");

    // A saved page lives at its own name, so that relative references find its folder;
    // whatever its extension, it is given to the engine as HTML.
    server.setPage({"/site/notes.txt", false, "<B>x</B>", Encoding::Utf8}, "/elsewhere");
    EXPECT_EQ(server.pagePath(), "/site/notes.txt");
    EXPECT_EQ(server.respond("/site/notes.txt").contentType, "text/html; charset=utf-8");
    EXPECT_EQ(server.respond("/site/<Untitled>").kind, PreviewResponse::Kind::NotFound);
    EXPECT_EQ(PagePath(page, "/"), "/<Untitled>");
}

TEST(PreviewServer, OpenDocumentsWinOverTheDiskAndAreRemembered) {
    TempDir dir;
    write(dir.file("style.css"), "p { color: blue }");
    write(dir.file("old.css"), "p { color: gr\xfcn }");
    write(dir.file("logo.png"), "\x89PNG");
    Documents host;
    host.open[dir.file("style.css")] = {dir.file("style.css"), false, "p { color: red }",
                                        Encoding::Utf8};
    PreviewServer server(host);
    server.setPage({dir.file("index.htm"), false, "<P>", Encoding::Utf8}, "/");

    const PreviewResponse css = server.respond(dir.file("style.css"));
    EXPECT_EQ(css.body, "p { color: red }") << "the unsaved text, not the file";
    EXPECT_EQ(css.contentType, "text/css; charset=utf-8");
    const PreviewResponse old = server.respond(dir.file("old.css"));
    EXPECT_EQ(old.body, "p { color: gr\xfcn }");
    EXPECT_EQ(old.contentType, "text/css; charset=windows-1252") << "detected from the bytes";
    EXPECT_EQ(server.respond(dir.file("logo.png")).contentType, "image/png");

    EXPECT_TRUE(server.uses(dir.file("index.htm")));
    EXPECT_TRUE(server.uses(dir.file("style.css")));
    EXPECT_FALSE(server.uses(dir.file("old.css"))) << "only open documents change by typing";
    server.setPage({dir.file("other.htm"), false, "", Encoding::Utf8}, "/");
    EXPECT_FALSE(server.uses(dir.file("style.css"))) << "a new page starts afresh";

    for (const std::string& missing :
         {dir.file("missing.gif"), dir.path, std::string("logo.png"), std::string()})
        EXPECT_EQ(server.respond(missing).kind, PreviewResponse::Kind::NotFound) << missing;
}

TEST(PreviewLayout, DefaultsCentreTheStoredSize) {
    IniFile ini("/nonexistent/velloran.ini");
    PreviewPlacement placement = ReadPreviewPlacement(ini, "", 1024, 768);
    EXPECT_EQ(placement.width, 550);
    EXPECT_EQ(placement.height, 400);
    EXPECT_EQ(placement.left, (1024 - 550) / 2);
    EXPECT_EQ(placement.top, (768 - 400) / 2);
    ini.parse("[HTMLView3]\r\nWidth=801\r\nHeight=600\r\nState=2\r\n");
    placement = ReadPreviewPlacement(ini, "3", 800, 600);
    EXPECT_EQ(placement.left, 0) << "-1 / 2 truncates toward zero";
    EXPECT_EQ(placement.top, 0);
    EXPECT_EQ(placement.state, 2);
}

TEST(PreviewLayout, ClosingWritesOnlyForTheNormalLayout) {
    IniFile ini("/nonexistent/velloran.ini");
    EXPECT_FALSE(WritePreviewPlacementOnClose(ini, "2", {600, 500, 10, 20, 0}));
    EXPECT_EQ(ini.text(), "");
    ini.parse("[HTMLView]\r\nWidth=300\r\n");
    EXPECT_TRUE(WritePreviewPlacementOnClose(ini, "", {600, 500, 10, 20, 2}));
    EXPECT_EQ(ini.text(), "[HTMLView]\r\nWidth=300\r\nState=2\r\n")
        << "a maximised window keeps its last normal place";
    EXPECT_TRUE(WritePreviewPlacementOnClose(ini, "", {600, 500, 10, 20, 0}));
    EXPECT_EQ(ini.readInteger("HTMLView", "Width", 0), 600);
    EXPECT_EQ(ini.readInteger("HTMLView", "Height", 0), 500);
    EXPECT_EQ(ini.readInteger("HTMLView", "Top", 0), 10);
    EXPECT_EQ(ini.readInteger("HTMLView", "Left", 0), 20);
    EXPECT_EQ(ini.readInteger("HTMLView", "State", 9), 0);
}

TEST(PreviewServer, RenderFoldersComeOffTheAddress) {
    EXPECT_EQ(RenderPath(12, "/site/index.htm"), "/r12/site/index.htm");
    EXPECT_EQ(FilePathOf("/r12/site/index.htm"), "/site/index.htm");
    EXPECT_EQ(FilePathOf("/r3"), "/");
    // An address above its render folder ("/images/a.png" from "/r3/site/") is a file path.
    EXPECT_EQ(FilePathOf("/images/a.png"), "/images/a.png");
    EXPECT_EQ(FilePathOf("/rooms/a.png"), "/rooms/a.png");
    EXPECT_EQ(FilePathOf("/r/a.png"), "/r/a.png");
}
