// Tests of the project file's text, the reading rules and the model's writes, questions and recent
// list.
#include "platform/atomicfile.h"
#include "platform/errors.h"
#include "platform/prompter.h"
#include "project/projectfile.h"
#include "project/projectformat.h"

#include "tempdir.h"

#include <gtest/gtest.h>

#include <random>

using namespace velloran;

namespace {

const std::string kExample = "[Dir0]\r\nnodename=My Site\r\nparent=-1\r\n\r\n"
                             "[File0.0]\r\nnodename=index.htm\r\nfileinfo=/site/index.htm\r\n"
                             "webloc=\r\nimageindex=2\r\nstateindex=-1\r\n\r\n"
                             "[Dir1]\r\nnodename=images\r\nparent=0\r\n\r\n"
                             "[File1.0]\r\nnodename=logo.gif\r\nfileinfo=/site/images/logo.gif\r\n"
                             "webloc=\r\nimageindex=3\r\nstateindex=0\r\n\r\n";

// Each folder in pre-order as "name(parent index)" followed by its entries' names.
std::string describe(const ProjectTree& tree) {
    std::string out;
    for (const ProjectFolder* folder : tree.folders()) {
        const int parent = folder->parent() ? tree.indexOf(*folder->parent()) : -1;
        out += folder->name() + "(" + std::to_string(parent) + ")";
        for (const auto& file : folder->files())
            out += "[" + file->NodeName + "]";
        out += " ";
    }
    return out;
}

// The tree read from `text`, with the line of the first loss, if any, after a "!".
std::string readBack(std::string_view text) {
    ProjectTree tree;
    const ProjectReadResult result = ReadProject(text, tree);
    EXPECT_FALSE(result.refusal) << result.refusal->reason;
    return describe(tree) + (result.loss ? "!" + std::to_string(result.loss->line) : "");
}

// `depth` folders, each the parent of the next.
std::string nested(int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i)
        text +=
            "[Dir" + std::to_string(i) + "]\nnodename=f\nparent=" + std::to_string(i - 1) + "\n";
    return text;
}

class ProjectModel : public testing::Test {
protected:
    ProjectModel() {
        project.setWriter([this](const std::string& path, std::string_view bytes) {
            ++writes;
            EXPECT_TRUE(bulk);
            WriteFileAtomically(path, bytes);
        });
    }
    std::string saved(const std::string& name, const std::string& text) {
        WriteFileAtomically(dir.file(name), text);
        return dir.file(name);
    }
    const std::string& lastMessage() const { return prompter.messages.back().text; }

    TempDir dir;
    std::string fileName;
    std::vector<std::string> recent;
    bool bulk = false;
    int writes = 0;
    ScriptedPrompter prompter;
    Project project{{fileName, recent, bulk}, prompter};
};

} // namespace

TEST(ProjectFormat, ExampleRoundTripsAndSiblingsSortAfterReading) {
    ProjectTree tree;
    const ProjectReadResult result = ReadProject(kExample, tree);
    ASSERT_FALSE(result.refusal || result.loss);
    EXPECT_EQ(describe(tree), "My Site(-1)[index.htm] images(0)[logo.gif] ");
    const TProjectFile& logo = *tree.folderAt(1)->files()[0];
    EXPECT_EQ(logo.FileInfo, "/site/images/logo.gif");
    EXPECT_EQ(logo.ImageIndex, 3);
    EXPECT_TRUE(logo.checkedOut());
    EXPECT_EQ(FormatProject(tree), kExample);

    // Parents resolve against the order read; sorting (case-blind, stable) comes after.
    const std::string unsorted = "[Dir0]\nnodename=b\n[Dir1]\nnodename=A\n[Dir2]\nnodename=c\n"
                                 "parent=0\n[Dir3]\nnodename=a\n";
    EXPECT_EQ(readBack(unsorted), "A(-1) a(-1) b(-1) c(2) ");
    ProjectTree sorted;
    ASSERT_FALSE(ReadProject(unsorted, sorted).refusal);
    EXPECT_EQ(readBack(FormatProject(sorted)), "A(-1) a(-1) b(-1) c(2) ");
}

TEST(ProjectFormat, ReadingRulesAndWhatAWriteWouldLose) {
    const struct {
        const char* text;
        const char* tree; // "!N": line N holds what a write would drop
    } cases[] = {
        // Keys and headers ignore case, "[file" included; a byte order mark is skipped.
        {"\xEF\xBB\xBF[dir0]\nNodeName=a=b\n[file0.0]\nnodename=x\n[FILE0.1]\nnodename=y\n",
         "a=b(-1)[x][y] "},
        {"[Dir0]\nnodename=a\n \n[File0.0]\nfileinfo=\nimageindex=\n", "a(-1)[] "},
        // Each thing the writer would not write again, and the first one's line.
        {"junk=1\r\n[dir0]\nnodename=a\n", "a(-1) !1"},
        {"[Dir0]\nnodename=a\n[Dir1]\nnodename=b\nparent=0\n[DIR0]\nnodename=c\n",
         "a(-1) b(0) a(-1) !7"},
        {"[Dir0]\nnodename=a\n[Dir1]\nnodename=b\nparent = 0\n", "a(-1) b(-1) !5"},
        {"[Dir0]\nnodename=a\n\n[Dir1]\nnodename=b\r\nparent=x\r[File1.0]\rnodename=f",
         "a(-1) b(-1)[f] !6"},
        {"[Dir0]\nnodename=a\nnodename=b\n", "a(-1) !3"},
        {"[Dir0]\nnodename=a\n[Notes]\n[File0.0]\nimageindex=99999999999\n", "a(-1)[] !3"},
        {"[Dir0]\nno key here\n", "(-1) !2"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readBack(c.text), c.tree) << c.text;

    ProjectTree tree;
    ASSERT_TRUE(ReadProject("[Dir0]\nnodename=" + std::string(300, 'n') + "\n", tree).loss);
    EXPECT_EQ(tree.folderAt(0)->name().size(), kMaxFolderName);
}

TEST(ProjectFormat, TextThatIsNoProjectIsRefusedWithItsLine) {
    const struct {
        std::string text;
        std::size_t line;
        const char* reason;
    } cases[] = {
        {"", 0, "the file has no folder section"},
        {"[Notes]\nnodename=a\n", 0, "the file has no folder section"},
        {"[Dir0]\n[Dir1]\nparent=5\n[Dir2]\n", 3,
         "the parent folder index 5 names no folder before it"},
        {"[Dir0]\n[Dir1]\nparent=4294967296\n", 3,
         "the parent folder index 4294967296 names no folder before it"},
        {"[Dir0]\n[Dir1]\nparent=-2\n", 3, "the parent folder index -2 names no folder before it"},
        {"\n[File0.0]\nnodename=lost\n[Dir0]\n", 2,
         "a file section comes before any folder section"},
    };
    for (const auto& c : cases) {
        ProjectTree tree;
        const ProjectReadResult result = ReadProject(c.text, tree);
        ASSERT_TRUE(result.refusal) << c.text;
        EXPECT_EQ(result.refusal->line, c.line) << c.text;
        EXPECT_EQ(result.refusal->reason, c.reason);
        EXPECT_TRUE(tree.empty());
    }
}

// Nothing in reading, sorting, writing or freeing goes one call deeper per level.
// Nothing in sorting, writing or freeing goes one call deeper per level; the reader takes
// folders as deep as the limit and refuses one level more, naming its parent line.
TEST(ProjectFormat, DeeplyNestedFolders) {
    ProjectTree deep;
    ProjectFolder* parent = nullptr;
    for (int i = 0; i < 60000; ++i)
        parent = &deep.appendFolder("f", parent);
    deep.sortAll();
    deep.renameFolder(*deep.folderAt(30000), "g");
    EXPECT_EQ(deep.folders().back()->depth(), 59999);
    EXPECT_FALSE(FormatProject(deep).empty());
    deep.clear();

    ProjectTree tree;
    ASSERT_FALSE(ReadProject(nested(kMaxFolderDepth), tree).refusal);
    ASSERT_EQ(tree.folders().size(), std::size_t{kMaxFolderDepth});
    const std::string text = FormatProject(tree);
    ProjectTree again;
    const ProjectReadResult result = ReadProject(text, again);
    EXPECT_FALSE(result.refusal || result.loss);
    EXPECT_EQ(FormatProject(again), text);

    ProjectTree refused;
    const ProjectReadResult tooDeep = ReadProject(nested(60000), refused);
    ASSERT_TRUE(tooDeep.refusal);
    EXPECT_EQ(tooDeep.refusal->line, std::size_t{3 * kMaxFolderDepth + 3});
    EXPECT_EQ(tooDeep.refusal->reason, "the folder is nested more than 1000 levels deep");
}

TEST_F(ProjectModel, NoProjectIsRefusedAndTheOpenProjectStays) {
    const std::string site = saved("site.vpr", kExample);
    ASSERT_TRUE(project.OpenProject(site));
    const std::string bad = saved("bad.vpr", "[Dir0]\nnodename=a\n[Dir1]\nnodename=b\nparent=5\n");
    EXPECT_FALSE(project.OpenProject(bad));
    EXPECT_EQ(lastMessage(), "Unable to open project \"" + bad +
                                 "\": line 5: the parent folder index 5 names no folder before it. "
                                 "It is not a project file.");
    EXPECT_EQ(prompter.messages.back().kind, MessageKind::Error);
    EXPECT_EQ(fileName, site);
    EXPECT_EQ(project.tree().folders().size(), 2u);

    // A megabyte of noise is no project either, and stays out of the recent list.
    std::mt19937 random(17);
    std::string noise(1 << 20, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    const std::string noisy = saved("noise.vpr", noise);
    EXPECT_FALSE(project.OpenProject(noisy));
    EXPECT_EQ(lastMessage(), "Unable to open project \"" + noisy +
                                 "\": the file has no folder section. It is not a project file.");
    EXPECT_EQ(recent, std::vector<std::string>{site});
    EXPECT_EQ(writes, 0);
}

TEST_F(ProjectModel, ProjectReadWithLossesIsOpenedOnlyAfterAWarning) {
    const std::string path =
        saved("old.vpr", "[Dir0]\nnodename=a\n[Dir1]\nnodename=b\nparent = 0\n");
    ASSERT_TRUE(project.OpenProject(path));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].kind, MessageKind::Warning);
    EXPECT_EQ(lastMessage(), "Line 5 of project \"" + path +
                                 "\" cannot be kept: the key is not one a project keeps.\r\n\r\n"
                                 "It will be lost when the project is next changed.");
    EXPECT_EQ(fileName, path);
    EXPECT_EQ(recent, std::vector<std::string>{path});
    EXPECT_EQ(describe(project.tree()), "a(-1) b(-1) ");
    EXPECT_EQ(writes, 0);
}

TEST_F(ProjectModel, NoFolderGoesDeeperThanTheReaderTakes) {
    ASSERT_TRUE(project.OpenProject(saved("deep.vpr", nested(kMaxFolderDepth))));
    EXPECT_EQ(project.AddFolder("one more", project.tree().folders().back()), nullptr);
    EXPECT_EQ(lastMessage(), "Folders cannot be nested more than 1000 levels deep.");
    EXPECT_EQ(writes, 0);
    EXPECT_NE(project.AddFolder("beside", project.tree().folders().back()->parent()), nullptr);
    EXPECT_EQ(writes, 1);
}

TEST_F(ProjectModel, OpeningKeepsTheRecentListInStep) {
    const std::string path = saved("site.vpr", kExample);
    recent = {"/x/other.vpr", path, dir.file("SITE.vpr"), "/gone/missing.vpr"};
    ASSERT_TRUE(project.OpenProject(path));
    EXPECT_EQ(fileName, path);
    // Names differing only in case are different projects.
    EXPECT_EQ(recent, (std::vector<std::string>{path, "/x/other.vpr", dir.file("SITE.vpr"),
                                                "/gone/missing.vpr"}));

    EXPECT_FALSE(project.OpenProject("/gone/missing.vpr"));
    EXPECT_EQ(lastMessage(), "Unable to locate project \"/gone/missing.vpr\".");
    EXPECT_EQ(recent.size(), 3u);
    EXPECT_EQ(fileName, path);
    EXPECT_EQ(project.tree().folders().size(), 2u);
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(prompter.busyDepth, 0);
}

TEST_F(ProjectModel, EveryChangeIsWrittenAtOnceExceptInBulk) {
    fileName = dir.file("p.vpr");
    ProjectFolder& site = *project.AddFolder("Site", nullptr);
    ProjectFolder& images = *project.AddFolder("images", &site);
    TProjectFile* page = project.AddFile(dir.file("index.htm"), nullptr);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(writes, 3);
    EXPECT_EQ(page->NodeName, "index.htm");
    EXPECT_EQ(page->ImageIndex, 2);

    bulk = true;
    TProjectFile* picture = project.AddFile("/pics/b.gif", &images);
    EXPECT_TRUE(project.RemoveFile(images, *picture));
    bulk = false;
    EXPECT_EQ(writes, 3);

    EXPECT_TRUE(project.SetFileProperties(*page, {"Home", "pages/home.png", "/", 0}));
    EXPECT_EQ(page->ImageIndex, 3);
    EXPECT_EQ(project.resolvedPath(*page), dir.file("pages/home.png"));
    project.RenameFolder(images, std::string(300, 'z'));
    EXPECT_EQ(images.name().size(), 255u);
    EXPECT_EQ(writes, 5);
    EXPECT_EQ(ReadWholeFile(fileName), FormatProject(project.tree()));

    EXPECT_FALSE(project.RemoveFolder(site));
    EXPECT_EQ(lastMessage(), "Must remove Sub Folders first.");
    EXPECT_TRUE(project.RemoveFile(site, *page));
    EXPECT_TRUE(project.RemoveFolder(images));
    EXPECT_EQ(writes, 7);
    EXPECT_EQ(ReadWholeFile(fileName), "[Dir0]\r\nnodename=Site\r\nparent=-1\r\n\r\n");
    EXPECT_FALSE(bulk);
}

TEST_F(ProjectModel, DuplicatePathsAskButOtherCaseAndNoExtensionDoNot) {
    bulk = true;
    project.AddFolder("Site", nullptr);
    EXPECT_EQ(project.AddFile("/s/README", nullptr), nullptr);
    ASSERT_NE(project.AddFile("/s/index.htm", nullptr), nullptr);
    ASSERT_NE(project.AddFile("/s/Index.HTM", nullptr), nullptr);
    EXPECT_TRUE(prompter.messages.empty());

    prompter.planAnswer(Answer::No);
    EXPECT_EQ(project.AddFile("/s/index.htm", nullptr), nullptr);
    EXPECT_EQ(lastMessage(), "The file \"/s/index.htm\" is already in the project,\r\n\r\n"
                             "Do you want to add it again?");
    EXPECT_EQ(prompter.messages.back().buttons, Buttons::YesNo);
    prompter.planAnswer(Answer::Yes);
    EXPECT_NE(project.AddFile("/s/index.htm", nullptr), nullptr);
    EXPECT_EQ(describe(project.tree()), "Site(-1)[index.htm][Index.HTM][index.htm] ");
    EXPECT_EQ(project.FindFile("/s/index.htm"), project.tree().folderAt(0)->files()[0].get());
}

TEST_F(ProjectModel, SaveAsksForANameEndingInExactlyDotVpr) {
    project.AddFolder("New Project", nullptr); // cancelled
    ASSERT_EQ(prompter.fileRequests.size(), 1u);
    EXPECT_EQ(prompter.fileRequests[0].title, "New Project");
    EXPECT_EQ(prompter.fileRequests[0].filter, "Velloran Project|*.vpr");
    EXPECT_EQ(prompter.fileRequests[0].defaultExt, "vpr");

    prompter.planFile(dir.file("site.VPR"));
    project.AddFolder("Other", nullptr);
    EXPECT_EQ(writes, 0);
    EXPECT_TRUE(dir.entries().empty());
    EXPECT_EQ(fileName, "");

    prompter.planFile(dir.file("site.vpr"));
    EXPECT_TRUE(project.SaveProject(""));
    EXPECT_EQ(fileName, dir.file("site.vpr"));
    EXPECT_EQ(recent, std::vector<std::string>{dir.file("site.vpr")});
    EXPECT_EQ(readBack(ReadWholeFile(fileName)), "New Project(-1) Other(-1) ");
}

TEST_F(ProjectModel, FailedWriteIsReportedAndKeepsTheModel) {
    fileName = dir.file("missing/p.vpr");
    project.AddFolder("Site", nullptr);
    EXPECT_EQ(prompter.messages.back().kind, MessageKind::Error);
    EXPECT_NE(lastMessage().find("No such file or directory"), std::string::npos);
    EXPECT_EQ(fileName, dir.file("missing/p.vpr"));
    EXPECT_EQ(project.tree().folders().size(), 1u);
    EXPECT_TRUE(recent.empty());
    EXPECT_EQ(project.AddFile("/s/a\nb.htm", nullptr), nullptr);
    EXPECT_EQ(
        lastMessage(),
        "The file name \"/s/a\nb.htm\" contains a line break and cannot be kept in the project.");
}
